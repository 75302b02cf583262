#pragma once

#include "platform/montages.h"
#include "preparation/reglages.h"

#include <QList>
#include <QString>
#include <QStringList>

// A real workstation of a practice on its emulated machine: the share \\SERVEUR\PARTAGE is the
// folder where the practice's network share is mounted, C: a local folder of the machine,
// synchro.ini names the practice's folders, and the program's folder holds the stand-ins. Then
// a check tells, in French, what is still missing. Nothing on the share is written.
namespace preparation {

struct OptionsPoste {
    ReglagesPratique reglages; // partage required; inifile empty: C:\<zelvanodir>\zelvano.ini
    QString montage;           // native folder where the share is mounted
    QString poste;             // workstation letter for the practice's INI file; empty: unchanged
    QString programmes;        // native folder of the stand-in programs to link
};

struct BilanPoste {
    QString refus;         // why nothing was prepared; empty when the machine was prepared
    QStringList faits;     // what was prepared, one line each
    QStringList manques;   // what the check found missing, one line each
    QStringList remarques; // what deserves a look without stopping anything
    bool Pret() const { return refus.isEmpty() && manques.isEmpty(); }
};

// The programs a workstation starts: the stand-ins linked into the program's folder, the
// stand-in practice application as <racineLocale>\zelvano.exe, both from the native folder
// `programmes`.
struct ProgrammesInstalles {
    QStringList nonLies; // stand-ins not found in `programmes`
    QString application; // the practice application's Windows path; empty when not put
};
ProgrammesInstalles InstallerProgrammes(const QString& programmes, const QString& racineLocale);

// Prepares the machine the platform layer points at. `table` is the mount table the share's
// mount is judged by (plateforme::TableMontages() on a real workstation). A share mounted so
// that SQLite's locks cannot reach the server (FUSE, nobrl...) is refused before anything is
// written.
BilanPoste PreparerPoste(const OptionsPoste& options, const QList<plateforme::Montage>& table);

// How to start synchro on the machine just prepared: "synchro" on the default machine, else
// the command line that names the machine (ZELVANO_MACHINE=... synchro), quoted for the shell.
QString CommandeSynchro();

} // namespace preparation
