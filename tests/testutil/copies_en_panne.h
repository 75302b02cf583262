#pragma once

// Faults of the platform's file copy, through its hook: the Nth copy failing, the destination
// disk filling up (and staying full), a source that cannot be read, the server share going away.

#include "platform/fichiers_operations.h"

#include <QChar>
#include <QSet>
#include <QString>

#include <functional>
#include <utility>

namespace factices {

enum class Panne { Echec, DisquePlein, SourceIllisible, PartageParti };

// "copie en échec", "disque plein"...
const char* NomPanne(Panne p);

struct EtatCopies {
    int appels = 0;
    int cible = 0; // the copy that fails; 0: count only
    Panne panne = Panne::Echec;
    QSet<QChar> pleins = {}; // drives whose disk is full
};

// The state the hook reads; tests set it before a run (EtatCopies{} to count only).
EtatCopies& Copies();

// The folder of \\serveur\zelvano on the emulated machine.
QString DossierPartage();
// The share's folder renamed away (a lost link) and put back.
void DeplacerPartage();
void RemettrePartage();

// The faults of Copies() before each copy, for the life of the object; `partir` is what the share
// going away means to the test (by default the folder moved away).
class CopiesEnPanne final : public plateforme::CrochetsCopie {
public:
    explicit CopiesEnPanne(void (*partir)() = DeplacerPartage);
    ~CopiesEnPanne() override;
    CopiesEnPanne(const CopiesEnPanne&) = delete;
    CopiesEnPanne& operator=(const CopiesEnPanne&) = delete;

    void AvantCopie(const QString& source, const QString& destination) override;

private:
    void (*partir_)();
    plateforme::RemplacementCrochetsCopie remplacement_{*this};
};

// `avant` before each copy, for the life of the object (Windows paths).
class CrochetCopie final : public plateforme::CrochetsCopie {
public:
    using Avant = std::function<void(const QString& source, const QString& destination)>;
    explicit CrochetCopie(Avant avant)
        : avant_(std::move(avant)) {}
    void AvantCopie(const QString& source, const QString& destination) override {
        avant_(source, destination);
    }

private:
    Avant avant_;
    plateforme::RemplacementCrochetsCopie remplacement_{*this};
};

} // namespace factices
