#include "app/commandes.h"

#include "app/dialogue_conflits.h"
#include "app/fenetre_principale.h"
#include "drives/lancement.h"
#include "drives/redirection.h"
#include "init/attente.h"
#include "init/empreintes.h"
#include "init/initialisation.h"
#include "platform/erreur.h"
#include "platform/services.h"
#include "platform/veille.h"
#include "pratique/lieux.h"
#include "pratique/table_synchro.h"
#include "settings/bilan.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "sync/report.h"
#include "sync/synchronisation.h"

namespace {

using namespace plateforme;

const QString CRLF = QStringLiteral("\r\n");

int Boite(const QString& texte, int style) {
    return MsgBox(texte, style, TitreModule);
}

// `details`: what the command will send and lose, under the box's details button.
bool Confirmer(const QString& texte, const QString& details = {}) {
    return MsgBoxDetails(texte, mb::YesNo | mb::Question | mb::DefaultButton2, TitreModule,
                         details) == mb::Yes;
}

// Lines joined, each ended by CR LF, the empty ones included.
QString Lignes(std::initializer_list<const char*> lignes) {
    QString texte;
    for (const char* ligne : lignes) {
        texte += QString::fromUtf8(ligne) + CRLF;
    }
    return texte;
}

// The practice application running, or the window list unreadable (then told to the user):
// in both cases nothing is to be started.
bool ZelvanoEmpeche(const QString& messageSiDemarre) {
    try {
        if (ZelvanoEstDemarre()) {
            Boite(messageSiDemarre, mb::Exclamation | mb::OKOnly);
            return true;
        }
        return false;
    } catch (const Erreur& erreur) {
        Boite(erreur.Description(), mb::Exclamation | mb::OKOnly);
        return true;
    }
}

// The frame of a data command: unfolded window, busy state, emptied journal, ">>>", the run in
// force (the machine kept awake), "<<<". A journal that cannot be written ends the run with the
// error report.
void Encadrer(FenetrePrincipale& f, void (Executions::*execution)(), const QString& raisonVeille) {
    f.DeplierFenetre(true);
    f.AfficherOptions(false);
    Occuper(f, true);
    f.ViderJournal();
    try {
        const InhibitionVeille veille(raisonVeille);
        EcrireJournal(QStringLiteral(">>>"));
        ExecuterAvecBilan([execution] { (ExecutionsCourantes().*execution)(); });
        EcrireJournal(QStringLiteral("<<<"));
    } catch (const Erreur& erreur) {
        SignalerErreur(erreur);
    }
    Occuper(f, false);
}

const QString TexteA = Lignes(
    {"ATTENTION : INFORMATION TRES IMPORTANTE", "",
     "La dernière synchronisation de votre base locale",
     "s'est TERMINEE CORRECTEMENT mais une erreur ",
     "s'est produite dans l'initialisation qui est lancée",
     "automatiquement après cette synchronisation.", "", "Vous devez relancer une INITIALISATION ",
     "(et non une synchronisation) avant ", "de commencer à saisir dans votre base locale.", "",
     "Tout ce que vous allez saisir à partir de maintenant ",
     "dans cette base locale NE POURRA JAMAIS ETRE  ", "RECOPIE sur la base distante.", "",
     "Voulez-vous vraiment continuer à utiliser cette base",
     "locale sans l'initialiser correctement ?"});

const QString TexteB =
    Lignes({"ATTENTION : Seules les modifications suivantes seront prises en compte",
            "lors de la synchronisation avec la base distante :",
            "",
            "  - Création de nouveaux dossiers patients",
            "  - Création de nouvelles consultations",
            "  - Création de nouvelles ordonnances",
            "  - Création de nouveaux courriers",
            "  - Création de nouveaux CRO",
            "  - Création de nouvelles correspondances",
            "  + Création d'objets 'Alerte'",
            "  + Création d'objets 'Dessin sur planche'",
            "  + Création d'objets 'Audiométrie'",
            "  + Création d'objets 'Impédancemétrie'",
            "  + Création d'objets 'Vestibulométrie'",
            "  + Création d'objets 'Cardiologie'",
            "  + Création d'objets de type 'Fichier' (Word, Excel, Scrivola, Mspaint, ...)",
            "  + Lien entre les courriers/cro/correspondances et les consultations",
            "    (Option 'Indiquer par un objet sur la dernière consultation')",
            "",
            "Toutes les autres modifications de votre base locale seront perdues",
            "lors de la synchronisation.",
            "",
            "  + = Nouveauté de la version 7.10"});

const QString TexteC =
    Lignes({"ATTENTION - ATTENTION - ATTENTION - ATTENTION - ATTENTION", "",
            "La base Zelvano locale a été initialisée par une ",
            "version du module de synchronisation INFERIEURE à 7.10 .", "",
            "Les objets suivants ne pourront être pris en compte",
            "que quand vous aurez fait une SYNCHRONISATION", "AVEC LA VERSION 7.10 :", "",
            "  - Objet 'Alerte'", "  - Objet 'Dessin sur planche'", "  - Objet 'Audiométrie'",
            "  - Objet 'Impédancemétrie'", "  - Objet 'Vestibulométrie'", "  - Objet 'Cardiologie'",
            "  - Objet de type 'Fichier' (Word, Excel, Scrivola, Mspaint, ...)",
            "  - Lien entre les courriers/cro/correspondances et les consultations", ""});

const QString DejaDemarre = QStringLiteral("Opération impossible : Zelvano est déjà démarré.");

// The local base's checks before a launch on it; false when the user stops there or the base
// cannot be checked (then told).
bool VerifierBaseLocale() {
    bool initialisee = false;
    bool avecObjets = false;
    try {
        initialisee = pratique::BaseLocaleInitialisee();
        avecObjets = pratique::BaseLocaleInitialiseeAvecObjets();
    } catch (const Erreur& erreur) {
        Boite(QStringLiteral("Impossible de vérifier la base locale ") + CheminBaseLocale() +
                  QStringLiteral(" :") + CRLF + erreur.DescriptionEtNumero(),
              mb::Exclamation | mb::OKOnly);
        return false;
    }
    if (!initialisee) {
        if (Boite(TexteA, mb::YesNo | mb::Critical | mb::DefaultButton2) != mb::Yes) {
            return false;
        }
    } else if (Param().nowarning == 0) {
        Boite(TexteB, mb::Information | mb::OKOnly);
    }
    if (!avecObjets) {
        Boite(TexteC, mb::Exclamation | mb::OKOnly);
    }
    return true;
}

} // namespace

