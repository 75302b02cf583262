// robocopy.exe: the stand-in of the Windows robust file-copy program, on the emulated machine.
//
//   robocopy.exe SOURCE DESTINATION [FICHIER...] [/S] [/E] [/R:n] [/W:n] [/NP] [/NFL] [/NDL]
//                [/NJH] [/NJS]
//
// Copies from the folder SOURCE into the folder DESTINATION (created when missing) every file,
// hidden ones included, matching the patterns FICHIER (all files by default) that is new or
// differs in size or last-write time; files already alike are skipped and extra destination
// files are left alone. /S also copies the non-empty subfolders, /E every subfolder including
// the empty ones. A failed file is retried n times (/R:n, default 1000000) after n seconds
// (/W:n, default 30). Each file keeps its last-write time and is written under a temporary name
// then renamed. The output options are accepted; only a short summary is printed.
// Exit code, as ROBOCOPY's: 0 nothing copied, +1 files copied, +2 extra destination entries,
// +8 some files failed, 16 a fatal error (bad command line, missing source).
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr int FichiersCopies = 1;
constexpr int Extras = 2;
constexpr int Echecs = 8;
constexpr int Fatal = 16;

struct Options {
    bool sousDossiers = false;
    bool dossiersVides = false;
    qint64 essais = 1000000;
    qint64 attenteSecondes = 30;
    QStringList motifs;
};

struct Compteurs {
    qint64 dossiers = 0;
    qint64 dossiersCopies = 0;
    qint64 fichiers = 0;
    qint64 copies = 0;
    qint64 ignores = 0;
    qint64 echecs = 0;
    qint64 extras = 0;
};

QTextStream& Console() {
    static QTextStream sortie(stdout);
    return sortie;
}

bool LireOption(const QString& argument, Options& options) {
    const QString option = argument.toUpper();
    static const QRegularExpression nombre(QStringLiteral("^/([RW]):(\\d+)$"));
    const QRegularExpressionMatch m = nombre.match(option);
    if (m.hasMatch()) {
        bool ok = false;
        const qint64 n = m.captured(2).toLongLong(&ok);
        if (!ok) {
            return false;
        }
        (m.captured(1) == QLatin1String("R") ? options.essais : options.attenteSecondes) = n;
        return true;
    }
    if (option == QLatin1String("/S")) {
        options.sousDossiers = true;
    } else if (option == QLatin1String("/E")) {
        options.sousDossiers = true;
        options.dossiersVides = true;
    } else {
        static const QStringList sorties{QStringLiteral("/NP"), QStringLiteral("/NFL"),
                                         QStringLiteral("/NDL"), QStringLiteral("/NJH"),
                                         QStringLiteral("/NJS")};
        return sorties.contains(option);
    }
    return true;
}

// A temporary file of an interrupted copy of ours (see plateforme::CopierFichier): never a file
// of the tree.
bool EstProvisoire(const QString& nom) {
    return nom.startsWith(QLatin1String(".~synchro-")) && nom.endsWith(QLatin1String(".tmp"));
}

// One entry of a folder as a single stat of it tells (a link is followed; a dangling link is a
// file that will fail to copy, as any other special file).
struct Entree {
    QString nom;
    bool dossier = false;
    bool fichier = false;
    qint64 taille = 0;
    qint64 ecritureMs = 0; // last-write time, to the millisecond as the system shows it
};

// The entries of a native folder, "." and ".." left out, hidden ones included; each is looked at
// once through the folder's descriptor. A folder that cannot be read gives none.
QList<Entree> Lister(const QString& dossier) {
    QList<Entree> entrees;
    DIR* d = ::opendir(QFile::encodeName(dossier).constData());
    if (d == nullptr) {
        return entrees;
    }
    const int fd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) {
            continue;
        }
        Entree entree;
        entree.nom = QFile::decodeName(e->d_name);
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, 0) == 0) {
            entree.dossier = S_ISDIR(st.st_mode);
            entree.fichier = S_ISREG(st.st_mode);
            entree.taille = static_cast<qint64>(st.st_size);
            entree.ecritureMs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000 +
                                static_cast<qint64>(st.st_mtim.tv_nsec) / 1000000;
        }
        entrees.append(entree);
    }
    ::closedir(d);
    return entrees;
}

bool OrdreDesNoms(const Entree& a, const Entree& b) {
    return QString::compare(a.nom, b.nom, Qt::CaseInsensitive) < 0;
}

