#include "demo/pratique.h"
#include "jet/base_connexion.h"
#include "jet/dao.h"
#include "platform/erreur.h"
#include "testutil/conditions.h"
#include "testutil/factices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <functional>

namespace {

using dao::DBEngine;
namespace errdb = dao::errdb;
using essais::ErreurDe;

const QString Distante = QStringLiteral("\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb");
const QString Locale = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");

// A connection of its own, outside the layer: what another workstation would see.
class Temoin {
public:
    explicit Temoin(const QString& natif) {
        sqlite3_open_v2(QFile::encodeName(natif).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db_, 2000);
    }
    ~Temoin() { sqlite3_close_v2(db_); }
    Temoin(const Temoin&) = delete;
    Temoin& operator=(const Temoin&) = delete;
    qint64 Entier(const char* sql) const {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
        const qint64 v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
        sqlite3_finalize(s);
        return v;
    }
    int Executer(const char* sql) const {
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    }
    sqlite3* Db() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class Dao : public ::testing::Test {
protected:
    void SetUp() override {
        CreerBase(Distante);
        CreerBase(Locale);
        dao::base::DefinirDelaiVerrouMs(300);
    }
    void TearDown() override {
        if (moteur.EnTransaction()) {
            moteur.Rollback();
        }
        dao::base::DefinirDelaiVerrouMs(5000);
    }
    void CreerBase(const QString& chemin) const {
        const QString natif = machine.Natif(chemin);
        QDir().mkpath(QFileInfo(natif).absolutePath());
        demo::CreerBasePratique(natif);
    }
    qint64 Compter(const QString& chemin, const char* sql) const {
        return Temoin(machine.Natif(chemin)).Entier(sql);
    }
    void AjouterPatient(dao::Database& base, qint64 id, const QString& nom) const {
        base.Execute(QStringLiteral("insert into patient (identifiant, numdossier, nom) values (?, "
                                    "?, ?)"),
                     {id, QString::number(id), nom});
    }

    factices::Machine machine;
    DBEngine& moteur = DBEngine::Instance();
};

// --- The SQL of the module, run on a practice base ---------------------------------------------

TEST_F(Dao, ComptesEtMaximaDuModule) {
    auto base = moteur.OpenDatabase(Locale);
    const QString compte =
        QStringLiteral("SELECT DISTINCTROW Count(synchro.id) AS NBENR FROM synchro;");
    auto rs = base->OpenRecordset(compte);
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields(QStringLiteral("NBENR")).Value(), QVariant(qint64(0)));
    rs->Close();

    for (int i = 0; i < 7; ++i) {
        base->Execute(QStringLiteral("insert into synchro (\"table\", champ_id, champ_id_dossier, "
                                     "dernier_no) values ('t', 'c', 'd', ?)"),
                      {i});
    }
    EXPECT_EQ(base->OpenRecordset(compte)->Fields(QStringLiteral("nbenr")).Value().toInt(), 7);

    const QString maximum =
        QStringLiteral("SELECT DISTINCTROW Max(patient.identifiant) AS MAX FROM "
                       "patient;");
    rs = base->OpenRecordset(maximum);
    EXPECT_TRUE(rs->Fields(QStringLiteral("MAX")).IsNull()); // empty table: Null
    AjouterPatient(*base, 41, QStringLiteral("A"));
    AjouterPatient(*base, 12, QStringLiteral("B"));
    EXPECT_EQ(base->OpenRecordset(maximum)->Fields(QStringLiteral("MAX")).Value(),
              QVariant(qint64(41)));

    base->Execute(QStringLiteral("delete * from synchro"));
    EXPECT_EQ(base->OpenRecordset(compte)->Fields(0).Value().toInt(), 0);

