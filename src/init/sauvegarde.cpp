#include "init/sauvegarde.h"

#include "jet/dao.h"
#include "jet/sauvegarde_base.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

using plateforme::Erreur;

// The run's folder: its name once chosen, and whether it was made.
struct Execution {
    QString nom;
    bool cree = false;
};

Execution& Courant() {
    static Execution execution;
    return execution;
}

QString Dans(const QString& dossier, const QString& nom) {
    return dossier + QLatin1Char('\\') + nom;
}

int NombreGarde() {
    return std::max<int>(Param().sauvegardes, 0);
}

bool EstBase(const QString& nom) {
    return nom.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive);
}

// A run folder as found on the disk. `temps`: the last write of its newest copy of a base, or of
// its newest file when it holds no copy (invalid when empty).
struct DossierTrouve {
    QString nom;
    bool copie = false;
    QDateTime temps;
};

DossierTrouve Examiner(const QString& nom) {
    DossierTrouve d{nom, false, {}};
    const QString dossier = Dans(DossierSauvegardes(), nom);
    for (const QString& fichier : plateforme::ListerDossier(dossier + QStringLiteral("\\*.*"))) {
        plateforme::TempsFichier t;
        if (!plateforme::LireTempsFichier(Dans(dossier, fichier), t)) {
            continue;
        }
        const bool base = EstBase(fichier);
        if (base && !d.copie) {
            d.copie = true;
            d.temps = {}; // only the copies date the folder from now on
        }
        if (base == d.copie && (!d.temps.isValid() || t.derniereEcriture > d.temps)) {
            d.temps = t.derniereEcriture;
        }
    }
    return d;
}

// The run folders of one kind other than the current one, oldest first.
QList<DossierTrouve> DossiersExistants(bool copies) {
    static const QRegularExpression forme(QStringLiteral("^\\d{8}-\\d{6}(-\\d+)?$"));
    QList<DossierTrouve> dossiers;
    for (const QString& nom : plateforme::ListerDossier(
             Dans(DossierSauvegardes(), QStringLiteral("*.*")), plateforme::attr::Dossier)) {
        if (nom == Courant().nom || !forme.match(nom).hasMatch() ||
            !plateforme::DossierExiste(Dans(DossierSauvegardes(), nom))) {
            continue;
        }
        DossierTrouve d = Examiner(nom);
        if (d.copie == copies) {
            dossiers.append(std::move(d));
        }
    }
    std::sort(dossiers.begin(), dossiers.end(), [](const DossierTrouve& a, const DossierTrouve& b) {
        if (a.temps != b.temps) {
            return !a.temps.isValid() || (b.temps.isValid() && a.temps < b.temps);
        }
        return a.nom < b.nom;
    });
    return dossiers;
}

// Leaves `garder` folders of one kind beside the current one, the newest.
void Elaguer(bool copies, qsizetype garder) {
    const QList<DossierTrouve> dossiers = DossiersExistants(copies);
    for (qsizetype i = 0; i + garder < dossiers.size(); ++i) {
        const QString chemin = Dans(DossierSauvegardes(), dossiers[i].nom);
        try {
            plateforme::SupprimerArborescence(chemin);
        } catch (const Erreur& e) {
            EcrireJournal(QStringLiteral("ATTENTION : l'ancienne sauvegarde ") + chemin +
                          QStringLiteral(" n'a pas pu être supprimée : ") +
                          e.DescriptionEtNumero());
        }
    }
}

// Folders of reports only: as many as the copies kept, the current one among them. With no copy
// kept, the older copies go too.
void ElaguerRapports() {
    Elaguer(false, std::max(NombreGarde(), 1) - 1);
    if (NombreGarde() == 0) {
        Elaguer(true, 0);
    }
}

void JournaliserEchec(const QString& base, const QString& dossier, const Erreur& e) {
    EcrireJournal(QStringLiteral("ERREUR : la sauvegarde de la base locale ") + base +
                  QStringLiteral(" dans ") + dossier + QStringLiteral(" a échoué : ") +
                  e.DescriptionEtNumero() +
                  QStringLiteral(". La base locale n'a pas été remplacée. Libérez de la place "
                                 "sur le disque, ou mettez sauvegardes=0 dans la section "
                                 "[options] de ") +
                  Param().FichierIni + QStringLiteral(" pour initialiser sans sauvegarde."));
}

// One base into the run's folder. A base that SQLite cannot read is kept byte for byte, which
// is all it can be, dated now so that the folder is dated by the copy, not by the base.
void SauvegarderBase(const QString& base, const QString& copie) {
    try {
        dao::SauvegarderBase(base, copie);
    } catch (const Erreur& e) {
        if (e.Number() != dao::errdb::FichierCorrompu) {
            throw;
        }
        plateforme::CopierFichier(base, copie);
        plateforme::DefinirDerniereEcriture(copie, plateforme::Maintenant().toUTC());
    }
}

} // namespace

QString DossierSauvegardesPrepare() {
    const QString dossier = DossierSauvegardes();
    if (!plateforme::DossierExiste(dossier)) {
        plateforme::CreerDossier(dossier);
    }
    return dossier;
}

QString DossierExecutionPrevu() {
    Execution& courant = Courant();
    if (courant.nom.isEmpty()) {
        const QString horodatage =
            plateforme::Maintenant().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        courant.nom = horodatage;
        try {
            for (int n = 2; plateforme::DossierExiste(Dans(DossierSauvegardes(), courant.nom));
                 ++n) {
                courant.nom = horodatage + QLatin1Char('-') + QString::number(n);
            }
        } catch (const Erreur&) {
            // A path that cannot be looked at: making the folder tells why.
        }
    }
    return Dans(DossierSauvegardes(), courant.nom);
}

QString DossierExecution() {
    const QString dossier = DossierExecutionPrevu();
    if (!Courant().cree) {
        DossierSauvegardesPrepare();
        plateforme::CreerDossier(dossier);
        Courant().cree = true;
        ElaguerRapports();
    }
    return dossier;
}

void FinExecution() {
    Courant() = Execution{};
}

bool SauvegarderBaseLocale() {
    if (NombreGarde() == 0) {
        return true;
    }
    QString base = Dans(DossierBaseLocale(), QStringLiteral("zelvano.mdb"));
    QString dossier = DossierSauvegardes();
    try {
        // Every base of the folder is replaced and compacted by the initialisation.
        const QStringList noms =
            plateforme::ListerDossier(Dans(DossierBaseLocale(), QStringLiteral("*.mdb")));
        if (noms.isEmpty()) {
            return true;
        }
        dossier = DossierExecutionPrevu(); // named in the error if it cannot be made
        dossier = DossierExecution();
        // A copy is never replaced: a run folder that already holds one (the run was taken up
        // again after an interruption) gives way to a folder of its own.
        if (std::any_of(noms.cbegin(), noms.cend(), [&dossier](const QString& nom) {
                return plateforme::FichierExiste(Dans(dossier, nom));
            })) {
            FinExecution();
            dossier = DossierExecutionPrevu();
            dossier = DossierExecution();
        }
        EcrireJournal(QStringLiteral("Sauvegarde de la base locale dans ") + dossier);
        for (const QString& nom : noms) {
            base = Dans(DossierBaseLocale(), nom);
            SauvegarderBase(base, Dans(dossier, nom));
        }
    } catch (const Erreur& e) {
        JournaliserEchec(base, dossier, e);
        return false;
    }
    try {
        Elaguer(true, NombreGarde() - 1);
    } catch (const Erreur&) {
        // The copy is made; the older ones go at the next run.
    }
    return true;
}
