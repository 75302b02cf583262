#include "app/bouton_commande.h"
#include "app/fenetre_principale.h"
#include "app/twips.h"
#include "options/aidesecur.h"
#include "options/options.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ProcessusCompteur final : public plateforme::Processus {
public:
    qint64 Demarrer(const QString& ligne, int style) override {
        lignes.append(ligne);
        styles.append(style);
        return pid;
    }
    bool Existe(qint64) override { return false; }
    qint64 pid = 4242; // 0: nothing can be started
    QStringList lignes;
    QList<int> styles;
};

class Options : public ::testing::Test {
protected:
    factices::Environnement env;
    ProcessusCompteur processus;
    plateforme::RemplacementServices services{{nullptr, nullptr, nullptr, nullptr, &processus}};
    FenetrePrincipale fenetre;
    InstallationFenetre installation{fenetre};

    void SetUp() override {
        env.horloge.Definir(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
        Ini("[general]\nunite=P\nzelvanodir=zelvano\nbddir=bd\ncourrierdir=courrier\n"
            "[client]\nfmpath=C\n[options]\ncreatelog=1\nnonsynchro=REF2\n");
        LireParametres();
        fenetre.show();
    }
    void Ini(const QByteArray& contenu) {
        env.machine.EcrireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"), contenu);
    }
    QByteArray LireIni() const {
        return env.machine.LireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"));
    }
    DialogueOptions& Ouvrir() {
        fenetre.btnoptions_Click();
        auto* dialogue = qobject_cast<DialogueOptions*>(fenetre.Options());
        EXPECT_NE(dialogue, nullptr);
        return *dialogue;
    }
};

TEST_F(Options, OuvertureSurLaZoneDuJournalLesAutresBoutonsInactifs) {
    DialogueOptions& d = Ouvrir();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(fenetre.EstDepliee());
    EXPECT_TRUE(fenetre.listsynchro()->isHidden());
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::client));
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::serveur));
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::synchro));
    EXPECT_FALSE(fenetre.BoutonActif(Bouton::copier));
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::options));
    EXPECT_EQ(d.x(), fenetre.frameGeometry().left() + twips::VersPixels(60, &fenetre));
    EXPECT_EQ(d.y(), fenetre.mapToGlobal(QPoint(0, fenetre.listsynchro()->y())).y());
    EXPECT_EQ(d.width(), fenetre.width() - twips::VersPixels(60, &fenetre));
    // Loaded from the record and the file.
    EXPECT_EQ(d.c1->text(), QStringLiteral("P"));
    EXPECT_EQ(d.cdir[1]->text(), QStringLiteral("courrier"));
    EXPECT_EQ(d.cdir[9]->text(), QStringLiteral("REF2"));
    EXPECT_TRUE(d.clog->isChecked());
    EXPECT_TRUE(d.cCopieSec->isChecked());
    EXPECT_FALSE(d.synchrodiffereelea->isEnabled());
    EXPECT_FALSE(d.synchrodiffereearret->isEnabled());
}

TEST_F(Options, UneValeurPlusLongueQueSonChampMontreSonDebut) {
    Ini("[general]\nunite=P\ninifile=C:\\Programmes\\Cabinet medical\\zelvano\\zelvano.ini\n"
        "[serveur]\nfmpath=\\\\serveur-du-cabinet-medical\\zelvano\n");
    LireParametres();
    DialogueOptions& d = Ouvrir();
    ASSERT_EQ(d.cdist->text(), QStringLiteral("\\\\serveur-du-cabinet-medical\\zelvano"));
    EXPECT_EQ(d.cdist->cursorPosition(), 0);
    EXPECT_EQ(d.cini->cursorPosition(), 0);
    EXPECT_EQ(d.cini->text(),
              QStringLiteral("C:\\Programmes\\Cabinet medical\\zelvano\\zelvano.ini"));
}

