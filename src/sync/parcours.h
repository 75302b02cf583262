#pragma once

// Walks the local synchro table in id order and transfers, row after row, the new records of
// each table into the remote base (the bases of bases_ouvertes.h). Empties the identifier map
// first. True when every row was transferred; false at the first failure, once its "ERREUR "
// line is in the journal: the rows after it are not transferred.
bool ParcourirTableSynchro();
