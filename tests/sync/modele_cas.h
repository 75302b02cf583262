#pragma once

#include "testutil/photos.h"

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

// Random practices for the model-based test of the synchronisation and for the fault-injection
// tests: a server base and its tree, the local copy of the last initialisation, what other
// workstations sent to the server since, and what was typed in the local copy since (new
// patients with their consultations, prescriptions, letters, reports, correspondence and
// objects of every kind, edits of older records). Everything depends on the seed only.
//
// The machine is the one of poste::Poste: \\serveur\zelvano\zelvano reached as P:, the local
// copy C:\zelvano, the practice application's INI file C:\zelvano\zelvano.ini.
namespace modele {

// Kind of a column, from its declared type.
enum class Genre { Entier, Reel, Texte, Date };

struct Colonne {
    QString nom;
    Genre genre = Genre::Texte;
    QVariant defaut; // Null when the column has none
};

// Columns of every practice table, in "select *" order, read from the practice schema itself.
using Schema = QMap<QString, QList<Colonne>>;
const Schema& SchemaPratique();
int Rang(const QString& table, const QString& colonne);

// A row: one value per column, in column order (qint64, double, QString or Null).
using Ligne = QVariantList;
using Tables = QMap<QString, QList<Ligne>>;
// Files of a practice folder, below it ("courrier/xA000012.doc"), the base folder left out.
using Arbre = photos::Arbre;

struct LigneSynchro {
    QString table;
    QString champId;
    QString champIdDossier;
    qint64 dernierNo = 0;
};

// The seven synchronised tables in the order of the table synchro.
const QList<LigneSynchro>& LignesSynchroCompletes();

struct Cas {
    quint32 graine = 0;
    QChar poste = QLatin1Char('A'); // workstation letter of zelvano.ini
    bool modifiesUniquement = false;
    QList<LigneSynchro> synchro; // the local table, in id order: 7 rows, or 6 without objet
    Tables serveur;              // the server base when the run starts (typeobjet included)
    Tables local;                // the local base when the run starts
    Arbre arbreServeur;
    Arbre arbreLocal;
    QStringList dossiersServeur; // document folders present on the server

    // Rows above dernier_no in the local base, all tables together.
    int Nouveaux() const;
    QString Resume() const;
};

// `taille` scales the counts: 1 small, 3 for a larger practice.
Cas GenererCas(quint32 graine, int taille = 1);

// Writes the case on the machine in force: both bases, both trees, zelvano.ini. Every file gets
// a last-write time of its own (a file present on both sides the same on both, as an
// initialisation leaves it).
void Installer(const Cas& cas);
// Removes both practice folders, the temporary base and the record of an interrupted run.
void Effacer();

using photos::Forme;
// Rows of a table as text ("col=I:3|col=T:x"), in identifier order (typeobjet by type and
// screen); the table synchro without its id, which the base numbers.
QStringList Texte(const QString& table, const QList<Ligne>& lignes);
// The same, read from a base (its Windows path) outside the module.
QMap<QString, QStringList> LireBase(const QString& cheminWindows);
QMap<QString, QStringList> TexteTables(const Tables& tables);
// Files below a practice folder (Windows path), hidden ones included, base folder and safety
// folders excluded.
Arbre LireArbre(const QString& dossierWindows);
// Names in the base folder of a practice folder.
QStringList FichiersBase(const QString& dossierWindows);

// The first difference between two states, empty when equal.
QString Difference(const QMap<QString, QStringList>& attendu,
                   const QMap<QString, QStringList>& obtenu);
QString Difference(const Arbre& attendu, const Arbre& obtenu);

} // namespace modele
