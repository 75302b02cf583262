#pragma once

#include "platform/fichiers.h"

#include <QHash>
#include <QString>

#include <memory>

// The document and object files a synchronisation sends, copied to the server before the run
// takes the server's write lock: other workstations wait for that lock, and creating hundreds of
// files is what would keep it longest. Each file waits under a temporary hidden name in the
// folder it goes to (".~synchro-envoi-....tmp", which no copy of the tree takes along); the
// transfer then only renames it to the name the record gets.
class FichiersPrepares {
public:
    ~FichiersPrepares() { Nettoyer(); }

    // Copies the files of the local base's new records (letters, reports and correspondence,
    // objects) as the transfer will take them. Never raises: a file that cannot be prepared is
    // copied by the transfer itself, which tells what fails.
    void Preparer(const QString& baseLocale);

    // Puts the prepared copy of `source` in place as `destination` (Windows paths, as the
    // transfer builds them). False when there is none or it cannot be renamed.
    bool Placer(const QString& source, const QString& destination);

    // Removes the copies not put in place.
    void Nettoyer();

    qsizetype Nombre() const { return copies_.size(); }

private:
    void PreparerFichier(const QString& source, const QString& dossierDistant);

    // Source and destination folder -> the copy waiting there. The folders stay open: a copy
    // is put in place or removed through its folder, whatever becomes of its path.
    QHash<QString, std::shared_ptr<plateforme::CopieEnAttente>> copies_;
    QHash<QString, std::shared_ptr<const plateforme::DossierOuvert>> dossiers_;
    QString marque_; // of this run's temporary names
    int numero_ = 0;
};

// The prepared files of the run under way (none outside one).
FichiersPrepares& FichiersEnvoi();