// The entries of a destination folder by their case-folded names: Windows has one file per
// name, whatever its case.
QHash<QString, Entree> Entrees(const QString& dossier) {
    QHash<QString, Entree> entrees;
    if (dossier.isEmpty()) {
        return entrees;
    }
    for (Entree& e : Lister(dossier)) {
        const QString cle = e.nom.toCaseFolded();
        entrees.insert(cle, std::move(e));
    }
    return entrees;
}

bool Identiques(const Entree& source, const Entree& cible) {
    return cible.fichier && source.taille == cible.taille && source.ecritureMs == cible.ecritureMs;
}

// The name patterns of the command line, made once; "*" alone matches everything.
class Motifs {
public:
    explicit Motifs(const QStringList& motifs) {
        for (const QString& m : motifs) {
            if (m == QLatin1String("*")) {
                tout_ = true;
            }
            expressions_.append(
                QRegularExpression(QRegularExpression::wildcardToRegularExpression(m),
                                   QRegularExpression::CaseInsensitiveOption));
        }
    }
    bool Correspond(const QString& nom) const {
        if (tout_) {
            return true;
        }
        for (const QRegularExpression& e : expressions_) {
            if (e.match(nom).hasMatch()) {
                return true;
            }
        }
        return false;
    }

private:
    bool tout_ = false;
    QList<QRegularExpression> expressions_;
};

class Copieur {
public:
    explicit Copieur(const Options& options)
        : options_(options)
        , motifs_(options.motifs) {}

    Compteurs compteurs;

    void CopierDossier(const QString& source, const QString& destination, bool racine) {
        ++compteurs.dossiers;
        bool existe = QFileInfo(destination).isDir();
        if (!existe && (racine || options_.dossiersVides)) {
            existe = Creer(destination);
            if (!existe) {
                return;
            }
        }
        const QHash<QString, Entree> entrees = Entrees(existe ? destination : QString());
        QSet<QString> vus;
        QList<Entree> fichiers;
        QList<Entree> sousDossiers;
        for (Entree& e : Lister(source)) {
            if (e.dossier) {
                if (options_.sousDossiers) {
                    sousDossiers.append(std::move(e));
                }
            } else if (motifs_.Correspond(e.nom)) {
                fichiers.append(std::move(e));
            }
        }
        std::sort(fichiers.begin(), fichiers.end(), OrdreDesNoms);
        std::sort(sousDossiers.begin(), sousDossiers.end(), OrdreDesNoms);
        const QString prefixeSource = source + QLatin1Char('/');
        const QString prefixeCible = destination + QLatin1Char('/');
        QStringList aCopier;
        for (const Entree& fichier : fichiers) {
            if (EstProvisoire(fichier.nom)) {
                continue;
            }
            ++compteurs.fichiers;
            const QString cle = fichier.nom.toCaseFolded();
            vus.insert(cle);
            const auto trouve = entrees.constFind(cle);
            if (trouve != entrees.constEnd() && Identiques(fichier, *trouve)) {
                ++compteurs.ignores;
                continue;
            }
            if (!existe) {
                existe = Creer(destination);
                if (!existe) {
                    ++compteurs.echecs;
                    continue;
                }
            }
            // Like ROBOCOPY, a read-only destination is replaced.
            if (trouve != entrees.constEnd()) {
                RendreModifiable(prefixeCible + trouve->nom);
            }
            aCopier.append(fichier.nom);
        }
        if (!aCopier.isEmpty()) {
            CopierFichiers(source, destination, aCopier);
        }
        for (const Entree& sous : sousDossiers) {
            const QString cle = sous.nom.toCaseFolded();
            vus.insert(cle);
            const auto trouve = entrees.constFind(cle);
            CopierDossier(prefixeSource + sous.nom,
                          prefixeCible + (trouve != entrees.constEnd() ? trouve->nom : sous.nom),
                          false);
        }
        for (auto it = entrees.constBegin(); it != entrees.constEnd(); ++it) {
            if (!vus.contains(it.key()) && (it->dossier ? options_.sousDossiers : true)) {
                ++compteurs.extras;
            }
        }
    }

private:
    bool Creer(const QString& natif) {
        if (QDir().mkpath(natif)) {
            ++compteurs.dossiersCopies;
            return true;
        }
        Console() << "ERREUR : impossible de créer le répertoire " << natif << Qt::endl;
        return false;
    }

