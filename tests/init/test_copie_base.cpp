#include "init/copie_base.h"
#include "init/poste_copie.h"
#include "platform/erreur.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using essais::Poste;
using essais::Requete;

const QString Serveur = QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb");
const QString Local = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");

// Runs statements on a base, outside the module.
bool Executer(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void CreerBase(const QString& natif, int lignes) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(natif).constData(), &db), SQLITE_OK);
    ASSERT_TRUE(Executer(db, "CREATE TABLE t (id INTEGER PRIMARY KEY, v BLOB); BEGIN;"));
    for (int i = 0; i < lignes; ++i) {
        ASSERT_TRUE(Executer(db, "INSERT INTO t (v) VALUES (randomblob(700))"));
    }
    ASSERT_TRUE(Executer(db, "COMMIT"));
    sqlite3_close(db);
}

// Another process writes to the base: it opens a transaction, writes `lignes` rows (enough of
// them to spill its cache into the file, so that it holds the file alone), tells the parent,
// holds on for a while, then commits or rolls back.
class Ecrivain {
public:
    Ecrivain(const QString& natif, int lignes, bool valider) {
        int tube[2];
        if (pipe(tube) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(tube[0]);
            sqlite3* db = nullptr;
            bool ok = sqlite3_open(QFile::encodeName(natif).constData(), &db) == SQLITE_OK &&
                      Executer(db, "PRAGMA cache_size = 8; BEGIN IMMEDIATE");
            for (int i = 0; ok && i < lignes; ++i) {
                ok = Executer(db, "INSERT INTO t (v) VALUES (randomblob(700))");
            }
            const char pret = ok ? '1' : '0';
            ok = write(tube[1], &pret, 1) == 1 && ok;
            usleep(700 * 1000);
            ok = Executer(db, valider ? "COMMIT" : "ROLLBACK") && ok;
            sqlite3_close(db);
            _exit(ok ? 0 : 1);
        }
        close(tube[1]);
        char pret = '0';
        pret_ = read(tube[0], &pret, 1) == 1 && pret == '1';
        close(tube[0]);
    }
    ~Ecrivain() { Attendre(); }
    bool Pret() const { return pid_ > 0 && pret_; }
    bool Attendre() {
        if (pid_ <= 0) {
            return false;
        }
        int etat = 0;
        waitpid(pid_, &etat, 0);
        pid_ = -1;
        return WIFEXITED(etat) && WEXITSTATUS(etat) == 0;
    }

private:
    pid_t pid_ = -1;
    bool pret_ = false;
};

class CopieBase : public ::testing::Test {
protected:
    Poste poste;
    void SetUp() override {
        poste.Ecrire(QStringLiteral("C:\\zelvano\\bd\\rien"), "");
        poste.Ecrire(QStringLiteral("P:\\zelvano\\bd\\rien"), "");
        CreerBase(poste.Natif(Serveur), 500);
    }
};

TEST_F(CopieBase, PendantQuUnEcrivainTientLaBaseEntiere) {
    Ecrivain ecrivain(poste.Natif(Serveur), 4000, true);
    ASSERT_TRUE(ecrivain.Pret());
    // The writer's changes are in the file, the originals in its journal.
    ASSERT_TRUE(QFileInfo::exists(poste.Natif(Serveur) + QStringLiteral("-journal")));
    CopierFichierBase(Serveur, Local);
    EXPECT_TRUE(ecrivain.Attendre());
    EXPECT_EQ(Requete(poste.Natif(Local), "PRAGMA integrity_check"), QStringLiteral("ok"));
    const QString lignes = Requete(poste.Natif(Local), "SELECT count(*) FROM t");
    EXPECT_TRUE(lignes == QStringLiteral("500") || lignes == QStringLiteral("4500"))
        << qPrintable(lignes);
    EXPECT_FALSE(QFileInfo::exists(poste.Natif(Local) + QStringLiteral("-journal")));
}

