#include "app/demarrage.h"
#include "app/fenetre_principale.h"
#include "app/outils_fenetres.h"
#include "app/services_qt.h"
#include "platform/dossier_programme.h"
#include "platform/instance.h"
#include "platform/services.h"
#include "settings/fenetre.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("synchro"));
    application.setApplicationVersion(QStringLiteral("7.15.4"));

    BoitesQt boites;
    EcranQt ecran(*plateforme::ServicesCourants().ecran);
    const plateforme::RemplacementServices services(
        plateforme::Services{nullptr, &boites, &ecran, nullptr, nullptr});

    // A second instance ends at once, without a message.
    const plateforme::InstanceUnique instance;
    if (!InstanceAutorisee(instance)) {
        return instance.Resultat() == plateforme::InstanceUnique::Issue::AutreInstance ? 0 : 1;
    }
    // The stand-ins the module starts are those built or installed with it, whatever prepared
    // the machine; one that cannot be linked shows as a failed command in the journal.
    plateforme::PreparerDossierProgramme(QCoreApplication::applicationDirPath());

    FenetresQt fenetresProgramme;
    const InstallationFenetresProgramme fenetresOutils(fenetresProgramme);
    FenetrePrincipale fenetre;
    const InstallationFenetre installation(fenetre);
    if (!ChargerFenetre(fenetre, QApplication::arguments())) {
        return 0;
    }
    fenetre.show();
    return QApplication::exec();
}
