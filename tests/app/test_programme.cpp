// The programs as a user starts them: the command line read before any window, and a second
// start of synchro bringing the first one's window back.
#include "app/appel_instance.h"
#include "app/demarrage.h"
#include "app/fenetre_principale.h"
#include "platform/chemins.h"
#include "platform/instance.h"
#include "testutil/factices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Issue {
    int code = -1;
    QString sortie;
    QString erreurs;
};

// The program run as from a terminal without a display, on a machine of its own.
Issue Lancer(const QString& programme, const QStringList& arguments, const QString& machine) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        variables.remove(QString::fromLatin1(variable));
    }
    variables.insert(QStringLiteral("ZELVANO_MACHINE"), machine);
    QProcess p;
    p.setProcessEnvironment(variables);
    p.start(factices::DossierBinaires() + QLatin1Char('/') + programme, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(LigneCommande, AideEtVersionSansEcranRefusDUneOptionSansRienEcrire) {
    QTemporaryDir machine;
    ASSERT_TRUE(machine.isValid());
    for (const char* aide : {"--help", "-h"}) {
        const Issue i = Lancer(QStringLiteral("synchro"), {QLatin1String(aide)}, machine.path());
        EXPECT_EQ(i.code, 0) << aide << i.erreurs.toStdString();
        EXPECT_TRUE(i.sortie.startsWith(QStringLiteral("Utilisation : synchro [FICHIER]\n")))
            << i.sortie.toStdString();
        EXPECT_TRUE(i.sortie.contains(QStringLiteral("par défaut synchro.ini")));
        EXPECT_TRUE(i.erreurs.isEmpty()) << i.erreurs.toStdString();
    }
    const Issue version =
        Lancer(QStringLiteral("synchro"), {QStringLiteral("--version")}, machine.path());
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.sortie, QStringLiteral("synchro 7.15.4\n"));

    // An option nobody knows, even after a settings file: refused, never taken for a file.
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("-x")},
          QStringList{QStringLiteral("D:\\conf\\poste2.ini"), QStringLiteral("--aide")}}) {
        const Issue refus = Lancer(QStringLiteral("synchro"), arguments, machine.path());
        EXPECT_EQ(refus.code, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(refus.sortie.isEmpty());
        EXPECT_TRUE(refus.erreurs.startsWith(QStringLiteral("synchro : option inconnue « ") +
                                             arguments.last() + QStringLiteral(" ».\n")))
            << refus.erreurs.toStdString();
    }
    EXPECT_TRUE(QDir(machine.path()).isEmpty()) << "nothing written on the machine";
}

// The helper programs: a version, and help and errors in French throughout (Qt's own texts
// from its French translations).
TEST(LigneCommande, ProgrammesAnnexesEnFrancais) {
    QTemporaryDir machine;
    ASSERT_TRUE(machine.isValid());
    for (const char* programme : {"zelvano-demo", "synchro-preparer-poste"}) {
        SCOPED_TRACE(programme);
        const Issue version =
            Lancer(QLatin1String(programme), {QStringLiteral("--version")}, machine.path());
        EXPECT_EQ(version.code, 0);
        EXPECT_EQ(version.sortie, QLatin1String(programme) + QStringLiteral(" 7.15.4\n"));

        const Issue aide =
            Lancer(QLatin1String(programme), {QStringLiteral("--help")}, machine.path());
        EXPECT_EQ(aide.code, 0);
        EXPECT_TRUE(aide.sortie.startsWith(QStringLiteral("Utilisation : ")))
            << aide.sortie.toStdString();
        EXPECT_TRUE(aide.sortie.contains(QStringLiteral("-h, --help")));
        EXPECT_TRUE(aide.sortie.contains(QStringLiteral("Affiche cette aide.")));
        EXPECT_FALSE(aide.sortie.contains(QStringLiteral("Displays"))) << aide.sortie.toStdString();
        EXPECT_FALSE(aide.sortie.contains(QStringLiteral("--help-all")));

        const Issue refus =
            Lancer(QLatin1String(programme), {QStringLiteral("--inconnue")}, machine.path());
        EXPECT_EQ(refus.code, 2);
        EXPECT_TRUE(refus.erreurs.startsWith(QStringLiteral("Option inconnue")))
            << refus.erreurs.toStdString();
    }
    const Issue demo =
        Lancer(QStringLiteral("zelvano-demo"), {QStringLiteral("--help")}, machine.path());
    EXPECT_TRUE(demo.sortie.simplified().contains(
        QStringLiteral("patients créés dans la copie locale depuis son initialisation (0).")))
        << demo.sortie.toStdString();
    EXPECT_TRUE(QDir(machine.path()).isEmpty()) << "nothing written on the machine";
}

// A second start asks the first instance, over its socket, to show its window, then ends
// without a word; the first one's window comes back from the task bar.
TEST(DeuxiemeLancement, LaFenetreDuPremierEstRameneeDevant) {
    factices::Environnement env;
    const QString dossier = env.machine.Racine() + QStringLiteral("/execution");
    ASSERT_TRUE(QDir().mkpath(dossier));
    const plateforme::InstanceUnique premiere(QStringLiteral("essai"), dossier);
    ASSERT_TRUE(premiere.Obtenue());
    FenetrePrincipale fenetre;
    fenetre.show();
    fenetre.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(fenetre.isMinimized());
    const AppelsInstance appels(premiere.CheminAppel(), [&fenetre] { fenetre.Montrer(); });
    ASSERT_TRUE(appels.Ecoute());

    const plateforme::InstanceUnique seconde(QStringLiteral("essai"), dossier);
    EXPECT_FALSE(InstanceAutorisee(seconde));
    EXPECT_TRUE(QTest::qWaitFor([&fenetre] { return !fenetre.isMinimized(); }, 5000));
    EXPECT_TRUE(fenetre.isVisible());
    EXPECT_FALSE(fenetre.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(env.boites.affichees.isEmpty());

    // Another machine has a socket of its own: nothing answers there (the machine's root is
    // put back by the test's machine).
    plateforme::Machine::DefinirRacine(env.machine.Racine() + QStringLiteral("/autre"));
    const plateforme::InstanceUnique ailleurs(QStringLiteral("essai"), dossier);
    EXPECT_TRUE(ailleurs.Obtenue());
    EXPECT_NE(ailleurs.CheminAppel(), premiere.CheminAppel());
    QElapsedTimer duree;
    duree.start();
    EXPECT_FALSE(DemanderAffichage(ailleurs.CheminAppel()));
    EXPECT_LT(duree.elapsed(), 1000) << "nobody listening: answered at once";
}

} // namespace
