#include "platform/fichiers_durables.h"

#include "platform/descripteur.h"

#include "platform/chemins.h"
#include "platform/erreur.h"

#include <QFile>

#include <cerrno>
#include <utility>

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

TemoinDisque& Temoin() {
    static TemoinDisque temoin = nullptr;
    return temoin;
}

void Signaler(EtapeDisque etape, const QString& natif, const QString& cible = {}) {
    if (Temoin() != nullptr) {
        Temoin()(etape, natif, cible);
    }
}

void SynchroniserDossier(const QString& dossierNatif) {
    Descripteur d(::open(Octets(dossierNatif).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.get() < 0) {
        throw ErreurSysteme(errno, dossierNatif);
    }
    if (::fsync(d.get()) != 0) {
        throw ErreurSysteme(errno, dossierNatif);
    }
    Signaler(EtapeDisque::DossierSurDisque, dossierNatif);
}

// The register's blocks: large enough that a run of 100,000 lines makes a few hundred writes.
constexpr qsizetype TailleBloc = 64 * 1024;

void EcrireTout(int fd, const QByteArray& octets, const QString& chemin) {
    qsizetype ecrits = 0;
    while (ecrits < octets.size()) {
        const ssize_t n =
            ::write(fd, octets.constData() + ecrits, static_cast<size_t>(octets.size() - ecrits));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw ErreurSysteme(n < 0 ? errno : ENOSPC, chemin);
        }
        ecrits += n;
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
    const QString natifProvisoire = QFile::decodeName(provisoire);
    Signaler(EtapeDisque::Creation, natifProvisoire);
    const auto echouer = [&](int e) {
        ::unlink(provisoire.constData());
        throw ErreurSysteme(e, chemin);
    };
    try {
        EcrireTout(fd.get(), contenu, chemin);
    } catch (const Erreur&) {
        ::unlink(provisoire.constData());
        throw;
    }
    if (::fchmod(fd.get(), 0644) != 0 || ::fsync(fd.get()) != 0) {
        echouer(errno);
    }
    Signaler(EtapeDisque::DonneesSurDisque, natifProvisoire);
    if (fd.Fermer() != 0) {
        echouer(errno);
    }
    if (::rename(provisoire.constData(), Octets(natif).constData()) != 0) {
        echouer(errno);
    }
    Signaler(EtapeDisque::Renommage, natifProvisoire, natif);
    SynchroniserDossier(dossier);
}

void PublierFichierDurable(const QString& provisoire, const QString& chemin) {
    const QString natifProvisoire = CheminNatif(provisoire);
    const QString natif = CheminNatif(chemin);
    Descripteur fd(::open(Octets(natifProvisoire).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0) {
        throw ErreurSysteme(errno, provisoire);
    }
    Signaler(EtapeDisque::DonneesSurDisque, natifProvisoire);
    if (::rename(Octets(natifProvisoire).constData(), Octets(natif).constData()) != 0) {
        throw ErreurSysteme(errno, chemin);
    }
    Signaler(EtapeDisque::Renommage, natifProvisoire, natif);
    SynchroniserDossier(DossierDe(natif));
}

void SupprimerFichierDurable(const QString& chemin) {
    const QString natif = CheminNatif(chemin);
    if (::unlink(Octets(natif).constData()) != 0) {
        if (errno == ENOENT) {
            return;
        }
        throw ErreurSysteme(errno, chemin);
    }
    Signaler(EtapeDisque::Suppression, natif);
    SynchroniserDossier(DossierDe(natif));
}

void DefinirTemoinDisque(TemoinDisque temoin) {
    Temoin() = temoin;
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

namespace {

// The folder is checked first: a missing one is the classic "path not found".
int OuvrirRegistre(const QString& chemin) {
    const QString natif = CheminNatif(chemin);
    struct stat st {};
    if (::stat(Octets(DossierDe(natif)).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Lever(err::CheminIntrouvable);
    }
    return ::open(Octets(natif).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

} // namespace

FichierRegistre::FichierRegistre(const QString& chemin)
    : chemin_(chemin)
    , fd_(OuvrirRegistre(chemin)) {
    if (fd_.get() < 0) {
        throw ErreurSysteme(errno, chemin);
    }
    Signaler(EtapeDisque::Creation, CheminNatif(chemin));
}

FichierRegistre::~FichierRegistre() {
    try {
        Vider();
    } catch (const Erreur&) {
        // The caller that cared called Vider or Durcir itself.
    }
}

void FichierRegistre::Ecrire(const QByteArray& octets) {
    tampon_ += octets;
    if (tampon_.size() >= TailleBloc) {
        Vider();
    }
}

void FichierRegistre::Vider() {
    if (tampon_.isEmpty()) {
        return;
    }
    const QByteArray octets = std::exchange(tampon_, QByteArray());
    EcrireTout(fd_.get(), octets, chemin_);
}

void FichierRegistre::Durcir() {
    Vider();
    if (::fdatasync(fd_.get()) != 0) {
        throw ErreurSysteme(errno, chemin_);
    }
    Signaler(EtapeDisque::DonneesSurDisque, CheminNatif(chemin_));
}

} // namespace plateforme
