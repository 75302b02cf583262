#pragma once

#include "init/fichier_csv.h"
#include "platform/erreur.h"

#include <QString>

#include <memory>

// The renumbering register of a synchronisation, renumerotations.csv in the run's safety folder
// (see init/sauvegarde.h): one line per record sent, "table;ancien;nouveau;fichier_local;
// fichier_serveur" (the file columns empty for a record without a file), written as the records
// go. It is complete once the run commits; a run that rolls back says so in its last line.
class RegistreRenumerotations {
public:
    // A run begins. The register is made at its first record (a run that sends nothing leaves
    // no file, nor a folder for it), journalled "Registre des renumérotations : " and its path.
    // A register that cannot be made is said in the journal and the run goes on without it.
    void Ouvrir();
    void Ajouter(const QString& table, qint64 ancien, qint64 nouveau, const QString& fichierLocal,
                 const QString& fichierServeur);
    // Just before the commit: every line on the disk.
    void Valider();
    // Rolled back: the last line says that none of it stayed on the server.
    void Annuler();
    // The run is over, whatever its outcome.
    void Fermer();

    qint64 Enregistrements() const { return enregistrements_; }

private:
    void Creer();
    void Durcir();
    // A line could not be written: the register goes no further, and the journal says so.
    void Abandonner(const plateforme::Erreur& e);

    std::unique_ptr<FichierCsv> csv_;
    qint64 enregistrements_ = 0;
    bool tente_ = false; // Creer was called in this run
};

RegistreRenumerotations& Registre();

// The file of the record being transferred, as CopierFichierEnregistrement names it (both empty
// when the record has none).
struct FichierEnregistrement {
    QString local;
    QString serveur;
};
FichierEnregistrement& FichierEnregistrementCourant();
