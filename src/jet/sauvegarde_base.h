#pragma once

#include <QString>

#include <functional>

struct sqlite3;

namespace dao {

// A consistent copy of the base `source` at `destination` (both Windows paths), made through
// SQLite's online backup: what another connection commits meanwhile is either all in the copy
// or not at all. The copy is written under a temporary name beside the destination and takes
// its name only once on the disk. Refuses an existing destination (3204); raises the engine's
// errors (3024 source missing, 3044 folder missing, 3049, 3045...).
// `completer`, when given, writes into the copy (its own connection) before it takes its name:
// what it adds is published with the copy or not at all.
void SauvegarderBase(const QString& source, const QString& destination,
                     const std::function<void(sqlite3* copie)>& completer = {});

} // namespace dao
