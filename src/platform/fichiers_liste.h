#pragma once

#include <QString>
#include <QStringList>

// Listing with Windows wildcards, and whether a path exists (Windows paths, see chemins.h).
namespace plateforme {

// Attributes of a directory listing, as Dir() takes them.
namespace attr {
constexpr int Normal = 0;
constexpr int LectureSeule = 1;
constexpr int Cache = 2;
constexpr int Systeme = 4;
constexpr int Dossier = 16;
constexpr int Archive = 32;
} // namespace attr

// Names (no folder part) matching `motif` ("C:\zelvano\bd\*.mdb", "P:\zelvano\*.*", or a plain
// path), in the order of the enumeration. Plain files are always listed; hidden ones (a name
// starting with ".") only with attr::Cache; folders, "." and ".." included, only with
// attr::Dossier. A folder that cannot be listed gives an empty list.
QStringList ListerDossier(const QString& motif, int attributs = attr::Normal);

bool FichierExiste(const QString& chemin); // a plain file
bool DossierExiste(const QString& chemin);

} // namespace plateforme
