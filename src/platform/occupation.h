#pragma once

#include <QString>

namespace plateforme {

// Whether the file at the Windows path `chemin` could not be opened for appending now: true when
// its folder is missing, when it is a folder or cannot be written, or when another process holds
// a lock on it (flock, POSIX or open-file-description lock: how the programs here hold a file
// for themselves, there being no sharing modes). A missing file is created empty (false).
//
// An existing file is examined without being opened: closing any descriptor of a file drops the
// POSIX locks this process holds on it, such as those of an open database. The locks are read
// from the kernel's list (/proc/locks); those of this process do not count. Where that list
// cannot be read, only the rights are examined.
bool FichierOccupe(const QString& chemin);

} // namespace plateforme
