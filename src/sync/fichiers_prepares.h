#pragma once

#include "platform/fichiers.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

// The document and object files a synchronisation sends, copied to the server before the run
// takes the server's write lock: other workstations wait for that lock, and creating hundreds of
// files is what would keep it longest. Each file waits under a temporary hidden name in the
// folder it goes to (".~synchro-envoi-....tmp", which no copy of the tree takes along); the
// transfer then only renames it to the name the record gets.
//
// A run killed meanwhile leaves them there, and other workstations prepare their own files in
// the same folders: so the names of a run's files are written in a list beside the local base
// (C:\zelvano\bd\zelvano.mdb.envois-en-attente) before the first is made, and taken off once
// they are gone. Each run of this workstation removes first what the list names, and nothing
// else.
class FichiersPrepares {
public:
    ~FichiersPrepares() { Nettoyer(); }

    // Removes from the server the files the list names (the drive must serve the server); those
    // that cannot be removed are named in the journal and stay on the list for the next run.
    void RetirerRestes();

    // Copies the files of the local base's new records (letters, reports and correspondence,
    // objects) as the transfer will take them, and the `autres` (local file, server path) of old
    // records the run carries, once their names are on the list. Never raises: a file that
    // cannot be prepared is copied by the run itself, which tells what fails.
    void Preparer(const QString& baseLocale, const QList<QPair<QString, QString>>& autres = {});

    // Puts the prepared copy of `source` in place as `destination` (Windows paths, as the
    // transfer builds them). False when there is none or it cannot be renamed.
    bool Placer(const QString& source, const QString& destination);

    // Removes the copies not put in place, and from the list those now gone.
    void Nettoyer();

private:
    struct Preparee {
        QString source;
        QString dossierDistant; // as the transfer names it: P:\zelvano\courrier
        QString nom;            // the temporary name there
        QString relatif;        // on the list: its path from the root of the drive
        std::shared_ptr<const plateforme::DossierOuvert> dossier;
        std::shared_ptr<plateforme::CopieEnAttente> copie; // none once placed, or not made
        bool placee = false;
    };
    void Planifier(const QString& source, const QString& dossierDistant);

    // Source and destination folder -> its copy. The folders stay open: a copy is put in place
    // or removed through its folder, whatever becomes of its path.
    QHash<QString, Preparee> preparees_;
    QHash<QString, std::shared_ptr<const plateforme::DossierOuvert>> dossiers_;
    QString marque_; // of this run's temporary names
    int numero_ = 0;
    bool listee_ = false; // this run's names are on the list
};

// C:\zelvano\bd\zelvano.mdb.envois-en-attente, from the settings.
QString CheminEnvoisEnAttente();

// The prepared files of the run under way (none outside one).
FichiersPrepares& FichiersEnvoi();
