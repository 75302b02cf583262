#pragma once

#include "app/commandes.h"

#include <functional>

// The runs of the commands for the object's lifetime: each one given does what the test says in
// place of the real run; one left empty is the real run.
class ExecutionsFactices final : public Executions {
public:
    void Synchronisation() override {
        synchronisation ? synchronisation() : Executions::Synchronisation();
    }
    void Initialisation() override {
        initialisation ? initialisation() : Executions::Initialisation();
    }
    bool Reprise() override { return reprise ? reprise() : Executions::Reprise(); }

    std::function<void()> synchronisation;
    std::function<void()> initialisation;
    std::function<bool()> reprise;

private:
    RemplacementExecutions remplacement_{*this};
};
