#include "init/ancetre.h"

#include "init/sauvegarde.h"
#include "jet/base_connexion.h"
#include "jet/base_erreurs.h"
#include "jet/sauvegarde_base.h"
#include "platform/fichiers.h"
#include "platform/fichiers_durables.h"
#include "pratique/lieux.h"
#include "settings/parametres.h"

#include <sqlite3.h>

namespace {

// A statement on the copy, whose connection is SQLite's own until the copy is published.
dao::base::Instruction Preparer(sqlite3* db, const char* sql) {
    sqlite3_stmt* instruction = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &instruction, nullptr) != SQLITE_OK) {
        throw dao::base::ErreurSqlite(db, sqlite3_errcode(db), CheminAncetre());
    }
    return dao::base::Instruction(instruction);
}

// The files of the records of the copy (read through its own connection): a document of a
// letter, report or correspondence, an object's file in the data folder. A name that leads to
// no file (an object's reference to a document) is not one.
QList<FichierAncetre> FichiersDesEnregistrements(sqlite3* db) {
    const Parametres& p = Param();
    QList<FichierAncetre> fichiers;
    const auto lire = [&](const QString& table, const char* sql, auto chemins) {
        const dao::base::Instruction s = Preparer(db, sql);
        while (sqlite3_step(s.get()) == SQLITE_ROW) {
            const QString nom = dao::base::TexteColonne(s.get(), 1);
            if (nom.isEmpty()) {
                continue;
            }
            FichierAncetre f{table, sqlite3_column_int64(s.get(), 0), {}, {}, {}, {}};
            chemins(nom, f);
            f.etat = plateforme::LireEtatFichier(f.local);
            f.etatDistant = plateforme::LireEtatFichier(f.distant);
            if (!f.local.isEmpty() && f.etat.taille >= 0) {
                fichiers.append(f);
            }
        }
    };
    const auto document = [](const QString& nom, FichierAncetre& f) {
        f.local = CheminDocumentLocal(nom);
        f.distant = nom;
    };
    lire(QStringLiteral("correspondance"),
         "select identcorrespondance, nomfichier from correspondance order by 1", document);
    lire(QStringLiteral("courrier"), "select identcourrier, nomfichier from courrier order by 1",
         document);
    lire(QStringLiteral("cro"), "select identcro, nomfichier from cro order by 1", document);
    lire(QStringLiteral("objet"), "select identobjet, nomfichier from objet order by 1",
         [&p](const QString& nom, FichierAncetre& f) {
             f.local = DossierDonnees(p.fmpathClient) + nom;
             f.distant = DossierDonnees(p.unite) + nom;
         });
    return fichiers;
}

void Executer(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw dao::base::ErreurSqlite(db, sqlite3_errcode(db), CheminAncetre());
    }
}

void NoterFichiers(sqlite3* db) {
    const QList<FichierAncetre> fichiers = FichiersDesEnregistrements(db);
    Executer(db, "begin");
    Executer(db, "create table ancetre_fichiers (nomtable text, identifiant integer, local text, "
                 "distant text, taille integer, ecriture integer, taille_distant integer, "
                 "ecriture_distant integer)");
    const dao::base::Instruction s =
        Preparer(db, "insert into ancetre_fichiers values (?, ?, ?, ?, ?, ?, ?, ?)");
    for (const FichierAncetre& f : fichiers) {
        const QByteArray table = f.table.toUtf8();
        const QByteArray local = f.local.toUtf8();
        const QByteArray distant = f.distant.toUtf8();
        sqlite3_bind_text(s.get(), 1, table.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(s.get(), 2, f.identifiant);
        sqlite3_bind_text(s.get(), 3, local.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(s.get(), 4, distant.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(s.get(), 5, f.etat.taille);
        sqlite3_bind_int64(s.get(), 6, f.etat.ecriture);
        sqlite3_bind_int64(s.get(), 7, f.etatDistant.taille);
        sqlite3_bind_int64(s.get(), 8, f.etatDistant.ecriture);
        if (sqlite3_step(s.get()) != SQLITE_DONE) {
            throw dao::base::ErreurSqlite(db, sqlite3_errcode(db), CheminAncetre());
        }
        sqlite3_reset(s.get());
    }
    Executer(db, "commit");
}

} // namespace

QString CheminAncetre() {
    return DossierSauvegardes() + QStringLiteral("\\ancetre.mdb");
}

bool AncetrePresent() {
    return plateforme::FichierExiste(CheminAncetre());
}

void EnregistrerAncetre() {
    DossierSauvegardesPrepare();
    OublierAncetre();
    dao::SauvegarderBase(CheminBaseLocale(), CheminAncetre(), NoterFichiers);
}

void OublierAncetre() {
    if (AncetrePresent()) {
        plateforme::SupprimerFichierDurable(CheminAncetre());
    }
}

QList<FichierAncetre> LireFichiersAncetre(dao::Database& ancetre) {
    const auto rs = ancetre.OpenRecordset(
        QStringLiteral("select nomtable, identifiant, local, distant, taille, ecriture, "
                       "taille_distant, ecriture_distant from ancetre_fichiers order by nomtable, "
                       "identifiant"));
    QList<FichierAncetre> fichiers;
    for (; !rs->Eof(); rs->MoveNext()) {
        fichiers.append({rs->Fields(0).Value().toString(),
                         rs->Fields(1).Value().toLongLong(),
                         rs->Fields(2).Value().toString(),
                         rs->Fields(3).Value().toString(),
                         {rs->Fields(4).Value().toLongLong(), rs->Fields(5).Value().toLongLong()},
                         {rs->Fields(6).Value().toLongLong(), rs->Fields(7).Value().toLongLong()}});
    }
    rs->Close();
    return fichiers;
}
