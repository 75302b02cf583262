#pragma once

#include <QString>

// The hidden temporaries that interrupted runs left on this workstation (see platform/restes.h)
// go at the start of every synchronisation and initialisation, from every local folder the
// module writes: the program's folder, the settings file's folder, the whole local practice
// tree (the local base folder, the safety folders, the document folders), and beside the drives.
// One instance of the module runs at a time, and nothing of the new run is written yet. A file
// that cannot be removed is named in a warning; the run goes on.
void RetirerRestesLocaux();

// The warning for a temporary that stays: `chemin` and the reason.
void SignalerResteNonRetire(const QString& chemin, const QString& raison);
