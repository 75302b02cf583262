#pragma once

#include "jet/dao.h"
#include "pratique/lieux.h"

// Completes a new record of table objet before the transfer writes it: its link to the record
// it is attached to follows the renumbering, its file gets a name made from its new identifier
// and type and is copied from the local data folder to the remote one. `destination` is the
// pending remote record, already holding the source values, its new identobjet and its patient
// link. True: write it. False: the type has no rule here and the object is left out.
// Never raises: a failing step is skipped and the object goes on.
bool PreparerObjet(dao::Recordset& source, dao::Recordset& destination);
