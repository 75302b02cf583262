#include "platform/fichiers_durables.h"

#include "platform/chemins.h"
#include "platform/erreur.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plateforme {

namespace {

QByteArray Octets(const QString& natif) {
    return QFile::encodeName(natif);
}

QString DossierDe(const QString& natif) {
    const qsizetype pos = natif.lastIndexOf(QLatin1Char('/'));
    if (pos < 0) {
        return QStringLiteral(".");
    }
    return pos == 0 ? QStringLiteral("/") : natif.left(pos);
}

class Descripteur {
public:
    explicit Descripteur(int fd)
        : fd_(fd) {}
    ~Descripteur() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    int get() const { return fd_; }
    int Fermer() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

void SynchroniserDossier(const QString& dossierNatif) {
    Descripteur d(::open(Octets(dossierNatif).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.get() < 0) {
        throw ErreurSysteme(errno, dossierNatif);
    }
    if (::fsync(d.get()) != 0) {
        throw ErreurSysteme(errno, dossierNatif);
    }
}

} // namespace

void EcrireFichierDurable(const QString& chemin, const QByteArray& contenu) {
    const QString natif = CheminNatif(chemin);
    const QString dossier = DossierDe(natif);
    struct stat st {};
    if (::stat(Octets(dossier).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Lever(err::CheminIntrouvable);
    }
    QByteArray provisoire = Octets(dossier + QStringLiteral("/.~durable-XXXXXX"));
    Descripteur fd(::mkostemp(provisoire.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        throw ErreurSysteme(errno, chemin);
    }
    const auto echouer = [&](int e) {
        ::unlink(provisoire.constData());
        throw ErreurSysteme(e, chemin);
    };
    qsizetype ecrits = 0;
    while (ecrits < contenu.size()) {
        const ssize_t n = ::write(fd.get(), contenu.constData() + ecrits,
                                  static_cast<size_t>(contenu.size() - ecrits));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            echouer(n < 0 ? errno : ENOSPC);
        }
        ecrits += n;
    }
    if (::fchmod(fd.get(), 0644) != 0 || ::fsync(fd.get()) != 0) {
        echouer(errno);
    }
    if (fd.Fermer() != 0) {
        echouer(errno);
    }
    if (::rename(provisoire.constData(), Octets(natif).constData()) != 0) {
        echouer(errno);
    }
    SynchroniserDossier(dossier);
}

void SupprimerFichierDurable(const QString& chemin) {
    const QString natif = CheminNatif(chemin);
    if (::unlink(Octets(natif).constData()) != 0) {
        if (errno == ENOENT) {
            return;
        }
        throw ErreurSysteme(errno, chemin);
    }
    SynchroniserDossier(DossierDe(natif));
}

bool MemeFichier(const QString& chemin1, const QString& chemin2) {
    struct stat a {};
    struct stat b {};
    if (::stat(Octets(CheminNatif(chemin1)).constData(), &a) != 0 ||
        ::stat(Octets(CheminNatif(chemin2)).constData(), &b) != 0) {
        return false;
    }
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace plateforme
