#include "drives/redirection.h"

#include "platform/attente.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "tools/vod_outils.h"

#include <QDateTime>

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString Deconnecte = QStringLiteral("déconnecté");
const QString Connecte = QStringLiteral("connecté");

// The built-in command lines.
struct CommandesIntegrees {
    QString retraitReseau; // N
    QString retraitSubst;  // U
    QString connexionLocale;
    QString connexionDistante;
};

CommandesIntegrees Commandes() {
    const Parametres& p = Param();
    const QString& I = p.Interpreteur;
    const QString& L = p.unite;
    return {I + QStringLiteral(" /c net use ") + L + QStringLiteral(": /d /yes"),
            I + QStringLiteral(" /c subst ") + L + QStringLiteral(": /d"),
            I + QStringLiteral(" /c subst ") + L + QStringLiteral(": ") + p.fmpathClient +
                QStringLiteral(":\\"),
            I + QStringLiteral(" /c net use ") + L + QStringLiteral(": ") + p.fmpathServeur +
                QStringLiteral(" /yes")};
}

QDateTime MaintenantALaSeconde() {
    const QDateTime t = plateforme::Maintenant();
    return t.addMSecs(-t.time().msec());
}

// Runs one command: waited for with `shellsynchrone`, else started and left to itself.
void Executer(const QString& commande) {
    if (Param().shellsynchrone != 0) {
        VOD_Outils().ExecutionSynchrone(commande, 0);
        return;
    }
    if (commande.trimmed().isEmpty()) {
        plateforme::Lever(plateforme::err::ArgumentIncorrect);
    }
    if (plateforme::ServicesCourants().processus->Demarrer(commande, 0) == 0) {
        plateforme::Lever(plateforme::err::FichierIntrouvable);
    }
}

bool UniteListeUneEntree(const QString& lettre) {
    try {
        const QStringList noms =
            plateforme::ListerDossier(lettre + QStringLiteral(":\\*.*"), plateforme::attr::Dossier);
        for (const QString& nom : noms) {
            if (nom != QLatin1String(".") && nom != QLatin1String("..")) {
                return true;
            }
        }
    } catch (const std::exception&) {
        // A root that cannot be listed holds nothing.
    }
    return false;
}

// The two twins differ only in the order of the disconnections, the keys and the target.
struct Sens {
    // Built-in mode.
    QString premierRetrait;
    QString secondRetrait;
    QString connexion;
    const cles::Cle* cleConnexion;
    // Custom mode.
    bool personnalise;
    QString retraitPerso1;
    QString retraitPerso2;
    QString connexionPerso;
};

Sens SensLocal() {
    const Parametres& p = Param();
    const CommandesIntegrees c = Commandes();
    return {c.retraitReseau,
            c.retraitSubst,
            c.connexionLocale,
            &cles::autosurclient2,
            !p.surclient1.isEmpty() || !p.surclient2.isEmpty(),
            p.surclient1,
            p.surserveur1,
            p.surclient2};
}

Sens SensDistant() {
    const Parametres& p = Param();
    const CommandesIntegrees c = Commandes();
    return {c.retraitSubst,
            c.retraitReseau,
            c.connexionDistante,
            &cles::autosurserveur2,
            !p.surserveur1.isEmpty() || !p.surserveur2.isEmpty(),
            p.surserveur1,
            p.surclient1,
            p.surserveur2};
}

bool ModeIntegre(const Sens& s) {
    const QString& L = Param().unite;
    Executer(s.premierRetrait);
    Executer(s.secondRetrait);
    cles::Ecrire(cles::autosurclient1, s.premierRetrait);
    cles::Ecrire(cles::autosurserveur1, s.secondRetrait);
    MessageMiseAuPoint(s.premierRetrait, s.secondRetrait, Deconnecte, L);
    if (!AttendreEtatUnite(false, false)) {
        // A letter still held by a closing application often lets go a moment later.
        Executer(s.premierRetrait);
        Executer(s.secondRetrait);
        if (!AttendreEtatUnite(false, true)) {
            return false;
        }
    }
    Executer(s.connexion);
    cles::Ecrire(*s.cleConnexion, s.connexion);
    MessageMiseAuPoint(s.connexion, QString(), Connecte, L);
    return AttendreEtatUnite(true, true);
}

