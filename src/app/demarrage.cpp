#include "app/demarrage.h"

#include "app/appel_instance.h"
#include "app/commandes.h"
#include "app/fenetre_principale.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/instance.h"
#include "platform/qorbis32.h"
#include "platform/services.h"
#include "settings/cles.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"

namespace {

constexpr int VersionQorbisRequise = 120;

QString CouperAuNul(const QString& texte) {
    const qsizetype nul = texte.indexOf(QChar(0));
    return nul < 0 ? texte : texte.left(nul);
}

QString RepertoireWindows() {
    return CouperAuNul(plateforme::DossierWindows()).toUpper();
}

QString RepertoireSysteme() {
    return CouperAuNul(plateforme::DossierSysteme()).toUpper();
}

bool VersionQorbisSuffisante() {
    if (qorbis32_VersionNumber() >= VersionQorbisRequise) {
        return true;
    }
    plateforme::MsgBox(
        QStringLiteral("Le fichier QORBIS32.DLL installé sur votre système n'est pas de la bonne "
                       "version. La version 1.20 est requise pour exécuter le module de "
                       "synchronisation"),
        plateforme::mb::Critical | plateforme::mb::OKOnly, TitreModule);
    return false;
}

} // namespace

bool InstanceAutorisee(const plateforme::InstanceUnique& instance) {
    switch (instance.Resultat()) {
    case plateforme::InstanceUnique::Issue::Obtenue:
        return true;
    case plateforme::InstanceUnique::Issue::AutreInstance:
        // Nothing to say: the window the user looks for comes to the front.
        DemanderAffichage(instance.CheminAppel());
        return false;
    case plateforme::InstanceUnique::Issue::Impossible:
        break;
    }
    plateforme::MsgBox(
        QStringLiteral("Le module de synchronisation ne peut pas démarrer : impossible de "
                       "vérifier qu'il n'est pas déjà lancé, le fichier ") +
            instance.Chemin() + QStringLiteral(" ne peut pas être ouvert (") + instance.Raison() +
            QStringLiteral(")."),
        plateforme::mb::Critical | plateforme::mb::OKOnly, TitreModule);
    return false;
}

void PreparerXcopy32(const QString& dossier) {
    try {
        const QString xcopy32 = dossier + QStringLiteral("\\xcopy32.exe");
        const QString xcopy = dossier + QStringLiteral("\\xcopy.exe");
        if (plateforme::FichierExiste(xcopy32) || !plateforme::FichierExiste(xcopy)) {
            return;
        }
        plateforme::CopierFichier(xcopy, xcopy32);
    } catch (const std::exception&) {
        // Nothing depends on it.
    }
}

QString ChoisirInterpreteur(const QString& repertoireWindows, const QString& repertoireSysteme) {
    if (repertoireWindows.contains(QLatin1String("WINNT")) ||
        repertoireSysteme.contains(QLatin1String("SYSTEM32"))) {
        return QStringLiteral("CMD.EXE");
    }
    return QStringLiteral("COMMAND.COM");
}

void DetecterInterpreteur() {
    const QString systeme = RepertoireSysteme();
    Param().Interpreteur = ChoisirInterpreteur(RepertoireWindows(), systeme);
    if (Param().Interpreteur == QLatin1String("CMD.EXE")) {
        PreparerXcopy32(systeme);
    }
}

bool ChargerFenetre(FenetrePrincipale& fenetre, const QStringList& arguments) {
    try {
        // The whole text after the program's name: an unquoted path with blanks comes as
        // several arguments.
        Param().FichierIni = arguments.size() > 1 ? arguments.mid(1).join(QLatin1Char(' '))
                                                  : QStringLiteral("synchro.ini");
        AfficherEtat();
        fenetre.DeplierFenetre(false);
        if (!VersionQorbisSuffisante()) {
            return false;
        }
        RestaurerPosition(fenetre);
        LireParametres();
        fenetre.VerifierAide();
        DetecterInterpreteur();
        fenetre.Timersynchro().setInterval(cles::LireEntier(cles::synchrodiffereetimer));
        if (cles::LireEntier(cles::synchrodifferee) == 1) {
            fenetre.Timersynchro().start();
        }
        // A synchronisation interrupted between its two commits is settled at once; the
        // journal tells how.
        ExecutionsCourantes().Reprise();
        return true;
    } catch (const plateforme::Erreur& erreur) {
        SignalerErreur(erreur);
        return false;
    }
}