void ExecuterAvecBilan(const std::function<void()>& execution) {
    Bilan().Commencer();
    struct Masquage {
        ~Masquage() { FinProgression(); }
    } masquage;
    execution();
    EcrireJournal(Bilan().Ligne());
}

const QString RaisonVeilleSynchronisation =
    QStringLiteral("Synchronisation des bases locale et distante en cours");
const QString RaisonVeilleInitialisation =
    QStringLiteral("Initialisation de la base locale en cours");

void Occuper(FenetrePrincipale& f, bool occupe) {
    f.ActiverBoutons(!occupe, !occupe, !occupe, !occupe, !occupe, !occupe);
}

void Executions::Synchronisation() {
    LancerSynchronisation();
}

void Executions::Initialisation() {
    if (ReprendreSynchronisationInterrompue()) {
        LancerInitialisationManuelle();
    }
}

bool Executions::Reprise() {
    return ReprendreSynchronisationInterrompue();
}

static Executions*& executions() {
    return EnVigueur<Executions, Executions>();
}

Executions& ExecutionsCourantes() {
    return *executions();
}

RemplacementExecutions::RemplacementExecutions(Executions& nouvelles)
    : Remplacement(executions(), nouvelles) {}

void btnsynchro_Click(FenetrePrincipale& f) {
    if (ZelvanoEmpeche(
            QStringLiteral("Opération impossible : vous devez sortir de Zelvano avant de "
                           "lancer une synchronisation."))) {
        return;
    }
    // A choice holds only for the run it was made before.
    ChoixLocaux().clear();
    // The plan reads three bases, the server's through the share.
    DefinirPointeur(pointeur::Sablier);
    const PlanPrevu prevu = PrevoirReports();
    DefinirPointeur(pointeur::Defaut);
    const QString reports = ApercuReports(prevu);
    if (!Confirmer(
            QStringLiteral("ATTENTION : vous allez commencer la synchronisation de la base "
                           "distante et de la base locale.") +
                CRLF + CRLF +
                QStringLiteral("Tous les dossiers, consultations, ordonnances, courriers, CRO et "
                               "objets créés dans la base locale depuis la dernière "
                               "synchronisation seront copiés dans la base distante. La base "
                               "locale sera ensuite remplacée par la base distante .") +
                CRLF + CRLF + QStringLiteral("Voulez-vous continuer ?"),
            ApercuBaseLocale(false) +
                (reports.isEmpty() ? QString() : QStringLiteral("\n") + reports))) {
        return;
    }
    if (prevu.plan.Conflits() > 0 && !ChoisirConflits(&f, prevu.plan.ecarts, ChoixLocaux())) {
        return;
    }
    Encadrer(f, &Executions::Synchronisation, RaisonVeilleSynchronisation);
    DefinirPointeur(pointeur::Defaut);
    AfficherEtat();
}

