#pragma once

#include "testutil/service_factice.h"

#include <QStringList>

// A logind stand-in (python3-dbusmock's template) on a private bus of its own, which the module
// takes for the system bus while the object lives.
class LogindFactice : public ServiceFactice {
public:
    explicit LogindFactice(Service service = Service::Present);

    // The inhibitors logind holds: what, who, why and mode of each.
    QList<QStringList> Inhibiteurs();
    // Waits (a few seconds at most) until logind holds `nombre` inhibitors: a closed descriptor
    // reaches it a moment after the close.
    bool AttendreInhibiteurs(int nombre);
};
