#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <vector>

namespace dao {

// One row as a fingerprint keeps it: its key and a hash of all its values.
struct EmpreinteLigne {
    qint64 cle = 0;
    quint64 hachage = 0;
    friend bool operator==(const EmpreinteLigne&, const EmpreinteLigne&) = default;
};

// The rows of one table, by key (rows of equal keys in the order of their row numbers).
struct EmpreintesTable {
    QString table;
    // The column the keys are read from; empty when the table has no integer key of its own,
    // the key then being the row's number in the table (SQLite's rowid, which no statement of
    // the practice application changes).
    QString colonneCle;
    std::vector<EmpreinteLigne> lignes;
};

// The fingerprint of every row of every table of the base at `chemin` (a Windows path), tables
// by name, SQLite's own left out. `clesImposees` gives, by table name in lower case, the column
// to read the key from (a row whose value there is no integer gets the key 0); the other tables
// take their integer primary key, or the row number. Tables without row numbers (WITHOUT ROWID,
// which no practice base has) are left out too. Raises the engine's errors.
QList<EmpreintesTable> LireEmpreintes(const QString& chemin,
                                      const QHash<QString, QString>& clesImposees = {});

} // namespace dao
