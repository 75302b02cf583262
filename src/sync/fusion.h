#pragma once

#include "jet/dao.h"
#include "pratique/table_synchro.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

// The three-way comparison of a synchronisation: the records that existed at the last
// initialisation (identifiers up to dernier_no in the seven tables of the table synchro) and
// that were changed on the laptop since, compared field by field with the ancestor (the local
// base as that initialisation left it) and with the server. What it finds is a plan, which the
// confirmation shows and the run carries out (see report.h).
namespace fusion {

// A value as the base stores it: Null, an integer, a real, a text (a date as its stored text)
// or bytes. Written back as it is, it is stored the same.
QVariant ValeurStockee(const dao::Field& champ);
// Both Null, or neither and the same text: 3 and "3" are one value.
bool MemesValeurs(const QVariant& a, const QVariant& b);
// As the reports and the dialog show a value: Null as "".
QString TexteValeur(const QVariant& valeur);

// The "champ" of a row gone from the server, and of a record's file.
inline const QString ChampEnregistrement = QStringLiteral("(enregistrement)");
inline const QString ChampFichier = QStringLiteral("(fichier)");

// A field changed on the laptop: to write to the server, or in conflict with the server's
// change (or the row gone from the server, or the file changed on both sides).
struct Ecart {
    QString table; // as the table synchro names it
    qint64 identifiant = 0;
    QString champ;
    QVariant initiale;
    QVariant locale;
    QVariant distante;
    bool conflit = false;
    // A link whose local value is a record created on the laptop: the table of that record,
    // whose new number on the server is written instead.
    QString cible;
    // A file: its local and server paths (Windows); the values describe the three files.
    QString fichierLocal;
    QString fichierDistant;

    bool Fichier() const { return champ == ChampFichier; }
    // What identifies the field across two comparisons: table, identifier and field.
    QString Cle() const;
};

struct Plan {
    // In the order of the table synchro, then identifier, then field; the files last.
    QList<Ecart> ecarts;
    qsizetype Reports() const;
    qsizetype Conflits() const;
};

// The old rows changed on the laptop, identifiers by table (lower case), from the comparison of
// the local base with its fingerprint.
using Candidats = QHash<QString, QList<qint64>>;

struct Bases {
    dao::Database& locale;
    dao::Database& ancetre;
    dao::Database& distante;
};

// The plan for the candidates. `versServeur` turns a server file path as the records name it
// (P:\zelvano\courrier\x.doc) into the path to read it by. Raises plateforme::Erreur.
Plan Comparer(const Bases& bases, const QList<pratique::LigneSynchro>& synchro,
              const Candidats& candidats,
              const std::function<QString(const QString&)>& versServeur);

// The files the initialisation left changed on the laptop since (a file deleted there is not
// carried), against the server's: sent when the server's is as it was left, a conflict when it
// changed there too or went; nothing when both are alike. Tables in lower case.
QList<Ecart> FichiersModifies(dao::Database& ancetre,
                              const std::function<QString(const QString&)>& versServeur);

} // namespace fusion
