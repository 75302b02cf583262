#include "platform/associations.h"

#include "platform/chemins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStringList>

namespace plateforme {

namespace {

QString Variable(const char* nom, const QString& parDefaut) {
    const QString valeur = qEnvironmentVariable(nom);
    return valeur.isEmpty() ? parDefaut : valeur;
}

QStringList Liste(const char* nom, const QString& parDefaut) {
    return Variable(nom, parDefaut).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QString DonneesUtilisateur() {
    return Variable("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
}

// Folders of applications, the user's first.
QStringList DossiersApplications() {
    QStringList dossiers{DonneesUtilisateur() + QStringLiteral("/applications")};
    for (const QString& d : Liste("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))) {
        dossiers.append(d + QStringLiteral("/applications"));
    }
    return dossiers;
}

// The association files in the order they are consulted.
QStringList FichiersAssociations() {
    QStringList bureaux;
    for (const QString& b : qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                                .toLower()
                                .split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        bureaux.append(b + QStringLiteral("-mimeapps.list"));
    }
    bureaux.append(QStringLiteral("mimeapps.list"));
    QStringList dossiers{
        Variable("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"))};
    dossiers += Liste("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    dossiers += DossiersApplications();
    QStringList fichiers;
    for (const QString& d : dossiers) {
        for (const QString& b : bureaux) {
            fichiers.append(d + QLatin1Char('/') + b);
        }
    }
    for (const QString& d : DossiersApplications()) {
        fichiers.append(d + QStringLiteral("/defaults.list"));
    }
    return fichiers;
}

// The value of `cle` in the group `groupe` of a desktop-style key file; "" when absent.
QString LireCle(const QString& fichier, const QString& groupe, const QString& cle) {
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    bool dansGroupe = false;
    for (const QByteArray& brute : f.readAll().split('\n')) {
        const QString ligne = QString::fromUtf8(brute).trimmed();
        if (ligne.startsWith(QLatin1Char('['))) {
            dansGroupe = ligne == QLatin1Char('[') + groupe + QLatin1Char(']');
            continue;
        }
        const qsizetype egal = ligne.indexOf(QLatin1Char('='));
        if (dansGroupe && egal > 0 && ligne.left(egal).trimmed() == cle) {
            return ligne.mid(egal + 1).trimmed();
        }
    }
    return {};
}

// The program of an Exec line: its first argument, quotes and escapes removed.
QString ProgrammeDeExec(const QString& exec) {
    QString programme;
    if (exec.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 1; i < exec.size() && exec[i] != QLatin1Char('"'); ++i) {
            if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size()) {
                ++i;
            }
            programme += exec[i];
        }
        return programme;
    }
    return exec.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

// Full path of the program of an installed, visible application; "" otherwise. The first folder
// that holds the identifier hides the others, as the desktop reads them.
QString ProgrammeApplication(const QString& identifiant) {
    for (const QString& dossier : DossiersApplications()) {
        const QString fichier = dossier + QLatin1Char('/') + identifiant;
        if (!QFileInfo(fichier).isFile()) {
            continue;
        }
        const QString groupe = QStringLiteral("Desktop Entry");
        if (LireCle(fichier, groupe, QStringLiteral("Hidden")) == QLatin1String("true")) {
            return {};
        }
        const QString programme = ProgrammeDeExec(LireCle(fichier, groupe, QStringLiteral("Exec")));
        if (programme.isEmpty()) {
            return {};
        }
        if (QDir::isAbsolutePath(programme)) {
            const QFileInfo info(programme);
            return info.isFile() && info.isExecutable() ? programme : QString();
        }
        return QStandardPaths::findExecutable(programme);
    }
    return {};
}

} // namespace

QString ProgrammeAssocie(const QString& chemin) {
    const QString natif = CheminNatif(chemin);
    if (!QFileInfo(natif).isFile()) {
        return {};
    }
    const QString type = QMimeDatabase().mimeTypeForFile(natif).name();
    for (const QString& fichier : FichiersAssociations()) {
        const QString valeur = LireCle(fichier, QStringLiteral("Default Applications"), type);
        for (const QString& id : valeur.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString programme = ProgrammeApplication(id.trimmed());
            if (!programme.isEmpty()) {
                return programme;
            }
        }
    }
    return {};
}

} // namespace plateforme
