#include "platform/restes.h"

#include "platform/chemins.h"
#include "platform/fichiers_internes.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <limits>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plateforme {

namespace {

// A drive whose entry is a folder: a local disk (a link is a drive of net use or subst).
bool SurDisqueLocal(const QString& dossier) {
    if (dossier.size() < 2 || dossier[1] != QLatin1Char(':') || !dossier[0].isLetter() ||
        dossier[0].unicode() >= 128) {
        return false;
    }
    struct stat st {};
    return ::lstat(QFile::encodeName(Machine::EntreeLecteur(dossier[0])).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

// Removes the entries of the open folder `fd` that `retirer` picks (subfolders walked when
// `sousDossiers`, never through a link); `chemin` names the folder in the list of those that
// stay (empty: their names alone).
template <class Choix>
void Retirer(int fd, const QString& chemin, bool sousDossiers, const Choix& retirer,
             QList<ResteNonRetire>& restes) {
    const interne::DossierLu d = interne::LireDossier(fd);
    if (!d) {
        return;
    }
    QList<QByteArray> sous;
    while (const dirent* e = ::readdir(d.get())) {
        const QByteArray nom(e->d_name);
        if (nom == "." || nom == "..") {
            continue;
        }
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(fd, nom.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            type = S_ISDIR(st.st_mode) ? DT_DIR : (S_ISLNK(st.st_mode) ? DT_LNK : DT_REG);
        }
        if (type == DT_DIR) {
            if (sousDossiers) {
                sous.append(nom);
            }
            continue;
        }
        const QString texte = QFile::decodeName(nom);
        if (nom.startsWith('.') && retirer(texte) && ::unlinkat(fd, nom.constData(), 0) != 0 &&
            errno != ENOENT) {
            const QString cheminReste =
                chemin.isEmpty() ? texte : chemin + QLatin1Char('\\') + texte;
            restes.append({cheminReste, ErreurSysteme(errno, cheminReste)});
        }
    }
    for (const QByteArray& nom : sous) {
        const int sousDossier =
            ::openat(fd, nom.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sousDossier >= 0) {
            Retirer(sousDossier, chemin + QLatin1Char('\\') + QFile::decodeName(nom), true, retirer,
                    restes);
            ::close(sousDossier);
        }
    }
}

} // namespace

bool NomProvisoire(const QString& nom) {
    static const QRegularExpression motif(QStringLiteral(
        // Every durable write and copy (see fichiers_internes.h), and SQLite's journal of a base
        // written under that name.
        "^\\.~synchro-.+\\.tmp(-journal)?$"
        // What earlier versions named their records and safety copies.
        "|^\\.~durable-.+$"
        "|^\\.~.+\\.mdb(-journal)?$"
        "|^\\..+\\.compactage(-journal)?$" // compactions
        "|^\\..+\\.lien$"));               // links of the program's folder
    return motif.match(nom).hasMatch();
}

QList<ResteNonRetire> RetirerRestes(const QString& dossier, bool sousDossiers) {
    QList<ResteNonRetire> restes;
    if (!SurDisqueLocal(dossier)) {
        return restes;
    }
    const int fd = ::open(QFile::encodeName(CheminNatif(dossier)).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return restes;
    }
    QString chemin = dossier;
    while (chemin.endsWith(QLatin1Char('\\'))) {
        chemin.chop(1);
    }
    Retirer(fd, chemin, sousDossiers, NomProvisoire, restes);
    ::close(fd);
    return restes;
}

QList<ResteNonRetire> RetirerRestesLecteurs() {
    // ".P.<process>.<attempt>.tmp", made beside the drive then renamed to it.
    static const QRegularExpression motif(
        QStringLiteral("^\\.[A-Za-z]\\.([0-9]+)\\.[0-9]+\\.tmp$"));
    const auto termine = [](const QString& nom) {
        const QRegularExpressionMatch m = motif.match(nom);
        bool ok = false;
        const qlonglong processus = m.hasMatch() ? m.captured(1).toLongLong(&ok) : 0;
        return ok && processus > 0 && processus <= std::numeric_limits<pid_t>::max() &&
               ::kill(static_cast<pid_t>(processus), 0) != 0 && errno == ESRCH;
    };
    QList<ResteNonRetire> restes;
    const QString lecteurs = QFileInfo(Machine::EntreeLecteur(QLatin1Char('C'))).absolutePath();
    const int fd =
        ::open(QFile::encodeName(lecteurs).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // Named alone: the folder of the drives has no Windows name.
        Retirer(fd, QString(), false, termine, restes);
        ::close(fd);
    }
    return restes;
}

} // namespace plateforme
