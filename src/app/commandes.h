#pragma once

#include "platform/en_vigueur.h"

#include <QString>

#include <functional>

class FenetrePrincipale;

// The commands behind the buttons of the main window.
void btnsynchro_Click(FenetrePrincipale& fenetre);
void btnCopier_Click(FenetrePrincipale& fenetre);
void btnclient_Click(FenetrePrincipale& fenetre);
void btnsrv_Click(FenetrePrincipale& fenetre);

// Why a run keeps the machine awake, as the system tells whoever asks.
extern const QString RaisonVeilleSynchronisation;
extern const QString RaisonVeilleInitialisation;

// The busy state of a command: all six buttons disabled, or all enabled again.
void Occuper(FenetrePrincipale& fenetre, bool occupe);

// A run between ">>>" and "<<<": its counters started, its summary line written after it, its
// progress bar hidden whatever the way out.
void ExecuterAvecBilan(const std::function<void()>& execution);

// The runs the commands start; tests put counters in their place. A run interrupted between
// its two commits is settled first (the synchronisation does it itself); while it cannot be,
// nothing runs.
class Executions {
public:
    virtual ~Executions() = default;
    virtual void Synchronisation();
    virtual void Initialisation();
    // Settles a synchronisation interrupted between its two commits; false while it cannot be.
    virtual bool Reprise();
};

Executions& ExecutionsCourantes();

// Puts `executions` in force for its lifetime.
class RemplacementExecutions : public plateforme::Remplacement<Executions> {
public:
    explicit RemplacementExecutions(Executions& executions);
};
