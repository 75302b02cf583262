#pragma once

#include <QString>
#include <QtGlobal>

namespace plateforme {

// Space of the disk that holds the Windows path `racine` ("C:\"), in bytes: what this user may
// still write and the whole size. False when the path does not exist or cannot be asked.
bool EspaceDisque(const QString& racine, quint64& octetsLibres, quint64& octetsTotal);

} // namespace plateforme
