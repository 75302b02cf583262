#pragma once

#include <QString>
#include <QStringList>

// The program's folder of the emulated machine (DossierProgramme, chemins.h) holds the stand-in
// programs the module starts by name or from its folder, as links to the programs built or
// installed with it: the machine then needs nothing of the build or installation folder.
namespace plateforme {

// The stand-in programs of the program's folder, by their Windows names.
const QStringList& ProgrammesDuDossier();

// Makes the program's folder and links there each stand-in found in `dossierBinaires` (the
// native folder of the running module or tool), replacing a link already there; an ordinary
// file of that name is left alone. Gives the names it could not link.
QStringList PreparerDossierProgramme(const QString& dossierBinaires);

// Makes the native entry `lien` a symbolic link to `cible`, in place of a link already there
// (never of a file or folder); its folder is made. False when it could not.
bool PoserLien(const QString& cible, const QString& lien);

// Makes `cheminWindows` a link to the native program `cible` (folders created, a link already
// there replaced); an ordinary file of that name is left alone. False when no program stands
// at `cheminWindows` afterwards.
bool LierProgramme(const QString& cible, const QString& cheminWindows);

} // namespace plateforme
