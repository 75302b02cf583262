#include "app/bouton_commande.h"
#include "app/demarrage.h"
#include "app/fenetre_principale.h"
#include "app/minuterie.h"
#include "app/twips.h"
#include "platform/qorbis32.h"
#include "testutil/qorbis32_factice.h"
#include "platform/fichiers.h"
#include "platform/instance.h"
#include "settings/bilan.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

class Demarrage : public ::testing::Test {
protected:
    factices::Environnement env;
    FenetrePrincipale fenetre;
    InstallationFenetre installation{fenetre};

    void Ini(const QByteArray& contenu) {
        env.machine.EcrireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"), contenu);
    }
    QByteArray LireIni() const {
        return env.machine.LireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"));
    }
};

TEST_F(Demarrage, FenetrePlieeAvecLeTitreEtLesLibelles) {
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    EXPECT_EQ(fenetre.windowTitle(), QStringLiteral("Module de synchronisation Zelvano v7.15.4"));
    EXPECT_EQ(Param().FichierIni, QStringLiteral("synchro.ini"));
    EXPECT_FALSE(fenetre.EstDepliee());
    EXPECT_EQ(fenetre.height(), fenetre.BoutonDe(Bouton::client)->height());
    EXPECT_EQ(fenetre.BoutonDe(Bouton::client)->text(),
              QStringLiteral("Exécuter Zelvano sur base &Locale  "));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::serveur)->text(),
              QStringLiteral("Exécuter Zelvano sur base &Distante "));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::synchro)->text(),
              QStringLiteral("&Synchroniser les deux bases"));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::copier)->text(),
              QStringLiteral("&Initialiser la synchronisation"));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::options)->text(),
              QStringLiteral("Modifier les &Options de synchronisation"));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::aide)->text(), QStringLiteral("Consulter l'aide en ligne"));
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(fenetre.BoutonDe(static_cast<Bouton>(i))->icon().isNull());
    }
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
    EXPECT_EQ(fenetre.Timersynchro().interval(), 30000);
    EXPECT_EQ(Param().Interpreteur, QStringLiteral("CMD.EXE"));
    EXPECT_TRUE(env.boites.affichees.isEmpty());
}

TEST_F(Demarrage, LibellesDesBoutonsRemplacesParLesReglages) {
    Ini("[options]\nboutonclient=Sur le portable\nboutonserveur=\n");
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::client)->text(), QStringLiteral("Sur le portable"));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::serveur)->text(),
              QStringLiteral("Exécuter Zelvano sur base &Distante "));
}

TEST_F(Demarrage, VersionDeLaBibliotheque119Refusee120Acceptee) {
    DefinirVersionQorbis32ForTests(119);
    EXPECT_FALSE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(
        env.boites.affichees[0].texte,
        QStringLiteral("Le fichier QORBIS32.DLL installé sur votre système n'est pas de la bonne "
                       "version. La version 1.20 est requise pour exécuter le module de "
                       "synchronisation"));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Critical);
    EXPECT_EQ(env.boites.affichees[0].titre, QStringLiteral("Module de synchronisation Zelvano"));
    // Ends before reading the settings: nothing written.
    EXPECT_TRUE(LireIni().isEmpty());

    DefinirVersionQorbis32ForTests(120);
    env.boites.affichees.clear();
    EXPECT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    EXPECT_TRUE(env.boites.affichees.isEmpty());
    DefinirVersionQorbis32ForTests(0);
}

TEST_F(Demarrage, NombreIllisibleSignaleLErreurEtTermine) {
    Ini("[general]\nTpsAttente=abc\n");
    EXPECT_FALSE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte, QStringLiteral("Erreur 13 : Incompatibilité de type"));
}

TEST_F(Demarrage, IntervalleDeMinuterieRefuseParLaMinuterie) {
    Ini("[options]\nsynchrodiffereetimer=70000\n");
    EXPECT_FALSE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(QStringLiteral("Erreur 380 : ")));
}

