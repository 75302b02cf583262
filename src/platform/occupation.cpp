#include "platform/occupation.h"

#include "platform/chemins.h"

#include <QFile>
#include <QStringList>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace plateforme {

namespace {

// Creates the missing file empty. Nobody can hold a lock on a file this call made, so closing it
// drops no lock of this process.
bool CreerVide(const QByteArray& natif) {
    const int fd = ::open(natif.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

// Whether a process other than this one holds a lock on the inode, from the lines of
// /proc/locks: "1: POSIX  ADVISORY  WRITE 1234 fe:00:10969154 0 EOF" (pending requests,
// marked "->", hold nothing).
bool VerrouilleParUnAutre(const struct stat& st) {
    QFile liste(QStringLiteral("/proc/locks"));
    if (!liste.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    const QString inode = QStringLiteral("%1:%2:%3")
                              .arg(major(st.st_dev), 2, 16, QLatin1Char('0'))
                              .arg(minor(st.st_dev), 2, 16, QLatin1Char('0'))
                              .arg(static_cast<qulonglong>(st.st_ino));
    const QString moi = QString::number(::getpid());
    for (const QByteArray& ligne : liste.readAll().split('\n')) {
        const QStringList champs =
            QString::fromLatin1(ligne).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (champs.size() < 6 || champs[1] == QLatin1String("->")) {
            continue;
        }
        if (champs[5].compare(inode, Qt::CaseInsensitive) == 0 && champs[4] != moi) {
            return true;
        }
    }
    return false;
}

} // namespace

bool FichierOccupe(const QString& chemin) {
    const QByteArray natif = QFile::encodeName(CheminNatif(chemin));
    struct stat st {};
    if (::stat(natif.constData(), &st) != 0) {
        return errno != ENOENT || !CreerVide(natif);
    }
    if (S_ISDIR(st.st_mode) || ::faccessat(AT_FDCWD, natif.constData(), W_OK, AT_EACCESS) != 0) {
        return true;
    }
    return VerrouilleParUnAutre(st);
}

} // namespace plateforme
