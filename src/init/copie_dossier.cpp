#include "init/copie_dossier.h"

#include "init/attente.h"
#include "init/copie_base.h"
#include "init/dates_fichier.h"
#include "init/fichiers_synchronises.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "settings/bilan.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QStringList>

namespace {

using plateforme::Erreur;

enum class Mode { SecuriseModifies, Securise, ModifiesNonSecurise, Xcopy };

Mode ChoisirMode(bool estBase) {
    const Parametres& p = Param();
    if (p.copiesecurisee != 0) {
        return p.modifiesuniquement != 0 ? Mode::SecuriseModifies : Mode::Securise;
    }
    if (!estBase && p.modifiesuniquement != 0) {
        return Mode::ModifiesNonSecurise;
    }
    return Mode::Xcopy;
}

QString Dans(const QString& dossier, const QString& nom) {
    return dossier + QLatin1Char('\\') + nom;
}

QString Nombre(qint32 n) {
    return QString::number(n);
}

QString EtapeCopie(const QString& source) {
    return QStringLiteral("Copie du dossier ") + source;
}

// The plain files go through a lot of copies made durable together (see LotCopies); what was
// copied before a failure is still put in place, as if each file had been copied alone.
template <class Copies>
void AvecLot(const plateforme::DossierOuvert& destination,
             const plateforme::LotCopies::Place& place, const plateforme::LotCopies::Echec& echec,
             Copies&& copies) {
    plateforme::LotCopies lot(destination, place, echec);
    try {
        copies(lot);
        lot.Placer();
    } catch (const Erreur&) {
        try {
            lot.Placer();
        } catch (const Erreur&) {
            // the first failure is the one told
        }
        throw;
    }
}

// A read-only local file (a signed letter often is), which no copy may replace, and whose
// content differs from the server's.
class CibleEnLectureSeule : public Erreur {
public:
    explicit CibleEnLectureSeule(QString chemin)
        : Erreur(plateforme::err::PermissionRefusee,
                 plateforme::TexteErreur(plateforme::err::PermissionRefusee))
        , chemin_(std::move(chemin)) {}
    const QString& Chemin() const { return chemin_; }

private:
    QString chemin_;
};

// Whether `nom` must be copied over a read-only local file: not when it already holds the
// server's content (the file counts as brought); raises CibleEnLectureSeule when it differs.
bool CopieNecessaire(const plateforme::DossierOuvert& source,
                     const plateforme::DossierOuvert& destination, const QString& nom) {
    switch (destination.CibleEnLectureSeule(source, nom)) {
    case plateforme::CibleLectureSeule::Non:
        return true;
    case plateforme::CibleLectureSeule::Identique:
        FichiersImposes().MarquerCopie(source.CheminWindows(), nom);
        return false;
    case plateforme::CibleLectureSeule::Differente:
        break;
    }
    throw CibleEnLectureSeule(Dans(destination.CheminWindows(), nom));
}

// The secure ways read a base through SQLite so that a writer elsewhere cannot hand over a
// half-written file. A base is in place at once; a plain file once its lot is.
void CopierSecurise(const plateforme::DossierOuvert& source,
                    const plateforme::DossierOuvert& destination, plateforme::LotCopies& lot,
                    const QString& nom, const plateforme::LotCopies::Place& place) {
    if (EstFichierBase(nom)) {
        CopierFichierBase(Dans(source.CheminWindows(), nom),
                          Dans(destination.CheminWindows(), nom));
        place(nom);
    } else if (CopieNecessaire(source, destination, nom)) {
        lot.Copier(source, nom);
    }
}

// The failures that are not the file being copied: a read-only local file, the file of a lot
// that could not take its name, the flush of a lot. Empty for the others.
QString LigneEchecParticuliere(const Erreur& e, const QString& destination, const QString& suite) {
    if (const auto* lectureSeule = dynamic_cast<const CibleEnLectureSeule*>(&e)) {
        return QStringLiteral("Fichier ") + lectureSeule->Chemin() +
               QStringLiteral(" en lecture seule : ") + suite;
    }
    if (const auto* placement = dynamic_cast<const plateforme::ErreurPlacement*>(&e)) {
        if (placement->Nom().isEmpty()) {
            return e.DescriptionEtNumero() +
                   QStringLiteral(" pendant l'écriture sur le disque des fichiers copiés dans ") +
                   destination;
        }
    }
    return {};
}

void JournaliserEchecSecurise(const Erreur& e, const QString& source, const QString& destination,
                              QString nom) {
    const QString ligne =
        LigneEchecParticuliere(e, destination, QStringLiteral("COPIE SECURISEE IMPOSSIBLE"));
    if (!ligne.isEmpty()) {
        EcrireJournal(ligne);
        return;
    }
    if (const auto* placement = dynamic_cast<const plateforme::ErreurPlacement*>(&e)) {
        nom = placement->Nom(); // not always the last one listed
    }
    if (e.Number() == plateforme::err::PermissionRefusee) {
        EcrireJournal(QStringLiteral("Fichier ") + Dans(source, nom) +
                      QStringLiteral(" en cours d'utilisation : COPIE SECURISEE IMPOSSIBLE"));
    } else {
        EcrireJournal(e.DescriptionEtNumero() + QStringLiteral(" pendant la copie du fichier ") +
                      Dans(source, nom));
    }
}

// Whether the modified-only ways copy `nom`: it differs, or the last synchronisation wrote it
// (see fichiers_synchronises.h).
bool ACopier(const plateforme::DossierOuvert& source, const plateforme::DossierOuvert& destination,
             const QString& nom) {
    return FichiersImposes().Impose(source.CheminWindows(), nom) ||
           FichiersDifferents(source, destination, nom);
}

// A file in place: counted for the folder's line and the run's summary.
plateforme::LotCopies::Place Compter(const QString& source, qint32& k) {
    return [&source, &k](const QString& nom) {
        FichiersImposes().MarquerCopie(source, nom);
        Bilan().AjouterCopies(1);
        ++k;
    };
}

// Secure, modified only. A synchronisation writes both bases within the same second, so their
// times cannot tell a stale local base: the bases of the database folder are always copied.
bool CopierSecuriseModifies(const QString& source, const QString& destination, bool estBase) {
    QString nom;
    try {
        const QStringList noms = plateforme::ListerDossier(source + QStringLiteral("\\*.*"));
        const qint32 n = static_cast<qint32>(noms.size());
        qint32 k = 0;
        const plateforme::DossierOuvert src(source);
        const plateforme::DossierOuvert dst(destination);
        const plateforme::LotCopies::Place place = Compter(source, k);
        AvecLot(dst, place, {}, [&](plateforme::LotCopies& lot) {
            qint32 i = 0;
            for (const QString& courant : noms) {
                nom = courant;
                Progression(EtapeCopie(source), i++, n);
                if ((estBase && EstFichierBase(nom)) || ACopier(src, dst, nom)) {
                    CopierSecurise(src, dst, lot, nom, place);
                    plateforme::DoEvents();
                }
            }
        });
        EcrireJournal(
            QStringLiteral("-> ") + Nombre(k) + QLatin1Char('/') + Nombre(n) +
            QStringLiteral(" fichier(s) copié(s) en mode sécurisé (modifiés uniquement)"));
        return true;
    } catch (const Erreur& e) {
        JournaliserEchecSecurise(e, source, destination, nom);
        return false;
    }
}

bool CopierToutSecurise(const QString& source, const QString& destination) {
    QString nom;
    try {
        qint32 n = 0;
        const QStringList noms = plateforme::ListerDossier(source + QStringLiteral("\\*.*"));
        const plateforme::DossierOuvert src(source);
        const plateforme::DossierOuvert dst(destination);
        qint32 places = 0;
        const plateforme::LotCopies::Place place = Compter(source, places);
        AvecLot(dst, place, {}, [&](plateforme::LotCopies& lot) {
            for (const QString& courant : noms) {
                nom = courant;
                Progression(EtapeCopie(source), n, noms.size());
                CopierSecurise(src, dst, lot, nom, place);
                plateforme::DoEvents();
                ++n;
            }
        });
        EcrireJournal(QStringLiteral("-> ") + Nombre(n) + QLatin1Char('/') + Nombre(n) +
                      QStringLiteral(" fichier(s) copié(s) en mode sécurisé"));
        return true;
    } catch (const Erreur& e) {
        JournaliserEchecSecurise(e, source, destination, nom);
        return false;
    }
}

// Modified only, not secure: a file that fails is skipped with a line, the folder goes on.
bool CopierModifiesNonSecurise(const QString& source, const QString& destination) {
    const QStringList noms = plateforme::ListerDossier(source + QStringLiteral("\\*.*"));
    const qint32 n = static_cast<qint32>(noms.size());
    qint32 k = 0;
    const plateforme::DossierOuvert dossierSource(source);
    const plateforme::DossierOuvert dossierDestination(destination);
    const auto ignore = [&source, &destination](const QString& nom, const Erreur& e) {
        const QString src = Dans(source, nom);
        const QString ligne =
            LigneEchecParticuliere(e, destination, QStringLiteral("fichier ignoré"));
        if (!ligne.isEmpty()) {
            EcrireJournal(ligne);
        } else if (e.Number() == plateforme::err::PermissionRefusee) {
            EcrireJournal(QStringLiteral("Fichier ") + src +
                          QStringLiteral(" en cours d'utilisation : fichier ignoré"));
        } else {
            EcrireJournal(e.DescriptionEtNumero() +
                          QStringLiteral(" pendant la copie du fichier ") + src +
                          QStringLiteral(" : fichier ignoré"));
        }
    };
    // With a line for each failure, the lot raises only when its folder cannot be flushed: the
    // files are in place, their names not yet sure to be on the disk. Said, and the copy goes on.
    try {
        AvecLot(dossierDestination, Compter(source, k), ignore, [&](plateforme::LotCopies& lot) {
            qint32 i = 0;
            for (const QString& nom : noms) {
                Progression(EtapeCopie(source), i++, n);
                if (!ACopier(dossierSource, dossierDestination, nom)) {
                    continue;
                }
                try {
                    if (CopieNecessaire(dossierSource, dossierDestination, nom)) {
                        lot.Copier(dossierSource, nom);
                    }
                } catch (const Erreur& e) {
                    ignore(nom, e);
                }
                plateforme::DoEvents();
            }
        });
    } catch (const Erreur& e) {
        ignore({}, e);
    }
    EcrireJournal(
        QStringLiteral("-> ") + Nombre(k) + QLatin1Char('/') + Nombre(n) +
        QStringLiteral(" fichier(s) copié(s) en mode non sécurisé (modifiés uniquement)"));
    return true;
}

// XCOPY tells nothing back: the files of the list that now match their source are those it
// brought.
qint64 CompterIdentiques(const QString& source, const QString& destination,
                         const QStringList& noms) {
    const plateforme::DossierOuvert src(source);
    const plateforme::DossierOuvert dst(destination);
    qint64 n = 0;
    for (const QString& nom : noms) {
        n += FichiersDifferents(src, dst, nom) ? 0 : 1;
    }
    return n;
}

bool CopierParXcopy(const QString& source, const QString& destination) {
    QString nom;
    try {
        const QStringList noms = plateforme::ListerDossier(source + QStringLiteral("\\*.*"));
        const qint32 n = static_cast<qint32>(noms.size());
        // Unquoted paths, as XCOPY has always been called here.
        const QString ligne = QStringLiteral("xcopy.exe /Y /R ") + source + QLatin1Char(' ') +
                              destination + QStringLiteral(" /S");
        qint64 pid = 0;
        try {
            pid = plateforme::ServicesCourants().processus->Demarrer(ligne, 2);
        } catch (const Erreur&) {
            pid = 0; // told below like a program that did not start
        }
        if (pid == 0) {
            EcrireJournal(QStringLiteral("ERREUR : impossible d'exécuter '") + ligne +
                          QLatin1Char('\''));
            EcrireJournal(QStringLiteral(
                "Vérifiez que le programme XCOPY.EXE est bien installé sur votre machine"));
            return false;
        }
        EcrireJournal(QStringLiteral("-> ") + Nombre(n) +
                      QStringLiteral(" fichier(s) en cours de copie avec XCOPY.EXE"));
        Progression(EtapeCopie(source), 0, 0);
        AttendreProgrammeCopie(ProgrammeCopie::Xcopy);
        Bilan().AjouterCopies(CompterIdentiques(source, destination, noms));
        EcrireJournal(QStringLiteral("-> ") + Nombre(n) +
                      QStringLiteral(" fichier(s) copié(s) en mode non sécurisé"));
        return true;
    } catch (const Erreur& e) {
        EcrireJournal(e.DescriptionEtNumero() + QStringLiteral(" pendant la copie du fichier ") +
                      Dans(source, nom));
        return false;
    }
}

} // namespace

