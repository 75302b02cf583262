#include "platform/fichiers_internes.h"

#include "platform/descripteur.h"

#include "platform/erreur.h"

#include <QHash>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// The body of every file copy the module makes: the data copied under a temporary name, its
// checks, and how it reaches the disk.
namespace plateforme::interne {

namespace {

// Copies `in` from its current offset to its end into `out`, in the kernel when it can.
void CopierContenu(int in, int out, const QString& natifSource) {
    bool essayerNoyau = true;
    for (;;) {
        if (essayerNoyau) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0) {
                continue;
            }
            if (n == 0) {
                // Some special file systems report 0 without copying: check by a real read.
                essayerNoyau = false;
                continue;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                errno == EBADF || errno == ETXTBSY || errno == EPERM) {
                essayerNoyau = false;
                continue;
            }
            LeverSysteme(errno, natifSource);
        }
        static constexpr size_t TailleTampon = 1 << 20;
        std::unique_ptr<char[]> tampon(new char[TailleTampon]);
        for (;;) {
            const ssize_t lus = ::read(in, tampon.get(), TailleTampon);
            if (lus < 0) {
                if (errno == EINTR) {
                    continue;
                }
                LeverSysteme(errno, natifSource);
            }
            if (lus == 0) {
                return;
            }
            ssize_t ecrits = 0;
            while (ecrits < lus) {
                const ssize_t w =
                    ::write(out, tampon.get() + ecrits, static_cast<size_t>(lus - ecrits));
                if (w < 0) {
                    if (errno == EINTR) {
                        continue;
                    }
                    LeverSysteme(errno, {});
                }
                ecrits += w;
            }
        }
    }
}

// Whether starting the write-back of a file is enough to put its data on disk before a rename
// that follows. ext3 and ext4 in their default data=ordered mode allocate the blocks during the
// write-back inside the running journal transaction, and no transaction commits before its
// ordered data is on disk: the rename, journalled later, cannot survive a crash without the data.
// Elsewhere only a full flush gives that, at one journal commit per file. tmpfs keeps nothing
// across a crash anyway.
bool EcritureOrdonnee(dev_t peripherique) {
    static std::mutex mutex;
    static QHash<dev_t, bool> connus;
    std::lock_guard<std::mutex> verrou(mutex);
    const auto it = connus.constFind(peripherique);
    if (it != connus.constEnd()) {
        return *it;
    }
    bool ordonnee = false;
    QFile montages(QStringLiteral("/proc/self/mountinfo"));
    if (montages.open(QIODevice::ReadOnly)) {
        const QByteArray cherche =
            QByteArray::number(major(peripherique)) + ':' + QByteArray::number(minor(peripherique));
        for (const QByteArray& ligne : montages.readAll().split('\n')) {
            const QList<QByteArray> champs = ligne.split(' ');
            const qsizetype tiret = champs.indexOf(QByteArray("-"));
            if (champs.size() < 5 || champs[2] != cherche || tiret < 0 ||
                tiret + 3 >= champs.size()) {
                continue;
            }
            const QByteArray& type = champs[tiret + 1];
            const QByteArray& options = champs[tiret + 3];
            if (type == "ext4" || type == "ext3") {
                ordonnee = !options.contains("data=writeback");
            } else {
                ordonnee = type == "tmpfs" || type == "ramfs";
            }
            break;
        }
    }
    connus.insert(peripherique, ordonnee);
    return ordonnee;
}

bool MemesOctets(int a, int b) {
    constexpr qsizetype Bloc = 1 << 16;
    QByteArray tamponA(Bloc, Qt::Uninitialized);
    QByteArray tamponB(Bloc, Qt::Uninitialized);
    for (;;) {
        const ssize_t lusA = ::read(a, tamponA.data(), Bloc);
        ssize_t lusB = 0;
        while (lusA > 0 && lusB < lusA) {
            const ssize_t n = ::read(b, tamponB.data() + lusB, static_cast<size_t>(lusA - lusB));
            if (n <= 0) {
                return false;
            }
            lusB += n;
        }
        if (lusA < 0) {
            return false;
        }
        if (lusA == 0) {
            char reste = 0;
            return ::read(b, &reste, 1) == 0;
        }
        if (std::memcmp(tamponA.constData(), tamponB.constData(), static_cast<size_t>(lusA)) != 0) {
            return false;
        }
    }
}

} // namespace

