#pragma once

#include "platform/en_vigueur.h"
#include "platform/erreur.h"

#include <QDateTime>
#include <QString>

// Single-file operations on Windows paths (see chemins.h). Failures raise plateforme::Erreur
// with the classic numbers (53 file not found, 76 path not found, 70 permission denied,
// 61 disk full...).
namespace plateforme {

// FileCopy: keeps the source's last-write time and writes through a temporary name in the
// destination folder, renamed at the end, so that an interrupted copy never leaves a truncated
// file under the real name. Replaces an existing destination, never a read-only one (70).
// `modifiable`: the copy is never read-only, whatever the source is.
void CopierFichier(const QString& source, const QString& destination, bool modifiable = false);

// What a copy would meet at its destination: a read-only file (no write permission, as the
// Windows attribute) cannot be replaced; when it already holds the source's content there is
// nothing to replace.
enum class CibleLectureSeule { Non, Identique, Differente };
// Reads both files only when the destination is read-only. A missing file is Non.
CibleLectureSeule ExaminerCibleLectureSeule(const QString& source, const QString& destination);

void SupprimerFichier(const QString& chemin);                        // Kill
void CreerDossier(const QString& chemin);                            // MkDir (parent not created)
void RenommerFichier(const QString& ancien, const QString& nouveau); // replaces `nouveau`
// A folder and everything in it; raises 70 when some of it stays (a folder already absent is no
// error).
void SupprimerArborescence(const QString& chemin);

// Times of a file in universal time (FILETIME); an invalid QDateTime when it cannot be read.
struct TempsFichier {
    QDateTime creation;
    QDateTime dernierAcces;
    QDateTime derniereEcriture;
};
// False when the file cannot be opened for reading.
bool LireTempsFichier(const QString& chemin, TempsFichier& temps);
void DefinirDerniereEcriture(const QString& chemin, const QDateTime& utc);

// Size and last-write time (milliseconds since the epoch) of a plain file; both -1 when there is
// none at the path or it cannot be read. What tells whether a file changed since it was noted.
struct EtatFichier {
    qint64 taille = -1;
    qint64 ecriture = -1;
    friend bool operator==(const EtatFichier&, const EtatFichier&) = default;
};
EtatFichier LireEtatFichier(const QString& chemin);

// What happens before every file copy the module makes itself: nothing, but in the
// fault-injection tests, which raise there or take the source away.
class CrochetsCopie {
public:
    virtual ~CrochetsCopie() = default;
    virtual void AvantCopie(const QString& source, const QString& destination) {
        (void)source, (void)destination;
    }
};

CrochetsCopie& CrochetsCopieCourants();

// Puts `crochets` in force for its lifetime.
class RemplacementCrochetsCopie : public Remplacement<CrochetsCopie> {
public:
    explicit RemplacementCrochetsCopie(CrochetsCopie& crochets);
};

} // namespace plateforme