bool CopierDossier(const QString& dossier, bool estBase) {
    const Parametres& p = Param();
    const QString source = DossierPratique(p.unite, dossier);
    const QString destination = DossierPratique(p.fmpathClient, dossier);
    EcrireJournal(QStringLiteral("Vérification du dossier ") + destination);
    try {
        plateforme::CreerDossier(destination);
    } catch (const Erreur&) {
        // Usually there already; a missing parent shows at the first copy.
    }
    try {
        if (!plateforme::DossierExiste(source)) {
            EcrireJournal(QStringLiteral("ATTENTION : le dossier ") + source +
                          QStringLiteral(" n'existe pas"));
            return true;
        }
    } catch (const Erreur& e) {
        EcrireJournal(e.DescriptionEtNumero());
        return false;
    }
    EcrireJournal(QStringLiteral("Copie du dossier ") + source + QStringLiteral(" vers ") +
                  destination);
    switch (ChoisirMode(estBase)) {
    case Mode::SecuriseModifies:
        return CopierSecuriseModifies(source, destination, estBase);
    case Mode::Securise:
        return CopierToutSecurise(source, destination);
    case Mode::ModifiesNonSecurise:
        return CopierModifiesNonSecurise(source, destination);
    case Mode::Xcopy:
        break;
    }
    return CopierParXcopy(source, destination);
}
