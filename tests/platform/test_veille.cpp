#include "platform/veille.h"
#include "testutil/logind_factice.h"

#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using plateforme::InhibitionVeille;

const QString Raison = QStringLiteral("Synchronisation des bases en cours");

TEST(VeilleLogind, InhibiteurTenuPuisRelache) {
    LogindFactice logind;
    ASSERT_TRUE(logind.Panne().isEmpty()) << qPrintable(logind.Panne());
    QProcess programme; // started by the run, still running after it
    {
        const InhibitionVeille veille(Raison);
        EXPECT_TRUE(veille.Tenue());
        EXPECT_EQ(logind.Inhibiteurs(),
                  (QList<QStringList>{{QStringLiteral("sleep:handle-lid-switch"),
                                       QStringLiteral("Synchronisation Zelvano"), Raison,
                                       QStringLiteral("block")}}));
        programme.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        ASSERT_TRUE(programme.waitForStarted());
    }
    EXPECT_TRUE(logind.AttendreInhibiteurs(0))
        << "the end of the scope releases the lock, even with a program it started still running";
    EXPECT_EQ(programme.state(), QProcess::Running);
    programme.kill();
    programme.waitForFinished();

    // Each run takes its own lock.
    {
        const InhibitionVeille premiere(Raison);
        const InhibitionVeille seconde(Raison);
        EXPECT_EQ(logind.Inhibiteurs().size(), 2);
    }
    EXPECT_TRUE(logind.AttendreInhibiteurs(0));
}

// Nothing to hold, and the run goes on at once: no system bus, no logind on it, or a logind
// that refuses.
void SansVerrou(const char* cas) {
    QElapsedTimer duree;
    duree.start();
    const InhibitionVeille veille(Raison);
    EXPECT_FALSE(veille.Tenue()) << cas;
    EXPECT_LT(duree.elapsed(), 1000) << cas;
}

TEST(VeilleLogind, SansBusNiLogindRienNEstTenu) {
    SansVerrou("no system bus");
    {
        const LogindFactice bus(LogindFactice::Service::Absent);
        ASSERT_TRUE(bus.Panne().isEmpty()) << qPrintable(bus.Panne());
        SansVerrou("a bus without logind");
    }
    LogindFactice logind;
    ASSERT_TRUE(logind.Panne().isEmpty()) << qPrintable(logind.Panne());
    ASSERT_TRUE(
        logind.Remplacer(QStringLiteral("Inhibit"), QStringLiteral("ssss"), QStringLiteral("h"),
                         QStringLiteral("raise dbus.exceptions.DBusException('refus', "
                                        "name='org.freedesktop.DBus.Error.AccessDenied')")));
    SansVerrou("logind refuses");
}

} // namespace
