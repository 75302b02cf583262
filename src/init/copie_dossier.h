#pragma once

#include <QString>

// Copies the folder `dossier` (a folder name of the settings: bddir, courrierdir...) from the
// remote tree (unite:\zelvanodir) to the local tree (fmpathClient:\zelvanodir). The settings
// copiesecurisee and modifiesuniquement choose the way:
//   secure, modified only   every plain file whose last-write time (to the second) or size
//                           differs, and every base of the database folder whatever its time;
//   secure                  every plain file;
//   modified only           every plain file whose last-write time or size differs, a failed
//                           file being skipped with a line (never for the database folder);
//   otherwise               XCOPY, waited for through the task list.
// The modified-only ways also copy every file the last synchronisation wrote on the server
// (fichiers_synchronises.h), whatever its time and size.
// The secure ways copy the .mdb files in a consistent state (see copie_base.h). True when the
// folder was copied or is absent on the remote side, false after an error; the journal tells
// which.
bool CopierDossier(const QString& dossier, bool estBase);
