#pragma once

#include "settings/cles.h"

#include <QList>
#include <QString>

#include <utility>

// The settings of synchro.ini that tie a workstation to its practice: the drive letter, the
// server share, the local disk and the folder names of the practice tree. The demo practice and
// a real workstation write them the same way.
namespace preparation {

struct ReglagesPratique {
    QString unite = QStringLiteral("P");
    QString partage; // [serveur] fmpath: \\SERVEUR\PARTAGE
    QString zelvanodir = QStringLiteral("zelvano");
    QString bddir = QStringLiteral("bd");
    // The document folders by their keys, in the order the demo practice writes them.
    QList<std::pair<const cles::Cle*, QString>> documents = {
        {&cles::courrierdir, QStringLiteral("courrier")},
        {&cles::crodir, QStringLiteral("cro")},
        {&cles::corresdir, QStringLiteral("corres")},
        {&cles::datadir, QStringLiteral("data")},
        {&cles::certifdir, QStringLiteral("certif")},
        {&cles::flashdir, QStringLiteral("flash")},
        {&cles::modeledir, QStringLiteral("modeles")}};
    QString inifile; // the practice application's own INI file (a Windows path)
};

// Writes one key of an INI file of the machine; raises plateforme::Erreur 70 when the file
// cannot be written.
void EcrireCleIni(const QString& section, const QString& cle, const QString& valeur,
                  const QString& fichier);
// The same for a key of synchro.ini.
void EcrireCleIni(const cles::Cle& cle, const QString& valeur, const QString& fichier);

// Writes the settings into `fichierIni` (a Windows path), keeping its other keys; the local disk
// is C:.
void EcrireReglages(const ReglagesPratique& reglages, const QString& fichierIni);

} // namespace preparation
