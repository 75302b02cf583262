#include "platform/processus.h"

#include "platform/chemins.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plateforme {

namespace {

bool estBlanc(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool estChemin(const QString& nom) {
    return nom.contains(QLatin1Char('\\')) || nom.contains(QLatin1Char('/')) ||
           (nom.size() >= 2 && nom[1] == QLatin1Char(':'));
}

bool sansExtension(const QString& nom) {
    const qsizetype separateur =
        qMax(nom.lastIndexOf(QLatin1Char('\\')), nom.lastIndexOf(QLatin1Char('/')));
    return nom.indexOf(QLatin1Char('.'), separateur + 1) < 0;
}

bool estExecutable(const QString& natif) {
    const QFileInfo info(natif);
    return info.isFile() && info.isExecutable();
}

// The entry of `dossier` named `nom` without regard to case, when it is a program.
QString chercherDans(const QString& dossier, const QString& nom) {
    if (dossier.isEmpty()) {
        return {};
    }
    const QString direct = dossier + QLatin1Char('/') + nom;
    if (estExecutable(direct)) {
        return QDir::cleanPath(QDir(direct).absolutePath());
    }
    const QStringList entrees =
        QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QString& entree : entrees) {
        if (entree.compare(nom, Qt::CaseInsensitive) == 0) {
            const QString chemin = dossier + QLatin1Char('/') + entree;
            if (estExecutable(chemin)) {
                return QDir::cleanPath(QDir(chemin).absolutePath());
            }
        }
    }
    return {};
}

QStringList dossiersDeRecherche() {
    QStringList dossiers{CheminNatif(DossierProgramme()), QDir::currentPath(),
                         CheminNatif(DossierSysteme()), CheminNatif(DossierWindows())};
    dossiers += qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return dossiers;
}

// The environment of a child: ours, with the emulated machine named explicitly so that the
// stand-in programs act on the same drives as we do.
QByteArrayList environnementEnfant() {
    static const QByteArray cle = QByteArrayLiteral("ZELVANO_MACHINE=");
    QByteArrayList env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const QByteArray variable(*e);
        if (!variable.startsWith(cle)) {
            env.append(variable);
        }
    }
    env.append(cle + QFile::encodeName(Machine::Racine()));
    return env;
}

std::vector<char*> pointeurs(QByteArrayList& textes) {
    std::vector<char*> p;
    p.reserve(static_cast<size_t>(textes.size()) + 1);
    for (QByteArray& t : textes) {
        p.push_back(t.data());
    }
    p.push_back(nullptr);
    return p;
}

// RAII over the spawn attribute and file-action objects.
class AttributsLancement {
public:
    AttributsLancement() {
        posix_spawnattr_init(&attributs_);
        posix_spawn_file_actions_init(&actions_);
        // The child keeps only its standard streams: neither the single-instance lock nor any
        // other descriptor of ours may outlive us in it.
        posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
        // Nobody types into a hidden console: a command that asks something gets an end of file
        // instead of waiting forever on our terminal.
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        sigset_t vide;
        sigemptyset(&vide);
        posix_spawnattr_setsigmask(&attributs_, &vide);
        sigset_t parDefaut;
        sigemptyset(&parDefaut);
        for (int s : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP}) {
            sigaddset(&parDefaut, s);
        }
        posix_spawnattr_setsigdefault(&attributs_, &parDefaut);
        posix_spawnattr_setflags(&attributs_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~AttributsLancement() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributs_);
    }
    AttributsLancement(const AttributsLancement&) = delete;
    AttributsLancement& operator=(const AttributsLancement&) = delete;

    const posix_spawnattr_t* attributs() const { return &attributs_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attributs_;
    posix_spawn_file_actions_t actions_;
};

bool estZombie(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray contenu = stat.readAll();
    const qsizetype fin = contenu.lastIndexOf(')');
    return fin >= 0 && fin + 2 < contenu.size() &&
           (contenu[fin + 2] == 'Z' || contenu[fin + 2] == 'X');
}

pid_t attendreSansBloquer(pid_t pid) {
    int etat = 0;
    pid_t r = 0;
    do {
        r = waitpid(pid, &etat, WNOHANG);
    } while (r < 0 && errno == EINTR);
    return r;
}

class ProcessusPosixImpl final : public Processus {
public:
    qint64 Demarrer(const QString& ligneCommande, int) override {
        RecolterTermines();
        const LigneAnalysee ligne = AnalyserLigneCommande(ligneCommande);
        if (ligne.programme.isEmpty()) {
            return 0;
        }
        const QString& programme = ligne.programme;
        QByteArrayList argv{QFile::encodeName(programme)};
        for (const QString& argument : ligne.arguments) {
            argv.append(argument.toUtf8());
        }
        QByteArrayList env = environnementEnfant();
        std::vector<char*> pArgv = pointeurs(argv);
        std::vector<char*> pEnv = pointeurs(env);
        const QByteArray chemin = QFile::encodeName(programme);

        AttributsLancement lancement;
        pid_t pid = 0;
        if (posix_spawn(&pid, chemin.constData(), lancement.actions(), lancement.attributs(),
                        pArgv.data(), pEnv.data()) != 0) {
            return 0;
        }
        enfants_.insert(pid);
        return pid;
    }

