#pragma once

#include "jet/dao.h"
#include "platform/fichiers_operations.h"

#include <QList>
#include <QString>

// The common ancestor of the next synchronisation: a copy of the local base as a successful
// initialisation left it, C:\zelvano\sauvegardes\ancetre.mdb, beside the fingerprint. With it
// the synchronisation tells, field by field, what was changed on the laptop and what on the
// server since then. The copy also holds, in its table ancetre_fichiers, the size and time the
// initialisation left to the document and object file of each record.

// C:\zelvano\sauvegardes\ancetre.mdb
QString CheminAncetre();
bool AncetrePresent();

// Copies the local base (its table synchro full) with the state of its records' files, under a
// temporary name published once on the disk. Raises plateforme::Erreur.
void EnregistrerAncetre();
// The local base is about to be replaced. Raises plateforme::Erreur.
void OublierAncetre();

// The file of a record as the initialisation left it: its local and server paths (Windows),
// and the state of each then.
struct FichierAncetre {
    QString table; // lower case
    qint64 identifiant = 0;
    QString local;
    QString distant;
    plateforme::EtatFichier etat;
    plateforme::EtatFichier etatDistant;
};
// Those the ancestor (opened) notes, in table then identifier order. Raises plateforme::Erreur
// (3078 for an ancestor without them).
QList<FichierAncetre> LireFichiersAncetre(dao::Database& ancetre);
