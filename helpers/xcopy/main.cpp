// xcopy.exe: the stand-in of the Windows folder-copy program, on the emulated machine.
//
//   xcopy.exe SOURCE [DESTINATION] [/Y] [/-Y] [/R] [/S] [/E] [/H] [/I] [/K] [/C] [/Q]
//
// Copies the files of SOURCE (a folder, a file or a name pattern) into the folder DESTINATION
// (created when missing; the current folder when omitted); /S also copies every non-empty
// subfolder, /E the empty ones too; /H hidden files as well; /R overwrites read-only files; /Y
// replaces without asking (else the question is asked on the console); /K keeps the read-only
// attribute (else a copy is never read-only); /C goes on after a failed file; /I and /Q are
// accepted (the destination is always a folder; only a summary is printed). Each file keeps
// its last-write time and is written under a temporary name then renamed. Switches may stand
// anywhere on the line. Exit code: 0 files copied, 1 nothing to copy, 4 bad command line or
// source, 5 a file could not be copied.
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

struct Options {
    bool sansQuestion = false;
    bool lectureSeule = false;
    bool sousDossiers = false;
    bool dossiersVides = false;
    bool caches = false;
    bool garderAttributs = false;
    bool continuer = false;
};

enum Sortie { Copie = 0, RienACopier = 1, LigneIncorrecte = 4, EchecEcriture = 5 };

QTextStream& Console() {
    static QTextStream sortie(stdout);
    return sortie;
}

QTextStream& Erreurs() {
    static QTextStream sortie(stderr);
    return sortie;
}

bool LireOption(const QString& argument, Options& options) {
    const QString nom = argument.mid(1).toUpper();
    if (nom == QLatin1String("Y")) {
        options.sansQuestion = true;
    } else if (nom == QLatin1String("-Y")) {
        options.sansQuestion = false;
    } else if (nom == QLatin1String("R")) {
        options.lectureSeule = true;
    } else if (nom == QLatin1String("S")) {
        options.sousDossiers = true;
    } else if (nom == QLatin1String("E")) {
        options.sousDossiers = true;
        options.dossiersVides = true;
    } else if (nom == QLatin1String("H")) {
        options.caches = true;
    } else if (nom == QLatin1String("K")) {
        options.garderAttributs = true;
    } else if (nom == QLatin1String("C")) {
        options.continuer = true;
    } else if (nom != QLatin1String("I") && nom != QLatin1String("Q")) {
        return false;
    }
    return true;
}

// The Windows read-only attribute: no write permission at all.
bool EstLectureSeule(const QFileInfo& info) {
    return (info.permissions() &
            (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)) == 0;
}

void RendreModifiable(const QString& natif) {
    QFile::setPermissions(natif, QFile::permissions(natif) | QFileDevice::WriteOwner |
                                     QFileDevice::WriteUser);
}

// The entries of a destination folder by their case-folded names: Windows has one file per
// name, whatever its case, and a copy goes over the entry already there.
class EntreesDestination {
public:
    explicit EntreesDestination(const QString& dossier) {
        if (dossier.isEmpty()) {
            return; // not created yet: nothing in it
        }
        const QStringList entrees = QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden |
                                                            QDir::System | QDir::NoDotAndDotDot);
        for (const QString& e : entrees) {
            noms_.insert(e.toCaseFolded(), e);
        }
    }
    QString Nom(const QString& nom) const { return noms_.value(nom.toCaseFolded(), nom); }

private:
    QHash<QString, QString> noms_;
};

class Copieur {
public:
    explicit Copieur(const Options& options)
        : options_(options) {}

    int copies = 0;
    bool echec = false;
    bool arret = false;

    // Copies the files of `source` matching `motif` into `destination`, then its subfolders.
    void CopierDossier(const QString& source, const QString& destination, const QString& motif,
                       bool racine) {
        QDir dossier(source);
        QDir::Filters filtres = QDir::Files | QDir::NoDotAndDotDot;
        if (options_.caches) {
            filtres |= QDir::Hidden | QDir::System;
        }
        const QStringList fichiers =
            dossier.entryList({motif}, filtres, QDir::Name | QDir::IgnoreCase);
        bool creee = QFileInfo(destination).isDir();
        if (!creee && (racine || options_.dossiersVides)) {
            creee = Creer(destination);
        }
        const EntreesDestination entrees(creee ? destination : QString());
        if (!fichiers.isEmpty() && (creee || Creer(destination))) {
            CopierFichiers(source, destination, fichiers, entrees);
        }
        if (arret || !options_.sousDossiers) {
            return;
        }
        QDir::Filters filtresDossiers = QDir::Dirs | QDir::NoDotAndDotDot;
        if (options_.caches) {
            filtresDossiers |= QDir::Hidden | QDir::System;
        }
        for (const QString& nom :
             dossier.entryList(filtresDossiers, QDir::Name | QDir::IgnoreCase)) {
            if (arret) {
                return;
            }
            CopierDossier(dossier.filePath(nom), QDir(destination).filePath(entrees.Nom(nom)),
                          QStringLiteral("*"), false);
        }
    }

private:
    bool Creer(const QString& natif) {
        if (QDir().mkpath(natif)) {
            return true;
        }
        Erreurs() << "Impossible de créer le répertoire - " << natif << Qt::endl;
        echec = true;
        arret = true;
        return false;
    }

