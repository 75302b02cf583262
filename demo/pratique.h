#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// The demo practice: an emulated machine with a server share holding the practice tree (base,
// letters, reports, correspondence, object files), a local disk C, the practice application's
// INI file and a synchro.ini pointing at them. The same generator feeds the program
// zelvano-demo, the tests and the benchmarks. Everything it makes depends only on the options:
// the same seed gives the same records and the same files.
namespace demo {

// The SQL text of the practice schema (schema.sql).
QString SchemaPratique();

// Creates an empty practice base (every table, no row) at a native path; raises
// plateforme::Erreur 58 when the file exists.
void CreerBasePratique(const QString& fichierNatif);

struct OptionsDemo {
    QString machine; // native folder of the machine; empty: the one in force
    int patients = 50;
    int consultations = 3; // per patient
    int documents = 60;    // letters, reports and correspondence, in turn
    int objets = 40;       // attached objects, of every kind in turn
    quint32 graine = 1;
    bool local = false;     // also the local copy, initialised as an initialisation leaves it
    int nouveaux = 0;       // with `local`: patients created in the local copy since
    bool remplacer = false; // replace a demo practice already in the folder
    // Native folder of the stand-in programs and of the stand-in practice application, linked
    // into the program's folder and as C:\zelvano\zelvano.exe; empty: the program's folder is
    // made empty and no application is put.
    QString programmes;
    bool differee = false; // a deferred synchronisation armed for the current minute
};

// What was built (Windows paths of the machine; counts per table).
struct BilanDemo {
    QString racine;              // native folder of the machine
    QString baseDistante;        // \\serveur\zelvano\zelvano\bd\zelvano.mdb
    QString baseLocale;          // C:\zelvano\bd\zelvano.mdb, empty without `local`
    QString fichierIni;          // C:\WINDOWS\synchro.ini
    QString application;         // C:\zelvano\zelvano.exe, empty when none was put
    QStringList nonLies;         // stand-ins that could not be linked into the program's folder
    QMap<QString, int> distants; // rows per table of the server base
    QMap<QString, int> maxima;   // largest identifier per table of the server base (0 if empty)
    QMap<QString, int> nouveaux; // rows above those maxima in the local base
    int fichiers = 0;            // document and data files written
};

// A day of work on the local copy an initialisation left (C:\zelvano of options.machine):
// options.nouveaux patients created there with their consultations, prescriptions, documents and
// objects, files included, and new consultations of patients already there, numbered on from
// what the local base holds. Raises plateforme::Erreur.
BilanDemo AjouterJournee(const OptionsDemo& options);

// Builds the machine; raises plateforme::Erreur (58 when a demo practice is there and
// `remplacer` is off). Points the platform layer at options.machine when it is given.
BilanDemo GenererDemo(const OptionsDemo& options);

} // namespace demo
