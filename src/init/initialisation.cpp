#include "init/initialisation.h"

#include "drives/redirection.h"
#include "init/ancetre.h"
#include "init/copie_base.h"
#include "init/copie_dossier.h"
#include "init/empreintes.h"
#include "init/fichiers_synchronises.h"
#include "init/restes_locaux.h"
#include "init/robocopy.h"
#include "init/sauvegarde.h"
#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "pratique/table_synchro.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "tools/vod_outils.h"

#include <QStringList>

#include <array>
#include <limits>

namespace {

using plateforme::Erreur;

const QString Plus40 = QString(40, QLatin1Char('+'));

void Journal3(const QString& titre) {
    for (int i = 0; i < 3; ++i) {
        EcrireJournal(titre + QLatin1Char(' ') + Plus40);
    }
}

QString BaseTemporaire() {
    return plateforme::DossierProgramme() + QStringLiteral("\\tmpbd.mdb");
}

void BlocEchec() {
    EcrireJournal(QStringLiteral(" "));
    EcrireJournal(QStringLiteral("INFORMATION TRES IMPORTANTE"));
    EcrireJournal(QStringLiteral(
        "La dernière synchronisation de votre base locale s'est TERMINEE CORRECTEMENT mais"));
    EcrireJournal(QStringLiteral("une erreur s'est produite dans l'initialisation."));
    EcrireJournal(QStringLiteral(
        "Vous devez relancer une INITIALISATION (et non une synchronisation) avant"));
    EcrireJournal(QStringLiteral("de commencer à saisir dans votre base locale."));
    plateforme::DefinirPointeur(plateforme::pointeur::Defaut);
}

// Steps 2 to 6: redirection and folder copies. False when the run must stop (the routines
// called wrote why).
bool CopierLesDossiers() {
    const Parametres& p = Param();
    if (EtatBase() != QLatin1String("D")) {
        EcrireJournal(QStringLiteral("Redirection de l'unité ") + p.unite +
                      QStringLiteral(" sur ") + p.fmpathServeur);
        if (!ConnecterBaseDistante()) {
            return false;
        }
    }
    plateforme::DefinirPointeur(plateforme::pointeur::Sablier);
    if (p.bddir.isEmpty()) {
        EcrireJournal(QStringLiteral("ERREUR : mauvais paramétrage du dossier base de données"));
        return false;
    }
    if (!CopierDossier(p.bddir, true)) {
        return false;
    }
    // A missing base folder is only a warning of the copy; but without the server's base nothing
    // replaced the local one, which would then be taken for a copy of the server (the records
    // just sent still in their local numbering) and its table synchro filled from it.
    const QString baseDistante = CheminBaseDistante();
    if (!plateforme::FichierExiste(baseDistante)) {
        EcrireJournal(QStringLiteral("ERREUR : la base de données distante ") + baseDistante +
                      QStringLiteral(" est introuvable (") +
                      QString::number(dao::errdb::FichierIntrouvable) + QLatin1Char(')'));
        return false;
    }
    if (RobocopyDisponible()) {
        if (!CopierDossiersRobocopy()) {
            return false;
        }
    } else {
        for (const QString& dossier : {p.courrierdir, p.crodir, p.certifdir, p.corresdir, p.datadir,
                                       p.flashdir, p.modeledir}) {
            if (!dossier.isEmpty() && !CopierDossier(dossier, false)) {
                return false;
            }
        }
    }
    if (!FichiersImposes().RecopierRestants()) {
        return false;
    }
    FichiersImposes().Oublier();
    return true;
}

// The copies of the run, with the files the last synchronisation wrote on the server.
bool CopierLesDossiersEtFichiers() {
    if (!FichiersImposes().Charger()) {
        return false;
    }
    const bool copies = CopierLesDossiers();
    FichiersImposes().Vider();
    return copies;
}

void LancerTraitementSupplementaire() {
    const QString& traitement = Param().traitementsupp;
    if (traitement.isEmpty()) {
        return;
    }
    EcrireJournal(QStringLiteral("Lancement du traitement de copie supplémentaire : ") +
                  traitement);
    EcrireJournal(
        QStringLiteral("Attendez que le traitement soit terminé avant de lancer Zelvano"));
    if (Param().shellsynchrone != 0) {
        VOD_Outils().ExecutionSynchrone(traitement, 1);
    } else if (plateforme::ServicesCourants().processus->Demarrer(traitement, 2) == 0) {
        plateforme::Lever(plateforme::err::FichierIntrouvable);
    }
}

// The compacted copy is written beside the base and takes its name only once complete: a
// compaction that fails leaves the base where it was.
void CompacterBase(const QString& dossier, const QString& nom) {
    const QString base = dossier + QLatin1Char('\\') + nom;
    const QString temporaire = BaseTemporaire();
    const QString compactee = base + QStringLiteral(".compacte");
    EcrireJournal(QStringLiteral("Vérification de la base de données : ") + nom);
    EcrireJournal(QStringLiteral("Copie de ") + base + QStringLiteral(" vers ") + temporaire);
    CopierFichierBase(base, temporaire);
    EcrireJournal(QStringLiteral("Kill de ") + base);
    if (plateforme::FichierExiste(compactee)) {
        plateforme::SupprimerFichier(compactee); // left by an interrupted run
    }
    EcrireJournal(QStringLiteral("Compactage de ") + temporaire + QStringLiteral(" vers ") + base);
    dao::DBEngine::Instance().CompactDatabase(temporaire, compactee);
    SupprimerJournauxBase(base);
    plateforme::RenommerFichier(compactee, base);
}

void CompacterBasesLocales() {
    const QString dossier = DossierBaseLocale();
    // Names taken before the first base is replaced.
    const QStringList noms = plateforme::ListerDossier(dossier + QStringLiteral("\\*.mdb"));
    for (const QString& nom : noms) {
        CompacterBase(dossier, nom);
    }
}

qint32 Maximum(dao::Database& base, const QString& requete) {
    std::unique_ptr<dao::Recordset> rs = base.OpenRecordset(requete);
    const QVariant valeur = rs->Fields(QStringLiteral("MAX")).Value();
    rs->Close();
    if (valeur.isNull()) {
        return 0;
    }
    bool ok = false;
    const qlonglong n = valeur.toLongLong(&ok);
    if (!ok) {
        plateforme::Lever(plateforme::err::IncompatibiliteType);
    }
    if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max()) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    return static_cast<qint32>(n);
}