int Consolider(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && EcritureOrdonnee(st.st_dev) &&
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE) == 0) {
        return 0;
    }
    return ::fdatasync(fd);
}

std::unique_ptr<FichierTemporaire> EcrireProvisoire(int in, const QString& natifSource,
                                                    int dossierCible, const QByteArray& nomCible,
                                                    const QString& natifCible, bool modifiable,
                                                    const QByteArray& nomProvisoire) {
    struct stat stSource {};
    if (::fstat(in, &stSource) != 0) {
        LeverSysteme(errno, natifSource);
    }
    if (!S_ISREG(stSource.st_mode)) {
        Lever(err::ErreurAccesChemin);
    }
    if (dossierCible < 0) {
        Lever(err::CheminIntrouvable);
    }
    struct stat stCible {};
    if (::fstatat(dossierCible, nomCible.constData(), &stCible, 0) == 0) {
        if (S_ISDIR(stCible.st_mode)) {
            Lever(err::ErreurAccesChemin);
        }
        if (stCible.st_dev == stSource.st_dev && stCible.st_ino == stSource.st_ino) {
            Lever(err::PermissionRefusee); // the file is in use by the copy itself
        }
        // FileCopy does not replace a read-only file.
        if (EstLectureSeule(stCible) ||
            ::faccessat(dossierCible, nomCible.constData(), W_OK, 0) != 0) {
            Lever(err::PermissionRefusee);
        }
    }

    auto tmp = std::make_unique<FichierTemporaire>(dossierCible, QString(), nomProvisoire);
    if (!tmp->Ouvert()) {
        LeverSysteme(errno, natifCible);
    }
    CopierContenu(in, tmp->fd(), natifSource);
    // Permissions follow (a read-only file stays read-only, as its attribute would); set-id bits
    // never come along from a share.
    const mode_t droits = (stSource.st_mode & 0777) | (modifiable ? S_IWUSR : 0);
    if (::fchmod(tmp->fd(), droits) != 0) {
        LeverSysteme(errno, natifCible);
    }
    const struct timespec temps[2] = {{0, UTIME_NOW}, stSource.st_mtim};
    if (::futimens(tmp->fd(), temps) != 0) {
        LeverSysteme(errno, natifCible);
    }
    return tmp;
}

CibleLectureSeule ComparerCible(int dossierSource, const QByteArray& nomSource, int dossierCible,
                                const QByteArray& nomCible) {
    struct stat stCible {};
    if (dossierCible < 0 || ::fstatat(dossierCible, nomCible.constData(), &stCible, 0) != 0 ||
        !S_ISREG(stCible.st_mode) || !EstLectureSeule(stCible)) {
        return CibleLectureSeule::Non;
    }
    const Descripteur in(
        dossierSource < 0 ? -1
                          : ::openat(dossierSource, nomSource.constData(), O_RDONLY | O_CLOEXEC));
    const Descripteur cible(::openat(dossierCible, nomCible.constData(), O_RDONLY | O_CLOEXEC));
    struct stat stSource {};
    if (in.get() < 0 || cible.get() < 0 || ::fstat(in.get(), &stSource) != 0 ||
        stSource.st_size != stCible.st_size || !MemesOctets(in.get(), cible.get())) {
        return CibleLectureSeule::Differente;
    }
    return CibleLectureSeule::Identique;
}

} // namespace plateforme::interne

namespace plateforme {

namespace {

CrochetsCopie*& crochets() {
    return EnVigueur<CrochetsCopie, CrochetsCopie>();
}

} // namespace

CrochetsCopie& CrochetsCopieCourants() {
    return *crochets();
}

RemplacementCrochetsCopie::RemplacementCrochetsCopie(CrochetsCopie& nouveaux)
    : Remplacement(crochets(), nouveaux) {}

} // namespace plateforme
