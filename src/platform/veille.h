#pragma once

#include "platform/en_vigueur.h"

#include <QString>

#include <memory>

namespace plateforme {

// A lock that keeps the machine from sleeping while it exists.
class VerrouVeille {
public:
    virtual ~VerrouVeille() = default;
};

// Keeping the machine awake during a run (closing a laptop's lid included), through logind.
class Veille {
public:
    virtual ~Veille() = default;
    // Takes a lock for `raison` (the system shows it to whoever asks why the machine stays
    // awake); null when the system gives none (no system bus, no logind, refused): the run goes
    // on without, and nobody is told.
    virtual std::unique_ptr<VerrouVeille> Empecher(const QString& raison) = 0;
};

// logind's Inhibit, over the system bus.
Veille& VeilleCourante();

// Keeps the machine awake for its own lifetime, whatever the way out of the scope that holds it.
class InhibitionVeille {
public:
    explicit InhibitionVeille(const QString& raison)
        : verrou_(VeilleCourante().Empecher(raison)) {}

    // Whether the system gave a lock.
    bool Tenue() const { return verrou_ != nullptr; }

private:
    std::unique_ptr<VerrouVeille> verrou_;
};

// Replaces the inhibitor for its lifetime (tests count the locks without a system bus).
class RemplacementVeille : public Remplacement<Veille> {
public:
    explicit RemplacementVeille(Veille& nouvelle);
};

} // namespace plateforme
