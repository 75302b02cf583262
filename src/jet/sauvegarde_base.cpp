#include "jet/sauvegarde_base.h"

#include "jet/base_connexion.h"
#include "jet/base_erreurs.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers_durables.h"

#include <QFile>

#include <sqlite3.h>

namespace dao {

namespace {

struct FinirSauvegarde {
    void operator()(sqlite3_backup* sauvegarde) const { sqlite3_backup_finish(sauvegarde); }
};

// The copy itself, into the temporary file `natif`; its connection is closed on return.
void Copier(const base::Connexion& source, const QString& natif, const QString& destination,
            const std::function<void(sqlite3*)>& completer) {
    sqlite3* db = nullptr;
    const int ouverture =
        sqlite3_open_v2(QFile::encodeName(natif).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, base::FermerConnexion> copie(db);
    if (ouverture != SQLITE_OK) {
        throw base::ErreurSqlite(db, ouverture, destination);
    }
    sqlite3_busy_timeout(source.Db(), base::DelaiVerrouMs());
    int rc = SQLITE_OK;
    {
        const std::unique_ptr<sqlite3_backup, FinirSauvegarde> sauvegarde(
            sqlite3_backup_init(db, "main", source.Db(), "main"));
        if (!sauvegarde) {
            throw base::ErreurSqlite(db, sqlite3_errcode(db), destination);
        }
        rc = sqlite3_backup_step(sauvegarde.get(), -1);
    }
    if (rc != SQLITE_DONE) {
        throw base::ErreurSqlite(source.Db(), rc, source.Chemin());
    }
    const int fin = sqlite3_errcode(db);
    if (fin != SQLITE_OK && fin != SQLITE_DONE) {
        throw base::ErreurSqlite(db, fin, destination);
    }
    if (completer) {
        completer(db);
    }
}

} // namespace

void SauvegarderBase(const QString& source, const QString& destination,
                     const std::function<void(sqlite3*)>& completer) {
    base::DestinationNouvelle(destination);
    plateforme::FichierProvisoire provisoire(destination);
    {
        const base::Connexion connexion(source);
        Copier(connexion, provisoire.Natif(), destination, completer);
    }
    provisoire.Publier();
}

} // namespace dao