    // Largest identifier by the tool routine's query.
    rs = base->OpenRecordset(QStringLiteral("select identifiant from patient order by identifiant "
                                            "desc"));
    EXPECT_EQ(rs->Fields(QStringLiteral("identifiant")).Value().toInt(), 41);
}

TEST_F(Dao, LectureDeLaTableSynchroParNomEtPosition) {
    auto base = moteur.OpenDatabase(Locale);
    base->Execute(
        QStringLiteral("insert into synchro (\"table\", champ_id, champ_id_dossier, "
                       "dernier_no) values ('patient', 'identifiant', 'identifiant', 42)"));
    base->Execute(QStringLiteral("insert into synchro (\"table\", champ_id, champ_id_dossier, "
                                 "dernier_no) values ('objet', 'identobjet', 'identpatient', 7)"));
    auto rs = base->OpenRecordset(QStringLiteral("select * from synchro order by id"));
    ASSERT_EQ(rs->FieldsCount(), 5);
    const QStringList noms = {QStringLiteral("id"), QStringLiteral("table"),
                              QStringLiteral("champ_id"), QStringLiteral("champ_id_dossier"),
                              QStringLiteral("dernier_no")};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rs->Fields(i).Name(), noms[i]);
    }
    EXPECT_EQ(rs->Fields(QStringLiteral("TABLE")).Value(), QVariant(QStringLiteral("patient")));
    EXPECT_EQ(&rs->Fields(QStringLiteral("Dernier_No")), &rs->Fields(4));
    EXPECT_EQ(rs->Fields(4).Value(), QVariant(qint64(42)));
    rs->MoveNext();
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields(1).Value().toString(), QStringLiteral("objet"));
    EXPECT_EQ(rs->Fields(QStringLiteral("champ_id_dossier")).Value().toString(),
              QStringLiteral("identpatient"));
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->Fields(0).IsNull());

    const auto inconnu = ErreurDe([&] { rs->Fields(QStringLiteral("dernierno")); });
    EXPECT_EQ(inconnu.Number(), errdb::ChampInconnu);
    EXPECT_TRUE(inconnu.Description().contains(QStringLiteral("« dernierno »")));
    EXPECT_EQ(ErreurDe([&] { rs->Fields(5); }).Number(), errdb::ChampInconnu);
    EXPECT_EQ(ErreurDe([&] { rs->MoveNext(); }).Number(), errdb::AucunEnregistrement);
}

// --- Values --------------------------------------------------------------------------------------

TEST_F(Dao, ValeursEntieresTextesDatesEtNull) {
    auto base = moteur.OpenDatabase(Locale);
    const QDateTime quand(QDate(2026, 3, 14), QTime(9, 26, 53));
    base->Execute(
        QStringLiteral("insert into consultation (identconsultation, identifiant, "
                       "dateconsultation, motif, texte, montant) values (?, ?, ?, ?, ?, ?)"),
        {qint64(5000000000), 7, quand, QStringLiteral("Œdème, vertiges — « aigus »"), QVariant(),
         42.5});
    base->Execute(QStringLiteral("insert into patient (identifiant, nom, datenaissance) values "
                                 "(1, 'Noël', ?)"),
                  {QDate(1950, 12, 25)});

    auto rs = base->OpenRecordset(QStringLiteral("select * from consultation"));
    // Beyond 32 bits, the value is not wrapped.
    EXPECT_EQ(rs->Fields(QStringLiteral("identconsultation")).Value(),
              QVariant(qint64(5000000000)));
    EXPECT_EQ(rs->Fields(QStringLiteral("identifiant")).Value().typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs->Fields(QStringLiteral("dateconsultation")).Value(), QVariant(quand));
    EXPECT_EQ(rs->Fields(QStringLiteral("motif")).Value().toString(),
              QStringLiteral("Œdème, vertiges — « aigus »"));
    EXPECT_TRUE(rs->Fields(QStringLiteral("texte")).IsNull());
    EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("montant")).Value().toDouble(), 42.5);

    // Stored as ISO text, read back as a date-time.
    EXPECT_EQ(Compter(Locale, "select count(*) from consultation where dateconsultation = "
                              "'2026-03-14 09:26:53'"),
              1);
    auto p = base->OpenRecordset(QStringLiteral("select datenaissance from patient"));
    EXPECT_EQ(p->Fields(0).Value(), QVariant(QDate(1950, 12, 25).startOfDay()));

    // An unsigned value beyond the 64-bit range is refused, not wrapped.
    const auto e = ErreurDe([&] {
        base->Execute(QStringLiteral("insert into patient (identifiant, nom) values (?, 'X')"),
                      {QVariant::fromValue(quint64(18446744073709551615ULL))});
    });
    EXPECT_EQ(e.Number(), plateforme::err::DepassementCapacite);
}

