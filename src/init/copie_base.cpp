#include "init/copie_base.h"

#include "jet/base_erreurs.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/fichiers_durables.h"
#include "platform/services.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>
#include <optional>

namespace {

// How long a writer holding the whole source file may keep the copy waiting.
constexpr qint64 DelaiEcrivainMs = 10000;

struct FermerSqlite {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connexion = std::unique_ptr<sqlite3, FermerSqlite>;

Connexion Ouvrir(const QString& natif, const QString& cheminWindows, int drapeaux) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(natif).constData(), &db, drapeaux, nullptr);
    Connexion connexion(db);
    if (rc != SQLITE_OK) {
        throw dao::base::ErreurSqlite(db, rc, cheminWindows);
    }
    return connexion;
}

void VerifierDestination(const QString& natifSource, const QString& natifCible) {
    const QFileInfo cible(natifCible);
    if (!QFileInfo(cible.absolutePath()).isDir()) {
        plateforme::Lever(plateforme::err::CheminIntrouvable);
    }
    if (!cible.exists()) {
        return;
    }
    if (cible.isDir()) {
        plateforme::Lever(plateforme::err::ErreurAccesChemin);
    }
    // Like a file copy: neither the source itself nor a read-only file is replaced.
    const bool lectureSeule =
        (cible.permissions() &
         (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)) == 0;
    if (cible.canonicalFilePath() == QFileInfo(natifSource).canonicalFilePath() || lectureSeule ||
        !cible.isWritable()) {
        plateforme::Lever(plateforme::err::PermissionRefusee);
    }
}

enum class Resultat { Copiee, PasUneBase };

// The backup proper, into the temporary file. The source's own locks decide: readers go on
// while a writer prepares its changes, and wait while it writes them into the file.
Resultat Sauvegarder(sqlite3* source, sqlite3* cible, const QString& cheminSource,
                     const QString& cheminCible) {
    sqlite3_backup* sauvegarde = sqlite3_backup_init(cible, "main", source, "main");
    if (sauvegarde == nullptr) {
        throw dao::base::ErreurSqlite(cible, sqlite3_errcode(cible), cheminCible);
    }
    QElapsedTimer attente;
    attente.start();
    int rc = SQLITE_OK;
    for (;;) {
        rc = sqlite3_backup_step(sauvegarde, -1);
        if (rc == SQLITE_DONE) {
            break;
        }
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && attente.elapsed() < DelaiEcrivainMs) {
            plateforme::DoEvents();
            sqlite3_sleep(10);
            continue;
        }
        break;
    }
    const int rcFin = sqlite3_backup_finish(sauvegarde);
    if (rc == SQLITE_DONE && rcFin == SQLITE_OK) {
        return Resultat::Copiee;
    }
    const int code = rc == SQLITE_DONE ? rcFin : rc;
    if ((code & 0xFF) == SQLITE_NOTADB) {
        return Resultat::PasUneBase;
    }
    if ((code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED) {
        plateforme::Lever(plateforme::err::PermissionRefusee); // still written by another
    }
    // The code tells which side failed: the destination's own error, if any, else the source's.
    if (sqlite3_errcode(cible) != SQLITE_OK) {
        throw dao::base::ErreurSqlite(cible, code, cheminCible);
    }
    throw dao::base::ErreurSqlite(source, code, cheminSource);
}

void SupprimerJournauxPerimes(const QString& natifCible) {
    for (const char* suffixe : {"-journal", "-wal", "-shm"}) {
        const QString journal = natifCible + QLatin1String(suffixe);
        if (QFileInfo::exists(journal) && !QFile::remove(journal)) {
            plateforme::Lever(plateforme::err::PermissionRefusee);
        }
    }
}

} // namespace

void SupprimerJournauxBase(const QString& cheminWindows) {
    SupprimerJournauxPerimes(plateforme::CheminNatif(cheminWindows));
}

bool EstFichierBase(const QString& nom) {
    return nom.endsWith(QStringLiteral(".mdb"), Qt::CaseInsensitive);
}

void CopierFichierBase(const QString& source, const QString& destination) {
    const QString natifSource = plateforme::CheminNatif(source);
    const QFileInfo infoSource(natifSource);
    if (!infoSource.isFile()) {
        plateforme::Lever(plateforme::err::FichierIntrouvable);
    }
    if (!infoSource.isReadable()) {
        plateforme::Lever(plateforme::err::PermissionRefusee);
    }
    if (infoSource.size() == 0) {
        plateforme::CopierFichier(source, destination); // not a base (SQLite would make one)
        return;
    }
    const QString natifCible = plateforme::CheminNatif(destination);
    VerifierDestination(natifSource, natifCible);
    // Read before the backup starts: a change committed meanwhile then leaves the copy older
    // than the source, never the reverse, so a later modified-only copy fetches it again.
    const QDateTime derniereEcriture = infoSource.fileTime(QFileDevice::FileModificationTime);
    // Read now as well: asked after the copy, a source gone meanwhile (a share that went away)
    // would give no permission at all, and the copy would take its place read-only.
    const QFileDevice::Permissions droits = infoSource.permissions();

    std::optional<plateforme::FichierProvisoire> provisoire;
    try {
        provisoire.emplace(destination);
    } catch (const plateforme::Erreur&) {
        plateforme::Lever(plateforme::err::PermissionRefusee);
    }
    Resultat resultat = Resultat::PasUneBase;
    {
        // Read-write so that a journal left by a crashed writer is rolled back, as any reader
        // of the base would; SQLite falls back to read-only on a write-protected file.
        Connexion db = Ouvrir(natifSource, source, SQLITE_OPEN_READWRITE);
        Connexion copie = Ouvrir(provisoire->Natif(), destination, SQLITE_OPEN_READWRITE);
        resultat = Sauvegarder(db.get(), copie.get(), source, destination);
        if (resultat == Resultat::Copiee) {
            // The copy is complete only once its connection has closed cleanly.
            sqlite3* c = copie.release();
            if (sqlite3_close(c) != SQLITE_OK) {
                sqlite3_close_v2(c);
                plateforme::Lever(plateforme::err::ErreurEntreeSortie);
            }
        }
    }
    if (resultat == Resultat::PasUneBase) {
        plateforme::CopierFichier(source, destination);
        return;
    }
    QFile::setPermissions(provisoire->Natif(), droits);
    plateforme::DefinirDerniereEcriture(provisoire->Natif(), derniereEcriture.toUTC());
    SupprimerJournauxPerimes(natifCible); // they belong to the file being replaced
    provisoire->Publier();
}
