#pragma once

#include "platform/erreur.h"

#include <QString>

struct sqlite3;

// The errors of the database layer: Jet's numbers (see dao.h) with our own French texts, each
// naming the file, the table or the field concerned.
namespace dao::base {

plateforme::Erreur ErreurFichierIntrouvable(const QString& fichier);
plateforme::Erreur ErreurCheminIncorrect(const QString& fichier);
plateforme::Erreur ErreurFichierVerrouille(const QString& fichier);
plateforme::Erreur ErreurOuvertureImpossible(const QString& fichier);
plateforme::Erreur ErreurFichierCorrompu(const QString& fichier);
plateforme::Erreur ErreurTableIntrouvable(const QString& table, const QString& fichier);
plateforme::Erreur ErreurChampInconnu(const QString& champ);
plateforme::Erreur ErreurCleEnDouble(const QString& table);
plateforme::Erreur ErreurNonModifiable(const QString& sql);
plateforme::Erreur ErreurBaseExisteDeja(const QString& fichier);
plateforme::Erreur ErreurObjetFerme();
plateforme::Erreur ErreurAucunEnregistrement();

// The native path of a base about to be made at `destination` (a Windows path): raises 3204
// when something is already there, 3044 when its folder is missing.
QString DestinationNouvelle(const QString& destination);

// The error for a failed SQLite call on the connection `db` (nullptr: only `code` is known).
// `fichier` is the base's path as the caller gave it; `table`, when known, the table written.
plateforme::Erreur ErreurSqlite(sqlite3* db, int code, const QString& fichier,
                                const QString& table = {});

} // namespace dao::base
