#include "app/appel_instance.h"
#include "app/demarrage.h"
#include "app/fenetre_principale.h"
#include "app/ligne_commande.h"
#include "app/outils_fenetres.h"
#include "app/services_qt.h"
#include "platform/dossier_programme.h"
#include "platform/instance.h"
#include "platform/services.h"
#include "platform/traduction.h"
#include "settings/fenetre.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // Read before the application exists: help and version need no display, and a mistyped
    // option must not become a settings file.
    QStringList mots;
    for (int i = 0; i < argc; ++i) {
        mots.append(QString::fromLocal8Bit(argv[i]));
    }
    const LigneCommande ligne = LireLigneCommande(mots);
    switch (ligne.action) {
    case LigneCommande::Action::Aide:
    case LigneCommande::Action::Version:
        std::fputs(ligne.texte.toLocal8Bit().constData(), stdout);
        return 0;
    case LigneCommande::Action::Refus:
        std::fputs(ligne.texte.toLocal8Bit().constData(), stderr);
        return 2;
    case LigneCommande::Action::Fenetre:
        break;
    }

    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("synchro"));
    application.setApplicationVersion(plateforme::VersionProgramme());
    // The task bar shows the menu entry's icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("synchro"));
    plateforme::InstallerTraductionQt();

    BoitesQt boites;
    EcranQt ecran(*plateforme::ServicesCourants().ecran);
    const plateforme::RemplacementServices services(
        plateforme::Services{nullptr, &boites, &ecran, nullptr, nullptr});

    // A second instance ends at once, without a message, the first one's window shown.
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
    const AppelsInstance appels(instance.CheminAppel(), [&fenetre] { fenetre.Montrer(); });
    if (!ChargerFenetre(fenetre, ligne.arguments)) {
        return 0;
    }
    fenetre.show();
    return QApplication::exec();
}
