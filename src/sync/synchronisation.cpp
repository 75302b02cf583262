#include "sync/synchronisation.h"

#include "drives/redirection.h"
#include "init/empreintes.h"
#include "init/fichiers_synchronises.h"
#include "init/initialisation.h"
#include "init/restes_locaux.h"
#include "init/sauvegarde.h"
#include "jet/base_connexion.h"
#include "jet/dao.h"
#include "platform/erreur.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "pratique/table_synchro.h"
#include "settings/bilan.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "sync/bases_ouvertes.h"
#include "sync/fichiers_prepares.h"
#include "sync/intention.h"
#include "sync/parcours.h"
#include "sync/registre.h"
#include "sync/report.h"
#include "sync/transfert.h"

#include <algorithm>
#include <functional>

#include <sqlite3.h>

namespace {

const QString Plus40 = QString(40, QLatin1Char('+'));

EtapesSynchronisation*& Etapes() {
    return plateforme::EnVigueur<EtapesSynchronisation, EtapesSynchronisation>();
}

void Etape(EtapeSynchronisation etape) {
    Etapes()->Etape(etape);
}

void Journal3(const QString& titre) {
    for (int i = 0; i < 3; ++i) {
        EcrireJournal(titre + QLatin1Char(' ') + Plus40);
    }
}

// On the way out after a failure: a journal that cannot be written must not hide the rollback.
void LigneSansEchec(const QString& texte) {
    try {
        EcrireJournal(texte);
    } catch (const plateforme::Erreur&) {
    }
}

void JournaliserDistanteNonVide() {
    EcrireJournal(QStringLiteral(" "));
    EcrireJournal(QStringLiteral("INFORMATION TRES IMPORTANTE"));
    EcrireJournal(
        QStringLiteral("La base de données distante contient une table de synchronisation"));
    EcrireJournal(QStringLiteral("non vide, ce qui peut provoquer de graves dysfonctionnements."));
    EcrireJournal(QStringLiteral("Votre configuration doit impérativement être vérifiée."));
    EcrireJournal(QStringLiteral("Impossible de continuer..."));
}

void JournaliserLocaleNonInitialisee() {
    EcrireJournal(QStringLiteral(" "));
    EcrireJournal(QStringLiteral("INFORMATION TRES IMPORTANTE"));
    EcrireJournal(QStringLiteral(
        "La dernière synchronisation de votre base locale s'est TERMINEE CORRECTEMENT mais"));
    EcrireJournal(QStringLiteral(
        "une erreur s'est produite dans l'initialisation qui est lancée automatiquement "));
    EcrireJournal(QStringLiteral("après cette synchronisation."));
    EcrireJournal(QStringLiteral(
        "Vous devez relancer une INITIALISATION (et non une synchronisation) avant "));
    EcrireJournal(QStringLiteral("de commencer à saisir dans votre base locale."));
}

void Liberer(std::shared_ptr<dao::Database>& base) {
    if (base) {
        try {
            base->Close();
        } catch (const plateforme::Erreur&) {
        }
        base.reset();
    }
}

// After a refused check or a failed walk: the bases are closed and nothing they received stays.
void Arreter() {
    Liberer(BaseDistante());
    Liberer(BaseLocale());
    dao::DBEngine::Instance().Rollback();
    Registre().Annuler();
}

// Waits for the server base's write lock through `verrouiller`. False, the journal saying so,
// when other writers hold it longer than TpsAttente.
bool AttendreVerrouDistant(const std::function<void(int attenteMs)>& verrouiller) {
    const int secondes = std::max<int>(Param().TpsAttente, 0);
    try {
        verrouiller(secondes * 1000);
    } catch (const plateforme::Erreur& e) {
        if (e.Number() != dao::errdb::FichierVerrouille) {
            throw;
        }
        EcrireJournal(
            QStringLiteral("ERREUR : la base de données distante ") + CheminBaseDistante() +
            QStringLiteral(" est en cours d'écriture par un autre poste depuis plus de ") +
            QString::number(secondes) +
            QStringLiteral(" seconde(s) : la synchronisation est abandonnée sans rien "
                           "modifier. Relancez-la dans quelques instants."));
        return false;
    }
    return true;
}

// Other workstations save records on the server all day. Its write lock is taken before its
// first read, so that none of their saves can come between the run's reads (the synchro table,
// the largest identifiers) and its writes; they wait for the commit instead, which the run keeps
// close.
bool VerrouillerBaseDistante() {
    return AttendreVerrouDistant(
        [](int attenteMs) { BaseDistante()->VerrouillerEcriture(attenteMs); });
}

// The files go to the server before its lock is taken (see fichiers_prepares.h), and only when
// the server base will take the run: its table synchro empty, its write lock to be had within
// TpsAttente (taken and given back at once, through a connection of its own). Anything else
// wrong there sends nothing; the run's own checks meet it again and tell. False, the journal
// saying so, when the lock cannot be had.
bool PreparerEnvois() {
    bool prete = false;
    try {
        const dao::base::Connexion sonde(CheminBaseDistante());
        sonde.Commencer();
        if (!AttendreVerrouDistant(
                [&sonde](int attenteMs) { sonde.VerrouillerEcriture(attenteMs); })) {
            return false;
        }
        const dao::base::Instruction compte =
            sonde.Preparer(QStringLiteral("select count(*) from synchro"));
        prete =
            sqlite3_step(compte.get()) == SQLITE_ROW && sqlite3_column_int64(compte.get(), 0) == 0;
    } catch (const plateforme::Erreur&) {
    }
    if (prete) {
        FichiersEnvoi().Preparer(CheminBaseLocale(), FichiersAReporter());
    }
    return true;
}

// The register's last line, which must not stop the error report either.
void AnnulerRegistreSansEchec() {
    try {
        Registre().Annuler();
    } catch (const plateforme::Erreur&) {
    }
}

// The engine's rollback, which must not stop the error report.
void AnnulerSansEchec() {
    try {
        dao::DBEngine::Instance().Rollback();
    } catch (const plateforme::Erreur&) {
        // SQLite gives up a transaction it cannot finish: the next opening rolls it back.
    }
}

// The run from its transaction to its commit. False when it stopped (the journal says why),
// the transaction then rolled back. `intentionEcrite` and `validationEngagee` tell the error
// path how far the run went.
bool Synchroniser(bool& intentionEcrite, bool& validationEngagee) {
    dao::DBEngine& moteur = dao::DBEngine::Instance();
    const Parametres& p = Param();

    moteur.BeginTrans();
    plateforme::DefinirPointeur(plateforme::pointeur::Sablier);
    Journal3(QStringLiteral("DEMARRAGE DE LA SYNCHRONISATION"));
    RetirerRestesLocaux();
    const LignesParTable candidats = SignalerModificationsLocales(false);

    if (EtatBase() != QLatin1String("D")) {
        EcrireJournal(QStringLiteral("Redirection de l'unité ") + p.unite +
                      QStringLiteral(" sur ") + p.fmpathServeur);
        // Without the drive on the server, the "remote" base would be whatever the drive serves
        // now, often the local base itself.
        if (!ConnecterBaseDistante()) {
            EcrireJournal(QStringLiteral("ERREUR : l'unité ") + p.unite +
                          QStringLiteral(": n'a pas pu être redirigée sur ") + p.fmpathServeur +
                          QStringLiteral(", la synchronisation est abandonnée."));
            Arreter();
            return false;
        }
    }

    EcrireJournal(QStringLiteral("Ouverture de la base de données distante ") +
                  CheminBaseDistante());
    BaseDistante() = moteur.OpenDatabase(CheminBaseDistante());
    // The drive serves the server: what an interrupted run of this workstation left there goes.
    FichiersEnvoi().RetirerRestes();
    if (!PreparerEnvois() || !VerrouillerBaseDistante()) {
        Arreter();
        return false;
    }
    EcrireJournal(QStringLiteral("Ouverture de la base de données locale ") + CheminBaseLocale());
    BaseLocale() = moteur.OpenDatabase(CheminBaseLocale());

    if (pratique::CompterSynchro(*BaseDistante()) != 0) {
        JournaliserDistanteNonVide();
        Arreter();
        return false;
    }
    const int lignesLocales = pratique::CompterSynchro(*BaseLocale());
    if (lignesLocales != 6 && lignesLocales != 7) {
        JournaliserLocaleNonInitialisee();
        Arreter();
        return false;
    }

    SuiviSynchronisation suivi;
    suivi.AvantParcours(*BaseDistante(), *BaseLocale());
    Registre().Ouvrir();
    if (!ParcourirTableSynchro() || !ReporterModifications(candidats)) {
        Arreter();
        return false;
    }
    // The transfer has put in place every prepared file it took: the others go now, and their
    // list with them, so that nothing of it outlives a run whose commit goes through.
    FichiersEnvoi().Nettoyer();

    pratique::ViderSynchro(*BaseLocale());
    suivi.ApresParcours(*BaseDistante());
    // Before the commit: once the records are on the server, the initialisation must know
    // which of their files to bring whatever their times say.
    AjouterFichiersSynchronises(FichiersEcritsSurServeur());
    // Marked first: a record whose writing failed half-way is removed by the error path too.
    intentionEcrite = true;
    suivi.AjouterReportes(DerniersReports().ecrits);
    EcrireIntention(suivi.Intention());
    Registre().Valider();
    Etape(EtapeSynchronisation::IntentionEcrite);
    validationEngagee = true;
    moteur.CommitTrans();
    Bilan().AjouterEnvoyes(Registre().Enregistrements(), FichiersEcritsSurServeur().size());
    Bilan().AjouterReports(DerniersReports().champs, DerniersReports().conflits);
    Etape(EtapeSynchronisation::Validee);
    SupprimerIntention();
    intentionEcrite = false;

    BaseLocale()->Close();
    BaseLocale().reset();
    BaseDistante()->Close();
    BaseDistante().reset();
    Journal3(QStringLiteral("SYNCHRONISATION TERMINEE CORRECTEMENT"));
    return true;
}

} // namespace

