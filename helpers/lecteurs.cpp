#include "lecteurs.h"

#include "platform/chemins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace interpreteur {

namespace {

constexpr int CodeErreurNet = 2;
constexpr int CodeErreurSubst = 1;

void Afficher(FILE* flux, const QString& texte) {
    const QByteArray octets = texte.toUtf8() + '\n';
    std::fwrite(octets.constData(), 1, static_cast<size_t>(octets.size()), flux);
}

int ErreurSystemeNet(int numero, const QString& texte) {
    Afficher(stderr, QStringLiteral("Erreur système %1.\n\n%2\n").arg(numero).arg(texte));
    return CodeErreurNet;
}

enum class Genre { Absent, Local, Reseau, Substitue };

struct Lecteur {
    Genre genre = Genre::Absent;
    QString cible; // native target of a link
};

QString DossierLecteurs() {
    return plateforme::Machine::Racine() + QStringLiteral("/drives");
}

QString PrefixePartages() {
    return plateforme::Machine::Racine() + QStringLiteral("/unc/");
}

Lecteur Examiner(QChar lettre) {
    const QString entree = plateforme::Machine::EntreeLecteur(lettre);
    const QByteArray natif = QFile::encodeName(entree);
    struct stat info {};
    if (lstat(natif.constData(), &info) != 0) {
        return {};
    }
    if (!S_ISLNK(info.st_mode)) {
        return {Genre::Local, entree};
    }
    QByteArray cible(4096, '\0');
    const ssize_t n = readlink(natif.constData(), cible.data(), static_cast<size_t>(cible.size()));
    cible.truncate(n < 0 ? 0 : n);
    // A relative link (made by hand) is read from the folder of the drives.
    const QString absolue =
        QDir::cleanPath(QDir(DossierLecteurs()).absoluteFilePath(QFile::decodeName(cible)));
    const bool reseau = absolue.startsWith(PrefixePartages());
    return {reseau ? Genre::Reseau : Genre::Substitue, absolue};
}

// The Windows form of a native target, for the lists.
QString CheminWindows(const QString& natif) {
    if (natif.startsWith(PrefixePartages())) {
        QString reste = natif.mid(PrefixePartages().size());
        return QStringLiteral("\\\\") + reste.replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    const QString lecteurs = DossierLecteurs() + QLatin1Char('/');
    if (natif.startsWith(lecteurs) && natif.size() > lecteurs.size()) {
        QString reste = natif.mid(lecteurs.size() + 1);
        if (reste.startsWith(QLatin1Char('/'))) {
            reste.remove(0, 1);
        }
        return natif.mid(lecteurs.size(), 1) + QStringLiteral(":\\") +
               reste.replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    return natif;
}

// The link appears whole under its name or not at all, and never replaces an entry that
// appeared meanwhile.
bool CreerLien(QChar lettre, const QString& cible) {
    const QByteArray entree = QFile::encodeName(plateforme::Machine::EntreeLecteur(lettre));
    const QByteArray octetsCible = QFile::encodeName(cible);
    for (int essai = 0; essai < 100; ++essai) {
        const QByteArray temporaire = QFile::encodeName(
            DossierLecteurs() +
            QStringLiteral("/.%1.%2.%3.tmp").arg(lettre).arg(getpid()).arg(essai));
        if (symlink(octetsCible.constData(), temporaire.constData()) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        int r = renameat2(AT_FDCWD, temporaire.constData(), AT_FDCWD, entree.constData(),
                          RENAME_NOREPLACE);
        if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the no-replace rename: symlink() never replaces either.
            r = symlink(octetsCible.constData(), entree.constData());
        }
        unlink(temporaire.constData());
        return r == 0;
    }
    return false;
}

bool SupprimerLien(QChar lettre) {
    return unlink(QFile::encodeName(plateforme::Machine::EntreeLecteur(lettre)).constData()) == 0;
}

bool EstLettre(const QString& argument) {
    return argument.size() == 2 && argument[1] == QLatin1Char(':') &&
           argument[0].toUpper() >= QLatin1Char('A') && argument[0].toUpper() <= QLatin1Char('Z');
}

bool EstOption(const QString& argument, std::initializer_list<const char*> noms) {
    const QString a = argument.toLower();
    for (const char* nom : noms) {
        if (a == QLatin1String(nom)) {
            return true;
        }
    }
    return false;
}

void ListerLecteurs(Genre genre) {
    for (char c = 'A'; c <= 'Z'; ++c) {
        const QChar lettre = QLatin1Char(c);
        const Lecteur l = Examiner(lettre);
        if (l.genre != genre) {
            continue;
        }
        if (genre == Genre::Reseau) {
            Afficher(stdout, QStringLiteral("OK           %1:        %2")
                                 .arg(lettre)
                                 .arg(CheminWindows(l.cible)));
        } else {
            Afficher(stdout,
                     QStringLiteral("%1:\\: => %2").arg(lettre).arg(CheminWindows(l.cible)));
        }
    }
}

int Connecter(QChar lettre, const QString& partage) {
    if (Examiner(lettre).genre != Genre::Absent) {
        return ErreurSystemeNet(85,
                                QStringLiteral("Le nom de périphérique local est déjà utilisé."));
    }
    const QStringList parties = partage.mid(2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parties.size() < 2) {
        return ErreurSystemeNet(67, QStringLiteral("Le nom réseau est introuvable."));
    }
    if (!QFileInfo(plateforme::CheminNatif(QStringLiteral("\\\\") + parties[0])).isDir()) {
        return ErreurSystemeNet(53, QStringLiteral("Le chemin réseau n'a pas été trouvé."));
    }
    const QString cible =
        plateforme::CheminNatif(QStringLiteral("\\\\") + parties.join(QLatin1Char('\\')));
    if (!QFileInfo(cible).isDir()) {
        return ErreurSystemeNet(67, QStringLiteral("Le nom réseau est introuvable."));
    }
    if (!CreerLien(lettre, QDir::cleanPath(cible))) {
        if (Examiner(lettre).genre != Genre::Absent) {
            return ErreurSystemeNet(
                85, QStringLiteral("Le nom de périphérique local est déjà utilisé."));
        }
        return ErreurSystemeNet(5, QStringLiteral("Accès refusé."));
    }
    Afficher(stdout, QStringLiteral("La commande s'est terminée correctement."));
    return 0;
}

int Deconnecter(QChar lettre) {
    if (Examiner(lettre).genre != Genre::Reseau) {
        return ErreurSystemeNet(2250, QStringLiteral("La connexion réseau est introuvable."));
    }
    if (!SupprimerLien(lettre)) {
        return ErreurSystemeNet(5, QStringLiteral("Accès refusé."));
    }
    Afficher(stdout, QStringLiteral("%1: a été supprimé.").arg(lettre));
    return 0;
}

int ParametreNonValide(const QString& argument) {
    Afficher(stderr, QStringLiteral("Paramètre non valide - %1").arg(argument));
    return CodeErreurSubst;
}

int Substituer(QChar lettre, QString chemin) {
    if (Examiner(lettre).genre != Genre::Absent) {
        Afficher(stderr, QStringLiteral("Lecteur déjà SUBSTitué"));
        return CodeErreurSubst;
    }
    if (EstLettre(chemin)) {
        chemin += QLatin1Char('\\');
    }
    const QString cible = plateforme::CheminNatif(chemin);
    if (!QFileInfo(cible).isDir()) {
        Afficher(stderr, QStringLiteral("Chemin d'accès introuvable - %1").arg(chemin));
        return CodeErreurSubst;
    }
    if (!CreerLien(lettre, QDir::cleanPath(QDir(cible).absolutePath()))) {
        Afficher(stderr, QStringLiteral("Lecteur déjà SUBSTitué"));
        return CodeErreurSubst;
    }
    return 0;
}

int RetirerSubstitution(QChar lettre, const QString& argument) {
    if (Examiner(lettre).genre != Genre::Substitue || !SupprimerLien(lettre)) {
        return ParametreNonValide(argument);
    }
    return 0;
}

} // namespace

int NetUse(const QStringList& arguments) {
    QString lettre;
    QString partage;
    bool suppression = false;
    for (const QString& a : arguments) {
        if (EstLettre(a) && lettre.isEmpty()) {
            lettre = a.toUpper();
        } else if (a.startsWith(QStringLiteral("\\\\")) && partage.isEmpty()) {
            partage = a;
        } else if (EstOption(a, {"/d", "/delete"})) {
            suppression = true;
        } else if (!a.startsWith(QLatin1Char('/')) && !partage.isEmpty()) {
            // a password: the emulated shares ask for none
        } else if (!EstOption(a, {"/y", "/yes", "/n", "/no", "/savecred", "/smartcard"}) &&
                   !a.toLower().startsWith(QStringLiteral("/persistent:")) &&
                   !a.toLower().startsWith(QStringLiteral("/user:"))) {
            Afficher(stderr, QStringLiteral("La syntaxe de cette commande est :\n\nNET USE "
                                            "[lecteur: [\\\\ordinateur\\partage] [/DELETE]] "
                                            "[/YES]"));
            return 1;
        }
    }
    if (lettre.isEmpty() && partage.isEmpty() && !suppression) {
        ListerLecteurs(Genre::Reseau);
        Afficher(stdout, QStringLiteral("La commande s'est terminée correctement."));
        return 0;
    }
    if (lettre.isEmpty()) {
        return ErreurSystemeNet(67, QStringLiteral("Le nom réseau est introuvable."));
    }
    if (suppression) {
        return Deconnecter(lettre[0]);
    }
    if (partage.isEmpty()) {
        return ErreurSystemeNet(2250, QStringLiteral("La connexion réseau est introuvable."));
    }
    return Connecter(lettre[0], partage);
}

int Subst(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        ListerLecteurs(Genre::Substitue);
        return 0;
    }
    if (arguments.size() != 2) {
        return ParametreNonValide(arguments.last());
    }
    if (!EstLettre(arguments[0])) {
        return ParametreNonValide(arguments[0]);
    }
    const QChar lettre = arguments[0][0].toUpper();
    if (EstOption(arguments[1], {"/d"})) {
        return RetirerSubstitution(lettre, arguments[0]);
    }
    if (arguments[1].startsWith(QLatin1Char('/'))) {
        return ParametreNonValide(arguments[1]);
    }
    return Substituer(lettre, arguments[1]);
}

} // namespace interpreteur
