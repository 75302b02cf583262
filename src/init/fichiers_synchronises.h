#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// The document and object files a synchronisation wrote on the server under the new numbers of
// their records. Those names are often names that older files of this workstation already bear
// (local letter 5 goes to the server as xA000006.doc, while the local xA000006.doc belongs to
// local letter 6), with the same time and size when they were written together: no comparison
// can tell them apart, so the initialisation brings every one of them whatever its time says.
//
// The list is kept beside the local base (C:\zelvano\bd\zelvano.mdb.fichiers-synchro), written
// before the synchronisation commits, and removed only once an initialisation has brought them
// all: an initialisation that fails leaves them to the next one.

// C:\zelvano\bd\zelvano.mdb.fichiers-synchro, from the settings.
QString CheminFichiersSynchronises();

// The lines of a list kept beside the local base, blank ones left out; none when the file is
// missing. Raises plateforme::Erreur when it cannot be read.
QStringList LireListe(const QString& chemin);

// Adds remote Windows paths (P:\zelvano\courrier\xA000057.doc, on the drive `unite`) to the list
// on disk, durably. Raises plateforme::Erreur when it cannot be written.
void AjouterFichiersSynchronises(const QStringList& cheminsDistants);

// The files of the list during one initialisation: the folder copies mark those they brought,
// the rest is copied at the end of the copies.
class FichiersARecopier {
public:
    // Reads the list; false after writing why it cannot be read.
    bool Charger();
    void Vider();
    bool Vide() const { return fichiers_.isEmpty(); }

    // Whether `nom` of the remote folder `dossierDistant` (P:\zelvano\courrier) is in the list.
    bool Impose(const QString& dossierDistant, const QString& nom) const;
    // The module's copy brought that file to the local tree.
    void MarquerCopie(const QString& dossierDistant, const QString& nom);

    // Copies from the remote tree to the local one every file of the list that no folder copy
    // of the module brought (XCOPY and ROBOCOPY decide by their own rules, and a folder may be
    // left out of them). False after writing which file could not be brought.
    bool RecopierRestants();

    // Removes the list from the disk once every file of it is in the local tree.
    void Oublier();

private:
    QStringList fichiers_; // relative to the root of the drive: zelvano\courrier\xA000057.doc
    QSet<QString> cles_;
    QSet<QString> copies_;
};

// The list of the initialisation under way (empty outside one).
FichiersARecopier& FichiersImposes();
