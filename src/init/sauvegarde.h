#pragma once

#include <QString>

// The safety folders of the local base, under <fmpathClient>:\<zelvanodir>\sauvegardes: outside
// every folder the copies touch, never sent to the server. A run that replaces the local base,
// or reports on what it sends and loses, has a folder of its own there named after its start,
// AAAAMMJJ-HHMMSS: the copy of the local base as it was, modifications.csv and
// renumerotations.csv. The setting `sauvegardes` ([options], 5) tells how many folders are kept,
// the oldest removed first; with 0 no copy of the base is made and only the current run's
// folder is kept, for its reports.

// C:\zelvano\sauvegardes
QString DossierSauvegardes();
// The same, made when missing. Raises plateforme::Erreur.
QString DossierSauvegardesPrepare();

// The current run's folder, made at the first call of the run (the clock's time; "-2", "-3"...
// after it when the name is taken); the oldest folders beyond the setting go then. Raises
// plateforme::Erreur when it cannot be made.
QString DossierExecution();
// The run is over: the next run gets a folder of its own.
void FinExecution();

// Before the initialisation replaces anything: a consistent copy of the local base
// (C:\zelvano\bd\zelvano.mdb) into the run's folder, journalled as "Sauvegarde de la base locale
// dans " + the folder. Nothing to do without a local base or with sauvegardes=0. False once an
// "ERREUR" line naming the setting said why the copy failed: the local base is then untouched.
bool SauvegarderBaseLocale();
