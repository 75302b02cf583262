#pragma once

#include <QString>

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

// logind: "busctl ... CanPowerOff" and "systemctl poweroff".
Alimentation& AlimentationCourante();

// Replaces the power-off for its lifetime (tests: nothing in the suite may power the machine off).
class RemplacementAlimentation {
public:
    explicit RemplacementAlimentation(Alimentation& nouvelle);
    ~RemplacementAlimentation();
    RemplacementAlimentation(const RemplacementAlimentation&) = delete;
    RemplacementAlimentation& operator=(const RemplacementAlimentation&) = delete;

private:
    Alimentation* ancienne_;
};

} // namespace plateforme
