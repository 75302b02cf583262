#pragma once

#include <QString>

namespace plateforme {

// The lock that keeps one instance of the program per user and emulated machine: a file of the
// user's runtime folder held with flock() for the life of the object. The lock goes with the
// process, so a crashed instance never blocks the next start.
class InstanceUnique {
public:
    enum class Issue {
        Obtenue,       // this instance holds the lock
        AutreInstance, // another instance holds it
        Impossible,    // the lock file cannot be opened or locked: nobody can tell
    };

    // `dossier`: the folder of the lock file (the user's runtime folder when empty).
    explicit InstanceUnique(const QString& nom = QStringLiteral("synchro"),
                            const QString& dossier = {});
    ~InstanceUnique();
    InstanceUnique(const InstanceUnique&) = delete;
    InstanceUnique& operator=(const InstanceUnique&) = delete;

    Issue Resultat() const { return issue_; }
    bool Obtenue() const { return issue_ == Issue::Obtenue; }
    QString Chemin() const { return chemin_; }
    // The local socket by which a second start asks the instance holding the lock to show its
    // window: as the lock, one per user and emulated machine.
    QString CheminAppel() const { return cheminAppel_; }
    // Why the lock could not be taken, when Impossible (the system's text).
    QString Raison() const { return raison_; }

private:
    int descripteur_ = -1;
    Issue issue_ = Issue::Impossible;
    QString chemin_;
    QString cheminAppel_;
    QString raison_;
};

} // namespace plateforme