RemplacementEtapesSynchronisation::RemplacementEtapesSynchronisation(EtapesSynchronisation& etapes)
    : Remplacement(Etapes(), etapes) {}

void LancerSynchronisation() {
    // A run interrupted while it committed is settled first, or nothing goes.
    if (IntentionPresente() && !ReprendreSynchronisationInterrompue()) {
        return;
    }
    bool intentionEcrite = false;
    bool validationEngagee = false;
    // A safety folder of its own for the run and the initialisation after it.
    FinExecution();
    // Whatever the way out, no prepared copy stays on the server, the register is closed and
    // the next run gets a folder of its own.
    struct Nettoyage {
        ~Nettoyage() {
            ChoixLocaux().clear();
            FichiersEnvoi().Nettoyer();
            Registre().Fermer();
            FinExecution();
        }
    } nettoyage;
    try {
        if (!Synchroniser(intentionEcrite, validationEngagee)) {
            return;
        }
    } catch (const plateforme::Erreur& e) {
        AnnulerSansEchec();
        if (!validationEngagee) {
            AnnulerRegistreSansEchec();
        }
        LigneSansEchec(e.Number() == dao::errdb::TableIntrouvable
                           ? QStringLiteral("ERREUR : Vous devez d'abord initialiser la "
                                            "synchronisation")
                           : e.DescriptionEtNumero());
        BaseDistante().reset();
        BaseLocale().reset();
        if (validationEngagee && intentionEcrite) {
            // The commit failed or stopped half-way: the server may hold the records already.
            // The record tells, and keeps anything from being sent twice meanwhile.
            ReprendreSynchronisationInterrompue();
        } else if (intentionEcrite) {
            try {
                SupprimerIntention();
            } catch (const plateforme::Erreur& suppression) {
                // Left in place, it is settled as cancelled at the next start.
                LigneSansEchec(suppression.DescriptionEtNumero());
            }
        }
        return;
    }
    LancerInitialisation();
    plateforme::DefinirPointeur(plateforme::pointeur::Defaut);
}
