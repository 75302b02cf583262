#pragma once

#include <QString>
#include <QStringList>

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

// Error codes of a power-off command that did not succeed, as the journal shows them.
namespace arret {
constexpr int ProgrammeIntrouvable = 2; // the command could not be started
constexpr int FinAnormale = 1067;       // it ended without exiting (killed, crashed)
constexpr int DelaiDepasse = 1460;      // it did not end in time
} // namespace arret

// Runs the command and waits for it at most `delaiMs` milliseconds: 0 when it exited normally
// with 0, its exit code when it exited with another, else one of the codes above (never 0).
int ExecuterCommandeArret(const QString& programme, const QStringList& arguments, int delaiMs);

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
