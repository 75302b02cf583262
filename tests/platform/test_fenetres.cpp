#include "platform/processus.h"
#include "testutil/enfant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

namespace {

// Sets an environment variable for the scope.
class Variable {
public:
    Variable(const char* nom, const QByteArray* valeur)
        : nom_(nom)
        , avait_(qEnvironmentVariableIsSet(nom))
        , ancienne_(qgetenv(nom)) {
        if (valeur != nullptr) {
            qputenv(nom, *valeur);
        } else {
            qunsetenv(nom);
        }
    }
    ~Variable() {
        if (avait_) {
            qputenv(nom_, ancienne_);
        } else {
            qunsetenv(nom_);
        }
    }

private:
    const char* nom_;
    bool avait_;
    QByteArray ancienne_;
};

} // namespace

// Without a display the list cannot be read: that is a failure, not an empty screen.
TEST(TitresFenetres, SansAffichageEchec) {
    QStringList titres{QStringLiteral("ancien")};
    {
        Variable sans("DISPLAY", nullptr);
        EXPECT_FALSE(plateforme::TitresFenetres(titres));
        EXPECT_TRUE(titres.isEmpty());
    }
    const QByteArray absent(":4711");
    Variable faux("DISPLAY", &absent);
    EXPECT_FALSE(plateforme::TitresFenetres(titres));
    EXPECT_TRUE(titres.isEmpty());
}

// The tests run on the offscreen platform, where a widget is no X window: the window comes from
// a second run of this program on the X display, which shows it until it is ended.
TEST(TitresFenetres, DISABLED_FenetreDeLEnfant) {
    if (!factices::MontrerFenetreEnfant()) {
        GTEST_SKIP();
    }
}

TEST(TitresFenetres, FenetreQtReelle) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "pas d'affichage X";
    }
    const QString titre =
        QStringLiteral("Fenêtre d'essai é%1").arg(QCoreApplication::applicationPid());
    // An X server starts afresh when its last client leaves, refusing connections meanwhile:
    // one connection held for the whole test keeps it up between the polls.
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> tenue(
        xcb_connect(nullptr, nullptr), xcb_disconnect);
    QProcess enfant;
    ASSERT_NO_FATAL_FAILURE(factices::DemarrerFenetreEnfant(
        enfant, QStringLiteral("TitresFenetres.DISABLED_FenetreDeLEnfant"), titre));

    bool vue = false;
    QElapsedTimer t;
    t.start();
    bool fini = false; // the child ended early: no display for it
    while (!vue && !fini && t.elapsed() < 60000) {
        QStringList titres;
        vue = plateforme::TitresFenetres(titres) && titres.contains(titre);
        fini = !vue && enfant.waitForFinished(50);
    }
    enfant.kill();
    enfant.waitForFinished();
    EXPECT_TRUE(vue) << enfant.readAll().constData();

    // A window that is gone leaves the list.
    bool partie = false;
    t.restart();
    while (vue && !partie && t.elapsed() < 5000) {
        QStringList titres;
        partie = plateforme::TitresFenetres(titres) && !titres.contains(titre);
        if (!partie) {
            QThread::msleep(20);
        }
    }
    EXPECT_TRUE(!vue || partie);
}