TEST_F(Dao, ParametresNeConstruisentJamaisLeSql) {
    auto base = moteur.OpenDatabase(Locale);
    const QString nom = QStringLiteral("O'Brien\"; delete from patient; --");
    AjouterPatient(*base, 1, nom);
    AjouterPatient(*base, 2, QStringLiteral("Autre"));
    auto rs = base->OpenRecordset(QStringLiteral("select * from patient where nom = ?"), {nom});
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields(QStringLiteral("identifiant")).Value().toInt(), 1);
    EXPECT_EQ(Compter(Locale, "select count(*) from patient"), 2);

    EXPECT_EQ(ErreurDe([&] {
                  base->OpenRecordset(QStringLiteral("select * from patient where nom = ?"));
              }).Number(),
              errdb::NombreParametres);
    EXPECT_EQ(
        ErreurDe([&] {
            base->Execute(QStringLiteral("delete from patient where identifiant = ?"), {1, 2});
        }).Number(),
        errdb::NombreParametres);
    EXPECT_EQ(ErreurDe([&] { base->Execute(QStringLiteral("select * from patient")); }).Number(),
              errdb::ExecuteSelection);
}

// --- Texts compared without regard to case
// --------------------------------------------------------

TEST_F(Dao, ComparaisonDesTextesSansCasse) {
    auto base = moteur.OpenDatabase(Distante);
    base->Execute(QStringLiteral("insert into typeobjet (typeobjet, nomecran, modegestion, "
                                 "extension) values ('Photo', 'Consultation', 'Fichier', 'jpg')"));
    AjouterPatient(*base, 1, QStringLiteral("ÉLODIE"));
    const QString recherche = QStringLiteral("select * from typeobjet where typeobjet = ? and "
                                             "nomecran = ?");
    auto rs =
        base->OpenRecordset(recherche, {QStringLiteral("photo"), QStringLiteral("consultation")});
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields(QStringLiteral("extension")).Value().toString(), QStringLiteral("jpg"));
    EXPECT_TRUE(base->OpenRecordset(recherche, {QStringLiteral("photo"), QStringLiteral("patient")})
                    ->Eof());

    // Values written in the text, as the module's lookup builds it.
    EXPECT_FALSE(base->OpenRecordset(QStringLiteral("select * from typeobjet where typeobjet = "
                                                    "'PHOTO' and nomecran = 'consultation'"))
                     ->Eof());
    // Accented capitals too; an order comparison as well.
    EXPECT_FALSE(base->OpenRecordset(QStringLiteral("select * from patient where nom = ?"),
                                     {QStringLiteral("élodie")})
                     ->Eof());
    EXPECT_FALSE(
        base->OpenRecordset(QStringLiteral("select * from typeobjet where typeobjet >= 'photo'"))
            ->Eof());
    // A number bound to an integer column compares as a number.
    EXPECT_FALSE(
        base->OpenRecordset(QStringLiteral("select * from patient where identifiant = ?"), {1})
            ->Eof());
}

// --- Adding records
// ---------------------------------------------------------------------------------

