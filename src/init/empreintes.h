#pragma once

#include <QHash>
#include <QList>
#include <QString>

// What the local base holds that neither a synchronisation nor an initialisation keeps. A
// synchronisation sends only the records created locally (identifiers above dernier_no in the
// seven tables of the table synchro); the initialisation after it, like a manual one, replaces
// everything else. To tell the user beforehand, every successful initialisation records a
// fingerprint of each row of each table of the new local base (its key and a hash of its
// values) in C:\zelvano\sauvegardes\empreintes.dat, beside the safety folders, never in a folder
// the copies touch; the local base is later compared with it.

// C:\zelvano\sauvegardes\empreintes.dat
QString CheminEmpreintes();

// Fingerprint of the local base as the initialisation just left it (its table synchro full).
// Raises plateforme::Erreur.
void EnregistrerEmpreintes();
// The local base is about to be replaced: its fingerprint no longer tells anything.
void OublierEmpreintes();

struct ModificationLocale {
    QString table;
    qint64 cle = 0; // the key, or the row number of a table without one
    QString nature; // "modifié", "supprimé", "ajouté", or "non envoyé" (a new object no rule sends)
};

struct ModificationsLocales {
    bool empreinte = false; // false: the base was initialised before fingerprints were taken
    QList<ModificationLocale> lignes;
};

// The local base against its fingerprint: old rows changed or deleted (identifiers up to
// dernier_no in the seven tables, every row elsewhere) and rows added outside those tables.
// `initialisation`: nothing will send the new records of the seven tables either, so they count
// as added rows too, unless a synchronisation sent them (its table synchro emptied); before a
// synchronisation, the new objects that no rule sends are listed as not sent. The table synchro
// itself, which the runs write, is left out. Raises plateforme::Erreur when a base or the
// fingerprint cannot be read.
ModificationsLocales AnalyserModificationsLocales(bool initialisation);

// Identifiers of rows by table name in lower case.
using LignesParTable = QHash<QString, QList<qint64>>;

// A synchronisation carries to the server the old records of the seven tables changed on the
// laptop (setting reporter, and an ancestor kept by the last initialisation): those are then
// not lost.
bool ReportPossible();
// Takes those rows out of the modifications, and gives them.
LignesParTable RetirerReportables(ModificationsLocales& modifications);

// Before a synchronisation sends anything and before a manual initialisation: writes the
// modifications that will be lost into modifications.csv of the run's safety folder and
// journals "ATTENTION : n modification(s) de la base locale ne seront pas recopiées sur la base
// distante (détail : ...)" when there are any; says once that a base without fingerprint cannot
// be checked. Never stops the run: what cannot be checked is said in the journal. Gives, before a
// synchronisation that carries them, the changed rows it will carry.
LignesParTable SignalerModificationsLocales(bool initialisation);

// The new records of the local base, per table of the table synchro, and the documents or
// object files that go with them; with `envoyesSeulement`, without the objects that no rule
// sends.
struct NouveauxTable {
    QString table;
    qint64 enregistrements = 0;
    qint64 documents = 0;
};
// Raises plateforme::Erreur when the local base cannot be read.
QList<NouveauxTable> CompterNouveauxEnregistrements(bool envoyesSeulement);

// The details of the confirmation box of a synchronisation (`initialisation` false) or of an
// initialisation: per table, the new records that will be sent (or, before an initialisation,
// replaced without being sent), their documents, and the local modifications that will be lost.
// Never raises: what cannot be read is said in the text.
QString ApercuBaseLocale(bool initialisation);