TEST_F(Options, EnregistrerEcritChaqueCleEtReplieLaFenetre) {
    DialogueOptions& d = Ouvrir();
    d.cdir[0]->setText(QStringLiteral("zv"));
    d.cdir[6]->setText(QStringLiteral("données"));
    d.cdist->setText(QStringLiteral("\\\\srv\\part"));
    d.cdpl->setText(QStringLiteral("cmd un"));
    d.cexec->setText(QStringLiteral("copie.bat"));
    d.cbl->setText(QStringLiteral("Portable"));
    d.cCopieSec->setChecked(false);
    d.cdebug->setChecked(true);
    d.cdir[9]->setText(QStringLiteral("ARCHIVES,TMP"));
    QTest::mouseClick(d.Command2, Qt::LeftButton);

    const QByteArray ini = LireIni();
    for (const char* attendu :
         {"unite=P", "zelvanodir=zv", "datadir=données", "fmpath=\\\\srv\\part", "fmpath=C",
          "createlog=1", "messagesdebug=1", "shellsynchrone=1", "nowarning=0", "copiesecurisee=0",
          "modifiesuniquement=1", "traitementsupp=copie.bat", "surclient1=cmd un",
          "boutonclient=Portable", "boutonserveur=", "nonsynchro=ARCHIVES,TMP",
          "synchrodifferee=0"}) {
        EXPECT_TRUE(ini.contains(attendu)) << attendu << "\n" << ini.constData();
    }
    EXPECT_EQ(Param().zelvanodir, QStringLiteral("zv"));
    EXPECT_EQ(Param().copiesecurisee, 0);
    EXPECT_EQ(Param().messagesdebug, 1);
    EXPECT_EQ(Param().surclient1, QStringLiteral("cmd un"));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::client)->text(), QStringLiteral("Portable"));
    EXPECT_FALSE(fenetre.EstDepliee());
    EXPECT_EQ(fenetre.Options(), nullptr);
    EXPECT_FALSE(fenetre.listsynchro()->isHidden());
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::client));
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::copier));
}

// Every field but the deferred ones is saved under a key that the next start reads back into the
// same field.
TEST_F(Options, ChaqueChampReluAuDemarrageSuivant) {
    DialogueOptions& d = Ouvrir();
    QHash<QString, QString> textes;
    QHash<QString, bool> coches;
    for (QLineEdit* champ : d.findChildren<QLineEdit*>()) {
        if (champ != d.synchrodiffereelea) {
            const int n = static_cast<int>(textes.size());
            champ->setText(champ->maxLength() == 1 ? QString(QChar(u'D' + n))
                                                   : QStringLiteral("valeur %1").arg(n));
            textes.insert(champ->objectName(), champ->text());
        }
    }
    for (QCheckBox* c : d.findChildren<QCheckBox*>()) {
        if (c != d.synchrodifferee && c != d.synchrodiffereearret) {
            c->setChecked(!c->isChecked());
            coches.insert(c->objectName(), c->isChecked());
        }
    }
    ASSERT_EQ(textes.size(), 21);
    ASSERT_EQ(coches.size(), 6);
    d.Command2_Click();
    QCoreApplication::processEvents();

    Param() = Parametres{};
    LireParametres();
    DialogueOptions& relu = Ouvrir();
    for (auto t = textes.cbegin(); t != textes.cend(); ++t) {
        EXPECT_EQ(relu.findChild<QLineEdit*>(t.key())->text(), t.value()) << t.key().toStdString();
    }
    for (auto c = coches.cbegin(); c != coches.cend(); ++c) {
        EXPECT_EQ(relu.findChild<QCheckBox*>(c.key())->isChecked(), c.value())
            << c.key().toStdString();
    }
}

TEST_F(Options, LibelleVideEnregistreVideEtGardeLeLibelle) {
    DialogueOptions& d = Ouvrir();
    d.cbl->clear();
    d.Command2_Click();
    EXPECT_TRUE(LireIni().contains("boutonclient=\r\n") || LireIni().contains("boutonclient=\n"));
    EXPECT_EQ(fenetre.BoutonDe(Bouton::client)->text(),
              QStringLiteral("Exécuter Zelvano sur base &Locale  "));
}

TEST_F(Options, AnnulerNEcritRien) {
    const QByteArray avant = LireIni();
    DialogueOptions& d = Ouvrir();
    d.cdir[0]->setText(QStringLiteral("autre"));
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    EXPECT_EQ(LireIni(), avant);
    EXPECT_EQ(Param().zelvanodir, QStringLiteral("zelvano"));
    EXPECT_FALSE(fenetre.EstDepliee());
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::synchro));
}

