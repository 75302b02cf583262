#pragma once

#include "platform/erreur.h"

// The stretch of a record's transfer where a failing step is skipped and the record goes on:
// runs one step, swallows its error, tells whether it went through.
template <class Etape> bool EtapeSansEchec(Etape&& etape) {
    try {
        etape();
        return true;
    } catch (const plateforme::Erreur&) {
        return false;
    }
}
