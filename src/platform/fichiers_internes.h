#pragma once

#include "platform/erreur.h"
#include "platform/fichiers_operations.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

#include <dirent.h>
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

// The hook of DefinirCrochetCopie, null when none.
CrochetCopie CrochetCopieActif();

// Puts the copy's data on its way to the disk so that the rename that follows never shows a
// truncated file after a crash: a flush, or only the start of the write-back where the file
// system orders data before the names (ext3 and ext4 in data=ordered mode). 0 or -1 (errno).
int Consolider(int fd);

// A name FichierTemporaire gives.
bool NomProvisoire(const char* nom);

// The temporary copy, removed unless it was renamed over the destination. Created in the
// destination's folder, reached through that folder's descriptor.
class FichierTemporaire {
public:
    // `nomDonne`: under that name (which must not exist yet) rather than one of its own.
    explicit FichierTemporaire(int dossier, const QByteArray& nomDonne = {});
    ~FichierTemporaire() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!nom_.isEmpty()) {
            ::unlinkat(dossier_, nom_.constData(), 0);
        }
    }
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
    int Renommer(const QByteArray& cible) {
        const int r = ::renameat(dossier_, nom_.constData(), dossier_, cible.constData());
        if (r == 0) {
            nom_.clear();
        }
        return r;
    }
    // The file stays under its temporary name.
    void Garder() { nom_.clear(); }

private:
    int dossier_;
    QByteArray nom_;
    int fd_ = -1;
};

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
