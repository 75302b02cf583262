#include "platform/fichiers_durables.h"

#include "platform/descripteur.h"
#include "platform/fichiers_internes.h"

#include "platform/chemins.h"
#include "platform/erreur.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plateforme {

using namespace interne;

namespace {

TemoinDisque*& temoin() {
    return EnVigueur<TemoinDisque, TemoinDisque>();
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

constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr qsizetype LongueurAlea = 6;
constexpr char Prefixe[] = ".~synchro-";
constexpr char Suffixe[] = ".tmp";

// The folder is checked first: a missing one is the classic "path not found".
void VerifierDossier(const QString& natif) {
    if (!EstDossierNatif(DossierParent(natif))) {
        Lever(err::CheminIntrouvable);
    }
}

} // namespace

namespace interne {

QByteArray NomTemporaire(const QString& quoi) {
    QByteArray nom = Prefixe;
    if (!quoi.isEmpty()) {
        nom += Octets(quoi) + '-';
    }
    quint64 alea = QRandomGenerator::global()->generate64();
    for (qsizetype i = 0; i < LongueurAlea; ++i) {
        nom += Alphabet[alea % (sizeof Alphabet - 1)];
        alea /= sizeof Alphabet - 1;
    }
    return nom + Suffixe;
}

bool NomCopieTemporaire(const char* nom) {
    const QByteArrayView vue(nom);
    const qsizetype prefixe = sizeof Prefixe - 1;
    if (vue.size() != prefixe + LongueurAlea + qsizetype(sizeof Suffixe - 1) ||
        !vue.startsWith(Prefixe) || !vue.endsWith(Suffixe)) {
        return false;
    }
    const QByteArrayView alea = vue.sliced(prefixe, LongueurAlea);
    return std::all_of(alea.begin(), alea.end(),
                       [](char c) { return std::strchr(Alphabet, c) != nullptr && c != '\0'; });
}

void Signaler(EtapeDisque etape, const QString& natif, const QString& cible) {
    temoin()->Etape(etape, natif, cible);
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

FichierTemporaire::FichierTemporaire(int dossier, const QString& quoi, const QByteArray& nomDonne)
    : dossier_(dossier) {
    const int drapeaux = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    if (!nomDonne.isEmpty()) {
        fd_ = ::openat(dossier_, nomDonne.constData(), drapeaux, 0600);
        nom_ = fd_ >= 0 ? nomDonne : QByteArray();
        return;
    }
    for (int essai = 0; essai < 100; ++essai) {
        const QByteArray nom = NomTemporaire(quoi);
        fd_ = ::openat(dossier_, nom.constData(), drapeaux, 0600);
        if (fd_ >= 0) {
            nom_ = nom;
            return;
        }
        if (errno != EEXIST) {
            return;
        }
    }
}

FichierTemporaire::~FichierTemporaire() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!nom_.isEmpty()) {
        ::unlinkat(dossier_, nom_.constData(), 0);
    }
}

int FichierTemporaire::Renommer(const QByteArray& cible) {
    const int r = ::renameat(dossier_, nom_.constData(), dossier_, cible.constData());
    if (r == 0) {
        nom_.clear();
    }
    return r;
}

void FichierTemporaire::Publier(const QByteArray& cible, const QString& natifDossier,
                                const QString& chemin) {
    const QString natif = natifDossier + QLatin1Char('/') + QFile::decodeName(nom_);
    const QString natifCible = natifDossier + QLatin1Char('/') + QFile::decodeName(cible);
    if (fd_ < 0) {
        fd_ = ::openat(dossier_, nom_.constData(), O_RDONLY | O_CLOEXEC); // closed by its writer
    }
    if (fd_ < 0 || ::fsync(fd_) != 0) {
        throw ErreurSysteme(errno, chemin);
    }
    Signaler(EtapeDisque::DonneesSurDisque, natif);
    if (Fermer() != 0 || Renommer(cible) != 0) {
        throw ErreurSysteme(errno, chemin);
    }
    Signaler(EtapeDisque::Renommage, natif, natifCible);
    SynchroniserDossier(natifDossier);
}

void EcrireDurable(const QString& natif, const QByteArray& contenu, mode_t droits,
                   const QString& chemin) {
    const QString dossier = DossierParent(natif);
    const Descripteur fdDossier(
        ::open(Octets(dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fdDossier.get() < 0) {
        throw ErreurSysteme(errno, chemin);
    }
    FichierTemporaire fichier(fdDossier.get(), NomDe(natif));
    if (!fichier.Ouvert()) {
        throw ErreurSysteme(errno, chemin);
    }
    Signaler(EtapeDisque::Creation, dossier + QLatin1Char('/') + QFile::decodeName(fichier.Nom()));
    EcrireTout(fichier.fd(), contenu, chemin);
    if (::fchmod(fichier.fd(), droits) != 0) {
        throw ErreurSysteme(errno, chemin);
    }
    fichier.Publier(Octets(NomDe(natif)), dossier, chemin);
}

} // namespace interne

void EcrireFichierDurable(const QString& chemin, const QByteArray& contenu) {
    const QString natif = CheminNatif(chemin);
    VerifierDossier(natif);
    EcrireDurable(natif, contenu, 0644, chemin);
}

FichierProvisoire::FichierProvisoire(const QString& destination)
    : destination_(destination)
    , natifCible_(CheminNatif(destination))
    , natifDossier_(DossierParent(natifCible_))
    , dossier_((VerifierDossier(natifCible_),
                ::open(Octets(natifDossier_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))) {
    if (dossier_.get() < 0) {
        throw ErreurSysteme(errno, destination);
    }
    fichier_ = std::make_unique<FichierTemporaire>(dossier_.get(), NomDe(natifCible_));
    // Closed at once: its writer alone holds it from here (SQLite's locks would not survive
    // another descriptor of the file being closed).
    if (!fichier_->Ouvert() || fichier_->Fermer() != 0) {
        throw ErreurSysteme(errno, destination);
    }
    natif_ = natifDossier_ + QLatin1Char('/') + QFile::decodeName(fichier_->Nom());
    Signaler(EtapeDisque::Creation, natif_);
}

FichierProvisoire::~FichierProvisoire() {
    if (fichier_ && !fichier_->Nom().isEmpty()) {
        ::unlinkat(dossier_.get(), (fichier_->Nom() + "-journal").constData(), 0);
    }
}

void FichierProvisoire::Publier() {
    fichier_->Publier(Octets(NomDe(natifCible_)), natifDossier_, destination_);
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
    SynchroniserDossier(DossierParent(natif));
}

RemplacementTemoinDisque::RemplacementTemoinDisque(TemoinDisque& nouveau)
    : Remplacement(temoin(), nouveau) {}

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

int OuvrirRegistre(const QString& chemin) {
    const QString natif = CheminNatif(chemin);
    VerifierDossier(natif);
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