TEST_F(Options, UniteRemplaceeParPOuMiseEnMajuscule) {
    DialogueOptions& d = Ouvrir();
    d.c1->setFocus();
    d.c1->selectAll();
    QTest::keyClick(d.c1, Qt::Key_Backspace);
    EXPECT_EQ(d.c1->text(), QStringLiteral("P"));
    d.c1->selectAll();
    QTest::keyClicks(d.c1, QStringLiteral("4"));
    EXPECT_EQ(d.c1->text(), QStringLiteral("P"));
    d.c1->selectAll();
    QTest::keyClicks(d.c1, QStringLiteral("q"));
    EXPECT_EQ(d.c1->text(), QStringLiteral("Q"));
    EXPECT_EQ(LettreUnite(QStringLiteral("é"), QStringLiteral("C")), QStringLiteral("C"));
    EXPECT_EQ(LettreUnite(QStringLiteral("d"), QStringLiteral("C")), QStringLiteral("D"));
}

TEST_F(Options, UniteLueDuFichierSoumiseALaMemeRegle) {
    const struct {
        const char* ligne;
        const char* attendue;
    } cas[] = {{"unite=p", "P"}, {"unite=", "P"}, {"unite=4", "P"}, {"unite=q", "Q"}};
    for (const auto& c : cas) {
        Ini(QByteArray("[general]\n") + c.ligne + "\n");
        LireParametres();
        DialogueOptions& d = Ouvrir();
        EXPECT_EQ(d.c1->text(), QString::fromLatin1(c.attendue)) << c.ligne;
        d.Command2_Click();
        EXPECT_EQ(Param().unite, QString::fromLatin1(c.attendue)) << c.ligne;
        EXPECT_TRUE(
            LireIni().replace('\r', "").split('\n').contains(QByteArray("unite=") + c.attendue))
            << c.ligne << '\n'
            << LireIni().constData();
        QCoreApplication::processEvents();
    }
}

TEST_F(Options, UniteLocaleControleeEnPerdantLeFocus) {
    DialogueOptions& d = Ouvrir();
    d.cloc->setText(QStringLiteral("9"));
    d.cloc_LostFocus();
    EXPECT_EQ(d.cloc->text(), QStringLiteral("C"));
    d.cloc->setText(QStringLiteral("e"));
    d.cloc_LostFocus();
    EXPECT_EQ(d.cloc->text(), QStringLiteral("E"));
}

TEST_F(Options, HeureDiffereePasseeReporteeAuLendemain) {
    DialogueOptions& d = Ouvrir();
    QTest::mouseClick(d.synchrodifferee, Qt::LeftButton);
    ASSERT_TRUE(d.synchrodiffereelea->isEnabled());
    d.synchrodiffereelea->setText(QStringLiteral("07:30"));
    d.synchrodiffereearret->setChecked(true);
    d.Command2_Click();
    const QByteArray ini = LireIni();
    EXPECT_TRUE(ini.contains("synchrodifferee=1"));
    EXPECT_TRUE(ini.contains("synchrodiffereelea=08/12/2026 07:30")) << ini.constData();
    EXPECT_TRUE(ini.contains("synchrodiffereearret=1"));
    EXPECT_TRUE(fenetre.Timersynchro().isActive());
}

TEST_F(Options, HeureDiffereeAVenirGardeLeJour) {
    env.horloge.Definir(QDateTime(QDate(2026, 12, 7), QTime(7, 0)));
    DialogueOptions& d = Ouvrir();
    d.synchrodifferee->click();
    d.synchrodiffereelea->setText(QStringLiteral("07:30"));
    d.Command2_Click();
    EXPECT_TRUE(LireIni().contains("synchrodiffereelea=07/12/2026 07:30"));
    EXPECT_TRUE(LireIni().contains("synchrodiffereearret=0"));
}

TEST_F(Options, HeuresRefuseesAvecLeurMessageEtRienNEstEcrit) {
    const struct {
        const char* heure;
        const char* message;
    } cas[] = {{"7:30", "Format d'heure de synchro différée invalide (hh:mm)"},
               {"ab:30", "Format d'heure de synchro différée invalide (hh:mm)"},
               {"24:00", "Heure de synchro différée invalide (hh:mm)"},
               {"25:00", "Heure de synchro différée invalide (hh:mm)"},
               {"10:60", "Heure de synchro différée invalide (hh:mm)"}};
    const QByteArray avant = LireIni();
    DialogueOptions& d = Ouvrir();
    d.synchrodifferee->click();
    d.cdir[0]->setText(QStringLiteral("changé"));
    for (const auto& c : cas) {
        env.boites.affichees.clear();
        d.synchrodiffereelea->setText(QString::fromUtf8(c.heure));
        d.Command2_Click();
        ASSERT_EQ(env.boites.affichees.size(), 1) << c.heure;
        EXPECT_EQ(env.boites.affichees[0].texte, QString::fromUtf8(c.message)) << c.heure;
        EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::OKOnly);
        EXPECT_EQ(LireIni(), avant) << c.heure;
        EXPECT_EQ(Param().zelvanodir, QStringLiteral("zelvano"));
        EXPECT_EQ(fenetre.Options(), &d); // the dialog stays
    }
}