    bool Remplacer(const QString& natif) {
        if (options_.sansQuestion) {
            return true;
        }
        if (toutRemplacer_) {
            return true;
        }
        Console() << "Remplacer " << natif << " (Oui/Non/Tous) ? " << Qt::flush;
        std::string reponse;
        if (!std::getline(std::cin, reponse) || reponse.empty()) {
            return false;
        }
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(reponse[0])));
        if (c == 'T' || c == 'A') {
            toutRemplacer_ = true;
        }
        return c == 'O' || c == 'Y' || toutRemplacer_;
    }

    // The files of one folder, through a lot of copies made durable together (see
    // plateforme::LotCopies); those copied before a stop are still put in place.
    void CopierFichiers(const QString& source, const QString& destination,
                        const QStringList& fichiers, const EntreesDestination& entrees) {
        const plateforme::DossierOuvert src(source);
        const plateforme::DossierOuvert dst(destination);
        const QString prefixe = source + QLatin1Char('/');
        plateforme::LotCopies lot(
            dst, [this](const QString&) { ++copies; },
            [this, &prefixe](const QString& nom, const plateforme::Erreur& e) {
                Erreur(e.Description(), prefixe + nom);
            });
        for (const QString& nom : fichiers) {
            if (arret) {
                break;
            }
            if (!Preparer(prefixe + nom, QDir(destination).filePath(entrees.Nom(nom)))) {
                continue;
            }
            try {
                // Without /K a copy is never read-only.
                lot.Copier(src, nom, !options_.garderAttributs);
            } catch (const plateforme::Erreur& e) {
                Erreur(e.Description(), prefixe + nom);
            }
        }
        lot.Placer();
    }

    // What comes before the copy over an existing file: the question, and a read-only file
    // made writable with /R. False when the file is not to be copied.
    bool Preparer(const QString& source, const QString& cible) {
        const QFileInfo info(cible);
        if (!info.exists()) {
            return true;
        }
        if (!Remplacer(cible)) {
            return false;
        }
        if (EstLectureSeule(info)) {
            if (!options_.lectureSeule) {
                Erreur(QStringLiteral("Accès refusé"), source);
                return false;
            }
            RendreModifiable(cible);
        }
        return true;
    }

    void Erreur(const QString& texte, const QString& chemin) {
        Erreurs() << texte << " - " << chemin << Qt::endl;
        echec = true;
        if (!options_.continuer) {
            arret = true;
        }
    }

    const Options& options_;
    bool toutRemplacer_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    Options options;
    QStringList chemins;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('/'))) {
            if (!LireOption(argument, options)) {
                Erreurs() << "Option non valide - " << argument << Qt::endl;
                return LigneIncorrecte;
            }
        } else {
            chemins.append(argument);
        }
    }
    if (chemins.isEmpty() || chemins.size() > 2) {
        Erreurs() << "Nombre de paramètres non valide" << Qt::endl;
        return LigneIncorrecte;
    }
    const QString source = plateforme::CheminNatif(chemins[0]);
    const QString destination =
        plateforme::CheminNatif(chemins.size() == 2 ? chemins[1] : QStringLiteral("."));

    QString dossierSource = source;
    QString motif = QStringLiteral("*");
    if (!QFileInfo(source).isDir()) {
        // A file or a name pattern in a folder.
        const QFileInfo info(source);
        dossierSource = info.absolutePath();
        motif = info.fileName();
        if (motif == QLatin1String("*.*")) {
            motif = QStringLiteral("*"); // every name, with or without a dot
        }
        if (!QFileInfo(dossierSource).isDir() ||
            QDir(dossierSource).entryList({motif}, QDir::Files).isEmpty()) {
            Erreurs() << "Fichier introuvable - " << chemins[0] << Qt::endl;
            Console() << "0 fichier(s) copié(s)" << Qt::endl;
            return LigneIncorrecte;
        }
    }
    Copieur copieur(options);
    copieur.CopierDossier(dossierSource, destination, motif, true);
    Console() << copieur.copies << " fichier(s) copié(s)" << Qt::endl;
    if (copieur.echec) {
        return EchecEcriture;
    }
    return copieur.copies > 0 ? Copie : RienACopier;
}
