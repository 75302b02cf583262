// The practice application running without a window this module can see (no display here, or
// its window on another one): its process still tells that it runs, and no command replaces
// the base under it.
#include "app/commandes.h"
#include "app/differee.h"
#include "app/executions_factices.h"
#include "app/fenetre_principale.h"
#include "drives/lancement.h"
#include "platform/erreur.h"
#include "platform/processus.h"
#include "platform/qorbis32.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString RefusSynchro = QStringLiteral(
    "Opération impossible : vous devez sortir de Zelvano avant de lancer une synchronisation.");
const QString RefusInitialisation = QStringLiteral(
    "Opération impossible : vous devez sortir de Zelvano avant de lancer une initialisation.");
const QString DejaDemarre = QStringLiteral("Opération impossible : Zelvano est déjà démarré.");

class ZelvanoSansFenetre : public ::testing::Test {
protected:
    factices::Environnement env;
    FenetrePrincipale fenetre;
    InstallationFenetre installation{fenetre};
    ExecutionsFactices executionsFactices;
    int executions = 0;
    QByteArray affichage = qgetenv("DISPLAY");
    qint64 pratique = 0;

    void SetUp() override {
        // No display: the window list cannot be read, here or by the application.
        qunsetenv("DISPLAY");
        executionsFactices.synchronisation = [this] {
            ++executions;
        };
        executionsFactices.initialisation = [this] {
            ++executions;
        };
        env.machine.EcrireFichier(QStringLiteral("C:\\zelvano\\zelvano.ini"),
                                  "[path]\r\nposte=B\r\n");
        ASSERT_TRUE(QFile::link(factices::DossierBinaires() + QStringLiteral("/zelvano.exe"),
                                env.machine.Natif(QStringLiteral("C:\\zelvano\\zelvano.exe"))));
        // Started as the module starts it, on this machine, drawn off screen.
        pratique = plateforme::ProcessusPosix().Demarrer(
            QStringLiteral("C:\\zelvano\\zelvano.exe C:\\zelvano\\zelvano.ini"), 1);
        ASSERT_GT(pratique, 0);
    }
    void TearDown() override {
        Arreter();
        if (!affichage.isEmpty()) {
            qputenv("DISPLAY", affichage);
        }
    }
    void Arreter() {
        if (pratique <= 0) {
            return;
        }
        ::kill(static_cast<pid_t>(pratique), SIGKILL);
        QElapsedTimer t;
        t.start();
        while (plateforme::ProcessusPosix().Existe(pratique) && t.elapsed() < 10000) {
            QThread::msleep(5);
        }
        pratique = 0;
    }
    QStringList Boites() const {
        QStringList textes;
        for (const factices::BoiteAffichee& b : env.boites.affichees) {
            textes.append(b.texte);
        }
        return textes;
    }
};

TEST_F(ZelvanoSansFenetre, LaTacheSuffitQuandLesFenetresNeSeLisentPas) {
    QString tampon;
    EXPECT_LT(qorbis32_ListeFenetres(tampon, 65000, 1, 1), 0) << "no display: a failure";
    EXPECT_TRUE(ZelvanoEstDemarre());
    Arreter();
    EXPECT_FALSE(ZelvanoEstDemarre()) << "the task list answers: no error without windows";
}

TEST_F(ZelvanoSansFenetre, ChaqueCommandeRefuseOuAbandonne) {
    btnsynchro_Click(fenetre);
    btnCopier_Click(fenetre);
    btnclient_Click(fenetre);
    btnsrv_Click(fenetre);
    EXPECT_EQ(Boites(), (QStringList{RefusSynchro, RefusInitialisation, DejaDemarre, DejaDemarre}));
    EXPECT_EQ(executions, 0);
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::synchro));

    // The deferred run at its time: abandoned and disarmed, not postponed.
    env.machine.EcrireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"),
                              "[options]\r\nsynchrodifferee=1\r\nsynchrodiffereelea="
                              "07/12/2026 14:05\r\nsynchrodiffereearret=1\r\n");
    fenetre.Timersynchro().start();
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(executions, 0);
    ASSERT_GT(fenetre.listsynchro()->count(), 0);
    EXPECT_TRUE(fenetre.listsynchro()
                    ->item(fenetre.listsynchro()->count() - 1)
                    ->text()
                    .endsWith(QStringLiteral(" : Zelvano est lancé ... abandon de la synchro")));
    EXPECT_EQ(LireCleEntier(QStringLiteral("options"), QStringLiteral("synchrodifferee"), -1), 0);
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
}

} // namespace
