#include "drives/lancement.h"
#include "platform/qorbis32.h"
#include "testutil/qorbis32_factice.h"
#include "platform/erreur.h"
#include "testutil/factices.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

bool AttendreEtat(bool demarre, int millisecondes) {
    QDeadlineTimer limite(millisecondes);
    while (!limite.hasExpired()) {
        if (ZelvanoEstDemarre() == demarre) {
            return true;
        }
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    return ZelvanoEstDemarre() == demarre;
}

TEST(ZelvanoEstDemarre, FenetreDeLApplicationDePratiqueReelle) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "no X display";
    }
    factices::Machine machine;
    machine.EcrireFichier(QStringLiteral("C:\\zelvano\\zelvano.ini"), "[path]\r\nposte=B\r\n");
    EXPECT_FALSE(ZelvanoEstDemarre());

    QProcess pratique;
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(QStringLiteral("ZELVANO_MACHINE"), machine.Racine());
    environnement.remove(QStringLiteral("QT_QPA_PLATFORM")); // a real window on the X display
    pratique.setProcessEnvironment(environnement);
    pratique.start(factices::DossierBinaires() + QStringLiteral("/zelvano.exe"),
                   {QStringLiteral("C:\\zelvano\\zelvano.ini")});
    ASSERT_TRUE(pratique.waitForStarted(5000));
    EXPECT_TRUE(AttendreEtat(true, 15000));
    // Its window too, not only its process.
    QDeadlineTimer limite(15000);
    QString tampon;
    while (!tampon.contains(QStringLiteral("ZELVANO - Poste B")) && !limite.hasExpired()) {
        QThread::msleep(50);
        qorbis32_ListeFenetres(tampon, 65000, 1, 1);
    }
    EXPECT_TRUE(tampon.contains(QStringLiteral("ZELVANO - Poste B")))
        << "the window \"ZELVANO - Poste B\" never showed";

    pratique.kill();
    pratique.waitForFinished(5000);
    EXPECT_TRUE(AttendreEtat(false, 10000));
}

TEST(ZelvanoEstDemarre, TitreExactSensibleALaCasse) {
    const QStringList titres[] = {
        {QStringLiteral("zelvano - poste A")},
        {QStringLiteral("Bureau"), QStringLiteral("ZELVANO - Poste C - base locale")}};
    const bool attendus[] = {false, true};
    for (int i = 0; i < 2; ++i) {
        const QStringList liste = titres[i];
        DefinirListeFenetresQorbis32ForTests([liste](QString& tampon, qint32, qint32, qint32) {
            tampon = QStringLiteral("<#F>") + liste.join(QStringLiteral("<#F>"));
            return static_cast<qint32>(tampon.size());
        });
        EXPECT_EQ(ZelvanoEstDemarre(), attendus[i]) << i;
    }
    DefinirListeFenetresQorbis32ForTests([](QString&, qint32, qint32, qint32) { return -3; });
    EXPECT_THROW(ZelvanoEstDemarre(), plateforme::Erreur);
    DefinirListeFenetresQorbis32ForTests({});
}

} // namespace
