#include "testutil/enfant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <csignal>
#include <gtest/gtest.h>

namespace factices {

namespace {

const char* const VariableTitre = "SYNCHRO_TITRE_FENETRE_ENFANT";

} // namespace

void DemarrerEnfant(QProcess& enfant, const QString& test, const QProcessEnvironment& variables,
                    QProcess::ProcessChannelMode canaux) {
    enfant.setProcessEnvironment(variables);
    enfant.setProcessChannelMode(canaux);
    enfant.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_also_run_disabled_tests"),
                  QStringLiteral("--gtest_filter=") + test});
    ASSERT_TRUE(enfant.waitForStarted(10000)) << test.toStdString();
}

void AttendreMarque(QProcess& enfant, QByteArray& sortie, const QByteArray& marque) {
    const QByteArray ligne = marque + '\n';
    QElapsedTimer limite;
    limite.start();
    while (!sortie.contains(ligne) && limite.elapsed() < 20000) {
        enfant.waitForReadyRead(5);
        sortie += enfant.readAllStandardOutput();
        if (enfant.state() == QProcess::NotRunning) {
            sortie += enfant.readAllStandardOutput();
            break;
        }
    }
    ASSERT_TRUE(sortie.contains(ligne)) << sortie.toStdString();
}

bool TuerEnfant(QProcess& enfant) {
    const bool vivant = enfant.state() == QProcess::Running;
    ::kill(static_cast<pid_t>(enfant.processId()), SIGKILL);
    enfant.waitForFinished(10000);
    return vivant && enfant.exitStatus() == QProcess::CrashExit;
}

bool MontrerFenetreEnfant() {
    const QString titre = qEnvironmentVariable(VariableTitre);
    if (titre.isEmpty()) {
        return false;
    }
    QWidget fenetre;
    fenetre.setWindowTitle(titre);
    fenetre.show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 90000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return true;
}

void DemarrerFenetreEnfant(QProcess& enfant, const QString& test, const QString& titre) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    variables.insert(QString::fromLatin1(VariableTitre), titre);
    DemarrerEnfant(enfant, test, variables, QProcess::MergedChannels);
}

} // namespace factices
