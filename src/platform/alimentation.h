#pragma once

#include "platform/en_vigueur.h"

namespace plateforme {

// Powering the machine off after a deferred synchronisation, through logind.
class Alimentation {
public:
    virtual ~Alimentation() = default;
    // Whether this user may power the machine off (the shutdown privilege).
    virtual bool ArretAutorise() = 0;
    // Asks for the power-off; false with the system's error code when refused.
    virtual bool Eteindre(int& codeErreur) = 0;
};

// logind's CanPowerOff and PowerOff, over the system bus.
Alimentation& AlimentationCourante();

// Error codes of a power-off that did not happen, as the journal shows them (never 0).
namespace arret {
constexpr int ServiceAbsent = 2;   // no system bus, or no logind on it
constexpr int Refuse = 5;          // this user may not power the machine off unattended
constexpr int Echec = 1067;        // any other error logind answered
constexpr int DelaiDepasse = 1460; // logind did not answer in time
} // namespace arret

// Replaces the power-off for its lifetime (tests: nothing in the suite may power the machine off).
class RemplacementAlimentation : public Remplacement<Alimentation> {
public:
    explicit RemplacementAlimentation(Alimentation& nouvelle);
};

} // namespace plateforme
