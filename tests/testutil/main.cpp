#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

// Every test program runs inside a Qt application (offscreen by default), so that widget tests
// and event-loop yields work.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    }
    // No test reaches the machine's own logind, nor the user's desktop: a test that needs one
    // starts a stand-in.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS",
            QByteArray("unix:path=/nonexistent/synchro-tests/system_bus_socket"));
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            QByteArray("unix:path=/nonexistent/synchro-tests/session_bus_socket"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
