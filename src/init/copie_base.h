#pragma once

#include <QString>

// True for the name of a practice database file (".mdb", whatever its case).
bool EstFichierBase(const QString& nom);

// Copies the database file `source` over `destination` (Windows paths) in a consistent state,
// even while another workstation writes to it: the base is read through SQLite's backup (under
// SQLite's own locks, waiting a while for a writer that holds the whole file) into a temporary
// file beside the destination, which then takes the source's last-write time and replaces the
// destination by a rename. A file that is not an SQLite base is copied as a plain file. Raises
// plateforme::Erreur like a file copy (70 for a file in use or a read-only destination).
void CopierFichierBase(const QString& source, const QString& destination);

// Removes the journals that a crash may have left beside the base `cheminWindows` ("-journal",
// "-wal", "-shm"): before another file takes the base's name, so that the next opener does not
// play them back into it. Raises 70 when one cannot be removed.
void SupprimerJournauxBase(const QString& cheminWindows);