    bool Existe(qint64 id) override {
        if (id <= 0) {
            return false;
        }
        const pid_t pid = static_cast<pid_t>(id);
        if (enfants_.contains(pid)) {
            const pid_t r = attendreSansBloquer(pid);
            if (r == 0) {
                return true;
            }
            enfants_.remove(pid);
            if (r == pid) {
                return false;
            }
            // Reaped by someone else: the process table tells.
        }
        if (kill(pid, 0) != 0 && errno != EPERM) {
            return false;
        }
        return !estZombie(pid);
    }

private:
    // Children started without being waited for would stay zombies until we end.
    void RecolterTermines() {
        for (auto it = enfants_.begin(); it != enfants_.end();) {
            const pid_t r = attendreSansBloquer(*it);
            if (r > 0 || (r < 0 && errno == ECHILD)) {
                it = enfants_.erase(it);
            } else {
                ++it;
            }
        }
    }

    QSet<pid_t> enfants_;
};

} // namespace

QStringList DecouperLigneCommande(const QString& ligne) {
    QStringList arguments;
    QString courant;
    bool dansArgument = false;
    bool entreGuillemets = false;
    const qsizetype n = ligne.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = ligne[i];
        if (!entreGuillemets && estBlanc(c)) {
            if (dansArgument) {
                arguments.append(courant);
                courant.clear();
                dansArgument = false;
            }
            ++i;
            continue;
        }
        dansArgument = true;
        if (c == QLatin1Char('\\')) {
            qsizetype j = i;
            while (j < n && ligne[j] == QLatin1Char('\\')) {
                ++j;
            }
            const qsizetype barres = j - i;
            if (j < n && ligne[j] == QLatin1Char('"')) {
                // 2n backslashes and a quote: n backslashes, the quote delimits;
                // 2n + 1: n backslashes and a literal quote.
                courant += QString(barres / 2, QLatin1Char('\\'));
                if (barres % 2 == 1) {
                    courant += QLatin1Char('"');
                } else {
                    entreGuillemets = !entreGuillemets;
                }
                i = j + 1;
            } else {
                courant += QString(barres, QLatin1Char('\\'));
                i = j;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            entreGuillemets = !entreGuillemets;
        } else {
            courant += c;
        }
        ++i;
    }
    if (dansArgument) {
        arguments.append(courant);
    }
    return arguments;
}

LigneAnalysee AnalyserLigneCommande(const QString& ligne) {
    const QStringList arguments = DecouperLigneCommande(ligne);
    if (arguments.isEmpty()) {
        return {};
    }
    qsizetype debut = 0;
    while (estBlanc(ligne[debut])) {
        ++debut;
    }
    // Each blank after an unquoted name may still be part of the program's path: the shortest
    // start of the line that names a program wins, as Windows reads such a line.
    for (qsizetype fin = debut + 1; fin <= ligne.size(); ++fin) {
        if (fin < ligne.size() && !(estBlanc(ligne[fin]) && !estBlanc(ligne[fin - 1]))) {
            continue;
        }
        const QString nom = ligne.mid(debut, fin - debut);
        if (nom.contains(QLatin1Char('"'))) {
            break;
        }
        const QString programme = TrouverProgramme(nom);
        if (!programme.isEmpty()) {
            return {programme, DecouperLigneCommande(ligne.mid(fin))};
        }
    }
    return {TrouverProgramme(arguments.first()), arguments.mid(1)};
}

QString TrouverProgramme(const QString& nom) {
    if (nom.isEmpty()) {
        return {};
    }
    QStringList candidats{nom};
    if (sansExtension(nom)) {
        candidats.append(nom + QStringLiteral(".exe"));
    }
    if (estChemin(nom)) {
        for (const QString& candidat : candidats) {
            const QString natif = CheminNatif(candidat);
            if (estExecutable(natif)) {
                return QDir::cleanPath(QDir(natif).absolutePath());
            }
        }
        return {};
    }
    for (const QString& dossier : dossiersDeRecherche()) {
        for (const QString& candidat : candidats) {
            const QString trouve = chercherDans(dossier, candidat);
            if (!trouve.isEmpty()) {
                return trouve;
            }
        }
    }
    return {};
}

Processus& ProcessusPosix() {
    static ProcessusPosixImpl p;
    return p;
}

} // namespace plateforme
