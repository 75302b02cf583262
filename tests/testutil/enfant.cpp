#include "testutil/enfant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

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
    const QByteArray titre = qEnvironmentVariable(VariableTitre).toUtf8();
    if (titre.isEmpty()) {
        return false;
    }
    // A bare X window, named as a toolkit names it (WM_NAME and _NET_WM_NAME): the window lists
    // read nothing else, and the test programs link no widgets.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    EXPECT_EQ(xcb_connection_has_error(c), 0);
    const xcb_screen_t* ecran = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t fenetre = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, fenetre, ecran->root, 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, ecran->root_visual, 0, nullptr);
    const auto atome = [c](const char* nom) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(nom)), nom), nullptr);
        const xcb_atom_t a = r != nullptr ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(r);
        return a;
    };
    const auto longueur = static_cast<uint32_t>(titre.size());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, fenetre, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        longueur, titre.constData());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, fenetre, atome("_NET_WM_NAME"),
                        atome("UTF8_STRING"), 8, longueur, titre.constData());
    xcb_map_window(c, fenetre);
    xcb_flush(c);
    QThread::sleep(90);
    xcb_disconnect(c);
    return true;
}

void DemarrerFenetreEnfant(QProcess& enfant, const QString& test, const QString& titre) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    variables.insert(QString::fromLatin1(VariableTitre), titre);
    DemarrerEnfant(enfant, test, variables, QProcess::MergedChannels);
}

} // namespace factices
