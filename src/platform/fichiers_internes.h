#pragma once

#include "platform/erreur.h"
#include "platform/fichiers_durables.h"
#include "platform/fichiers_operations.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// What the file operations of this folder share (listing, single files, batched copies, durable
// writes): native path helpers and the body of every file copy. Not for use outside
// src/platform/.
namespace plateforme::interne {

inline QByteArray Octets(const QString& natif) {
    return QFile::encodeName(natif);
}

// The folder of a native path ("." for a bare name, "/" at the root).
inline QString DossierParent(const QString& natif) {
    const qsizetype pos = natif.lastIndexOf(QLatin1Char('/'));
    if (pos < 0) {
        return QStringLiteral(".");
    }
    return pos == 0 ? QStringLiteral("/") : natif.left(pos);
}

inline QString NomDe(const QString& natif) {
    return natif.mid(natif.lastIndexOf(QLatin1Char('/')) + 1);
}

struct FermeDossier {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DossierLu = std::unique_ptr<DIR, FermeDossier>;

// The entries of the folder open at `fd`, read through a descriptor of their own (the caller
// keeps `fd`); null when the folder cannot be read.
inline DossierLu LireDossier(int fd) {
    const int lecture = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lecture < 0) {
        return nullptr;
    }
    DossierLu d(::fdopendir(lecture));
    if (!d) {
        ::close(lecture);
    }
    return d;
}

inline bool EstDossierNatif(const QString& natif) {
    struct stat st {};
    return ::stat(Octets(natif).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Windows "read-only" attribute: no write permission bit at all.
inline bool EstLectureSeule(const struct stat& st) {
    return (st.st_mode & 0222) == 0;
}

[[noreturn]] inline void LeverSysteme(int e, const QString& natif) {
    throw ErreurSysteme(e, natif);
}

// Splits a Windows pattern into its folder (Windows form, without the final separator) and the
// name pattern after the last separator.
void SeparerMotif(const QString& motif, QString& dossier, QString& nom);

// Puts the copy's data on its way to the disk so that the rename that follows never shows a
// truncated file after a crash: a flush, or only the start of the write-back where the file
// system orders data before the names (ext3 and ext4 in data=ordered mode). 0 or -1 (errno).
int Consolider(int fd);

// The name of every temporary file the module writes beside its destination:
// ".~synchro-<quoi>-<random>.tmp", where `quoi` says what it becomes (a file name, "envoi"...),
// or ".~synchro-<random>.tmp" for a file copy. platform/restes.h recognises both.
QByteArray NomTemporaire(const QString& quoi = {});
// Whether `nom` is the name of a file copy's temporary (what a lot removes before its copies).
bool NomCopieTemporaire(const char* nom);

// What the disk was asked to keep, told to the TemoinDisque in force (native paths).
void Signaler(EtapeDisque etape, const QString& natif, const QString& cible = {});
// Flushes the folder (its names) to the disk.
void SynchroniserDossier(const QString& dossierNatif);

// A temporary file in the destination's folder, reached through that folder's descriptor, and
// removed unless it took a name of its own: the one durable write of the module. Written by its
// creator (or by another writer, once closed), then published over the destination.
class FichierTemporaire {
public:
    // Created empty and exclusive (only its owner may open it) under NomTemporaire(quoi), or under
    // `nomDonne` (which must not exist yet). Ouvert() tells whether it could be; errno then says
    // why not.
    explicit FichierTemporaire(int dossier, const QString& quoi = {},
                               const QByteArray& nomDonne = {});
    ~FichierTemporaire();
    FichierTemporaire(const FichierTemporaire&) = delete;
    FichierTemporaire& operator=(const FichierTemporaire&) = delete;

    bool Ouvert() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const QByteArray& Nom() const { return nom_; }
    int Fermer() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }
    // Renames over `cible` of the same folder; the temporary name is then gone.
    int Renommer(const QByteArray& cible);
    // The file stays under its temporary name.
    void Garder() { nom_.clear(); }

    // Its data flushed to the disk, then renamed over `cible`, then the folder `natifDossier`
    // (this folder, native) flushed; each step told to the disk witness. Raises naming `chemin`;
    // the file is then removed with the object, the destination left as it was.
    void Publier(const QByteArray& cible, const QString& natifDossier, const QString& chemin);

private:
    int dossier_;
    QByteArray nom_;
    int fd_ = -1;
};

// Writes `contenu` to the native path `natif` through a FichierTemporaire published over it,
// with the permissions `droits`. Raises naming `chemin`.
void EcrireDurable(const QString& natif, const QByteArray& contenu, mode_t droits,
                   const QString& chemin);

// The checks of every file copy and its data written under a temporary name, permissions and
// last-write time included, not yet on its way to the disk: the source already open, the
// destination an entry of an open folder (-1: the folder is missing). `natifSource` and
// `natifCible` only name the files in the errors. `modifiable`: the copy is never read-only.
// `nomProvisoire`: under that name rather than one of the module's temporary names.
std::unique_ptr<FichierTemporaire> EcrireProvisoire(int in, const QString& natifSource,
                                                    int dossierCible, const QByteArray& nomCible,
                                                    const QString& natifCible,
                                                    bool modifiable = false,
                                                    const QByteArray& nomProvisoire = {});

// Whether the file `nomCible` of the folder `dossierCible` is read-only, and then whether it
// holds the content of `nomSource` of `dossierSource`. An unreadable file counts as different.
CibleLectureSeule ComparerCible(int dossierSource, const QByteArray& nomSource, int dossierCible,
                                const QByteArray& nomCible);

} // namespace plateforme::interne
