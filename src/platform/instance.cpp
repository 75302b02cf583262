#include "platform/instance.h"

#include "platform/chemins.h"

#include <QCryptographicHash>
#include <QDir>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace plateforme {

namespace {

QString DossierExecution() {
    QString dossier = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dossier.isEmpty() || !QDir(dossier).exists()) {
        dossier = QDir::tempPath();
    }
    return dossier;
}

} // namespace

InstanceUnique::InstanceUnique(const QString& nom) {
    // One lock per emulated machine, so that tests and demos on other machines do not collide.
    const QByteArray empreinte =
        QCryptographicHash::hash(Machine::Racine().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    chemin_ = DossierExecution() + QLatin1Char('/') + nom + QLatin1Char('-') +
              QString::number(getuid()) + QLatin1Char('-') + QString::fromLatin1(empreinte) +
              QStringLiteral(".lock");
    const int fd =
        ::open(QFile::encodeName(chemin_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    descripteur_ = fd;
}

InstanceUnique::~InstanceUnique() {
    if (descripteur_ >= 0) {
        ::close(descripteur_);
    }
}

} // namespace plateforme
