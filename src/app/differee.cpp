#include "app/differee.h"

#include "app/commandes.h"
#include "app/fenetre_principale.h"
#include "app/modprivilige.h"
#include "drives/lancement.h"
#include "platform/alimentation.h"
#include "platform/erreur.h"
#include "platform/notification.h"
#include "platform/services.h"
#include "platform/veille.h"
#include "settings/cles.h"
#include "settings/date_heure.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QListWidget>

#include <algorithm>

namespace {

// Puts createlog back at the end of the tick, whatever the way out.
class CreatelogForce {
public:
    CreatelogForce()
        : sauve_(Param().createlog) {
        Param().createlog = 1;
    }
    ~CreatelogForce() { Param().createlog = sauve_; }
    CreatelogForce(const CreatelogForce&) = delete;
    CreatelogForce& operator=(const CreatelogForce&) = delete;

private:
    qint16 sauve_;
};

void Desarmer(FenetrePrincipale& f) {
    cles::Ecrire(cles::synchrodifferee, 0);
    f.Timersynchro().stop();
}

void Abandonner(FenetrePrincipale& f, const QString& ligne) {
    EcrireJournal(ligne);
    Desarmer(f);
}

// " 5" for 5, "-5" for -5: a number as the journal line of a failed power-off shows it.
QString NombreAvecSigne(int nombre) {
    return nombre >= 0 ? QLatin1Char(' ') + QString::number(nombre) : QString::number(nombre);
}

// A power-off that did not happen is always told, whatever code the system gave.
void Eteindre() {
    AjusterPrivilege(QStringLiteral("SeShutdownPrivilege"), true);
    int code = 0;
    if (!plateforme::AlimentationCourante().Eteindre(code)) {
        EcrireJournal(QStringLiteral("<<<Erreur lors de l'arret : ") + NombreAvecSigne(code));
    }
}

// The messages of the journal list, without their date and time.
QStringList Messages(const FenetrePrincipale& f) {
    QStringList messages;
    const QString separateur = QStringLiteral(" : ");
    for (int i = 0; i < f.listsynchro()->count(); ++i) {
        const QString ligne = f.listsynchro()->item(i)->text();
        const qsizetype debut = ligne.indexOf(separateur);
        messages.append(debut < 0 ? ligne : ligne.mid(debut + separateur.size()));
    }
    return messages;
}

// The run ended while nobody may be looking: the desktop says how, with the run's summary. It
// went well when both the synchronisation and the initialisation after it ended correctly.
void NotifierFin(const FenetrePrincipale& f) {
    const QStringList messages = Messages(f);
    const auto presente = [&messages](const QString& debut) {
        return std::any_of(messages.cbegin(), messages.cend(),
                           [&debut](const QString& m) { return m.startsWith(debut); });
    };
    const bool reussie = presente(QStringLiteral("SYNCHRONISATION TERMINEE CORRECTEMENT")) &&
                         presente(QStringLiteral("INITIALISATION TERMINEE CORRECTEMENT"));
    QString bilan;
    for (const QString& m : messages) {
        if (m.startsWith(QStringLiteral("Bilan : "))) {
            bilan = m;
        }
    }
    if (reussie) {
        plateforme::NotificationsCourantes().Notifier(
            QStringLiteral("Synchronisation différée terminée"), bilan);
        return;
    }
    plateforme::NotificationsCourantes().Notifier(
        QStringLiteral("Échec de la synchronisation différée"),
        (bilan.isEmpty() ? QString() : bilan + QLatin1Char('\n')) +
            QStringLiteral("Le journal du module de synchronisation dit ce qui n'a pas pu "
                           "être fait."));
}

void Executer(FenetrePrincipale& f) {
    Desarmer(f);
    f.DeplierFenetre(true);
    f.AfficherOptions(false);
    Occuper(f, true);
    // Only the run gives back the buttons, and only those it took. The machine stays awake
    // until the run is over, not through the power-off.
    try {
        const plateforme::InhibitionVeille veille(RaisonVeilleSynchronisation);
        f.ViderJournal();
        EcrireJournal(QStringLiteral(">>>Démarrage de la synchro différée>>>"));
        ExecuterAvecBilan([] { ExecutionsCourantes().Synchronisation(); });
        EcrireJournal(QStringLiteral("<<<"));
    } catch (const plateforme::Erreur&) {
        Occuper(f, false);
        throw;
    }
    Occuper(f, false);
    plateforme::DefinirPointeur(plateforme::pointeur::Defaut);
    AfficherEtat();
    NotifierFin(f);
    if (cles::LireEntier(cles::synchrodiffereearret) == 1) {
        Eteindre();
    }
}

void Tic(FenetrePrincipale& f) {
    if (cles::LireEntier(cles::synchrodifferee) == 0) {
        f.Timersynchro().stop();
        return;
    }
    // Everything the tick writes goes to synchro.log too; a waiting tick puts the setting back
    // like the others.
    const CreatelogForce createlog;
    const QString texte = cles::Lire(cles::synchrodiffereelea);
    if (texte.isEmpty()) {
        Abandonner(
            f, QStringLiteral("La date de synchronisation est absente ... abandon de la synchro"));
        return;
    }
    const std::optional<QDateTime> moment = LireDateHeure(texte);
    if (!moment) {
        Abandonner(
            f, QStringLiteral("La date de synchronisation est invalide ... abandon de la synchro"));
        return;
    }
    const QDateTime maintenant = plateforme::Maintenant();
    if (maintenant < *moment) {
        return;
    }
    if (maintenant > moment->addSecs(10 * 60)) {
        Abandonner(f,
                   QStringLiteral("Heure de synchronisation dépassée ... abandon de la synchro"));
        return;
    }
    bool zelvano = false;
    try {
        zelvano = ZelvanoEstDemarre();
    } catch (const plateforme::Erreur& erreur) {
        // Nobody can tell whether the practice application runs: wait for the next tick.
        EcrireJournal(erreur.Description());
        return;
    }
    if (zelvano) {
        Desarmer(f);
        EcrireJournal(QStringLiteral("Zelvano est lancé ... abandon de la synchro"));
        return;
    }
    if (!f.BoutonActif(Bouton::synchro)) {
        return;
    }
    Executer(f);
}

} // namespace

void Timersynchro_Timer(FenetrePrincipale& f) {
    try {
        Tic(f);
    } catch (const plateforme::Erreur& erreur) {
        // The journal itself failed (synchro.log cannot be written): stop there, disarmed. The
        // buttons are left as they are: a tick that abandons may come in the middle of a
        // manual command, whose busy state is its own.
        Desarmer(f);
        SignalerErreur(erreur);
    }
}
