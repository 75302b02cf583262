#pragma once

#include "init/empreintes.h"
#include "sync/fusion.h"
#include "sync/intention.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// The old records changed on the laptop, carried to the server by the synchronisation (setting
// reporter, 1 by default): after the transfer of the new records, in the same transaction and
// under the same write lock, each field changed on the laptop whose server value is still the
// ancestor's is written to the server, a link to a record created on the laptop through its new
// number; a field changed on both sides keeps the server's value unless the user chose the
// laptop's. A file of an old record changed on the laptop goes to the server when the server's
// is as the initialisation left it; changed on both sides, the laptop's version is kept in the
// run's folder, under conflits\. The run's folder receives reportees.csv and conflits.csv.

// The fields for which the user took the laptop's value before the run (by fusion::Ecart::Cle),
// with the server value they saw: a choice holds only while the server still has that value.
// Emptied at the end of every synchronisation: the deferred run never has any.
QHash<QString, QVariant>& ChoixLocaux();

// The plan as the bases are now, the server read through the share, for the confirmation and
// the conflict dialog. `possible` false when nothing will be carried (setting, no ancestor) or
// the plan cannot be made (`raison` says why).
struct PlanPrevu {
    bool possible = false;
    QString raison;
    fusion::Plan plan;
};
PlanPrevu PrevoirReports();
// Per table, the fields that will be carried and the conflicts; empty when nothing is foreseen.
QString ApercuReports(const PlanPrevu& prevu);

// The files of old records the run will send (local file, server path), as the drive now
// serving the server shows them: prepared on the server before its lock. Never raises.
QList<QPair<QString, QString>> FichiersAReporter();

// In the run, after the walk and inside its transaction: `candidats` are the changed rows
// SignalerModificationsLocales gave. Writes the journal lines of what was carried and of the
// conflicts. False after an error, once its "ERREUR " line is in the journal: the run stops.
bool ReporterModifications(const LignesParTable& candidats);

// What the last call carried, for the summary once committed.
struct ComptesReports {
    qint64 champs = 0;
    qint64 enregistrements = 0;
    qint64 fichiers = 0;
    qint64 conflits = 0;        // the server's value kept
    QList<ChampReporte> ecrits; // for the record of the commit
};
const ComptesReports& DerniersReports();