TEST_F(Demarrage, MinuterieArmeeQuandSynchroDiffereeVaut1) {
    Ini("[options]\nsynchrodifferee=1\nsynchrodiffereetimer=5000\n");
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    EXPECT_TRUE(fenetre.Timersynchro().isActive());
    EXPECT_EQ(fenetre.Timersynchro().interval(), 5000);
    Ini("[options]\nsynchrodifferee=2\n");
    fenetre.Timersynchro().stop();
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
}

TEST_F(Demarrage, FichierDeReglagesDonneEnArgument) {
    env.machine.EcrireFichier(QStringLiteral("D:\\conf\\poste2.ini"), "[general]\nbddir=base2\n");
    ASSERT_TRUE(ChargerFenetre(
        fenetre, {QStringLiteral("synchro"), QStringLiteral("D:\\conf\\poste2.ini")}));
    EXPECT_EQ(Param().FichierIni, QStringLiteral("D:\\conf\\poste2.ini"));
    EXPECT_EQ(Param().bddir, QStringLiteral("base2"));
    EnregistrerPosition(fenetre);
    EXPECT_TRUE(
        env.machine.LireFichier(QStringLiteral("D:\\conf\\poste2.ini")).contains("windowstate=0"));
}

TEST_F(Demarrage, CheminAvecBlancsNonCiteGardeToutLeTexte) {
    // "synchro D:\conf\mon poste.ini" typed without quotes comes as two arguments.
    env.machine.EcrireFichier(QStringLiteral("D:\\conf\\mon poste.ini"),
                              "[general]\nbddir=base3\n");
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro"), QStringLiteral("D:\\conf\\mon"),
                                         QStringLiteral("poste.ini")}));
    EXPECT_EQ(Param().FichierIni, QStringLiteral("D:\\conf\\mon poste.ini"));
    EXPECT_EQ(Param().bddir, QStringLiteral("base3"));
}

TEST_F(Demarrage, IntervalleNulLaisseLaMinuterieMuette) {
    Ini("[options]\nsynchrodifferee=1\nsynchrodiffereetimer=0\n");
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    EXPECT_EQ(fenetre.Timersynchro().interval(), 0);
    EXPECT_TRUE(fenetre.Timersynchro().isEnabled());
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
    int tics = 0;
    QObject::connect(&fenetre.Timersynchro(), &Minuterie::timeout, [&tics] { ++tics; });
    QTest::qWait(30);
    EXPECT_EQ(tics, 0); // a 0 ms QTimer would have fired on every pass of the event loop
}

TEST_F(Demarrage, PositionRestaureeSeulementPourLesValeursNonNulles) {
    Ini("[position]\nleft=0\ntop=1500\nwindowstate=0\n");
    fenetre.move(33, 44);
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    EXPECT_EQ(fenetre.pos().x(), 33);
    EXPECT_EQ(fenetre.pos().y(), twips::VersPixels(1500, &fenetre));
}

TEST_F(Demarrage, PositionEnregistreeEnTwipsALaFermeture) {
    fenetre.move(twips::VersPixels(3000, &fenetre), twips::VersPixels(1500, &fenetre));
    EnregistrerPosition(fenetre);
    const QByteArray ini = LireIni();
    EXPECT_TRUE(ini.contains("windowstate=0"));
    EXPECT_TRUE(ini.contains("top=1500"));
    EXPECT_TRUE(ini.contains("left=3000"));
    // Restored by the next start.
    FenetrePrincipale autre;
    RestaurerPosition(autre);
    EXPECT_EQ(autre.pos(), fenetre.pos());
}

TEST_F(Demarrage, FermeeMaximiseeSeulEtatEstEcrit) {
    Ini("[position]\nleft=120\ntop=240\nwindowstate=2\n");
    RestaurerPosition(fenetre);
    EXPECT_TRUE(fenetre.windowState() & Qt::WindowMaximized);
    EnregistrerPosition(fenetre);
    const QByteArray ini = LireIni();
    EXPECT_TRUE(ini.contains("windowstate=2"));
    EXPECT_TRUE(ini.contains("left=120"));
    EXPECT_TRUE(ini.contains("top=240"));
}

