#pragma once

#include "jet/dao.h"

#include <QList>
#include <QString>

#include <array>

// The table synchro of a practice base: an initialisation writes one row for each of the seven
// tables whose records created on the laptop a synchronisation sends, with the largest
// identifier of the table at that moment (dernier_no); the synchronisation empties it in the
// commit that sends them. An older version wrote six rows, without the objects.
namespace pratique {

// One of the seven tables, in the order the runs walk them: its identifier, its patient link,
// and the journal label of its largest identifier.
struct TableSynchro {
    const char* table;
    const char* champId;
    const char* champIdDossier;
    const char* libelle;
};
const std::array<TableSynchro, 7>& TablesSynchro();
// Whether `table` is one of them (in any case).
bool EstTableSynchronisee(const QString& table);

// A row of the table synchro as a base holds it.
struct LigneSynchro {
    qint64 id = 0;
    QString table;
    qint64 dernierNo = 0;
    QString champId{};
    QString champIdDossier{};
    friend bool operator==(const LigneSynchro&, const LigneSynchro&) = default;
};

// Its rows in id order. Raises plateforme::Erreur (no table synchro: 3078).
QList<LigneSynchro> LireSynchro(dao::Database& base);
// "SELECT DISTINCTROW Count(synchro.id) AS NBENR FROM synchro;", Null taken as 0.
int CompterSynchro(dao::Database& base);
// "delete * from synchro".
void ViderSynchro(dao::Database& base);
// The same for the base at `chemin`, opened and closed again.
int CompterSynchro(const QString& chemin);
// The local base's table, as the launch on the local base checks it: 6 or 7 rows mean an
// initialised base, 7 one initialised with the objects row. Errors (a base that cannot be
// opened, a missing table) reach the caller.
bool BaseLocaleInitialisee();
bool BaseLocaleInitialiseeAvecObjets();
// Empties the table and writes the seven rows with these largest identifiers, in the walk's
// order.
void EcrireSynchro(dao::Database& base, const std::array<qint32, 7>& derniers);

} // namespace pratique