// Steps 10 to 12 on the open local base.
void EcrireTableSynchro(dao::Database& base) {
    EcrireJournal(QStringLiteral("Vérification de la table de synchronisation"));
    std::array<qint32, 7> maxima{};
    for (size_t i = 0; i < maxima.size(); ++i) {
        const pratique::TableSynchro& t = pratique::TablesSynchro()[i];
        const QString table = QString::fromUtf8(t.table);
        maxima[i] = Maximum(base, QStringLiteral("SELECT DISTINCTROW Max(") + table +
                                      QLatin1Char('.') + QString::fromUtf8(t.champId) +
                                      QStringLiteral(") AS MAX FROM ") + table + QLatin1Char(';'));
        EcrireJournal(QString::fromUtf8(t.libelle) + QString::number(maxima[i]));
    }
    pratique::EcrireSynchro(base, maxima);
}

// In one transaction: the table ends with its seven rows or with none, never with six, which
// a synchronisation would take for the table of an older version and walk without the objects.
void RemplirTableSynchro() {
    dao::DBEngine& moteur = dao::DBEngine::Instance();
    std::shared_ptr<dao::Database> base = moteur.OpenDatabase(CheminBaseLocale());
    const bool transaction = !moteur.EnTransaction();
    if (transaction) {
        moteur.BeginTrans();
    }
    try {
        EcrireTableSynchro(*base);
        if (transaction) {
            moteur.CommitTrans();
        }
    } catch (const Erreur&) {
        if (transaction) {
            try {
                moteur.Rollback();
            } catch (const Erreur&) {
                // Given up by the engine itself: nothing of it was written.
            }
        }
        throw;
    }
}

