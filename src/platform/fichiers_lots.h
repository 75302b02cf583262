#pragma once

#include "platform/erreur.h"
#include "platform/fichiers_operations.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Copies into opened folders: many files made durable together, or one copy made ahead of its
// use (Windows paths, see chemins.h). Failures raise plateforme::Erreur as the single-file
// operations do.
namespace plateforme {

// A folder opened once for a run over its files: each file is then reached by its name in the
// folder, without translating its whole Windows path again (drive, share, links, case). The
// folder keeps the object it was opened on even if its path changes meanwhile. A folder that
// does not exist (or is not a folder) leaves the object closed: every file then reads as absent.
class DossierOuvert {
public:
    explicit DossierOuvert(const QString& cheminWindows);
    ~DossierOuvert();
    DossierOuvert(const DossierOuvert&) = delete;
    DossierOuvert& operator=(const DossierOuvert&) = delete;

    bool Ouvert() const { return fd_ >= 0; }
    const QString& CheminWindows() const { return windows_; }

    // Last-write time of the plain file `nom` in universal time, to the second (seconds since
    // 1970), without opening the file. False when it is missing, is not a plain file (a folder
    // of that name) or cannot be opened for reading, as LireTempsFichier would find. The name is
    // matched without regard to case when it does not exist as given. `taille`, when given,
    // receives the file's size in bytes.
    bool SecondeEcriture(const QString& nom, qint64& secondes, qint64* taille = nullptr) const;

    // ExaminerCibleLectureSeule for the file `nom` of `source` copied here under the same name.
    CibleLectureSeule CibleEnLectureSeule(const DossierOuvert& source, const QString& nom) const;

private:
    friend class CopieEnAttente;
    friend class LotCopies;
    // The entry's name as it stands in the folder (its case may differ from `nom`); empty
    // when there is none.
    QByteArray NomExistant(const QString& nom) const;

    QString windows_;
    QString natif_;
    int fd_ = -1;
};

// A lot's copies could not all be put in place: `Nom()` names the copy that could not take its
// name, and is empty when the flush of the lot or of its folder failed.
class ErreurPlacement : public Erreur {
public:
    ErreurPlacement(const Erreur& erreur, QString nom)
        : Erreur(erreur)
        , nom_(std::move(nom)) {}
    const QString& Nom() const { return nom_; }

private:
    QString nom_;
};

// Copies into one opened folder made durable together. Each file is copied under a hidden
// temporary name as it comes (the same checks, errors and hook as CopierFichier); every so many
// files, and at Placer, the file system is flushed once for all of them, then each takes its
// real name and the folder is flushed. No file ever bears its real name before its data is on
// the disk, at a small part of the cost of a flush per file. Copies not yet placed when the
// object goes are removed, and so, before its first copy, are those an interrupted copy left in
// the folder.
class LotCopies {
public:
    // Called for each copy once it bears its name.
    using Place = std::function<void(const QString& nom)>;
    // Called for a copy that could not take its name (the others still do), or for each copy of
    // a lot whose flush failed; without it, such a failure raises ErreurPlacement (once the
    // others are placed). A failed flush of the folder after the names raises it in any case.
    using Echec = std::function<void(const QString& nom, const Erreur& erreur)>;
    explicit LotCopies(const DossierOuvert& destination, Place place = {}, Echec echec = {});
    ~LotCopies();
    LotCopies(const LotCopies&) = delete;
    LotCopies& operator=(const LotCopies&) = delete;

    // `nom` of `source` into the destination folder (an existing destination whose name differs
    // only by case is the one replaced). `modifiable`: the copy is never read-only.
    void Copier(const DossierOuvert& source, const QString& nom, bool modifiable = false);
    // Puts every copy made so far in place; a lot whose flush fails is dropped.
    void Placer();

    // What a lot holds at most before it is placed: what an interruption may leave behind.
    static constexpr size_t FichiersMax = 1000;
    static constexpr qint64 OctetsMax = qint64(256) << 20;

private:
    struct EnAttente;
    void RetirerRestes();

    const DossierOuvert& destination_;
    Place place_;
    Echec echec_;
    std::vector<EnAttente> attente_;
    qint64 octets_ = 0;
    bool restesRetires_ = false;
};

// A copy made ahead of its use: the file `source` copied into an opened folder under a hidden
// temporary name (`nomAttente`, which starts with ".~") from its first byte, so that an
// interrupted copy leaves no other name; its data on its way to the disk as any copy's; later put
// in place under its real name by a rename, or removed with the object. Both go through the
// folder's descriptor, so they reach the folder even if its path changed. The same checks and
// errors as CopierFichier.
class CopieEnAttente {
public:
    CopieEnAttente(const QString& source, std::shared_ptr<const DossierOuvert> dossier,
                   const QString& nomAttente);
    ~CopieEnAttente();
    CopieEnAttente(const CopieEnAttente&) = delete;
    CopieEnAttente& operator=(const CopieEnAttente&) = delete;

    // Renames the copy to `nom` in its folder, replacing a file of that name (or of that name in
    // another case, as on Windows). Raises on failure, the copy then still waiting.
    void Placer(const QString& nom);

private:
    std::shared_ptr<const DossierOuvert> dossier_;
    QByteArray attente_; // empty once placed
};

} // namespace plateforme