TEST_F(Demarrage, FermeeMinimiseeRouvreMinimisee) {
    fenetre.setWindowState(Qt::WindowMinimized);
    EnregistrerPosition(fenetre);
    EXPECT_TRUE(LireIni().contains("windowstate=1"));
    FenetrePrincipale suivante;
    RestaurerPosition(suivante);
    EXPECT_TRUE(suivante.windowState() & Qt::WindowMinimized);
}

TEST(Interpreteur, ChoixSelonLesDossiersDuSysteme) {
    EXPECT_EQ(
        ChoisirInterpreteur(QStringLiteral("C:\\WINDOWS"), QStringLiteral("C:\\WINDOWS\\SYSTEM32")),
        QStringLiteral("CMD.EXE"));
    EXPECT_EQ(ChoisirInterpreteur(QStringLiteral("C:\\WINNT"), QStringLiteral("C:\\WINNT\\SYSTEM")),
              QStringLiteral("CMD.EXE"));
    EXPECT_EQ(
        ChoisirInterpreteur(QStringLiteral("C:\\WINDOWS"), QStringLiteral("C:\\WINDOWS\\SYSTEM")),
        QStringLiteral("COMMAND.COM"));
}

TEST(Interpreteur, Xcopy32PrepareUneFoisDepuisXcopy) {
    factices::Environnement env;
    const QString dossier = QStringLiteral("C:\\WINDOWS\\SYSTEM32");
    PreparerXcopy32(dossier); // neither file: nothing
    EXPECT_FALSE(plateforme::FichierExiste(dossier + QStringLiteral("\\xcopy32.exe")));
    env.machine.EcrireFichier(dossier + QStringLiteral("\\xcopy.exe"), "xcopy");
    PreparerXcopy32(dossier);
    EXPECT_EQ(env.machine.LireFichier(dossier + QStringLiteral("\\xcopy32.exe")),
              QByteArray("xcopy"));
    env.machine.EcrireFichier(dossier + QStringLiteral("\\xcopy.exe"), "nouveau");
    PreparerXcopy32(dossier); // already there: kept
    EXPECT_EQ(env.machine.LireFichier(dossier + QStringLiteral("\\xcopy32.exe")),
              QByteArray("xcopy"));
}

TEST(Minuterie, IntervalleNulEteintLaMinuterieQuiRepartAvecUnIntervalle) {
    Minuterie minuterie;
    int tics = 0;
    QObject::connect(&minuterie, &Minuterie::timeout, [&tics] { ++tics; });
    minuterie.setInterval(0);
    minuterie.start();
    EXPECT_TRUE(minuterie.isEnabled());
    EXPECT_FALSE(minuterie.isActive());
    QTest::qWait(20);
    EXPECT_EQ(tics, 0);

    minuterie.setInterval(5);
    EXPECT_TRUE(minuterie.isActive());
    EXPECT_TRUE(QTest::qWaitFor([&tics] { return tics > 0; }, 2000));
    minuterie.setInterval(0);
    EXPECT_FALSE(minuterie.isActive());

    minuterie.stop();
    minuterie.setInterval(5);
    EXPECT_FALSE(minuterie.isActive()) << "switched off stays off whatever its interval";
}

