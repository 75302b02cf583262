#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <vector>

// Old-to-new identifier map of one walk over the synchro table: which local record became which
// remote record. Filled table after table, so that the links of a later table (consultations to
// patients, objects to letters) follow the renumbering of an earlier one.
//
// One hash of old to new identifiers per table; the first entry recorded for a key is the one
// that answers (a later entry for the same table and old identifier is ignored), so a lookup
// costs the same however many records the walk has sent. The few tables are found by their
// names in a short list: the walk asks at every record, one or two tables at a time.
class CorrespondancesIdentifiants {
public:
    void Vider() {
        tables_.clear();
        taille_ = 0;
    }
    // `table` is stored lower-cased.
    void Memoriser(const QString& table, qint32 ancien, qint32 nouveau);
    // The new identifier of the first entry for (table lower-cased, ancien), if any.
    bool Chercher(const QString& table, qint32 ancien, qint32& nouveau) const;
    // Entries kept (one per table and old identifier).
    qsizetype Taille() const { return taille_; }

private:
    struct Table {
        QString nom; // lower case
        QHash<qint32, qint32> identifiants;
    };

    std::vector<Table> tables_;
    qsizetype taille_ = 0;
};

// The map of the program's run; ParcourirTableSynchro empties it before each walk.
CorrespondancesIdentifiants& TableCorrespondances();

void MemoriserCorrespondance(const QString& table, qint32 ancien, qint32 nouveau);

// The remote identifier that the local record `ancien` of `table` received in this walk;
// `ancien` itself when the map does not know it. Never fails: Null, or a value that is not a
// 32-bit integer, gives 0.
qint32 NouvelIdentifiant(const QString& table, const QVariant& ancien);
