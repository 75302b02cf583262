#include "platform/alimentation.h"
#include "testutil/logind_factice.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

namespace arret = plateforme::arret;

plateforme::Alimentation& Logind() {
    return plateforme::AlimentationCourante();
}

// The code of a power-off that did not happen (0 when it did).
int CodeArret() {
    int code = -1;
    const bool eteinte = Logind().Eteindre(code);
    EXPECT_EQ(eteinte, code == 0) << "a failure always carries a code, a success none";
    return code;
}

TEST(AlimentationLogind, ArretDemandeSansInteractionSelonLaPermission) {
    LogindFactice logind;
    ASSERT_TRUE(logind.Panne().isEmpty()) << qPrintable(logind.Panne());
    EXPECT_TRUE(Logind().ArretAutorise());
    EXPECT_EQ(CodeArret(), 0);
    // Unattended: logind is told not to ask for a password.
    EXPECT_EQ(logind.Appels(QStringLiteral("PowerOff")), (QList<QVariantList>{{false}}));
    EXPECT_EQ(logind.Appels(QStringLiteral("CanPowerOff")).size(), 1);

    const struct {
        const char* reponse;
        bool autorise;
    } cas[] = {{"challenge", true}, {"no", false}, {"na", false}};
    for (const auto& c : cas) {
        ASSERT_TRUE(logind.Remplacer(QStringLiteral("CanPowerOff"), QString(), QStringLiteral("s"),
                                     QStringLiteral("ret = '%1'").arg(QLatin1String(c.reponse))));
        EXPECT_EQ(Logind().ArretAutorise(), c.autorise) << c.reponse;
    }
}

TEST(AlimentationLogind, ArretRefuseOuEnEchecDonneUnCode) {
    LogindFactice logind;
    ASSERT_TRUE(logind.Panne().isEmpty()) << qPrintable(logind.Panne());
    const struct {
        const char* erreur;
        int code;
    } cas[] = {{"org.freedesktop.DBus.Error.AccessDenied", arret::Refuse},
               {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", arret::Refuse},
               {"org.freedesktop.login1.OperationInProgress", arret::Echec}};
    for (const auto& c : cas) {
        ASSERT_TRUE(logind.Remplacer(
            QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
            QStringLiteral("raise dbus.exceptions.DBusException('refus', name='%1')")
                .arg(QLatin1String(c.erreur))));
        EXPECT_EQ(CodeArret(), c.code) << c.erreur;
    }
    ASSERT_TRUE(
        logind.Remplacer(QStringLiteral("CanPowerOff"), QString(), QStringLiteral("s"),
                         QStringLiteral("raise dbus.exceptions.DBusException('refus', "
                                        "name='org.freedesktop.DBus.Error.AccessDenied')")));
    EXPECT_FALSE(Logind().ArretAutorise());
}

// A logind that does not answer costs a couple of seconds, not the bus's 25.
TEST(AlimentationLogind, LogindMuetDepasseLeDelai) {
    LogindFactice logind;
    ASSERT_TRUE(logind.Panne().isEmpty()) << qPrintable(logind.Panne());
    ASSERT_TRUE(logind.Remplacer(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                                 QStringLiteral("time.sleep(8)")));
    QElapsedTimer duree;
    duree.start();
    EXPECT_EQ(CodeArret(), arret::DelaiDepasse);
    EXPECT_LT(duree.elapsed(), 5000);
}

// A container or a test: no system bus, or no logind on it. The power-off fails at once.
void ArretImpossibleAussitot(const char* cas) {
    QElapsedTimer duree;
    duree.start();
    EXPECT_FALSE(Logind().ArretAutorise()) << cas;
    EXPECT_EQ(CodeArret(), arret::ServiceAbsent) << cas;
    EXPECT_LT(duree.elapsed(), 1000) << cas;
}

TEST(AlimentationLogind, SansBusNiLogindLArretEchoueAussitot) {
    ArretImpossibleAussitot("no system bus");
    const LogindFactice bus(LogindFactice::Service::Absent);
    ASSERT_TRUE(bus.Panne().isEmpty()) << qPrintable(bus.Panne());
    ArretImpossibleAussitot("a bus without logind");
}

} // namespace
