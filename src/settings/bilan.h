#pragma once

#include <QString>

// What one run did, from ">>>" to "<<<", for its closing summary line, and the progress of its
// current step under the journal list.
class BilanExecution {
public:
    // A new run: counters at zero, its start taken from the clock's ticks.
    void Commencer();
    // Records and files that reached the server: counted once the run committed them.
    void AjouterEnvoyes(qint64 enregistrements, qint64 fichiers);
    void AjouterCopies(qint64 fichiers);
    // Fields of old records carried to the server, and conflicts where the server's value was
    // kept: counted once committed.
    void AjouterReports(qint64 champs, qint64 conflits);

    qint64 EnregistrementsEnvoyes() const { return enregistrements_; }
    qint64 FichiersEnvoyes() const { return envoyes_; }
    qint64 FichiersCopies() const { return copies_; }

    // "Bilan : 3 enregistrement(s) envoyé(s), 1 fichier(s) envoyé(s), 12 fichier(s) copié(s) en
    // 0:07"; the duration as minutes and seconds since Commencer. Fields carried or conflicts
    // add ", 2 champ(s) reporté(s), 1 conflit(s)" before " en".
    QString Ligne() const;

private:
    qint64 enregistrements_ = 0;
    qint64 envoyes_ = 0;
    qint64 copies_ = 0;
    qint64 reportes_ = 0;
    qint64 conflits_ = 0;
    qint64 debutMs_ = 0;
};

BilanExecution& Bilan();

// The current step's progress: `fait` of `total` (total 0: a step of unknown length). Passed to
// the window only when the shown percentage changes, so a step of 100,000 records costs a
// hundred updates, not 100,000.
void Progression(const QString& etape, qint64 fait, qint64 total);
// The run is over: the bar is hidden.
void FinProgression();
// A journal line was written: every step begins with one, and the line that ends a step says
// how it went, so the bar no longer shows the step it showed (it stays, without text, until
// the running step tells its progress).
void EtapeTerminee();