TEST_F(Dao, AddNewDonneLesValeursParDefautDesColonnes) {
    auto base = moteur.OpenDatabase(Distante);
    AjouterPatient(*base, 30, QStringLiteral("Premier"));
    auto rs =
        base->OpenRecordset(QStringLiteral("select * from patient order by identifiant DESC"));
    ASSERT_EQ(rs->Fields(QStringLiteral("identifiant")).Value().toInt(), 30);

    rs->AddNew();
    EXPECT_TRUE(rs->Fields(QStringLiteral("identifiant")).IsNull());
    EXPECT_EQ(rs->Fields(QStringLiteral("numdossier")).Value(), QVariant(QString()));
    EXPECT_FALSE(rs->Fields(QStringLiteral("numdossier")).IsNull());
    EXPECT_EQ(rs->Fields(QStringLiteral("actif")).Value(), QVariant(qint64(1)));
    EXPECT_TRUE(rs->Fields(QStringLiteral("observations")).IsNull());
    EXPECT_TRUE(rs->Fields(QStringLiteral("datenaissance")).IsNull());
    rs->Fields(QStringLiteral("identifiant")).SetValue(31);
    rs->Fields(QStringLiteral("nom")).SetValue(QStringLiteral("Lefèvre"));
    rs->Fields(QStringLiteral("datenaissance")).SetValue(QDateTime(QDate(1980, 5, 1), QTime()));
    rs->Update();
    // Back on the record that was current before AddNew.
    EXPECT_EQ(rs->Fields(QStringLiteral("identifiant")).Value().toInt(), 30);

    Temoin temoin(machine.Natif(Distante));
    EXPECT_EQ(temoin.Entier("select count(*) from patient where identifiant = 31 and nom = "
                            "'Lefèvre' and numdossier = '' and actif = 1 and observations is null"),
              1);
    EXPECT_EQ(temoin.Entier("select count(*) from patient where datenaissance = '1980-05-01 "
                            "00:00:00'"),
              1);
}

TEST_F(Dao, AddNewSurSynchroNumeroteParLaBase) {
    auto base = moteur.OpenDatabase(Locale);
    base->Execute(QStringLiteral("delete * from synchro"));
    auto rs = base->OpenRecordset(QStringLiteral("select * from synchro"));
    EXPECT_TRUE(rs->Eof());
    const char* tables[] = {"patient", "consultation", "objet"};
    for (const char* table : tables) {
        rs->AddNew();
        rs->Fields(QStringLiteral("table")).SetValue(QString::fromLatin1(table));
        rs->Fields(QStringLiteral("champ_id")).SetValue(QStringLiteral("id"));
        rs->Fields(QStringLiteral("champ_id_dossier")).SetValue(QStringLiteral("identifiant"));
        rs->Fields(QStringLiteral("dernier_no")).SetValue(0);
        rs->Update();
    }
    rs->Close();
    auto lu = base->OpenRecordset(QStringLiteral("select * from synchro order by id"));
    qint64 precedent = 0;
    for (const char* table : tables) {
        ASSERT_FALSE(lu->Eof());
        EXPECT_EQ(lu->Fields(QStringLiteral("table")).Value().toString(), QLatin1String(table));
        EXPECT_GT(lu->Fields(QStringLiteral("id")).Value().toLongLong(), precedent);
        precedent = lu->Fields(QStringLiteral("id")).Value().toLongLong();
        lu->MoveNext();
    }
    EXPECT_TRUE(lu->Eof());
    // Emptied and refilled, the table keeps numbering upwards.
    base->Execute(QStringLiteral("delete * from synchro"));
    rs = base->OpenRecordset(QStringLiteral("select * from synchro"));
    rs->AddNew();
    rs->Fields(QStringLiteral("table")).SetValue(QStringLiteral("patient"));
    rs->Update();
    EXPECT_GT(base->OpenRecordset(QStringLiteral("select id from synchro"))
                  ->Fields(0)
                  .Value()
                  .toLongLong(),
              precedent);
}

TEST_F(Dao, AjoutRefuseHorsDUneTableEtSansAddNew) {
    auto base = moteur.OpenDatabase(Locale);
    AjouterPatient(*base, 1, QStringLiteral("A"));
    const char* nonModifiables[] = {
        "SELECT DISTINCTROW Count(synchro.id) AS NBENR FROM synchro;",
        "SELECT DISTINCTROW Max(patient.identifiant) AS MAX FROM patient;",
        "select * from patient inner join consultation on patient.identifiant = "
        "consultation.identifiant",
        "select identifiant + 1 as suivant from patient", "select distinct nom from patient"};
    for (const char* sql : nonModifiables) {
        auto rs = base->OpenRecordset(QString::fromUtf8(sql));
        const auto e = ErreurDe([&] { rs->AddNew(); });
        EXPECT_EQ(e.Number(), errdb::NonModifiable) << sql;
    }
    auto rs = base->OpenRecordset(QStringLiteral("select * from patient"));
    EXPECT_EQ(ErreurDe([&] { rs->Update(); }).Number(), errdb::UpdateSansAddNew);
    // CancelUpdate drops the new record and comes back to the current one.
    rs->AddNew();
    rs->Fields(QStringLiteral("identifiant")).SetValue(99);
    rs->CancelUpdate();
    EXPECT_EQ(rs->Fields(QStringLiteral("identifiant")).Value().toInt(), 1);
    EXPECT_EQ(Compter(Locale, "select count(*) from patient"), 1);
    // A record set of some columns of one table can add rows; the others take their defaults.
    auto une = base->OpenRecordset(QStringLiteral("select identifiant, nom from patient"));
    une->AddNew();
    une->Fields(0).SetValue(2);
    une->Fields(1).SetValue(QStringLiteral("Deux"));
    une->Update();
    EXPECT_EQ(Compter(Locale, "select count(*) from patient where identifiant = 2 and actif = 1"),
              1);
}

