#pragma once

// What a test reads back of the machine outside the module, to compare states: the files below a
// folder, every table of a practice base. Native paths.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

struct sqlite3;

namespace photos {

// Files below a folder by their path under it ("courrier/xA000012.doc"), hidden ones included;
// "!illisible" for one that cannot be read.
using Arbre = QMap<QString, QByteArray>;
Arbre LireArbre(const QString& natif);

// What a query read: its columns and rows (a qint64, double, QString, QByteArray or Null per
// value), or SQLite's error when it could not read them all (the rows before it kept).
struct Lecture {
    QStringList colonnes;
    QList<QVariantList> lignes;
    QString erreur;
};
Lecture Lire(sqlite3* db, const QString& sql);

// A value as the base stores it, with its kind: "N", "I:3", "R:25.5", "T:Dupont", "B:ff00".
QString Forme(const QVariant& valeur);
// The rows, one a line, each value after its column: "identifiant=I:3|nom=T:Dupont".
QStringList Texte(const Lecture& lecture);

// Every practice table of a base, rows in identifier order (typeobjet by type and screen). Opened
// read-write, so that a journal left by an interrupted writer is rolled back first, as any
// reader does.
struct Base {
    QString erreur;                // SQLite's, when the base does not open or is no base
    QMap<QString, Lecture> tables; // a table the base lacks with SQLite's error
    QStringList absentes;          // the tables the base lacks
};
Base LireBase(const QString& natif);

// Every practice table of a base as text, the errors in it: a base that does not open is the
// table "!erreur" holding SQLite's message, a table not read whole SQLite's message after "!".
// `texte`: the text of a table read whole, Texte when not given.
using Photo = QMap<QString, QStringList>;
using TexteTable = std::function<QStringList(const QString& table, const Lecture& lecture)>;
Photo Photographier(const QString& natif, const TexteTable& texte = {});

} // namespace photos