void btnCopier_Click(FenetrePrincipale& f) {
    // The initialisation replaces the local base and its documents: under an open practice
    // application (on the local base, or about to be), what it is writing would be lost.
    if (ZelvanoEmpeche(
            QStringLiteral("Opération impossible : vous devez sortir de Zelvano avant de "
                           "lancer une initialisation."))) {
        return;
    }
    const QString apercu = ApercuBaseLocale(true);
    if (!Confirmer(QStringLiteral("ATTENTION : la base locale va être remplacée par la base "
                                  "distante. Toutes les informations contenues dans la base locale "
                                  "seront remplacées.") +
                       CRLF + CRLF + QStringLiteral("Voulez-vous continuer ?"),
                   apercu)) {
        return;
    }
    if (!Confirmer(QStringLiteral("Voulez-vous vraiment écraser votre base locale ?"), apercu)) {
        return;
    }
    Encadrer(f, &Executions::Initialisation, RaisonVeilleInitialisation);
    AfficherEtat();
    DefinirPointeur(pointeur::Defaut);
}

// Before a launch, a synchronisation interrupted between its commits must be settled.
static bool LancementPossible() {
    if (ExecutionsCourantes().Reprise()) {
        return true;
    }
    Boite(QStringLiteral("Lancement de Zelvano impossible : la dernière synchronisation a été "
                         "interrompue et n'a pas pu être réglée. Consultez le journal."),
          mb::Exclamation | mb::OKOnly);
    return false;
}

void btnsrv_Click(FenetrePrincipale& f) {
    Occuper(f, true);
    AttendreSecondes(2);
    if (!ZelvanoEmpeche(DejaDemarre) && LancementPossible()) {
        f.DeplierFenetre(false);
        if (EtatBase() == QLatin1String("D") || ConnecterBaseDistante()) {
            LancerZelvano(QStringLiteral("D"));
        }
        AfficherEtat();
    }
    AttendreSecondes(2);
    Occuper(f, false);
}

void btnclient_Click(FenetrePrincipale& f) {
    Occuper(f, true);
    AttendreSecondes(2);
    if (!ZelvanoEmpeche(DejaDemarre) && LancementPossible()) {
        if (!VerifierBaseLocale()) {
            Occuper(f, false);
            return;
        }
        f.DeplierFenetre(false);
        if (EtatBase() == QLatin1String("L") || ConnecterBaseLocale()) {
            LancerZelvano(QStringLiteral("L"));
        }
        AfficherEtat();
    }
    AttendreSecondes(2);
    Occuper(f, false);
}