TEST_F(Dao, CleEnDoubleLaisseLEnregistrementEnCours) {
    auto base = moteur.OpenDatabase(Distante);
    AjouterPatient(*base, 5, QStringLiteral("Cinq"));
    auto rs =
        base->OpenRecordset(QStringLiteral("select * from patient order by identifiant DESC"));
    rs->AddNew();
    rs->Fields(0).SetValue(5);
    rs->Fields(QStringLiteral("nom")).SetValue(QStringLiteral("Doublon"));
    const auto e = ErreurDe([&] { rs->Update(); });
    EXPECT_EQ(e.Number(), errdb::CleEnDouble);
    EXPECT_TRUE(e.Description().contains(QStringLiteral("« patient »")));
    rs->Fields(0).SetValue(6);
    rs->Update();
    EXPECT_EQ(Compter(Distante, "select count(*) from patient where identifiant = 6 and nom = "
                                "'Doublon'"),
              1);
    EXPECT_EQ(ErreurDe([&] { AjouterPatient(*base, 6, QStringLiteral("X")); }).Number(),
              errdb::CleEnDouble);
}

// The transfer reads the new local rows and adds each to the remote table, whose record set in
// descending order was read for its first row only.
TEST_F(Dao, AjoutsPendantLaLectureDUneAutreBase) {
    auto locale = moteur.OpenDatabase(Locale);
    auto distante = moteur.OpenDatabase(Distante);
    moteur.BeginTrans();
    for (int i = 1; i <= 300; ++i) {
        AjouterPatient(*locale, i, QStringLiteral("Patient %1").arg(i));
    }
    AjouterPatient(*distante, 1000, QStringLiteral("Serveur"));
    moteur.CommitTrans();
    moteur.BeginTrans();
    auto source = locale->OpenRecordset(QStringLiteral("select * from patient where identifiant > "
                                                       "100 order by identifiant"));
    auto destination =
        distante->OpenRecordset(QStringLiteral("select * from patient order by identifiant DESC"));
    qint64 suivant = destination->Fields(QStringLiteral("identifiant")).Value().toLongLong();
    int lus = 0;
    while (!source->Eof()) {
        destination->AddNew();
        for (int i = 0; i < source->FieldsCount(); ++i) {
            if (!source->Fields(i).IsNull()) {
                destination->Fields(i).SetValue(source->Fields(i).Value());
            }
        }
        destination->Fields(0).SetValue(++suivant);
        destination->Update();
        ++lus;
        source->MoveNext();
    }
    source->Close();
    destination->Close();
    moteur.CommitTrans();
    EXPECT_EQ(lus, 200);
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 201);
    EXPECT_EQ(Compter(Distante, "select max(identifiant) from patient"), 1200);
}

