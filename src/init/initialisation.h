#pragma once

// Makes the local copy of the practice data equal to the remote one: redirects the drive to the
// server when needed, copies the database folder and the document folders, runs the additional
// copy job, compacts every local base and refills the local table synchro with the highest
// identifier of each synchronised table. The outcome is told only by the journal.
void LancerInitialisation();
