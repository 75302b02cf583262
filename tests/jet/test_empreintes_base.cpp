// The fingerprints of a base's rows and its consistent safety copy.
#include "demo/pratique.h"
#include "jet/dao.h"
#include "jet/empreintes_base.h"
#include "jet/sauvegarde_base.h"
#include "testutil/conditions.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace {

const QString Base = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
const QString Copie = QStringLiteral("C:\\zelvano\\sauvegardes\\zelvano.mdb");

class EmpreintesBase : public ::testing::Test {
protected:
    void SetUp() override {
        const QString natif = machine.Natif(Base);
        QDir().mkpath(QFileInfo(natif).absolutePath());
        QDir().mkpath(QFileInfo(machine.Natif(Copie)).absolutePath());
        demo::CreerBasePratique(natif);
        Executer("insert into patient (identifiant, nom, observations) values (1, 'Martin', NULL), "
                 "(2, 'Durand', ''), (5, 'Petit', 'x')");
        Executer("insert into typeobjet (typeobjet, nomecran) values ('a', 'un'), ('b', 'deux')");
    }
    void Executer(const char* sql, const QString& chemin = Base) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(machine.Natif(chemin)).constData(), &db),
                  SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    }
    static const dao::EmpreintesTable& Table(const QList<dao::EmpreintesTable>& t,
                                             const char* nom) {
        for (const dao::EmpreintesTable& e : t) {
            if (e.table == QLatin1String(nom)) {
                return e;
            }
        }
        static const dao::EmpreintesTable aucune;
        ADD_FAILURE() << nom;
        return aucune;
    }
    static std::vector<qint64> Cles(const dao::EmpreintesTable& t) {
        std::vector<qint64> cles;
        for (const dao::EmpreinteLigne& l : t.lignes) {
            cles.push_back(l.cle);
        }
        return cles;
    }

    factices::Machine machine;
};

TEST_F(EmpreintesBase, ChaqueValeurCompteEtRienDAutre) {
    const QList<dao::EmpreintesTable> avant = dao::LireEmpreintes(Base);
    const dao::EmpreintesTable& patients = Table(avant, "patient");
    EXPECT_EQ(patients.colonneCle, QStringLiteral("identifiant"));
    EXPECT_EQ(Cles(patients), (std::vector<qint64>{1, 2, 5}));
    // A table without a key of its own: its rows by number.
    EXPECT_TRUE(Table(avant, "typeobjet").colonneCle.isEmpty());
    EXPECT_EQ(Cles(Table(avant, "typeobjet")), (std::vector<qint64>{1, 2}));
    // Read again: the same.
    EXPECT_EQ(Table(dao::LireEmpreintes(Base), "patient").lignes, patients.lignes);

    // Null and empty text differ; a value moved from one column to the next differs.
    Executer("update patient set observations = '' where identifiant = 1");
    Executer("update patient set observations = NULL where identifiant = 2");
    Executer("update patient set nom = 'Peti', prenom = 't' where identifiant = 5");
    const QList<dao::EmpreintesTable> relues = dao::LireEmpreintes(Base);
    const dao::EmpreintesTable& apres = Table(relues, "patient");
    ASSERT_EQ(apres.lignes.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NE(apres.lignes[i].hachage, patients.lignes[i].hachage) << i;
    }
    // A real that equals an integer differs from it (in a column without affinity, where 1.0
    // stays a real).
    Executer("create table valeurs (n integer primary key, v)");
    Executer("insert into valeurs values (1, 1)");
    const quint64 entier = Table(dao::LireEmpreintes(Base), "valeurs").lignes.at(0).hachage;
    Executer("update valeurs set v = 1.0");
    EXPECT_NE(Table(dao::LireEmpreintes(Base), "valeurs").lignes.at(0).hachage, entier);
}

TEST_F(EmpreintesBase, CleImposeeEtTablesSansRowid) {
    Executer("create table libre (code text primary key, v) without rowid");
    Executer("insert into consultation (identconsultation, identifiant) values (7, 1), (3, 1)");
    const QList<dao::EmpreintesTable> t = dao::LireEmpreintes(
        Base, {{QStringLiteral("consultation"), QStringLiteral("identifiant")}});
    // By the imposed column, rows of equal keys in the order of their numbers.
    EXPECT_EQ(Table(t, "consultation").colonneCle, QStringLiteral("identifiant"));
    EXPECT_EQ(Cles(Table(t, "consultation")), (std::vector<qint64>{1, 1}));
    for (const dao::EmpreintesTable& e : t) {
        EXPECT_NE(e.table, QStringLiteral("libre"));
        EXPECT_FALSE(e.table.startsWith(QStringLiteral("sqlite_")));
    }
}

TEST_F(EmpreintesBase, LaSauvegardeEstUneBaseCompleteEtNeRemplaceRien) {
    dao::SauvegarderBase(Base, Copie);
    EXPECT_EQ(Table(dao::LireEmpreintes(Copie), "patient").lignes,
              Table(dao::LireEmpreintes(Base), "patient").lignes);
    // No temporary file left beside it.
    EXPECT_EQ(
        QDir(QFileInfo(machine.Natif(Copie)).absolutePath()).entryList(QDir::Files | QDir::Hidden),
        QStringList{QStringLiteral("zelvano.mdb")});
    Executer("insert into patient (identifiant, nom) values (9, 'Nouveau')");
    EXPECT_EQ(essais::ErreurDe([] { dao::SauvegarderBase(Base, Copie); }).Number(),
              dao::errdb::BaseExisteDeja);
    EXPECT_EQ(Table(dao::LireEmpreintes(Copie), "patient").lignes.size(), 3u);
    EXPECT_EQ(essais::ErreurDe([] {
                  dao::SauvegarderBase(QStringLiteral("C:\\zelvano\\bd\\absente.mdb"),
                                       QStringLiteral("C:\\zelvano\\sauvegardes\\b.mdb"));
              }).Number(),
              dao::errdb::FichierIntrouvable);
    EXPECT_FALSE(
        QFileInfo::exists(machine.Natif(QStringLiteral("C:\\zelvano\\sauvegardes\\b.mdb"))));
}

} // namespace