// The same file opened twice (a misconfigured practice) must not read back its own additions:
// each handle is a connection of its own, and the second one's changes stay its own until commit.
TEST_F(Dao, MemeFichierOuvertDeuxFoisNeBouclePas) {
    auto lecture = moteur.OpenDatabase(Locale);
    auto ecriture = moteur.OpenDatabase(Locale);
    moteur.BeginTrans();
    for (int i = 1; i <= 50; ++i) {
        AjouterPatient(*lecture, i, QStringLiteral("P"));
    }
    moteur.CommitTrans();
    moteur.BeginTrans();
    auto source = lecture->OpenRecordset(QStringLiteral("select * from patient where identifiant > "
                                                        "0 order by identifiant"));
    auto destination = ecriture->OpenRecordset(QStringLiteral("select * from patient order by "
                                                              "identifiant DESC"));
    qint64 suivant = 50;
    int lus = 0;
    while (!source->Eof() && lus < 1000) {
        destination->AddNew();
        destination->Fields(0).SetValue(++suivant);
        destination->Fields(QStringLiteral("nom")).SetValue(QStringLiteral("copie"));
        destination->Update();
        ++lus;
        source->MoveNext();
    }
    source->Close();
    destination->Close();
    moteur.CommitTrans();
    EXPECT_EQ(lus, 50);
    EXPECT_EQ(Compter(Locale, "select count(*) from patient"), 100);
}

// --- Errors
// -----------------------------------------------------------------------------------------

TEST_F(Dao, TableIntrouvable3078) {
    auto base = moteur.OpenDatabase(Locale);
    base->Execute(QStringLiteral("drop table synchro"));
    for (const auto& essai : std::vector<std::function<void()>>{
             [&] {
                 base->OpenRecordset(QStringLiteral("SELECT DISTINCTROW Count(synchro.id) AS NBENR "
                                                    "FROM synchro;"));
             },
             [&] { base->Execute(QStringLiteral("delete * from synchro")); },
             [&] {
                 base->OpenRecordset(QStringLiteral("select * from synchro order by id"));
             }}) {
        const auto e = ErreurDe(essai);
        EXPECT_EQ(e.Number(), errdb::TableIntrouvable);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("« synchro »"))) << e.what();
        EXPECT_TRUE(e.Description().contains(Locale)) << e.what();
    }
}

TEST_F(Dao, ErreursDOuverture) {
    const QString absente = QStringLiteral("C:\\zelvano\\bd\\absente.mdb");
    auto e = ErreurDe([&] { moteur.OpenDatabase(absente); });
    EXPECT_EQ(e.Number(), errdb::FichierIntrouvable);
    EXPECT_TRUE(e.Description().contains(absente));
    // Never a new empty base in place of a missing one.
    EXPECT_FALSE(QFileInfo::exists(machine.Natif(absente)));

    e = ErreurDe([&] { moteur.OpenDatabase(QStringLiteral("C:\\nulle\\part\\zelvano.mdb")); });
    EXPECT_EQ(e.Number(), errdb::CheminIncorrect);
    EXPECT_EQ(ErreurDe([&] { moteur.OpenDatabase(QString()); }).Number(), errdb::CheminIncorrect);
    EXPECT_EQ(ErreurDe([&] { moteur.OpenDatabase(QStringLiteral("C:\\zelvano\\bd")); }).Number(),
              errdb::CheminIncorrect);

    const QString texte = QStringLiteral("C:\\zelvano\\bd\\texte.mdb");
    machine.EcrireFichier(texte, QByteArray("Ceci n'est pas une base de données, mais un texte "
                                            "assez long pour en remplir l'en-tête.")
                                     .repeated(20));
    e = ErreurDe([&] { moteur.OpenDatabase(texte); });
    EXPECT_EQ(e.Number(), errdb::FichierCorrompu);
    EXPECT_TRUE(e.Description().contains(texte));

    const QString vide = QStringLiteral("C:\\zelvano\\bd\\vide.mdb");
    machine.EcrireFichier(vide, QByteArray());
    EXPECT_EQ(ErreurDe([&] { moteur.OpenDatabase(vide); }).Number(), errdb::FichierCorrompu);
}

