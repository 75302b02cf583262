#pragma once

#include <QByteArray>

// What every test program sets before its Qt application starts.
inline void PreparerEnvironnementTests() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    }
    // No test reaches the machine's own logind, nor the user's desktop: a test that needs one
    // starts a stand-in.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS",
            QByteArray("unix:path=/nonexistent/synchro-tests/system_bus_socket"));
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            QByteArray("unix:path=/nonexistent/synchro-tests/session_bus_socket"));
}
