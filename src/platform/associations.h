#pragma once

#include <QString>

namespace plateforme {

// The program the desktop opens the existing file `chemin` (a Windows path) with, from the
// associations of the desktop: the file's MIME type, the default application that the
// mimeapps.list files give for it (user's then system's, desktop-specific first, as the
// freedesktop.org rules order them; defaults.list last), and the program of that
// application's Exec line, with its full path. "" when the file is missing, when no default
// application is set, or when none of them can be found with its program.
QString ProgrammeAssocie(const QString& chemin);

} // namespace plateforme
