#include "platform/fichiers_lots.h"

#include "platform/descripteur.h"
#include "platform/fichiers_internes.h"

#include "platform/chemins.h"
#include "platform/erreur.h"

#include <memory>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plateforme {

using namespace interne;

DossierOuvert::DossierOuvert(const QString& cheminWindows)
    : windows_(cheminWindows)
    , natif_(CheminNatif(cheminWindows)) {
    fd_ = ::open(Octets(natif_).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

DossierOuvert::~DossierOuvert() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

CibleLectureSeule DossierOuvert::CibleEnLectureSeule(const DossierOuvert& source,
                                                     const QString& nom) const {
    QByteArray cible = NomExistant(nom);
    if (cible.isEmpty()) {
        return CibleLectureSeule::Non;
    }
    QByteArray nomSource = source.NomExistant(nom);
    return ComparerCible(source.fd_, nomSource.isEmpty() ? Octets(nom) : nomSource, fd_, cible);
}

QByteArray DossierOuvert::NomExistant(const QString& nom) const {
    if (fd_ < 0) {
        return {};
    }
    QByteArray exact = Octets(nom);
    struct stat st {};
    if (::fstatat(fd_, exact.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return exact;
    }
    // Rare: another case, found by the path translation's own search.
    const QString natif = CheminNatif(windows_ + QLatin1Char('\\') + nom);
    const QString trouve = NomDe(natif);
    if (DossierParent(natif) != natif_ || trouve == nom ||
        ::fstatat(fd_, Octets(trouve).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return {};
    }
    return Octets(trouve);
}

bool DossierOuvert::SecondeEcriture(const QString& nom, qint64& secondes, qint64* taille) const {
    if (fd_ < 0) {
        return false;
    }
    QByteArray entree = Octets(nom);
    struct stat st {};
    if (::fstatat(fd_, entree.constData(), &st, 0) != 0) {
        if (errno != ENOENT) {
            return false;
        }
        entree = NomExistant(nom);
        if (entree.isEmpty() || ::fstatat(fd_, entree.constData(), &st, 0) != 0) {
            return false;
        }
    }
    if (!S_ISREG(st.st_mode)) {
        return false;
    }
    // Readable by everyone: open would succeed, no need to ask. Otherwise the kernel decides,
    // as it would for the open.
    if ((st.st_mode & 0444) != 0444 && ::faccessat(fd_, entree.constData(), R_OK, 0) != 0) {
        return false;
    }
    secondes = static_cast<qint64>(st.st_mtim.tv_sec);
    if (taille != nullptr) {
        *taille = static_cast<qint64>(st.st_size);
    }
    return true;
}

struct LotCopies::EnAttente {
    std::unique_ptr<FichierTemporaire> provisoire;
    QByteArray cible;
    QString nom;
};

LotCopies::LotCopies(const DossierOuvert& destination, Place place, Echec echec)
    : destination_(destination)
    , place_(std::move(place))
    , echec_(std::move(echec)) {}

LotCopies::~LotCopies() = default; // the copies not placed go with their temporary files

// The temporary copies an interrupted copy left in the folder (a lot may leave many): the
// module copies into a folder of the local tree one run at a time, so none of them is still
// being written.
void LotCopies::RetirerRestes() {
    const DossierLu d = LireDossier(destination_.fd_);
    if (!d) {
        return;
    }
    while (const dirent* e = ::readdir(d.get())) {
        struct stat st {};
        if (NomCopieTemporaire(e->d_name) &&
            ::fstatat(destination_.fd_, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode)) {
            ::unlinkat(destination_.fd_, e->d_name, 0);
        }
    }
}

void LotCopies::Copier(const DossierOuvert& source, const QString& nom, bool modifiable) {
    if (!restesRetires_) {
        restesRetires_ = true;
        RetirerRestes();
    }
    CrochetsCopieCourants().AvantCopie(source.windows_ + QLatin1Char('\\') + nom,
                                       destination_.windows_ + QLatin1Char('\\') + nom);
    const QByteArray nomSource = Octets(nom);
    const QString natifSource = source.natif_ + QLatin1Char('/') + nom;
    const Descripteur in(
        source.fd_ < 0 ? -1 : ::openat(source.fd_, nomSource.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        LeverSysteme(source.fd_ < 0 ? ENOENT : errno, natifSource);
    }
    QByteArray cible = destination_.NomExistant(nom);
    if (cible.isEmpty()) {
        cible = nomSource;
    }
    const QString natifCible = destination_.natif_ + QLatin1Char('/') + QFile::decodeName(cible);
    std::unique_ptr<FichierTemporaire> provisoire =
        EcrireProvisoire(in.get(), natifSource, destination_.fd_, cible, natifCible, modifiable);
    struct stat st {};
    const qint64 taille = ::fstat(provisoire->fd(), &st) == 0 ? st.st_size : 0;
    if (provisoire->Fermer() != 0) {
        LeverSysteme(errno, natifCible);
    }
    attente_.push_back({std::move(provisoire), cible, nom});
    octets_ += taille;
    if (attente_.size() >= FichiersMax || octets_ >= OctetsMax) {
        Placer();
    }
}

void LotCopies::Placer() {
    if (attente_.empty()) {
        return;
    }
    std::vector<EnAttente> lot;
    lot.swap(attente_);
    octets_ = 0;
    // Every copy of the lot on the disk at once: one flush of the file system they are on.
    {
        const Descripteur un(::openat(destination_.fd_, lot.front().provisoire->Nom().constData(),
                                      O_RDONLY | O_CLOEXEC));
        if (un.get() < 0 || ::syncfs(un.get()) != 0) {
            const Erreur e = ErreurSysteme(errno, destination_.natif_);
            if (!echec_) {
                throw ErreurPlacement(e, {});
            }
            for (const EnAttente& copie : lot) {
                echec_(copie.nom, e);
            }
            return;
        }
    }
    std::optional<ErreurPlacement> premiere;
    for (EnAttente& copie : lot) {
        if (copie.provisoire->Renommer(copie.cible) == 0) {
            if (place_) {
                place_(copie.nom);
            }
            continue;
        }
        const Erreur e = ErreurSysteme(errno, destination_.natif_ + QLatin1Char('/') +
                                                  QFile::decodeName(copie.cible));
        if (echec_) {
            echec_(copie.nom, e);
        } else if (!premiere) {
            premiere = ErreurPlacement(e, copie.nom);
        }
    }
    // The new names on the disk too. A folder that cannot be opened for reading keeps them for
    // the file system's next flush: each name already leads to complete data.
    const Descripteur dossier(::openat(destination_.fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dossier.get() >= 0 && ::fsync(dossier.get()) != 0 && !premiere) {
        premiere = ErreurPlacement(ErreurSysteme(errno, destination_.natif_), {});
    }
    if (premiere) {
        throw *premiere;
    }
}

CopieEnAttente::CopieEnAttente(const QString& source, std::shared_ptr<const DossierOuvert> dossier,
                               const QString& nomAttente)
    : dossier_(std::move(dossier)) {
    const QString natifCible = dossier_->natif_ + QLatin1Char('/') + nomAttente;
    CrochetsCopieCourants().AvantCopie(source, dossier_->windows_ + QLatin1Char('\\') + nomAttente);
    const QString natifSource = CheminNatif(source);
    const Descripteur in(::open(Octets(natifSource).constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        LeverSysteme(errno, natifSource);
    }
    const QByteArray nom = Octets(nomAttente);
    // Sent to the server: a read-only local file must not become one there. Written under its
    // waiting name itself: a copy interrupted half-way leaves no name but the one its caller
    // chose, and can find again.
    const std::unique_ptr<FichierTemporaire> tmp =
        EcrireProvisoire(in.get(), natifSource, dossier_->fd_, nom, natifCible, true, nom);
    if (Consolider(tmp->fd()) != 0 || tmp->Fermer() != 0) {
        LeverSysteme(errno, natifCible);
    }
    tmp->Garder();
    attente_ = nom;
}

CopieEnAttente::~CopieEnAttente() {
    if (!attente_.isEmpty()) {
        ::unlinkat(dossier_->fd_, attente_.constData(), 0);
    }
}

void CopieEnAttente::Placer(const QString& nom) {
    QByteArray cible = dossier_->NomExistant(nom);
    if (cible.isEmpty()) {
        cible = Octets(nom);
    }
    if (::renameat(dossier_->fd_, attente_.constData(), dossier_->fd_, cible.constData()) != 0) {
        LeverSysteme(errno, dossier_->natif_ + QLatin1Char('/') + nom);
    }
    attente_.clear();
}

} // namespace plateforme