TEST_F(Dao, FichierVerrouilleParUnAutreProgramme) {
    Temoin autre(machine.Natif(Locale));
    ASSERT_EQ(autre.Executer("BEGIN EXCLUSIVE"), SQLITE_OK);
    auto e = ErreurDe([&] { moteur.OpenDatabase(Locale); });
    EXPECT_EQ(e.Number(), errdb::FichierVerrouille);
    EXPECT_TRUE(e.Description().contains(Locale));
    autre.Executer("ROLLBACK");

    // Locked after opening: a write waits, then reports the lock.
    auto base = moteur.OpenDatabase(Locale);
    ASSERT_EQ(autre.Executer("BEGIN IMMEDIATE"), SQLITE_OK);
    e = ErreurDe([&] { AjouterPatient(*base, 1, QStringLiteral("A")); });
    EXPECT_EQ(e.Number(), errdb::FichierVerrouille);
    autre.Executer("ROLLBACK");
    AjouterPatient(*base, 1, QStringLiteral("A"));
}

TEST_F(Dao, ObjetsFermes) {
    auto base = moteur.OpenDatabase(Locale);
    auto rs = base->OpenRecordset(QStringLiteral("select * from patient"));
    rs->Close();
    rs->Close();
    EXPECT_EQ(ErreurDe([&] { rs->MoveNext(); }).Number(), errdb::ObjetFerme);
    EXPECT_EQ(ErreurDe([&] { rs->Fields(0); }).Number(), errdb::ObjetFerme);
    base->Close();
    EXPECT_EQ(ErreurDe([&] { base->Execute(QStringLiteral("delete * from synchro")); }).Number(),
              errdb::ObjetFerme);
    EXPECT_EQ(base->Name(), Locale);
}

// --- The transaction over every open base
// ---------------------------------------------------------

TEST_F(Dao, TransactionSurDeuxBasesValideeOuAnnulee) {
    auto distante = moteur.OpenDatabase(Distante);
    auto locale = moteur.OpenDatabase(Locale);
    locale->Execute(QStringLiteral("insert into synchro (\"table\") values ('patient')"));

    moteur.BeginTrans();
    EXPECT_TRUE(moteur.EnTransaction());
    AjouterPatient(*distante, 1, QStringLiteral("Transféré"));
    locale->Execute(QStringLiteral("delete * from synchro"));
    // Nothing is visible from outside before the commit.
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 0);
    moteur.Rollback();
    EXPECT_FALSE(moteur.EnTransaction());
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 0);
    EXPECT_EQ(Compter(Locale, "select count(*) from synchro"), 1);

    moteur.BeginTrans();
    AjouterPatient(*distante, 1, QStringLiteral("Transféré"));
    locale->Execute(QStringLiteral("delete * from synchro"));
    moteur.CommitTrans();
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 1);
    EXPECT_EQ(Compter(Locale, "select count(*) from synchro"), 0);
    // Outside a transaction, every change is kept at once.
    AjouterPatient(*distante, 2, QStringLiteral("Direct"));
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 2);
}

TEST_F(Dao, BaseOuverteEnCoursDeTransactionYEntre) {
    moteur.BeginTrans();
    auto distante = moteur.OpenDatabase(Distante);
    auto locale = moteur.OpenDatabase(Locale);
    AjouterPatient(*distante, 1, QStringLiteral("A"));
    AjouterPatient(*locale, 1, QStringLiteral("A"));
    // Closed before the rollback, as the run does: the changes are undone all the same.
    distante->Close();
    locale->Close();
    moteur.Rollback();
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 0);
    EXPECT_EQ(Compter(Locale, "select count(*) from patient"), 0);

    moteur.BeginTrans();
    distante = moteur.OpenDatabase(Distante);
    AjouterPatient(*distante, 2, QStringLiteral("B"));
    distante->Close();
    moteur.CommitTrans();
    EXPECT_EQ(Compter(Distante, "select count(*) from patient where identifiant = 2"), 1);
}

TEST_F(Dao, TransactionsMalEnchainees) {
    EXPECT_EQ(ErreurDe([&] { moteur.CommitTrans(); }).Number(), errdb::SansTransaction);
    EXPECT_EQ(ErreurDe([&] { moteur.Rollback(); }).Number(), 0);
    moteur.BeginTrans();
    EXPECT_EQ(ErreurDe([&] { moteur.BeginTrans(); }).Number(), errdb::TransactionImbriquee);
    EXPECT_TRUE(moteur.EnTransaction());
    moteur.Rollback();
}

