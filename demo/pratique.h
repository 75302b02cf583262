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
    // With `local`: the fingerprint the initialisation takes of the local copy
    // (C:\zelvano\sauvegardes\empreintes.dat) and its ancestor (ancetre.mdb), so that its
    // modifications can be told and carried.
    bool empreinte = false;
    // With `local`: patients saved on the server by other workstations since the local copy was
    // made, numbered on from the server's numbers as the local new ones are: a synchronisation
    // then gives the local new records other numbers.
    int autres = 0;
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
    QMap<QString, int> autres;   // rows above those maxima in the server base
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

// Why the native folder `dossier` is not a demo machine that SupprimerMachine may remove (a
// French sentence), or empty when it is one: a folder (not a link) holding the folders drives/
// and unc/ and nothing else at its top level, whose share \\serveur\zelvano is a folder of its
// own, not a link to a practice's share as on a prepared workstation.
QString RefusSuppression(const QString& dossier);

// Removes the demo machine `dossier` (native path), and nothing else: refused (plateforme::Erreur
// with the RefusSuppression text) when it is not one. Symbolic links (mapped drives, the
// stand-ins of the program's folder) are removed, never followed. Raises plateforme::Erreur when
// some of it could not be removed.
void SupprimerMachine(const QString& dossier);

} // namespace demo