TEST(InstanceUnique, VerrouImpossibleNEstPasUneAutreInstance) {
    factices::Environnement env;
    const QString dossier = env.machine.Racine() + QStringLiteral("/execution");
    QDir().mkpath(dossier);
    QString chemin;
    {
        const plateforme::InstanceUnique premiere(QStringLiteral("essai"), dossier);
        ASSERT_TRUE(premiere.Obtenue());
        EXPECT_TRUE(InstanceAutorisee(premiere));
        chemin = premiere.Chemin();
        const plateforme::InstanceUnique seconde(QStringLiteral("essai"), dossier);
        EXPECT_EQ(seconde.Resultat(), plateforme::InstanceUnique::Issue::AutreInstance);
        EXPECT_FALSE(InstanceAutorisee(seconde));
        EXPECT_TRUE(env.boites.affichees.isEmpty()) << "another instance: ends without a word";
    }
    // A lock file that cannot be opened (a folder stands in its place).
    ASSERT_TRUE(QFile::remove(chemin));
    ASSERT_TRUE(QDir().mkpath(chemin));
    const plateforme::InstanceUnique bloquee(QStringLiteral("essai"), dossier);
    EXPECT_EQ(bloquee.Resultat(), plateforme::InstanceUnique::Issue::Impossible);
    EXPECT_FALSE(bloquee.Raison().isEmpty());
    EXPECT_FALSE(InstanceAutorisee(bloquee));
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Le module de synchronisation ne peut pas démarrer : impossible de "
                             "vérifier qu'il n'est pas déjà lancé, le fichier ") +
                  chemin + QStringLiteral(" ne peut pas être ouvert (") + bloquee.Raison() +
                  QStringLiteral(")."));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Critical);
}

class Fenetre : public ::testing::Test {
protected:
    factices::Environnement env;
    FenetrePrincipale fenetre;
};

TEST_F(Fenetre, FermetureRefuseePendantUneCommandeSinonImmediate) {
    fenetre.show();
    fenetre.ActiverBoutons(false, false, false, false, false, false);
    EXPECT_FALSE(fenetre.close());
    EXPECT_TRUE(fenetre.isVisible());
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Fermeture impossible : une opération est en cours. Attendez "
                             "qu'elle soit terminée avant de quitter le module de "
                             "synchronisation."));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Exclamation);
    EXPECT_TRUE(env.machine.LireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini")).isEmpty())
        << "nothing written by a refused close";

    // The options dialog open is no command: the window closes, its position written.
    fenetre.ActiverBoutons(false, false, false, false, true, false);
    fenetre.Timersynchro().setInterval(1000);
    fenetre.Timersynchro().start();
    EXPECT_TRUE(fenetre.close());
    EXPECT_FALSE(fenetre.isVisible());
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
    EXPECT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.machine.LireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"))
                    .contains("windowstate=0"));
}

TEST_F(Fenetre, LeJournalResteDansLaFenetreDeplieeAvecSaBarreDeDefilement) {
    fenetre.show();
    fenetre.btnoptions_Click();
    // What a command does before its run: unfolded, the list back in place of the dialog.
    fenetre.DeplierFenetre(true);
    fenetre.AfficherOptions(false);
    for (int i = 0; i < 200; ++i) {
        fenetre.AjouterLigneJournal(QStringLiteral("ligne %1").arg(i));
    }
    QCoreApplication::processEvents();
    QListWidget* liste = fenetre.listsynchro();
    EXPECT_TRUE(fenetre.rect().contains(liste->geometry()))
        << liste->geometry().x() << ',' << liste->geometry().width() << " in " << fenetre.width();
    QScrollBar* barre = liste->verticalScrollBar();
    ASSERT_TRUE(barre->isVisible());
    const QRect place(barre->mapTo(&fenetre, QPoint(0, 0)), barre->size());
    EXPECT_TRUE(fenetre.rect().contains(place));
}

TEST_F(Fenetre, PlieeEtDeplieeEnTwips) {
    const int hauteurBouton = fenetre.BoutonDe(Bouton::client)->height();
    fenetre.DeplierFenetre(true);
    EXPECT_EQ(fenetre.height(), hauteurBouton + twips::VersPixels(5635, &fenetre));
    EXPECT_TRUE(fenetre.EstDepliee());
    fenetre.DeplierFenetre(false);
    EXPECT_EQ(fenetre.height(), hauteurBouton);
}

TEST_F(Fenetre, AideMasqueeSousLaVersion61MemeAvecLeFichier) {
    env.machine.EcrireFichier(env.machine.DossierProgramme() + QStringLiteral("\\synchro.chm"),
                              "aide");
    fenetre.VerifierAide();
    EXPECT_TRUE(fenetre.BoutonDe(Bouton::aide)->isHidden());
    EXPECT_FALSE(fenetre.BoutonDe(Bouton::aide)->isEnabled());
    EXPECT_EQ(fenetre.width(), twips::VersPixels(8805, &fenetre));
    EXPECT_EQ(fenetre.listsynchro()->width(), twips::VersPixels(8295, &fenetre));
}