void JournaliserErreurPhase2(const Erreur& e) {
    if (e.Number() == dao::errdb::TableIntrouvable) {
        EcrireJournal(QStringLiteral("ERREUR : La version de Zelvano installée sur le serveur"));
        EcrireJournal(QStringLiteral("ne permet pas de gérer la synchronisation. "));
        EcrireJournal(QStringLiteral("Vous devez mettre à jour votre poste serveur "));
        EcrireJournal(QStringLiteral("avec la dernière version de Zelvano."));
    } else {
        EcrireJournal(e.DescriptionEtNumero());
    }
}

} // namespace

namespace {

// Before the copies: the local base kept in the run's safety folder, then its fingerprint and
// its ancestor dropped, since the copies start replacing it. False when nothing may be replaced
// (the journal said why).
bool PreparerRemplacement() {
    if (!SauvegarderBaseLocale()) {
        return false;
    }
    // What describes the base about to be replaced goes with it; false, said, when it stays.
    const auto oublier = [](void (*suppression)(), const QString& quoi) {
        try {
            suppression();
            return true;
        } catch (const Erreur& e) {
            EcrireJournal(QStringLiteral("ERREUR : ") + quoi +
                          QStringLiteral(" de la base locale n'a pas pu être supprimée : ") +
                          e.DescriptionEtNumero());
            return false;
        }
    };
    return oublier(OublierEmpreintes, QStringLiteral("l'empreinte ") + CheminEmpreintes()) &&
           oublier(OublierAncetre, QStringLiteral("la base de référence ") + CheminAncetre());
}

// The fingerprint of the base just made, and its copy as the ancestor of the next
// synchronisation; without them the next run only says it cannot check, or carry.
void PrendreEmpreintes() {
    const auto enregistrer = [](void (*enregistrement)(), const QString& quoi,
                                const QString& chemin) {
        try {
            enregistrement();
        } catch (const Erreur& e) {
            EcrireJournal(QStringLiteral("ATTENTION : ") + quoi +
                          QStringLiteral(" n'a pas pu être enregistrée dans ") + chemin +
                          QStringLiteral(" : ") + e.DescriptionEtNumero());
        }
    };
    enregistrer(EnregistrerEmpreintes, QStringLiteral("l'empreinte de la base locale"),
                CheminEmpreintes());
    if (Param().reporter != 0) {
        enregistrer(EnregistrerAncetre,
                    QStringLiteral("la base de référence de la synchronisation"), CheminAncetre());
    }
}

void Initialiser(bool manuelle) {
    plateforme::DefinirPointeur(plateforme::pointeur::Sablier);
    Journal3(QStringLiteral("DEMARRAGE DE L'INITIALISATION"));
    RetirerRestesLocaux();
    if (manuelle) {
        SignalerModificationsLocales(true);
    }
    // Phase 1: the copies report their own errors.
    try {
        if (!PreparerRemplacement() || !CopierLesDossiersEtFichiers()) {
            BlocEchec();
            return;
        }
    } catch (const Erreur&) {
        FichiersImposes().Vider();
        BlocEchec();
        return;
    }
    // Phase 2: an error is explained in one line (or the four of a server base too old).
    try {
        LancerTraitementSupplementaire();
        CompacterBasesLocales();
        RemplirTableSynchro();
        PrendreEmpreintes();
        Journal3(QStringLiteral("INITIALISATION TERMINEE CORRECTEMENT"));
        plateforme::DefinirPointeur(plateforme::pointeur::Defaut);
    } catch (const Erreur& e) {
        JournaliserErreurPhase2(e);
        BlocEchec();
    }
}

// Whatever the way out, the next run gets a safety folder of its own.
void InitialiserDansExecution(bool manuelle) {
    struct Fin {
        ~Fin() { FinExecution(); }
    } fin;
    Initialiser(manuelle);
}

} // namespace

void LancerInitialisation() {
    InitialiserDansExecution(false);
}

void LancerInitialisationManuelle() {
    FinExecution();
    InitialiserDansExecution(true);
}
