#include "platform/fichiers_operations.h"

#include "platform/descripteur.h"
#include "platform/fichiers_internes.h"
#include "platform/fichiers_liste.h"

#include "platform/chemins.h"
#include "platform/erreur.h"

#include <QDir>

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plateforme {

using namespace interne;

namespace {

// The body of a single file copy: its data on its way to the disk before it takes its name.
void CopierOuvert(int in, const QString& natifSource, int dossierCible, const QByteArray& nomCible,
                  const QString& natifCible, bool modifiable = false) {
    const std::unique_ptr<FichierTemporaire> tmp =
        EcrireProvisoire(in, natifSource, dossierCible, nomCible, natifCible, modifiable);
    if (Consolider(tmp->fd()) != 0 || tmp->Fermer() != 0) {
        LeverSysteme(errno, natifCible);
    }
    if (tmp->Renommer(nomCible) != 0) {
        LeverSysteme(errno, natifCible);
    }
}

QDateTime DepuisTimespec(qint64 secondes, qint64 nanosecondes) {
    return QDateTime::fromMSecsSinceEpoch(secondes * 1000 + nanosecondes / 1000000, Qt::UTC);
}

} // namespace

void CopierFichier(const QString& source, const QString& destination, bool modifiable) {
    CrochetsCopieCourants().AvantCopie(source, destination);
    const QString natifSource = CheminNatif(source);
    // An existing destination whose name differs only by case is the one replaced, as on Windows.
    const QString natifCible = CheminNatif(destination);

    Descripteur in(::open(Octets(natifSource).constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        LeverSysteme(errno, natifSource);
    }
    const Descripteur dossier(
        ::open(Octets(DossierParent(natifCible)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    CopierOuvert(in.get(), natifSource, dossier.get(), Octets(NomDe(natifCible)), natifCible,
                 modifiable);
}

CibleLectureSeule ExaminerCibleLectureSeule(const QString& source, const QString& destination) {
    const QString natifSource = CheminNatif(source);
    const QString natifCible = CheminNatif(destination);
    const Descripteur dossierSource(
        ::open(Octets(DossierParent(natifSource)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const Descripteur dossierCible(
        ::open(Octets(DossierParent(natifCible)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return ComparerCible(dossierSource.get(), Octets(NomDe(natifSource)), dossierCible.get(),
                         Octets(NomDe(natifCible)));
}

void SupprimerFichier(const QString& chemin) {
    QString dossier;
    QString nom;
    SeparerMotif(chemin, dossier, nom);
    if (nom.contains(QLatin1Char('*')) || nom.contains(QLatin1Char('?'))) {
        // Kill takes wildcards: every matching plain file goes, none is an error.
        const QStringList noms = ListerDossier(chemin, attr::Normal);
        if (noms.isEmpty()) {
            const QString natifDossier =
                dossier.isEmpty() ? QStringLiteral(".") : CheminNatif(dossier);
            Lever(EstDossierNatif(natifDossier) ? err::FichierIntrouvable : err::CheminIntrouvable);
        }
        const QString base = dossier.isEmpty() ? QStringLiteral(".") : CheminNatif(dossier);
        for (const QString& n : noms) {
            const QString natif = base + QLatin1Char('/') + n;
            struct stat st {};
            if (::stat(Octets(natif).constData(), &st) == 0 && EstLectureSeule(st)) {
                Lever(err::ErreurAccesChemin);
            }
            if (::unlink(Octets(natif).constData()) != 0) {
                LeverSysteme(errno, natif);
            }
        }
        return;
    }
    const QString natif = CheminNatif(chemin);
    struct stat st {};
    if (::stat(Octets(natif).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            Lever(err::FichierIntrouvable); // Kill removes files only
        }
        if (EstLectureSeule(st)) {
            Lever(err::ErreurAccesChemin); // nor read-only ones
        }
    }
    if (::unlink(Octets(natif).constData()) != 0) {
        LeverSysteme(errno, natif);
    }
}

void CreerDossier(const QString& chemin) {
    const QString natif = CheminNatif(chemin);
    if (::mkdir(Octets(natif).constData(), 0777) != 0) {
        const int e = errno;
        if (e == EEXIST) {
            Lever(err::ErreurAccesChemin);
        }
        LeverSysteme(e, natif);
    }
}

void RenommerFichier(const QString& ancien, const QString& nouveau) {
    const QString natifAncien = CheminNatif(ancien);
    QString natifNouveau = CheminNatif(nouveau);
    struct stat stAncien {};
    if (::lstat(Octets(natifAncien).constData(), &stAncien) != 0) {
        LeverSysteme(errno, natifAncien);
    }
    struct stat stNouveau {};
    if (::lstat(Octets(natifNouveau).constData(), &stNouveau) == 0 &&
        stNouveau.st_dev == stAncien.st_dev && stNouveau.st_ino == stAncien.st_ino) {
        // Same entry reached without regard to case: a change of case only.
        QString dossier;
        QString nom;
        SeparerMotif(nouveau, dossier, nom);
        natifNouveau = DossierParent(natifAncien) + QLatin1Char('/') + nom;
        if (natifNouveau == natifAncien) {
            return;
        }
    }
    if (!EstDossierNatif(DossierParent(natifNouveau))) {
        Lever(err::CheminIntrouvable);
    }
    if (::rename(Octets(natifAncien).constData(), Octets(natifNouveau).constData()) == 0) {
        return;
    }
    const int e = errno;
    if (e == EXDEV && S_ISREG(stAncien.st_mode)) {
        // Another drive: copy, then remove the original once the copy is in place.
        CopierFichier(ancien, nouveau);
        if (::unlink(Octets(natifAncien).constData()) != 0) {
            LeverSysteme(errno, natifAncien);
        }
        return;
    }
    LeverSysteme(e, natifNouveau);
}

bool LireTempsFichier(const QString& chemin, TempsFichier& temps) {
    temps = TempsFichier{};
    const QString natif = CheminNatif(chemin);
    Descripteur fd(::open(Octets(natif).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return false;
    }
    struct statx sx {};
    if (::statx(fd.get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        return false;
    }
    const auto& naissance = (sx.stx_mask & STATX_BTIME) != 0 ? sx.stx_btime : sx.stx_ctime;
    temps.creation = DepuisTimespec(naissance.tv_sec, naissance.tv_nsec);
    temps.dernierAcces = DepuisTimespec(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    temps.derniereEcriture = DepuisTimespec(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    return true;
}

EtatFichier LireEtatFichier(const QString& chemin) {
    QString natif;
    try {
        natif = CheminNatif(chemin);
    } catch (const Erreur&) {
        return {}; // a path that names no file
    }
    struct stat st {};
    if (::stat(Octets(natif).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    return {static_cast<qint64>(st.st_size),
            static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000};
}

void DefinirDerniereEcriture(const QString& chemin, const QDateTime& utc) {
    if (!utc.isValid()) {
        Lever(err::ArgumentIncorrect);
    }
    const QString natif = CheminNatif(chemin);
    const qint64 ms = utc.toMSecsSinceEpoch();
    qint64 s = ms / 1000;
    qint64 reste = ms % 1000;
    if (reste < 0) {
        reste += 1000;
        --s;
    }
    const struct timespec temps[2] = {{0, UTIME_OMIT},
                                      {static_cast<time_t>(s), static_cast<long>(reste * 1000000)}};
    if (::utimensat(AT_FDCWD, Octets(natif).constData(), temps, 0) != 0) {
        LeverSysteme(errno, natif);
    }
}

void SupprimerArborescence(const QString& chemin) {
    QDir dossier(CheminNatif(chemin));
    if (dossier.exists() && !dossier.removeRecursively()) {
        Lever(err::PermissionRefusee);
    }
}

} // namespace plateforme
