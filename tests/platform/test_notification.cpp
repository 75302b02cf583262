#include "platform/notification.h"
#include "testutil/service_factice.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

bool Notifier() {
    return plateforme::NotificationsCourantes().Notifier(
        QStringLiteral("Synchronisation différée terminée"),
        QStringLiteral("Bilan : 3 enregistrement(s) envoyé(s)"));
}

TEST(NotificationsBureau, LeServiceRecoitTitreTexteEtIconeDuMenu) {
    NotificationsFactices bureau;
    ASSERT_TRUE(bureau.Panne().isEmpty()) << qPrintable(bureau.Panne());
    EXPECT_TRUE(Notifier());
    const QList<QVariantList> appels = bureau.Appels(QStringLiteral("Notify"));
    ASSERT_EQ(appels.size(), 1);
    const QVariantList& a = appels[0];
    ASSERT_EQ(a.size(), 8);
    EXPECT_EQ(a[0].toString(), QStringLiteral("Synchronisation Zelvano"));
    EXPECT_EQ(a[1].toUInt(), 0U);
    EXPECT_EQ(a[2].toString(), QStringLiteral("synchro"));
    EXPECT_EQ(a[3].toString(), QStringLiteral("Synchronisation différée terminée"));
    EXPECT_EQ(a[4].toString(), QStringLiteral("Bilan : 3 enregistrement(s) envoyé(s)"));
    EXPECT_EQ(a[7].toInt(), -1);

    // A service that refuses: told to the caller, nothing more.
    ASSERT_TRUE(bureau.Remplacer(
        QStringLiteral("Notify"), QStringLiteral("susssasa{sv}i"), QStringLiteral("u"),
        QStringLiteral(
            "raise dbus.exceptions.DBusException('plein', "
            "name='org.freedesktop.Notifications.Error.ExcessNotificationGeneration')")));
    EXPECT_FALSE(Notifier());
}

// No session bus, or no notification service on it: skipped at once.
TEST(NotificationsBureau, SansServiceRienNiAttente) {
    QElapsedTimer duree;
    duree.start();
    EXPECT_FALSE(Notifier());
    {
        const NotificationsFactices bus(NotificationsFactices::Service::Absent);
        ASSERT_TRUE(bus.Panne().isEmpty()) << qPrintable(bus.Panne());
        duree.restart();
        EXPECT_FALSE(Notifier());
        EXPECT_LT(duree.elapsed(), 1000);
    }
    // A service that does not answer costs the call's own delay, not the bus's 25 s.
    NotificationsFactices muet;
    ASSERT_TRUE(muet.Panne().isEmpty()) << qPrintable(muet.Panne());
    ASSERT_TRUE(muet.Remplacer(QStringLiteral("Notify"), QStringLiteral("susssasa{sv}i"),
                               QStringLiteral("u"), QStringLiteral("time.sleep(8)")));
    duree.restart();
    EXPECT_FALSE(Notifier());
    EXPECT_LT(duree.elapsed(), 5000);
}

} // namespace
