#pragma once

#include "sync/modele_cas.h"

// What a synchronisation followed by its initialisation must leave, computed from the case
// alone: the reference the real run is compared with.
namespace modele {

struct Attendu {
    Tables serveur;     // the server base after the run
    Arbre arbreServeur; // the server tree after the run
    QList<int> ecrits;  // records written per row of synchro, in its order
    Tables local;       // the local base after the initialisation
    Arbre arbreLocal;   // the local tree after the initialisation
};

Attendu Calculer(const Cas& cas);

// The seven rows an initialisation writes for the base `tables`.
QList<Ligne> SynchroApresInitialisation(const Tables& tables);

} // namespace modele