bool ModePersonnalise(const Sens& s) {
    const Parametres& p = Param();
    if (!s.retraitPerso1.isEmpty()) {
        Executer(s.retraitPerso1);
        // One disconnection command may be enough for a site: an empty second one is not run.
        if (!s.retraitPerso2.isEmpty()) {
            Executer(s.retraitPerso2);
        }
        MessageMiseAuPoint(p.surclient1, p.surserveur1, Deconnecte, p.unite);
        if (!AttendreEtatUnite(false, true)) {
            return false;
        }
    }
    if (!s.connexionPerso.isEmpty()) {
        Executer(s.connexionPerso);
        MessageMiseAuPoint(s.connexionPerso, QString(), Connecte, p.unite);
        if (!AttendreEtatUnite(true, true)) {
            return false;
        }
    }
    plateforme::DoEvents();
    return true;
}

bool Connecter(const Sens& s) {
    try {
        plateforme::DefinirPointeur(plateforme::pointeur::Sablier);
        EtatBase() = QStringLiteral("?");
        AfficherEtat();
        AttendreSecondes(2);
        const bool reussi = s.personnalise ? ModePersonnalise(s) : ModeIntegre(s);
        plateforme::DefinirPointeur(plateforme::pointeur::Defaut);
        EtatBase().clear();
        AfficherEtat();
        return reussi;
    } catch (const plateforme::Erreur& e) {
        EtatBase().clear();
        AfficherEtat();
        SignalerErreur(e);
        return false;
    }
}

} // namespace

bool ConnecterBaseLocale() {
    return Connecter(SensLocal());
}

bool ConnecterBaseDistante() {
    return Connecter(SensDistant());
}

bool AttendreEtatUnite(bool connecte, bool avertir) {
    const QString L = Param().unite;
    try {
        const QDateTime limite = MaintenantALaSeconde().addSecs(Param().TpsAttente);
        do {
            plateforme::DoEventsAttente();
            if (UniteListeUneEntree(L) == connecte) {
                return true;
            }
        } while (MaintenantALaSeconde() < limite);
        if (avertir) {
            const QString texte =
                connecte
                    ? QStringLiteral("Impossible de connecter l'unité ") + L +
                          QStringLiteral(": pour l'instant.") + CRLF +
                          QStringLiteral("Patientez quelques secondes et réessayez.")
                    : QStringLiteral("Impossible de déconnecter l'unité ") + L +
                          QStringLiteral(": pour l'instant.") + CRLF + CRLF +
                          QStringLiteral("Zelvano est en cours d'arrêt d'arrêt sur cette unité, ") +
                          CRLF +
                          QStringLiteral("ou des fichiers sont peut-être en cours d'utilisation.") +
                          CRLF + CRLF + QStringLiteral("Patientez quelques secondes et réessayez.");
            plateforme::MsgBox(texte, plateforme::mb::Exclamation | plateforme::mb::OKOnly,
                               TitreModule);
            EtatBase().clear();
        }
    } catch (const std::exception&) {
        // The wait reports only through its result.
    }
    return false;
}

void MessageMiseAuPoint(const QString& commande1, const QString& commande2, const QString& verbe,
                        const QString& lettre) {
    if (Param().messagesdebug == 0) {
        return;
    }
    const QString fin = QStringLiteral(" l'unité ") + lettre +
                        QStringLiteral(": et appuyez sur OK pour continuer...");
    const QString texte =
        commande2.isEmpty()
            ? QStringLiteral("Veuillez vérifier que la commande :") + CRLF + CRLF + commande1 +
                  CRLF + CRLF + QStringLiteral("a bien ") + verbe + fin
            : QStringLiteral("Veuillez vérifier que les commandes :") + CRLF + CRLF + commande1 +
                  CRLF + commande2 + CRLF + CRLF + QStringLiteral("ont bien ") + verbe + fin;
    plateforme::MsgBox(texte, plateforme::mb::Exclamation | plateforme::mb::OKOnly,
                       QStringLiteral("Message de mise au point"));
}
