#include "platform/chemins.h"

#include "platform/fichiers_internes.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plateforme {

namespace {

QString& racineDefinie() {
    static QString r;
    return r;
}

QString& programmeDefini() {
    static QString p;
    return p;
}

bool Existe(const QString& natif) {
    struct stat st {};
    return ::lstat(QFile::encodeName(natif).constData(), &st) == 0;
}

// Names of a folder by their case-folded form (several when they differ only by case).
using Noms = QHash<QString, QStringList>;

void AjouterNom(Noms& noms, const QString& nom) {
    QStringList& variantes = noms[nom.toCaseFolded()];
    if (!variantes.contains(nom)) {
        variantes.append(nom);
    }
}

void RetirerNom(Noms& noms, const QString& nom) {
    const QString cle = nom.toCaseFolded();
    const auto it = noms.find(cle);
    if (it != noms.end()) {
        it->removeAll(nom);
        if (it->isEmpty()) {
            noms.erase(it);
        }
    }
}

bool LireNoms(const QString& dossier, Noms& noms) {
    const interne::DossierLu d(::opendir(QFile::encodeName(dossier).constData()));
    if (!d) {
        return false;
    }
    while (const dirent* e = ::readdir(d.get())) {
        AjouterNom(noms, QFile::decodeName(e->d_name));
    }
    return true;
}

// Names of the folders already searched without regard to case. Filling a folder of thousands of
// files would otherwise read the whole folder again for every new name. The kernel reports every
// local change (inotify queues the event before the changing call returns), so a list is never
// behind a change made on this machine; a change of modification time with no event (a change
// made through a network share by another machine) makes the folder read again.
class NomsConnus {
public:
    ~NomsConnus() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    // The entry of `dossier` named `nom` without regard to case: the first in name order when
    // several differ only by case, so that the choice does not depend on the enumeration.
    QString Trouver(const QString& dossier, const QString& nom) {
        std::lock_guard<std::mutex> verrou(mutex_);
        struct stat st {};
        if (::stat(QFile::encodeName(dossier).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return {};
        }
        LireEvenements();
        const Cle cle{st.st_dev, st.st_ino};
        auto it = dossiers_.find(cle);
        if (it != dossiers_.end() && !MemeDate(it->mtime, st.st_mtim)) {
            if (it->change) {
                it->mtime = st.st_mtim; // every change since was reported
                it->change = false;
            } else {
                Oublier(it);
                it = dossiers_.end();
            }
        }
        if (it == dossiers_.end()) {
            Noms noms;
            const int wd = Surveiller(dossier);
            if (!LireNoms(dossier, noms)) {
                return {};
            }
            if (wd < 0) {
                return Choisir(noms, nom); // not kept: no way to hear of changes
            }
            it = dossiers_.insert(cle, Dossier{wd, st.st_mtim, false, std::move(noms)});
            surveilles_.insert(wd, cle);
        }
        return Choisir(it->noms, nom);
    }

private:
    struct Cle {
        dev_t dev;
        ino_t ino;
        bool operator==(const Cle& o) const { return dev == o.dev && ino == o.ino; }
        friend size_t qHash(const Cle& c, size_t graine) {
            return qHashMulti(graine, c.dev, c.ino);
        }
    };
    struct Dossier {
        int wd;
        struct timespec mtime;
        bool change;
        Noms noms;
    };
    static constexpr int MaxDossiers = 256;

    static bool MemeDate(const struct timespec& a, const struct timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    }

    static QString Choisir(const Noms& noms, const QString& nom) {
        const auto it = noms.constFind(nom.toCaseFolded());
        if (it == noms.constEnd() || it->isEmpty()) {
            return {};
        }
        return *std::min_element(it->begin(), it->end());
    }

    int Surveiller(const QString& dossier) {
        if (fd_ == -2) {
            return -1;
        }
        if (fd_ < 0) {
            fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (fd_ < 0) {
                fd_ = -2;
                return -1;
            }
        }
        if (dossiers_.size() >= MaxDossiers) {
            ToutOublier();
        }
        const int wd = ::inotify_add_watch(fd_, QFile::encodeName(dossier).constData(),
                                           IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                               IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
        if (wd >= 0 && surveilles_.contains(wd)) {
            // Already watched under another key (a folder replaced in between): start afresh.
            auto ancien = dossiers_.find(surveilles_.value(wd));
            if (ancien != dossiers_.end()) {
                dossiers_.erase(ancien);
            }
            surveilles_.remove(wd);
        }
        return wd;
    }

    void LireEvenements() {
        if (fd_ < 0) {
            return;
        }
        alignas(inotify_event) char tampon[65536];
        for (;;) {
            const ssize_t n = ::read(fd_, tampon, sizeof tampon);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                return;
            }
            for (ssize_t pos = 0; pos < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(tampon + pos);
                pos += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                Appliquer(*e);
            }
        }
    }

    void Appliquer(const inotify_event& e) {
        if ((e.mask & IN_Q_OVERFLOW) != 0) {
            ToutOublier();
            return;
        }
        const auto cle = surveilles_.constFind(e.wd);
        if (cle == surveilles_.constEnd()) {
            return;
        }
        auto it = dossiers_.find(*cle);
        if (it == dossiers_.end()) {
            return;
        }
        if ((e.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0) {
            Oublier(it);
            return;
        }
        const QString nom = QFile::decodeName(e.len > 0 ? e.name : "");
        if ((e.mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
            AjouterNom(it->noms, nom);
        } else if ((e.mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
            RetirerNom(it->noms, nom);
        }
        it->change = true;
    }

    void Oublier(QHash<Cle, Dossier>::iterator it) {
        ::inotify_rm_watch(fd_, it->wd);
        surveilles_.remove(it->wd);
        dossiers_.erase(it);
    }

    void ToutOublier() {
        for (auto it = dossiers_.begin(); it != dossiers_.end(); ++it) {
            ::inotify_rm_watch(fd_, it->wd);
        }
        dossiers_.clear();
        surveilles_.clear();
    }

    std::mutex mutex_;
    int fd_ = -1;
    QHash<Cle, Dossier> dossiers_;
    QHash<int, Cle> surveilles_;
};

QString EntreeSansCasse(const QString& dossier, const QString& nom) {
    static NomsConnus connus;
    return connus.Trouver(dossier, nom);
}

// `base` (an existing native folder, or "" for the current folder) followed by the components,
// each matched without regard to case when it does not exist as given. From the first component
// that matches nothing, the rest is kept as given.
QString Resoudre(const QString& base, const QStringList& composants) {
    const auto joindre = [](const QString& a, const QString& b) {
        if (a.isEmpty()) {
            return b;
        }
        return a.endsWith(QLatin1Char('/')) ? a + b : a + QLatin1Char('/') + b;
    };
    const qsizetype n = composants.size();
    QStringList prefixes{base};
    for (const QString& c : composants) {
        prefixes.append(joindre(prefixes.last(), c));
    }
    if (n == 0 || Existe(prefixes[n])) {
        return prefixes[n]; // the common case: no folder is read
    }
    // The longest part that exists as given: most often the folder of a file still to be made.
    qsizetype k = n - 1;
    while (k > 0 && !Existe(prefixes[k])) {
        --k;
    }
    QString chemin = prefixes[k];
    bool perdu = false;
    for (qsizetype i = k; i < n; ++i) {
        const QString& c = composants[i];
        QString suivant = joindre(chemin, c);
        const bool special = c == QLatin1String(".") || c == QLatin1String("..");
        // prefixes[k + 1] is known not to exist; later names are tried as given first.
        if (!perdu && !special && (i == k || !Existe(suivant))) {
            const QString trouve =
                EntreeSansCasse(chemin.isEmpty() ? QStringLiteral(".") : chemin, c);
            if (trouve.isEmpty()) {
                perdu = true;
            } else {
                suivant = joindre(chemin, trouve);
            }
        }
        chemin = suivant;
    }
    return chemin;
}

// Components of a Windows path below its root, with "." and ".." resolved the way Windows
// resolves them (by name, never above the root).
QStringList ComposantsWindows(const QString& reste) {
    QStringList composants;
    for (const QString& c : reste.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (c == QLatin1String(".")) {
            continue;
        }
        if (c == QLatin1String("..")) {
            if (!composants.isEmpty()) {
                composants.removeLast();
            }
            continue;
        }
        composants.append(c);
    }
    return composants;
}

bool EstLettre(QChar c) {
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

QString RacineDeclaree() {
    if (racineDefinie().isEmpty()) {
        const QString r = qEnvironmentVariable("ZELVANO_MACHINE");
        racineDefinie() =
            r.isEmpty() ? Machine::RacineParDefaut() : QDir::cleanPath(QDir(r).absolutePath());
    }
    return racineDefinie();
}

// The root for path translation: drive C is made once per machine, not at every path.
QString RacinePrete() {
    static QString prete;
    const QString r = RacineDeclaree();
    if (r != prete) {
        Machine::Racine();
        prete = r;
    }
    return r;
}

QString CreerSurDemande(const QString& cheminWindows) {
    QDir().mkpath(CheminNatif(cheminWindows));
    return cheminWindows;
}

} // namespace

QString Machine::Racine() {
    const QString r = RacineDeclaree();
    const QString c = r + QStringLiteral("/drives/C");
    if (!Existe(c)) {
        QDir().mkpath(c);
    }
    return r;
}

QString Machine::RacineParDefaut() {
    QString donnees = qEnvironmentVariable("XDG_DATA_HOME");
    if (donnees.isEmpty()) {
        donnees = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(QDir(donnees + QStringLiteral("/zelvano/machine")).absolutePath());
}

void Machine::DefinirRacine(const QString& dossierNatif) {
    racineDefinie() =
        dossierNatif.isEmpty() ? QString() : QDir::cleanPath(QDir(dossierNatif).absolutePath());
}

QString Machine::EntreeLecteur(QChar lettre) {
    return RacinePrete() + QStringLiteral("/drives/") + lettre.toUpper();
}

QString Machine::DossierPartage(const QString& serveur, const QString& partage) {
    return RacinePrete() + QStringLiteral("/unc/") + serveur + QLatin1Char('/') + partage;
}

QString CheminNatif(const QString& w) {
    QString p = w;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.size() >= 2 && p[1] == QLatin1Char(':') && EstLettre(p[0])) {
        return Resoudre(Machine::EntreeLecteur(p[0]), ComposantsWindows(p.mid(2)));
    }
    if (p.startsWith(QStringLiteral("//"))) {
        // Server and share are matched without regard to case like any other name.
        return Resoudre(RacinePrete() + QStringLiteral("/unc"), ComposantsWindows(p.mid(2)));
    }
    // Native path: separators collapsed, nothing else interpreted.
    const bool absolu = p.startsWith(QLatin1Char('/'));
    const QStringList composants = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (composants.isEmpty()) {
        return absolu ? QStringLiteral("/") : p;
    }
    return Resoudre(absolu ? QStringLiteral("/") : QString(), composants);
}

QString DossierProgramme() {
    if (!programmeDefini().isEmpty()) {
        return programmeDefini();
    }
    return QStringLiteral("C:\\Program Files\\Zelvano");
}

void DefinirDossierProgramme(const QString& cheminWindows) {
    programmeDefini() = cheminWindows;
}

QString DossierWindows() {
    return QStringLiteral("C:\\WINDOWS");
}
QString DossierSysteme() {
    return QStringLiteral("C:\\WINDOWS\\SYSTEM32");
}

QString DossierTemporaire() {
    return CreerSurDemande(QStringLiteral("C:\\WINDOWS\\TEMP")) + QLatin1Char('\\');
}

QString DossierMesDocuments() {
    return CreerSurDemande(QStringLiteral("C:\\Mes documents"));
}

} // namespace plateforme
