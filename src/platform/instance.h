#pragma once

#include <QString>

namespace plateforme {

// The lock that keeps one instance of the program per user and emulated machine: a file of the
// user's runtime folder held with flock() for the life of the object. The lock goes with the
// process, so a crashed instance never blocks the next start.
class InstanceUnique {
public:
    explicit InstanceUnique(const QString& nom = QStringLiteral("synchro"));
    ~InstanceUnique();
    InstanceUnique(const InstanceUnique&) = delete;
    InstanceUnique& operator=(const InstanceUnique&) = delete;

    // False when another instance holds the lock.
    bool Obtenue() const { return descripteur_ >= 0; }
    QString Chemin() const { return chemin_; }

private:
    int descripteur_ = -1;
    QString chemin_;
};

} // namespace plateforme
