#pragma once

#include <QString>

// The document folders handed to ROBOCOPY: every top-level folder of the remote tree but "REF",
// "BD" and the names of the setting nonsynchro, each copied with its subfolders, only new and
// changed files.

// `chemin` with a final "\" (added only when missing).
QString AjouterBarreFinale(const QString& chemin);

// True when ROBOCOPY is to be used: modified-only copy without the secure mode, robocopy.exe in
// the program's folder, and a Windows version where it works.
bool RobocopyDisponible();

// Runs ROBOCOPY on each kept folder, one at a time, waiting for each through the task list.
// False after a failure (the journal says which).
bool CopierDossiersRobocopy();
