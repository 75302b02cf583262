// The task list read from /proc.
#include "platform/chemins.h"
#include "platform/processus.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace plateforme {

namespace {

// A command line longer than this is cut: the program's name and its first arguments are what
// the task list is read for.
constexpr qsizetype LongueurMaxLigne = 300;

// The task list is polled while a copy program runs: plain system calls keep a poll cheap.
QByteArray lire(int dossier, const char* nom) {
    const int fd = openat(dossier, nom, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    QByteArray contenu;
    char bloc[4096];
    for (;;) {
        const ssize_t n = read(fd, bloc, sizeof bloc);
        if (n <= 0) {
            break;
        }
        contenu.append(bloc, n);
    }
    close(fd);
    return contenu;
}

struct FermerDossier {
    void operator()(DIR* d) const { closedir(d); }
};

struct FermerDescripteur {
    int fd;
    ~FermerDescripteur() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

struct Entree {
    Tache tache;
    quint64 depart = 0;
};

// State and start time (in clock ticks since boot) from /proc/<pid>/stat; the name in
// parentheses may itself hold blanks and parentheses, so the fields are read after the last ")".
bool lireStat(int dossier, char& etat, quint64& depart) {
    const QByteArray stat = lire(dossier, "stat");
    const qsizetype fin = stat.lastIndexOf(')');
    if (fin < 0) {
        return false;
    }
    const QList<QByteArray> champs = stat.mid(fin + 2).split(' ');
    // After the name: state (field 3 of the file), ... starttime (field 22).
    if (champs.size() < 20 || champs[0].isEmpty()) {
        return false;
    }
    etat = champs[0].at(0);
    bool ok = false;
    depart = champs[19].toULongLong(&ok);
    return ok;
}

// The machine a process runs on: its $ZELVANO_MACHINE, the default machine without it; empty
// when its environment cannot be read yet (a program just started, still being loaded).
QString machineDe(int dossier) {
    static const QByteArray cle = QByteArrayLiteral("ZELVANO_MACHINE=");
    const QByteArray environnement = lire(dossier, "environ");
    if (environnement.isEmpty()) {
        return {};
    }
    for (const QByteArray& variable : environnement.split('\0')) {
        if (variable.startsWith(cle)) {
            const QString chemin = QFile::decodeName(variable.mid(cle.size()));
            return chemin.isEmpty() ? Machine::RacineParDefaut()
                                    : QDir::cleanPath(QDir(chemin).absolutePath());
        }
    }
    return Machine::RacineParDefaut();
}

QString nomDeFichier(const QString& chemin) {
    return chemin.mid(chemin.lastIndexOf(QLatin1Char('/')) + 1);
}

// The program as it was started: argv[0], but for a script, whose interpreter the kernel puts
// in front, the script's own path (the kernel names the task after the file it executed).
QString programmeDe(const QStringList& arguments, const QString& commande) {
    if (arguments.isEmpty()) {
        return commande;
    }
    constexpr qsizetype LongueurNomNoyau = 15;
    const auto memeNom = [&](const QString& chemin) {
        return nomDeFichier(chemin).left(LongueurNomNoyau) == commande;
    };
    if (!memeNom(arguments.first()) && arguments.size() > 1 && memeNom(arguments.at(1))) {
        return arguments.at(1);
    }
    return arguments.first();
}

bool lireTache(int proc, const char* nom, qint64 pid, const QString& machine, Entree& entree) {
    const FermerDescripteur dossier{openat(proc, nom, O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    struct stat info {};
    if (dossier.fd < 0 || fstat(dossier.fd, &info) != 0 || info.st_uid != getuid()) {
        return false;
    }
    char etat = 0;
    if (!lireStat(dossier.fd, etat, entree.depart) || etat == 'Z' || etat == 'X') {
        return false; // an ended process waiting to be reaped is no longer running
    }
    // Another emulated machine is another workstation; this process is on this one whatever
    // its environment said when it started, and so is one that cannot be told yet (a copy
    // program just started must not be missed).
    if (pid != getpid()) {
        const QString sienne = machineDe(dossier.fd);
        if (!sienne.isEmpty() && sienne != machine) {
            return false;
        }
    }
    QList<QByteArray> argv = lire(dossier.fd, "cmdline").split('\0');
    while (!argv.isEmpty() && argv.last().isEmpty()) {
        argv.removeLast();
    }
    QStringList arguments;
    for (const QByteArray& a : std::as_const(argv)) {
        arguments.append(QString::fromUtf8(a));
    }
    entree.tache.pid = pid;
    const QString commande = QString::fromUtf8(lire(dossier.fd, "comm")).trimmed();
    entree.tache.programme = programmeDe(arguments, commande).left(LongueurMaxLigne);
    entree.tache.nom = nomDeFichier(entree.tache.programme);
    if (entree.tache.nom.isEmpty()) {
        entree.tache.nom = commande;
    }
    entree.tache.ligneCommande = arguments.join(QLatin1Char(' ')).left(LongueurMaxLigne);
    return true;
}

} // namespace

QList<Tache> ListeTaches() {
    QList<Entree> entrees;
    const std::unique_ptr<DIR, FermerDossier> proc(opendir("/proc"));
    if (!proc) {
        return {};
    }
    const QString machine = Machine::Racine();
    while (const dirent* e = readdir(proc.get())) {
        if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) {
            continue;
        }
        bool ok = false;
        const qint64 pid = QByteArray(e->d_name).toLongLong(&ok);
        Entree entree;
        if (ok && lireTache(dirfd(proc.get()), e->d_name, pid, machine, entree)) {
            entrees.append(entree);
        }
    }
    std::sort(entrees.begin(), entrees.end(), [](const Entree& a, const Entree& b) {
        return a.depart != b.depart ? a.depart > b.depart : a.tache.pid > b.tache.pid;
    });
    QList<Tache> taches;
    taches.reserve(entrees.size());
    for (const Entree& e : std::as_const(entrees)) {
        taches.append(e.tache);
    }
    return taches;
}

} // namespace plateforme
