#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// File-system operations on Windows paths (see chemins.h). Failures raise plateforme::Erreur
// with the classic numbers (53 file not found, 76 path not found, 70 permission denied,
// 61 disk full...).
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

// FileCopy: keeps the source's last-write time and writes through a temporary name in the
// destination folder, renamed at the end, so that an interrupted copy never leaves a truncated
// file under the real name. Replaces an existing destination.
void CopierFichier(const QString& source, const QString& destination);

void SupprimerFichier(const QString& chemin); // Kill
void CreerDossier(const QString& chemin);     // MkDir (parent not created)
void RenommerFichier(const QString& ancien, const QString& nouveau); // replaces `nouveau`

// Times of a file in universal time (FILETIME); an invalid QDateTime when it cannot be read.
struct TempsFichier {
    QDateTime creation;
    QDateTime dernierAcces;
    QDateTime derniereEcriture;
};
// False when the file cannot be opened for reading.
bool LireTempsFichier(const QString& chemin, TempsFichier& temps);
void DefinirDerniereEcriture(const QString& chemin, const QDateTime& utc);

// Copy hook for fault-injection tests: called before every file copy the module makes itself.
using CrochetCopie = void (*)(const QString& source, const QString& destination);
void DefinirCrochetCopie(CrochetCopie crochet);

} // namespace plateforme
