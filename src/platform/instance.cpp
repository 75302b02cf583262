#include "platform/instance.h"

#include "platform/chemins.h"

#include <QCryptographicHash>
#include <QDir>

#include <cerrno>
#include <cstring>

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

InstanceUnique::InstanceUnique(const QString& nom, const QString& dossier) {
    // One lock per emulated machine, so that tests and demos on other machines do not collide.
    const QByteArray empreinte =
        QCryptographicHash::hash(Machine::Racine().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    const QString base = (dossier.isEmpty() ? DossierExecution() : dossier) + QLatin1Char('/') +
                         nom + QLatin1Char('-') + QString::number(getuid()) + QLatin1Char('-') +
                         QString::fromLatin1(empreinte);
    chemin_ = base + QStringLiteral(".lock");
    cheminAppel_ = base + QStringLiteral(".socket");
    const int fd =
        ::open(QFile::encodeName(chemin_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        raison_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    int resultat = 0;
    do {
        resultat = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (resultat != 0 && errno == EINTR);
    if (resultat != 0) {
        // Only a lock held elsewhere means another instance; any other failure tells nothing.
        const int cause = errno;
        ::close(fd);
        if (cause == EWOULDBLOCK) {
            issue_ = Issue::AutreInstance;
        } else {
            raison_ = QString::fromLocal8Bit(std::strerror(cause));
        }
        return;
    }
    descripteur_ = fd;
    issue_ = Issue::Obtenue;
}

InstanceUnique::~InstanceUnique() {
    if (descripteur_ >= 0) {
        ::close(descripteur_);
    }
}

} // namespace plateforme