TEST_F(CopieBase, PendantUneTransactionNonValidee) {
    Ecrivain ecrivain(poste.Natif(Serveur), 20, false);
    ASSERT_TRUE(ecrivain.Pret());
    CopierFichierBase(Serveur, Local);
    EXPECT_EQ(Requete(poste.Natif(Local), "PRAGMA integrity_check"), QStringLiteral("ok"));
    EXPECT_EQ(Requete(poste.Natif(Local), "SELECT count(*) FROM t"), QStringLiteral("500"));
    EXPECT_TRUE(ecrivain.Attendre());
}

TEST_F(CopieBase, GardeLaDateEtRemplaceSansJournalPerime) {
    const QDateTime ecriture(QDate(2026, 10, 1), QTime(7, 8, 9, 500));
    poste.DefinirEcriture(Serveur, ecriture);
    poste.Ecrire(Local, "ancienne base");
    poste.Ecrire(Local + QStringLiteral("-journal"), "journal d'une autre version du fichier");
    CopierFichierBase(Serveur, Local);
    EXPECT_EQ(poste.Ecriture(Local), ecriture.toMSecsSinceEpoch());
    EXPECT_FALSE(QFileInfo::exists(poste.Natif(Local) + QStringLiteral("-journal")));
    EXPECT_EQ(Requete(poste.Natif(Local), "SELECT count(*) FROM t"), QStringLiteral("500"));
    EXPECT_EQ(essais::Arborescence(poste.Natif(QStringLiteral("C:\\zelvano\\bd"))),
              (QStringList{QStringLiteral("rien"), QStringLiteral("zelvano.mdb")}))
        << "no temporary file left";
}

TEST_F(CopieBase, FichierQuiNEstPasUneBase) {
    const QByteArray contenu("Ceci n'est pas une base SQLite, mais un ancien fichier Jet.");
    const QDateTime ecriture(QDate(2020, 5, 6), QTime(1, 2, 3));
    poste.Ecrire(QStringLiteral("P:\\zelvano\\bd\\ancien.mdb"), contenu, ecriture);
    CopierFichierBase(QStringLiteral("P:\\zelvano\\bd\\ancien.mdb"),
                      QStringLiteral("C:\\zelvano\\bd\\ancien.mdb"));
    EXPECT_EQ(poste.Contenu(QStringLiteral("C:\\zelvano\\bd\\ancien.mdb")), contenu);
    EXPECT_EQ(poste.Ecriture(QStringLiteral("C:\\zelvano\\bd\\ancien.mdb")),
              ecriture.toMSecsSinceEpoch());
    EXPECT_EQ(poste.Contenu(QStringLiteral("P:\\zelvano\\bd\\ancien.mdb")), contenu)
        << "source untouched";

    poste.Ecrire(QStringLiteral("P:\\zelvano\\bd\\vide.mdb"), "");
    CopierFichierBase(QStringLiteral("P:\\zelvano\\bd\\vide.mdb"),
                      QStringLiteral("C:\\zelvano\\bd\\vide.mdb"));
    EXPECT_EQ(QFileInfo(poste.Natif(QStringLiteral("C:\\zelvano\\bd\\vide.mdb"))).size(), 0);
}

TEST_F(CopieBase, DestinationEnLectureSeule) {
    poste.Ecrire(Local, "protégée");
    QFile::setPermissions(poste.Natif(Local), QFileDevice::ReadOwner);
    try {
        CopierFichierBase(Serveur, Local);
        ADD_FAILURE() << "no error";
    } catch (const plateforme::Erreur& e) {
        EXPECT_EQ(e.Number(), plateforme::err::PermissionRefusee);
    }
    EXPECT_EQ(poste.Contenu(Local), "protégée");
    EXPECT_TRUE(EstFichierBase(QStringLiteral("ZELVANO.MDB")));
    EXPECT_FALSE(EstFichierBase(QStringLiteral("zelvano.mdb.compacte")));
}

} // namespace
