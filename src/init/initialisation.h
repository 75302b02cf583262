#pragma once

// Makes the local copy of the practice data equal to the remote one: redirects the drive to the
// server when needed, copies the database folder and the document folders, runs the additional
// copy job, compacts every local base and refills the local table synchro with the highest
// identifier of each synchronised table. The outcome is told only by the journal.
// Before it replaces anything, the local base is copied into the run's safety folder (see
// sauvegarde.h); once done, the new local base's fingerprint is taken (see empreintes.h).
void LancerInitialisation();

// The same, started by the user: the local base may hold work that nothing sent, which the
// journal lists first (see SignalerModificationsLocales).
void LancerInitialisationManuelle();
