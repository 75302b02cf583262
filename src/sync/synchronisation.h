#pragma once

#include "platform/en_vigueur.h"

// The synchronisation run: inside one transaction over both bases, every record created in the
// local base since the last initialisation goes to the remote base, the local table synchro is
// emptied, both are committed, and the initialisation makes the local base a copy of the
// remote one again. Its outcome is told only by the journal.
void LancerSynchronisation();

// The two commits (server first, then the local base) are not one: a run interrupted between
// them leaves the records on the server and the local table synchro full, so that the next run
// would send them again. Just before committing, the run leaves a record of what it sent beside
// the local base (see intention.h) and removes it once both commits are done.
//
// Looks for such a record and settles it against the server base: every record there, the
// local side is completed (its table synchro emptied) and the journal asks for an
// initialisation; none there, the record is discarded and the journal says the run was
// cancelled. Anything else (some of them only, rows that differ, an unreadable record, a base
// out of reach) keeps the record and warns in the journal. True when the caller may go on
// (no record, or settled); false when nothing may be synchronised, initialised or launched.
// To be called at start-up and before every synchronisation, initialisation or launch.
bool ReprendreSynchronisationInterrompue();

// Points of the run where the fault-injection tests step in.
enum class EtapeSynchronisation {
    IntentionEcrite, // the record is on the disk, nothing is committed yet
    Validee,         // both bases are committed, the record is still there
};
// What happens at those points: nothing, but in the fault-injection tests.
class EtapesSynchronisation {
public:
    virtual ~EtapesSynchronisation() = default;
    virtual void Etape(EtapeSynchronisation etape) { (void)etape; }
};

// Puts `etapes` in force for its lifetime.
class RemplacementEtapesSynchronisation : public plateforme::Remplacement<EtapesSynchronisation> {
public:
    explicit RemplacementEtapesSynchronisation(EtapesSynchronisation& etapes);
};
