#pragma once

#include "platform/erreur.h"

#include <QList>
#include <QString>

// What an interrupted run leaves on the local disk. Every file the module writes first takes a
// hidden temporary name beside its target and is renamed once complete: file copies, the
// settings file, the records kept beside the local base and in the safety folder, the safety
// copies, the copies of the bases for compaction and the compactions, the links of the
// program's folder, the links the drive commands make beside the drives. A run killed in
// between leaves that name, which nothing looks for again; the runs remove them at their start.
namespace plateforme {

// Whether `nom` (no folder part) is one of those temporary names.
bool NomProvisoire(const QString& nom);

struct ResteNonRetire {
    QString chemin; // Windows path; the name alone beside the drives
    Erreur erreur;
};

// Removes from the folder `dossier` (a Windows path), and from its subfolders when
// `sousDossiers` (links never followed), the files and links bearing a temporary name. Only on
// a local disk: a folder on a share, or on a drive redirected by net use or subst, is left alone
// (other workstations' files may be in the making there); so is a missing folder. Gives those
// that stay.
QList<ResteNonRetire> RetirerRestes(const QString& dossier, bool sousDossiers = false);

// The temporary links that a drive command (net use, subst), killed before it could put its
// link in place, left beside the drives; those of a command still running stay.
QList<ResteNonRetire> RetirerRestesLecteurs();

} // namespace plateforme