TEST_F(Options, HeuresAvecSigneOuBlancRefuseesCommeFormat) {
    // A number reader takes "-1" or "+1": such a time would arm a run at midnight.
    const QByteArray avant = LireIni();
    DialogueOptions& d = Ouvrir();
    d.synchrodifferee->click();
    d.synchrodiffereearret->setChecked(true);
    for (const char* heure : {"-1:30", "+1:30", "12:-5", "12:+5", " 7:30", "07: 5", "١٢:٣٠"}) {
        env.boites.affichees.clear();
        d.synchrodiffereelea->setText(QString::fromUtf8(heure));
        d.Command2_Click();
        ASSERT_EQ(env.boites.affichees.size(), 1) << heure;
        EXPECT_EQ(env.boites.affichees[0].texte,
                  QStringLiteral("Format d'heure de synchro différée invalide (hh:mm)"))
            << heure;
        EXPECT_EQ(LireIni(), avant) << heure;
        EXPECT_FALSE(fenetre.Timersynchro().isActive()) << heure;
    }
}

TEST_F(Options, HeuresLimitesAcceptees) {
    for (const char* heure : {"23:59", "00:00"}) {
        DialogueOptions& d = Ouvrir();
        if (!d.synchrodifferee->isChecked()) {
            d.synchrodifferee->click();
        }
        d.synchrodiffereelea->setText(QString::fromLatin1(heure));
        d.Command2_Click();
        EXPECT_TRUE(env.boites.affichees.isEmpty()) << heure;
        EXPECT_TRUE(LireIni().contains(
            QByteArray("synchrodiffereelea=") +
            (QByteArray(heure) == "00:00" ? "08/12/2026 00:00" : "07/12/2026 23:59")))
            << LireIni().constData();
        QCoreApplication::processEvents();
    }
}

TEST_F(Options, HeureArmeeRelueAuChargement) {
    Ini("[options]\nsynchrodifferee=1\nsynchrodiffereelea=09/12/2026 "
        "21:15\nsynchrodiffereearret=1\n");
    DialogueOptions& d = Ouvrir();
    EXPECT_TRUE(d.synchrodifferee->isChecked());
    EXPECT_TRUE(d.synchrodiffereelea->isEnabled());
    EXPECT_EQ(d.synchrodiffereelea->text(), QStringLiteral("21:15"));
    EXPECT_TRUE(d.synchrodiffereearret->isChecked());
    // Unticked and saved: disarmed, the other two keys left as they are.
    d.synchrodifferee->click();
    EXPECT_FALSE(d.synchrodiffereelea->isEnabled());
    d.Command2_Click();
    EXPECT_TRUE(LireIni().contains("synchrodifferee=0"));
    EXPECT_TRUE(LireIni().contains("synchrodiffereelea=09/12/2026 21:15"));
}