// The bases are committed one after the other in the order they were opened; when one cannot
// be, the ones before it are committed and Rollback undoes the rest.
TEST_F(Dao, ValidationDansLOrdreDOuverture) {
    auto distante = moteur.OpenDatabase(Distante);
    auto locale = moteur.OpenDatabase(Locale);
    moteur.BeginTrans();
    AjouterPatient(*distante, 1, QStringLiteral("A"));
    AjouterPatient(*locale, 1, QStringLiteral("A"));
    // Another program reading the local base keeps it from being written.
    Temoin lecteur(machine.Natif(Locale));
    sqlite3_stmt* lecture = nullptr;
    sqlite3_prepare_v2(lecteur.Db(), "select * from sqlite_schema", -1, &lecture, nullptr);
    ASSERT_EQ(sqlite3_step(lecture), SQLITE_ROW);
    const auto e = ErreurDe([&] { moteur.CommitTrans(); });
    EXPECT_EQ(e.Number(), errdb::FichierVerrouille);
    EXPECT_TRUE(moteur.EnTransaction());
    sqlite3_finalize(lecture);
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 1);
    moteur.Rollback();
    EXPECT_EQ(Compter(Locale, "select count(*) from patient"), 0);
    EXPECT_EQ(Compter(Distante, "select count(*) from patient"), 1);
}

TEST_F(Dao, ValidationAvecUnJeuEnregistrementsOuvert) {
    auto base = moteur.OpenDatabase(Locale);
    for (int i = 1; i <= 3; ++i) {
        AjouterPatient(*base, i, QStringLiteral("P"));
    }
    moteur.BeginTrans();
    auto rs = base->OpenRecordset(QStringLiteral("select * from patient order by identifiant"));
    base->Execute(QStringLiteral("delete from patient where identifiant = 3"));
    moteur.CommitTrans();
    EXPECT_EQ(Compter(Locale, "select count(*) from patient"), 2);
    rs->MoveNext();
    EXPECT_FALSE(rs->Eof());
}

// --- Compaction ---------------------------------------------------------------------------------

TEST_F(Dao, CompactageVersUneNouvelleBase) {
    {
        auto base = moteur.OpenDatabase(Locale);
        moteur.BeginTrans();
        for (int i = 1; i <= 2000; ++i) {
            AjouterPatient(*base, i, QString(QLatin1Char('x')).repeated(200));
        }
        moteur.CommitTrans();
        base->Execute(QStringLiteral("delete from patient where identifiant > 10"));
    }
    const QString tmp = QStringLiteral("C:\\zelvano\\tmpbd.mdb");
    moteur.CompactDatabase(Locale, tmp);
    EXPECT_LT(QFileInfo(machine.Natif(tmp)).size(), QFileInfo(machine.Natif(Locale)).size() / 4);
    EXPECT_EQ(Compter(tmp, "select count(*) from patient"), 10);
    EXPECT_EQ(Compter(tmp, "select count(*) from sqlite_schema where name = 'synchro'"), 1);
    Temoin verification(machine.Natif(tmp));
    EXPECT_EQ(verification.Executer("PRAGMA integrity_check"), SQLITE_OK);
    // No temporary file left beside it.
    EXPECT_EQ(
        QDir(machine.Natif(QStringLiteral("C:\\zelvano"))).entryList(QDir::Files | QDir::Hidden),
        QStringList{QStringLiteral("tmpbd.mdb")});

    // An existing destination is refused and left as it was.
    const QByteArray avant = machine.LireFichier(tmp);
    auto e = ErreurDe([&] { moteur.CompactDatabase(Locale, tmp); });
    EXPECT_EQ(e.Number(), errdb::BaseExisteDeja);
    EXPECT_TRUE(e.Description().contains(tmp));
    EXPECT_EQ(machine.LireFichier(tmp), avant);

    e = ErreurDe([&] {
        moteur.CompactDatabase(QStringLiteral("C:\\zelvano\\absente.mdb"),
                               QStringLiteral("C:\\zelvano\\autre.mdb"));
    });
    EXPECT_EQ(e.Number(), errdb::FichierIntrouvable);
    EXPECT_FALSE(QFileInfo::exists(machine.Natif(QStringLiteral("C:\\zelvano\\autre.mdb"))));
}

} // namespace