    static void RendreModifiable(const QString& cible) {
        const QFileInfo info(cible);
        if (info.isFile() &&
            (info.permissions() &
             (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)) == 0) {
            QFile::setPermissions(cible, QFile::permissions(cible) | QFileDevice::WriteOwner |
                                             QFileDevice::WriteUser);
        }
    }

    // The files of one folder, through a lot of copies made durable together (see
    // plateforme::LotCopies); a failed file is tried again as /R and /W say.
    void CopierFichiers(const QString& source, const QString& destination,
                        const QStringList& noms) {
        const plateforme::DossierOuvert src(source);
        const plateforme::DossierOuvert dst(destination);
        const QString prefixe = source + QLatin1Char('/');
        plateforme::LotCopies lot(
            dst, [this](const QString&) { ++compteurs.copies; },
            [this, &prefixe](const QString& nom, const plateforme::Erreur& e) {
                Signaler(e, prefixe + nom);
                ++compteurs.echecs;
            });
        for (const QString& nom : noms) {
            for (qint64 essai = 0;; ++essai) {
                try {
                    lot.Copier(src, nom);
                    break;
                } catch (const plateforme::Erreur& e) {
                    Signaler(e, prefixe + nom);
                    if (essai >= options_.essais) {
                        ++compteurs.echecs;
                        break;
                    }
                    Console() << "Nouvelle tentative dans " << options_.attenteSecondes
                              << " secondes..." << Qt::endl;
                    QThread::sleep(static_cast<unsigned long>(options_.attenteSecondes));
                }
            }
        }
        lot.Placer();
    }

    static void Signaler(const plateforme::Erreur& e, const QString& source) {
        Console() << "ERREUR " << e.Number() << " copie du fichier " << source << " : "
                  << e.Description() << Qt::endl;
    }

    const Options& options_;
    const Motifs motifs_;
};

void Resume(const QString& source, const QString& destination, const Compteurs& c) {
    QTextStream& s = Console();
    s << "ROBOCOPY : " << source << " -> " << destination << Qt::endl;
    s << "             Total    Copié   Ignoré    Échec   Extras" << Qt::endl;
    s << QStringLiteral("   Rép. : %1 %2 %3 %4 %5")
             .arg(c.dossiers, 8)
             .arg(c.dossiersCopies, 8)
             .arg(c.dossiers - c.dossiersCopies, 8)
             .arg(0, 8)
             .arg(QStringLiteral("-"), 8)
      << Qt::endl;
    s << QStringLiteral("Fichiers : %1 %2 %3 %4 %5")
             .arg(c.fichiers, 8)
             .arg(c.copies, 8)
             .arg(c.ignores, 8)
             .arg(c.echecs, 8)
             .arg(c.extras, 8)
      << Qt::endl;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    Options options;
    QStringList positionnels;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        if (argument.startsWith(QLatin1Char('/'))) {
            if (!LireOption(argument, options)) {
                Console() << "ERREUR : paramètre non valide : \"" << argument << "\"" << Qt::endl;
                return Fatal;
            }
        } else {
            positionnels.append(argument);
        }
    }
    if (positionnels.size() < 2) {
        Console() << "ERREUR : la source et la destination doivent être indiquées." << Qt::endl;
        return Fatal;
    }
    options.motifs = positionnels.mid(2);
    if (options.motifs.isEmpty()) {
        options.motifs.append(QStringLiteral("*"));
    }
    for (QString& motif : options.motifs) {
        if (motif == QLatin1String("*.*")) {
            motif = QStringLiteral("*"); // every name, with or without a dot
        }
    }
    const QString source = plateforme::CheminNatif(positionnels[0]);
    const QString destination = plateforme::CheminNatif(positionnels[1]);
    if (!QFileInfo(source).isDir()) {
        Console() << "ERREUR 2 : accès au répertoire source " << positionnels[0]
                  << " : le fichier spécifié est introuvable." << Qt::endl;
        return Fatal;
    }
    Copieur copieur(options);
    copieur.CopierDossier(source, destination, true);
    Resume(positionnels[0], positionnels[1], copieur.compteurs);
    const Compteurs& c = copieur.compteurs;
    return (c.copies > 0 ? FichiersCopies : 0) | (c.extras > 0 ? Extras : 0) |
           (c.echecs > 0 ? Echecs : 0);
}