TEST_F(Options, VisualiserLeJournal) {
    DialogueOptions& d = Ouvrir();
    d.Command3_Click();
    ASSERT_EQ(env.boites.affichees.size(), 1);
    // The program's folder as the machine names it, never the folder it stands in.
    const QString chemin = QStringLiteral("C:\\Program Files\\Zelvano\\synchro.log");
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Fichier journal '") + chemin + QStringLiteral("' non trouvé."));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Information);
    EXPECT_TRUE(processus.lignes.isEmpty());

    QFile journal(env.machine.DossierProgramme() + QStringLiteral("/synchro.log"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.close();
    d.Command3_Click();
    ASSERT_EQ(processus.lignes.size(), 1);
    EXPECT_EQ(processus.lignes[0], QStringLiteral("xdg-open \"") + env.machine.DossierProgramme() +
                                       QStringLiteral("/synchro.log\""));
    EXPECT_EQ(processus.styles[0], 3);
    EXPECT_EQ(env.boites.affichees.size(), 1) << "started: nothing more to tell";

    // A viewer that cannot be started is told, not left silent.
    processus.pid = 0;
    d.Command3_Click();
    ASSERT_EQ(env.boites.affichees.size(), 2);
    EXPECT_EQ(env.boites.affichees[1].texte,
              QStringLiteral("Impossible d'afficher le fichier journal '") + chemin +
                  QStringLiteral("' : le programme d'affichage xdg-open n'a pas pu être lancé."));
    EXPECT_EQ(env.boites.affichees[1].style, plateforme::mb::Exclamation);
    EXPECT_EQ(env.boites.affichees[1].titre, QStringLiteral("Module de synchronisation Zelvano"));
}

TEST_F(Options, LeDialogueSuitLaFenetreQuandElleBouge) {
    DialogueOptions& d = Ouvrir();
    const auto Place = [&](QPoint pas) {
        EXPECT_EQ(d.y(), fenetre.mapToGlobal(QPoint(0, fenetre.listsynchro()->y())).y())
            << pas.x() << ',' << pas.y();
        EXPECT_EQ(d.x(), fenetre.frameGeometry().left() + twips::VersPixels(60, &fenetre))
            << pas.x() << ',' << pas.y();
    };
    // Down, then sideways only, then both ways: the dialog stays over the journal area, at each
    // move of the window.
    for (const QPoint pas : {QPoint(0, 100), QPoint(150, 0), QPoint(-70, -40)}) {
        fenetre.move(fenetre.pos() + pas);
        QCoreApplication::processEvents();
        Place(pas);
    }
    // The same by Timer1 alone, as when the user has clicked the main window.
    fenetre.removeEventFilter(&d);
    for (const QPoint pas : {QPoint(0, 60), QPoint(-120, 0)}) {
        fenetre.move(fenetre.pos() + pas);
        d.Timer1_Timer();
        Place(pas);
    }
}

TEST_F(Options, Timer1EnMarcheSeulementQuandLaFenetrePrincipalePrendLaMain) {
    DialogueOptions& d = Ouvrir();
    // The main window counts as active while its dialog is: wait for the active window itself.
    const auto Active = [](QWidget* w) {
        return QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 5000);
    };
    d.activateWindow();
    ASSERT_TRUE(Active(&d));
    EXPECT_FALSE(d.Timer1.isActive());
    EXPECT_EQ(d.Timer1.interval(), 50);

    // A click on the main window: the timer runs; its first tick places the dialog, the next
    // (the window not moved) gives the focus back to the dialog, which stops the timer.
    fenetre.activateWindow();
    ASSERT_TRUE(Active(&fenetre));
    EXPECT_TRUE(d.Timer1.isActive());
    ASSERT_TRUE(QTest::qWaitFor([&d] { return !d.Timer1.isActive(); }, 5000));
    ASSERT_TRUE(Active(&d));
    EXPECT_EQ(QApplication::focusWidget(), d.Command1);

    // Deactivated again, then closed: the timer does not outlive the dialog.
    fenetre.activateWindow();
    ASSERT_TRUE(Active(&fenetre));
    ASSERT_TRUE(d.Timer1.isActive());
    d.Command1_Click();
    EXPECT_FALSE(d.Timer1.isActive());
}

TEST(AideSecur, TableauDeDeuxSurDeux) {
    AideSecur aide;
    EXPECT_EQ(aide.windowTitle(),
              QStringLiteral("Aide sur les différents modes de copie des fichiers"));
    const auto* secTous = aide.findChild<QLabel*>(QStringLiteral("cellule00"));
    const auto* nonSecModifies = aide.findChild<QLabel*>(QStringLiteral("cellule11"));
    ASSERT_NE(secTous, nullptr);
    ASSERT_NE(nonSecModifies, nullptr);
    EXPECT_TRUE(secTous->text().startsWith(QStringLiteral(
        "Tous les fichiers sont copiés. Si un fichier est en cours d'utilisation, la procédure")));
    EXPECT_TRUE(nonSecModifies->text().startsWith(
        QStringLiteral("Toutes les bases de données sont copiées.")));
    EXPECT_NE(AideSecur::Texte(true, true), AideSecur::Texte(true, false));
    EXPECT_NE(AideSecur::Texte(false, true), AideSecur::Texte(false, false));
    const auto* fermer = aide.findChild<QPushButton*>(QStringLiteral("Command1"));
    ASSERT_NE(fermer, nullptr);
    EXPECT_EQ(fermer->text(), QStringLiteral("&Fermer"));
}

} // namespace
