#pragma once

#include "sync/modele_cas.h"
#include "sync/modele_reference.h"
#include "sync/test_synchronisation_poste.h"

#include <QMap>
#include <QSet>

#include <string>

// The fault-injection tests' common ground: one practice from the model's generator, rich
// enough to write records in every table and files in every folder, installed afresh before
// each faulted run; the invariants a faulted run must leave; the recovery that must then bring
// the machine to what the model computes.
namespace modele {

// What a faulted run left, as the invariants tell it.
enum class Issue {
    Reussie,        // as if nothing had happened
    FichierSignale, // everything sent and initialised, a file the journal names not copied
    RienEnvoye,     // nothing reached the server, the local base as it was
    EnvoyeeSeule,   // everything on the server, the local side still to be initialised
};

class Pannes : public poste::Poste {
protected:
    void SetUp() override;

    // A fresh copy of the practice on the machine; the journal emptied.
    void Preparer();

    // The invariants on what a faulted run left (the share present): the local base there and
    // readable; the server with none of the new records or all of them exactly once; files
    // only added, each as before or as the model says; nothing half-written left behind; a
    // run that failed says so and never claims success; nothing sent means the local base
    // unchanged; a failed initialisation leaves a table synchro that neither a synchronisation
    // nor a launch accepts.
    Issue Verifier(const std::string& contexte);

    // What a user does next: start the module again (an interrupted run is settled), run the
    // initialisation the journal asks for, synchronise again when nothing was sent. Then the
    // server, the local base and both trees must be what the model computes; a document that
    // never reached the server is allowed only when the journal named it.
    void Recuperer(const std::string& contexte);

    // The same after the process was killed, its journal lost with it: the local base there, the
    // server with none or all of the new records, files only added. Hidden temporary copies a
    // killed copy could not remove are taken out of the trees and counted in `temporaires`.
    Issue VerifierArret(const std::string& contexte);

    // Lines of the journal that tell a failure: "ERREUR ...", "texte (numéro)".
    static bool JournalErreur(const QStringList& lignes);
    // Server files (relative to the practice folder) the journal said could not be copied.
    QSet<QString> CopiesSignalees() const;

    Cas cas;
    Attendu attendu;
    QMap<QString, QStringList> serveurAvant;
    QMap<QString, QStringList> localAvant;
    QMap<QString, QStringList> serveurApres;
    QMap<QString, QStringList> localApres;
    Arbre arbreServeurAvant;
    Arbre arbreLocalAvant;
    QMap<Issue, int> issues;
    QSet<QString> nonCopies; // gathered by Verifier for Recuperer
    // Folders of the server the initialisation found missing (the share gone meanwhile): a
    // warning, not an error; the user initialises again.
    QSet<QString> dossiersAbsents;
    QStringList journalPanne;
    bool tolererTemporaires = false;
    int temporaires = 0;
};

const char* NomIssue(Issue issue);

} // namespace modele
