#pragma once

#include <QChar>
#include <QString>

// The emulated Windows machine. Everything above this layer speaks Windows paths
// (P:\zelvano\bd\zelvano.mdb, \\serveur\zelvano); this is where they meet the POSIX file system.
//
//   <racine>/drives/X        drive letter X: a folder is a local disk, a symbolic link a mapped
//                            (net use) or substituted (subst) drive; no entry, no drive.
//   <racine>/unc/SRV/SHARE   the share \\SRV\SHARE.
//
// The root is $ZELVANO_MACHINE, else $XDG_DATA_HOME/zelvano/machine
// (~/.local/share/zelvano/machine).
namespace plateforme {

class Machine {
public:
    // The machine folder; drive C is created as a folder when missing.
    static QString Racine();
    // Tests and the demo point the layer at another machine.
    static void DefinirRacine(const QString& dossierNatif);
    // The machine of a process started without $ZELVANO_MACHINE:
    // $XDG_DATA_HOME/zelvano/machine (~/.local/share by default).
    static QString RacineParDefaut();

    // Native entry that stands for drive `lettre` (whether or not it exists).
    static QString EntreeLecteur(QChar lettre);
    // Native folder that stands for \\serveur\partage.
    static QString DossierPartage(const QString& serveur, const QString& partage);
};

// Native path of a Windows path: "X:\a\b" -> <racine>/drives/X/a/b, "\\S\P\a" ->
// <racine>/unc/S/P/a, anything else is native with "\" read as "/". A component that does not
// exist with its exact case is matched without regard to case, as Windows would.
QString CheminNatif(const QString& cheminWindows);

// The program's folder, a folder of the emulated machine in Windows form, without a final "\":
// C:\Program Files\Zelvano. The module writes synchro.log and tmpbd.mdb there and finds the
// stand-in programs there (linked by PreparerDossierProgramme, dossier_programme.h), whether it
// runs from its build folder or installed.
QString DossierProgramme();
// Tests and benchmarks: another folder (a Windows path, or a native one off the machine); empty
// for the default one.
void DefinirDossierProgramme(const QString& cheminWindows);

// Windows folders of the emulated machine, in Windows form.
QString DossierWindows();    // C:\WINDOWS
QString DossierSysteme();    // C:\WINDOWS\SYSTEM32
QString DossierTemporaire(); // with a final "\"
QString DossierMesDocuments();

} // namespace plateforme
