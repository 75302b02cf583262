#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The mount table, for telling how the folder standing for a server share is mounted. The
// practice's base is one SQLite file written by every workstation at once: its locks hold only
// where the network file system carries byte-range locks to the server.
namespace plateforme {

struct Montage {
    QString point;       // mount point, native
    QString type;        // file system type: "cifs", "ext4", "fuse.sshfs"...
    QString source;      // "//serveur/zelvano", "/dev/sda1"...
    QStringList options; // of the mount and of its file system: "rw", "nobrl", "vers=3.1.1"...
};

// The lines of a table in the form of /proc/self/mountinfo, in its order (escaped blanks and
// backslashes decoded); malformed lines are skipped.
QList<Montage> LireTableMontages(const QByteArray& texte);
// The table of this process (/proc/self/mountinfo); empty when it cannot be read.
QList<Montage> TableMontages();

// The mount holding the native folder `dossier` (links followed when it exists): the one whose
// mount point is the longest start of its path, the last mounted when several are stacked.
std::optional<Montage> MontageDe(const QString& dossier, const QList<Montage>& table);

enum class GenreMontage {
    PartageCifs,   // the kernel's SMB client, byte-range locks sent to the server
    AutreReseau,   // another network file system whose locks reach the server (NFS)
    Fuse,          // a FUSE file system: its locks stay on this machine
    VerrousLocaux, // CIFS with nobrl, NFS with nolock or local_lock: locks kept on this machine
    Local,         // not a network file system: the share is not mounted there
};
GenreMontage Genre(const Montage& montage);

} // namespace plateforme
