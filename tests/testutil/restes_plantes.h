#pragma once

// Hidden temporaries as a run killed at each step of its writes leaves them on a workstation,
// planted in every local folder the module writes, with hidden files beside them that are not
// the module's own: a run removes the first and leaves the second.

#include "testutil/factices.h"

#include <QStringList>

namespace factices {

struct RestesPlantes {
    QStringList nos;    // native paths
    QStringList autres; // native paths
};

// Plants them on `machine`, whose drive P is the share \\serveur\zelvano with its practice folder
// zelvano, and whose local copy is C:\zelvano (settings file in C:\WINDOWS).
RestesPlantes PlanterRestes(const Machine& machine);

// Those of `chemins` still there (a dangling link included).
QStringList Presents(const QStringList& chemins);

} // namespace factices