class SystemeAncien final : public plateforme::Systeme {
public:
    plateforme::VersionOs Version() override {
        plateforme::VersionOs v;
        v.majeure = 5;
        v.mineure = 1;
        return v;
    }
};

TEST_F(Fenetre, AideOfferteSurUnSystemeAncienAvecLeFichier) {
    SystemeAncien systeme;
    const plateforme::RemplacementServices services({nullptr, nullptr, nullptr, &systeme, nullptr});
    fenetre.VerifierAide();
    EXPECT_TRUE(fenetre.BoutonDe(Bouton::aide)->isHidden()); // no help file yet
    env.machine.EcrireFichier(env.machine.DossierProgramme() + QStringLiteral("\\synchro.chm"),
                              "aide");
    fenetre.VerifierAide();
    EXPECT_FALSE(fenetre.BoutonDe(Bouton::aide)->isHidden());
    EXPECT_TRUE(fenetre.BoutonDe(Bouton::aide)->isEnabled());
    EXPECT_EQ(fenetre.width(), twips::VersPixels(10545, &fenetre));
    EXPECT_EQ(fenetre.listsynchro()->width(), twips::VersPixels(9975, &fenetre));
}

// The user makes the unfolded window larger: the buttons spread over the width, the list takes
// the room; folded and unfolded again, the window has its own sizes back.
TEST_F(Fenetre, LeJournalGranditAvecLaFenetre) {
    fenetre.show();
    fenetre.DeplierFenetre(true);
    const QSize depliee = fenetre.size();
    const QRect liste = fenetre.listsynchro()->geometry();
    fenetre.resize(depliee + QSize(200, 150));
    QCoreApplication::processEvents();
    EXPECT_EQ(fenetre.listsynchro()->geometry(), liste.adjusted(0, 0, 200, 150));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::options)->geometry().right(), fenetre.width() - 1);
    EXPECT_EQ(fenetre.BoutonDe(Bouton::client)->height(),
              liste.top() - twips::VersPixels(60, &fenetre));

    fenetre.DeplierFenetre(false);
    EXPECT_EQ(fenetre.height(), fenetre.BoutonDe(Bouton::client)->height());
    fenetre.DeplierFenetre(true);
    EXPECT_EQ(fenetre.size(), depliee);
    EXPECT_EQ(fenetre.listsynchro()->geometry(), liste);
    EXPECT_FALSE(fenetre.windowIcon().isNull()) << "the menu entry's icon";
}

// A line too long for the list shows whole in its tooltip; a line that fits has none.
TEST_F(Fenetre, UneLigneTropLongueSeLitEnEntierDansSaBulle) {
    fenetre.show();
    fenetre.DeplierFenetre(true);
    const QString longue = QStringLiteral("07/12/2026 20:00:10 : Copie de ") +
                           QString(300, QLatin1Char('x')) + QStringLiteral(" : fin");
    fenetre.AjouterLigneJournal(QStringLiteral("court"));
    fenetre.AjouterLigneJournal(longue);
    QListWidget* liste = fenetre.listsynchro();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fenetre));
    const auto Bulle = [liste](int rang) {
        QToolTip::hideText(); // after a short delay
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
        const QPoint point = liste->visualItemRect(liste->item(rang)).center();
        QHelpEvent evenement(QEvent::ToolTip, point, liste->viewport()->mapToGlobal(point));
        QCoreApplication::sendEvent(liste->viewport(), &evenement);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(Bulle(1), longue);
    EXPECT_EQ(Bulle(0), QString());
}

