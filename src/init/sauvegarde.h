#pragma once

#include "pratique/lieux.h"

#include <QString>

// The safety folders of the local base, under <fmpathClient>:\<zelvanodir>\sauvegardes: outside
// every folder the copies touch, never sent to the server. A run that replaces the local base,
// or reports on what it sends and loses, has a folder of its own there named after its start,
// AAAAMMJJ-HHMMSS: the copies of the local bases as they were, modifications.csv and
// renumerotations.csv. The folder is made only when the run has something to put there.
//
// The setting `sauvegardes` ([options], 5) tells how many copies are kept: only the folders
// holding a copy count, ordered by the time the copy was written (a folder name follows the
// local clock, which a change of time can turn back), and they are pruned only once a new copy
// is complete, so that failed runs never cost a copy. Folders holding only reports are kept as
// many apart. With 0 no copy is made and only the current run's reports are kept.

// DossierSauvegardes() (pratique/lieux.h), made when missing. Raises plateforme::Erreur.
QString DossierSauvegardesPrepare();

// The current run's folder, named at the first call of the run (the clock's time; "-2", "-3"...
// after it when the name is taken) and made then; the oldest folders of reports beyond the
// setting go at that moment. Raises plateforme::Erreur when it cannot be made; the name stays
// the run's (see DossierExecutionPrevu) and the next call tries again.
QString DossierExecution();
// The name the run's folder has or will have, without making it.
QString DossierExecutionPrevu();
// The run is over: the next run gets a folder of its own.
void FinExecution();

// Before the initialisation replaces anything: a consistent copy of each base of the local base
// folder (C:\zelvano\bd\*.mdb) into the run's folder, journalled as "Sauvegarde de la base
// locale dans " + the folder; then the oldest copies beyond the setting go. Nothing to do
// without a local base or with sauvegardes=0. False once an "ERREUR" line naming the setting
// said why a copy failed: the local bases are then untouched.
bool SauvegarderBaseLocale();
