#pragma once

#include "platform/services.h"

#include <QStringList>

namespace plateforme {

// Splits a Windows command line by the Windows rules (blanks separate, double quotes group,
// backslashes before a quote).
QStringList DecouperLigneCommande(const QString& ligne);

// The program a command line starts (native path, empty when none is found) and its arguments.
// An unquoted program path with blanks is read as Windows reads it: for
// "C:\Program Files\Zelvano\robocopy.exe A B", C:\Program is tried first, then
// C:\Program Files\Zelvano\robocopy.exe, each with ".exe" when it has no extension.
struct LigneAnalysee {
    QString programme;
    QStringList arguments;
};
LigneAnalysee AnalyserLigneCommande(const QString& ligne);

// Finds a program as Windows would: a path given as is, else the program's folder, the current
// folder, the system folder, the Windows folder, then PATH; names compared without regard to
// case, ".exe" tried when no extension is given. Native path, empty when not found.
QString TrouverProgramme(const QString& nom);

// The POSIX implementation of the Processus service. The child gets the emulated machine in
// $ZELVANO_MACHINE, its standard streams and no other descriptor of ours.
Processus& ProcessusPosix();

// A running process as the task list shows it.
struct Tache {
    qint64 pid = 0;
    QString nom;           // program name: the file name of `programme`
    QString programme;     // path of the program that runs, as it was started (a script's own
                           // path, not its interpreter's)
    QString ligneCommande; // full command line
};
// The running processes of this user on this emulated machine (their $ZELVANO_MACHINE, the
// default machine without it), this process included, newest first; ended ones awaiting their
// parent are left out. Each command line is cut at 300 characters.
QList<Tache> ListeTaches();

// Titles of the top-level windows of the X display; false (and no title) when the display
// cannot be reached.
bool TitresFenetres(QStringList& titres);

} // namespace plateforme
