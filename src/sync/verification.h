#pragma once

#include <QString>

// The local base's journal table, as the launch on the local base checks it: 6 or 7 rows mean
// an initialised base, 7 one initialised with the objects row. Errors (a base that cannot be
// opened, a missing table) reach the caller.
bool BaseLocaleInitialisee();
bool BaseLocaleInitialiseeAvecObjets();

// Rows of table synchro of the base at `chemin` ("SELECT DISTINCTROW Count(synchro.id) AS NBENR
// FROM synchro;", Null taken as 0).
int CompterLignesSynchro(const QString& chemin);

// C:\zelvano\bd\zelvano.mdb and P:\zelvano\bd\zelvano.mdb from the settings.
QString CheminBaseLocale();
QString CheminBaseDistante();