// A journal line ends the step the bar showed: the bar, still there, shows no finished step
// while the next one runs, until that one tells its own progress.
TEST_F(Fenetre, LaBarreNeMontrePasUneEtapeFinie) {
    const InstallationFenetre installation(fenetre);
    fenetre.DeplierFenetre(true);
    QProgressBar* barre = fenetre.barreprogression();
    Progression(QStringLiteral("Envoi de la table patient"), 5, 5);
    EXPECT_EQ(barre->text(), QStringLiteral("Envoi de la table patient : 5 / 5"));
    EcrireJournal(QStringLiteral("-> 5 enregistrement(s) transféré(s)"));
    EcrireJournal(QStringLiteral("Compactage de C:\\Program Files\\Zelvano\\tmpbd.mdb"));
    EXPECT_FALSE(barre->isHidden());
    EXPECT_FALSE(barre->text().contains(QStringLiteral("patient"))) << barre->text().toStdString();
    Progression(QStringLiteral("Envoi de la table patient"), 5, 5);
    EXPECT_EQ(barre->text(), QStringLiteral("Envoi de la table patient : 5 / 5"))
        << "the same step again shows again";
    FinProgression();
    EXPECT_TRUE(barre->isHidden());
    // Outside a run, a journal line does not bring the bar up.
    EcrireJournal(QStringLiteral("Heure de synchronisation dépassée ... abandon de la synchro"));
    EXPECT_TRUE(barre->isHidden());
}

TEST_F(Fenetre, ActiverBoutonsLaisseLesInchanges) {
    fenetre.ActiverBoutons(false, false, false, false, std::nullopt, false);
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::client));
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::copier));
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::options));
    fenetre.ActiverBoutons(std::nullopt, true, std::nullopt, std::nullopt, false, std::nullopt);
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::client));
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::serveur));
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::options));
}

TEST_F(Fenetre, JournalAjouteEtSelectionneLaDerniereLigne) {
    fenetre.AjouterLigneJournal(QStringLiteral("un"));
    fenetre.AjouterLigneJournal(QStringLiteral("deux"));
    EXPECT_EQ(fenetre.listsynchro()->count(), 2);
    EXPECT_EQ(fenetre.listsynchro()->currentRow(), 1);
    fenetre.ViderJournal();
    EXPECT_EQ(fenetre.listsynchro()->count(), 0);
}

} // namespace

namespace {

TEST_F(Demarrage, BarreDeProgressionSousLeJournalPendantUneEtape) {
    ASSERT_TRUE(ChargerFenetre(fenetre, {QStringLiteral("synchro")}));
    fenetre.DeplierFenetre(true);
    QProgressBar* barre = fenetre.barreprogression();
    ASSERT_NE(barre, nullptr);
    EXPECT_TRUE(barre->isHidden());
    const QRect liste = fenetre.listsynchro()->geometry();

    fenetre.AfficherProgression(QStringLiteral("Envoi de la table patient"), 250, 1000);
    EXPECT_FALSE(barre->isHidden());
    EXPECT_EQ(barre->text(), QStringLiteral("Envoi de la table patient : 250 / 1000"));
    EXPECT_EQ(barre->value() * 4, barre->maximum());
    // Under the list, inside the unfolded window; the list gives up the room.
    EXPECT_LT(fenetre.listsynchro()->geometry().bottom(), barre->geometry().top());
    EXPECT_LE(barre->geometry().bottom(), fenetre.height());
    EXPECT_EQ(barre->geometry().left(), liste.left());
    EXPECT_EQ(barre->width(), liste.width());
    EXPECT_LT(fenetre.listsynchro()->height(), liste.height());

    // A step whose length is unknown: a busy bar with the step's name.
    fenetre.AfficherProgression(QStringLiteral("Copie du dossier P:\\zelvano\\data"), 0, 0);
    EXPECT_EQ(barre->maximum(), 0);
    EXPECT_EQ(barre->format(), QStringLiteral("Copie du dossier P:\\zelvano\\data"));

    fenetre.MasquerProgression();
    EXPECT_TRUE(barre->isHidden());
    EXPECT_EQ(fenetre.listsynchro()->geometry(), liste);
}

} // namespace
