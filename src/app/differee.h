#pragma once

class FenetrePrincipale;

// One tick of `Timersynchro`: waits, abandons or runs the armed deferred synchronisation (and
// powers the machine off afterwards when so set). Reports only in the journal.
void Timersynchro_Timer(FenetrePrincipale& fenetre);
