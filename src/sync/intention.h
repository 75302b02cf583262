#pragma once

#include "jet/dao.h"
#include "pratique/table_synchro.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <utility>

// The record a synchronisation leaves beside the local base while it commits
// (C:\zelvano\bd\zelvano.mdb.synchro-en-cours): which server base it wrote to, which local
// synchro rows it was about to delete, and per table the identifiers it gave on the server with
// a fingerprint of those rows. Whoever finds it later can tell whether the server commit took
// place (see ReprendreSynchronisationInterrompue).

// The new records of one table: identifiers above `maximum` (the server's largest one before
// the walk), as ranges [first, last], and the SHA-256 (hex) of those rows in identifier order.
struct TableIntention {
    QString table;
    QString champId;
    qint64 maximum = 0;
    QList<std::pair<qint64, qint64>> plages;
    QByteArray empreinte;

    qint64 Nombre() const;
    qint64 Dernier() const { return plages.isEmpty() ? maximum : plages.last().second; }
    bool Contient(qint64 identifiant) const;
};

// A field of an old record the run wrote on the server, with the value written (as text; Null
// apart): when the run sent no new record, these tell whether the server commit took place.
struct ChampReporte {
    QString table;
    QString champId;
    qint64 identifiant = 0;
    QString champ;
    QString valeur;
    bool nul = false;
};

struct IntentionSynchronisation {
    QString baseDistante;    // as the run opened it: P:\zelvano\bd\zelvano.mdb
    QString baseDistanteUnc; // the same base through the share, whatever the drive serves
    QString baseLocale;
    QDateTime moment;
    QList<pratique::LigneSynchro> synchroLocale; // id, table and dernier_no are kept
    QList<TableIntention> tables;
    QList<ChampReporte> reportes;

    qint64 Nombre() const;
};

// C:\zelvano\bd\zelvano.mdb.synchro-en-cours, from the settings.
QString CheminIntention();
bool IntentionPresente();

// JSON text with a checksum of its content.
QByteArray SerialiserIntention(const IntentionSynchronisation& intention);
// False with the reason when the text is not a complete record of this kind.
bool DeserialiserIntention(const QByteArray& texte, IntentionSynchronisation& intention,
                           QString& raison);

// Durable write and removal (flushed to the disk with their folder). Raise plateforme::Erreur.
void EcrireIntention(const IntentionSynchronisation& intention);
void SupprimerIntention();

// Fingerprint of rows of `table` (every field, name and kind of value included) whose
// identifier is in `selection`, read in identifier order from the identifiers above
// selection.maximum up to selection.Dernier(). `trouves` receives the identifiers of the
// selection found there.
QByteArray EmpreinteLignes(dao::Database& base, const TableIntention& selection,
                           QList<qint64>* trouves = nullptr);

// What the run gathers for the record: before the walk, the local synchro rows and the
// server's largest identifier of each table they name; after it, inside the transaction, the
// rows the walk added above those maxima.
class SuiviSynchronisation {
public:
    void AvantParcours(dao::Database& distante, dao::Database& locale);
    void ApresParcours(dao::Database& distante);
    void AjouterReportes(const QList<ChampReporte>& reportes) { intention_.reportes = reportes; }
    const IntentionSynchronisation& Intention() const { return intention_; }

private:
    IntentionSynchronisation intention_;
    QStringList sansMaximum_;
};
