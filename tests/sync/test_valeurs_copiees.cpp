// Values carried from one record set to another: stored dates go over as their text, without a
// round trip through the local time zone, and still read as the same dates; defaults, restored
// rows and bound texts of the record sets that add records.
#include "sync/deux_bases.h"

#include "platform/chemins.h"
#include "platform/erreur.h"
#include "sync/correspondances.h"
#include "sync/transfert.h"
#include "testutil/conditions.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <functional>

#include <sqlite3.h>

using namespace essais;

namespace {

const QString Serveur = QStringLiteral("\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb");
const QString Poste = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
const QString Patient = QStringLiteral("patient");
const QString Identifiant = QStringLiteral("identifiant");

// Paris time, written as a rule so that no zone file is needed: summer time from the last Sunday
// of March 02:00 (02:00 to 03:00 never happens) to the last Sunday of October 03:00 (02:00 to
// 03:00 happens twice).
constexpr const char* Paris = "CET-1CEST,M3.5.0,M10.5.0/3";
// Clocks go from 00:00 straight to 01:00 on the third Sunday of October (18 October 2026).
constexpr const char* MinuitSaute = "BRT3BRST,M10.3.0/0,M2.3.0/0";

// One column of every row of `sql`, read outside the layer as the file holds it: "NULL", or the
// storage class and the text ("text:2026-03-29 01:59:59", "integer:42").
QStringList Stocke(const QString& base, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(plateforme::CheminNatif(base)).constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    QStringList valeurs;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db);
    }
    while (s != nullptr && sqlite3_step(s) == SQLITE_ROW) {
        if (sqlite3_column_type(s, 0) == SQLITE_NULL) {
            valeurs.append(QStringLiteral("NULL"));
            continue;
        }
        const char* type = sqlite3_column_type(s, 0) == SQLITE_BLOB      ? "blob"
                           : sqlite3_column_type(s, 0) == SQLITE_TEXT    ? "text"
                           : sqlite3_column_type(s, 0) == SQLITE_INTEGER ? "integer"
                                                                         : "real";
        const QString texte =
            sqlite3_column_type(s, 0) == SQLITE_BLOB
                ? QString::fromLatin1(
                      QByteArray(static_cast<const char*>(sqlite3_column_blob(s, 0)),
                                 sqlite3_column_bytes(s, 0))
                          .toHex())
                : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        valeurs.append(QLatin1String(type) + QLatin1Char(':') + texte);
    }
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    return valeurs;
}

class ValeursCopiees : public DeuxBases {
protected:
    // Local patients 1, 2... with these stored texts (nullptr: Null) for datecreation and
    // datenaissance, put straight into the file.
    void PatientsLocaux(std::initializer_list<std::pair<const char*, const char*>> dates) {
        int id = 0;
        for (const auto& [creation, naissance] : dates) {
            ++id;
            const auto sql = [](const char* t) {
                return t == nullptr ? QStringLiteral("NULL")
                                    : QStringLiteral("'%1'").arg(QLatin1String(t));
            };
            ExecuterBrut(false, QStringLiteral("INSERT INTO patient (identifiant, numdossier, nom, "
                                               "datecreation, datenaissance) VALUES (%1, '%1', "
                                               "'P%1', %2, %3)")
                                    .arg(id)
                                    .arg(sql(creation), sql(naissance)));
        }
    }
    bool TransfererPatients() {
        TableCorrespondances().Vider();
        return TransfererNouveauxEnregistrements(Patient, Identifiant, Identifiant, 0);
    }
    static QStringList Textes(std::initializer_list<const char*> textes) {
        QStringList l;
        for (const char* t : textes) {
            l.append(t == nullptr ? QStringLiteral("NULL")
                                  : QStringLiteral("text:") + QString::fromUtf8(t));
        }
        return l;
    }
};

} // namespace

TEST_F(ValeursCopiees, DatesGoOverToTheSecondAroundClockChanges) {
    const Fuseau paris(Paris);
    PatientsLocaux({{"2026-03-29 01:59:59", "1950-12-25"},
                    {"2026-03-29 03:00:00", nullptr},
                    {"2026-10-25 02:30:00", "1950-12-25 00:00:00"},
                    // An hour the clocks skip is no date here: kept as the text it is.
                    {"2026-03-29 02:30:00", "1999-02-29"},
                    {nullptr, "2000-02-29"},
                    // Other forms the engine reads are written in the stored form, as before.
                    {"2026-12-02T10:30:00", "pas une date"},
                    {"2026-02-30 10:00:00", "2026-10-25 02:59:59"}});

    ASSERT_TRUE(TransfererPatients());

    EXPECT_EQ(
        Stocke(Serveur, "SELECT datecreation FROM patient ORDER BY identifiant"),
        Textes({"2026-03-29 01:59:59", "2026-03-29 03:00:00", "2026-10-25 02:30:00",
                "2026-03-29 02:30:00", nullptr, "2026-12-02 10:30:00", "2026-02-30 10:00:00"}));
    // A day alone takes the time of day its date reads as: midnight.
    EXPECT_EQ(Stocke(Serveur, "SELECT datenaissance FROM patient ORDER BY identifiant"),
              Textes({"1950-12-25 00:00:00", nullptr, "1950-12-25 00:00:00", "1999-02-29",
                      "2000-02-29 00:00:00", "pas une date", "2026-10-25 02:59:59"}));

    // Read through the layer, each base gives the same values, of the same kinds.
    const QList<Ligne> locaux = Lire(Locale(), Patient, Identifiant);
    const QList<Ligne> distants = Lire(Distante(), Patient, Identifiant);
    ASSERT_EQ(distants.size(), 7);
    for (int i = 0; i < 7; ++i) {
        for (const char* champ : {"datecreation", "datenaissance"}) {
            const QVariant local = locaux[i].value(QLatin1String(champ));
            const QVariant distant = distants[i].value(QLatin1String(champ));
            EXPECT_EQ(distant.typeId(), local.typeId()) << i << champ;
            EXPECT_EQ(distant, local) << i << champ;
        }
    }
    const QDateTime avant = distants[0].value(QStringLiteral("datecreation")).toDateTime();
    const QDateTime apres = distants[1].value(QStringLiteral("datecreation")).toDateTime();
    EXPECT_EQ(avant, QDateTime(QDate(2026, 3, 29), QTime(1, 59, 59)));
    EXPECT_EQ(avant.timeSpec(), Qt::LocalTime);
    // One second of real time across the change to summer time.
    EXPECT_EQ(avant.secsTo(apres), 1);
    EXPECT_EQ(distants[2].value(QStringLiteral("datecreation")).toDateTime().time(), QTime(2, 30));
    EXPECT_EQ(distants[3].value(QStringLiteral("datecreation")),
              QVariant(QStringLiteral("2026-03-29 02:30:00")));
    EXPECT_TRUE(distants[4].value(QStringLiteral("datecreation")).isNull());
    EXPECT_EQ(distants[0].value(QStringLiteral("datenaissance")),
              QVariant(QDateTime(QDate(1950, 12, 25), QTime(0, 0))));
}

TEST_F(ValeursCopiees, DayAloneOnASkippedMidnightTakesTheFirstHourOfTheDay) {
    const Fuseau fuseau(MinuitSaute);
    ASSERT_FALSE(QDateTime(QDate(2026, 10, 18), QTime(0, 0)).isValid())
        << "this C library does not know the zone rule";
    PatientsLocaux({{"2026-10-18 01:00:00", "2026-10-18"}, {"2026-10-17 23:59:59", "2026-10-17"}});

    ASSERT_TRUE(TransfererPatients());

    EXPECT_EQ(Stocke(Serveur, "SELECT datenaissance FROM patient ORDER BY identifiant"),
              Textes({"2026-10-18 01:00:00", "2026-10-17 00:00:00"}));
    const QList<Ligne> distants = Lire(Distante(), Patient, Identifiant);
    ASSERT_EQ(distants.size(), 2);
    EXPECT_EQ(distants[0].value(QStringLiteral("datenaissance")),
              QVariant(QDate(2026, 10, 18).startOfDay()));
    const QDateTime veille = distants[1].value(QStringLiteral("datecreation")).toDateTime();
    const QDateTime jour = distants[0].value(QStringLiteral("datecreation")).toDateTime();
    EXPECT_EQ(veille.secsTo(jour), 1);
}

TEST_F(ValeursCopiees, StoredDateFieldReadsAsADateUntilChanged) {
    PatientsLocaux({{"2026-12-02 10:30:15", "1950-12-25"}});
    const auto source = Locale().OpenRecordset(QStringLiteral("select * from patient"));
    const dao::Field& creation = source->Fields(QStringLiteral("datecreation"));
    EXPECT_FALSE(creation.IsNull());
    EXPECT_FALSE(creation.TexteVide());
    EXPECT_EQ(creation.Value(), QVariant(QDateTime(QDate(2026, 12, 2), QTime(10, 30, 15))));
    EXPECT_EQ(creation.Value().typeId(), QMetaType::QDateTime);
    EXPECT_EQ(creation.Value().toDateTime().timeSpec(), Qt::LocalTime);

    // Copied, then changed or cleared: what is written is what was set, not the stored text.
    const auto destination = Distante().OpenRecordset(QStringLiteral("select * from patient"));
    const QDateTime autre(QDate(2027, 1, 31), QTime(23, 59, 58));
    for (int cas = 0; cas < 3; ++cas) {
        destination->AddNew();
        for (int i = 0; i < source->FieldsCount(); ++i) {
            destination->Fields(i).CopierValeur(source->Fields(i));
        }
        destination->Fields(QStringLiteral("identifiant")).SetValue(cas + 1);
        dao::Field& naissance = destination->Fields(QStringLiteral("datenaissance"));
        dao::Field& date = destination->Fields(QStringLiteral("datecreation"));
        EXPECT_EQ(date.Value(), creation.Value());
        if (cas == 1) {
            date.SetValue(QVariant());
            naissance.SetValue(QVariant());
            EXPECT_TRUE(date.IsNull());
        } else if (cas == 2) {
            date.SetValue(autre);
            naissance.SetValue(QStringLiteral("inconnue"));
        }
        destination->Update();
    }
    EXPECT_EQ(Stocke(Serveur, "SELECT datecreation FROM patient ORDER BY identifiant"),
              Textes({"2026-12-02 10:30:15", nullptr, "2027-01-31 23:59:58"}));
    EXPECT_EQ(Stocke(Serveur, "SELECT datenaissance FROM patient ORDER BY identifiant"),
              Textes({"1950-12-25 00:00:00", nullptr, "inconnue"}));
}

TEST_F(ValeursCopiees, AddNewGivesLiteralDefaultsEveryTimeAndEvaluatesTheOthersEachTime) {
    ExecuterBrut(true, QStringLiteral(
                           "CREATE TABLE essai (id INTEGER PRIMARY KEY, texte TEXT DEFAULT 'abc', "
                           "cite TEXT DEFAULT 'l''été', n INTEGER DEFAULT (42), r REAL DEFAULT "
                           "-1.5, b BLOB DEFAULT x'00ff', rien TEXT DEFAULT NULL, vrai INTEGER "
                           "DEFAULT TRUE, quand DATETIME DEFAULT '2026-01-02 03:04:05', alea "
                           "INTEGER DEFAULT (random()), somme INTEGER DEFAULT (1 + 2))"));
    const auto rs = Distante().OpenRecordset(QStringLiteral("select * from essai"));
    QList<QVariant> aleas;
    for (int id = 1; id <= 3; ++id) {
        rs->AddNew();
        EXPECT_EQ(rs->Fields(QStringLiteral("texte")).Value(), QVariant(QStringLiteral("abc")));
        EXPECT_EQ(rs->Fields(QStringLiteral("cite")).Value(), QVariant(QStringLiteral("l'été")));
        EXPECT_EQ(rs->Fields(QStringLiteral("n")).Value(), QVariant(qint64(42)));
        EXPECT_EQ(rs->Fields(QStringLiteral("n")).Value().typeId(), QMetaType::LongLong);
        EXPECT_EQ(rs->Fields(QStringLiteral("r")).Value(), QVariant(-1.5));
        EXPECT_EQ(rs->Fields(QStringLiteral("b")).Value(), QVariant(QByteArray("\x00\xff", 2)));
        EXPECT_TRUE(rs->Fields(QStringLiteral("rien")).IsNull());
        EXPECT_EQ(rs->Fields(QStringLiteral("vrai")).Value(), QVariant(qint64(1)));
        EXPECT_EQ(rs->Fields(QStringLiteral("quand")).Value(),
                  QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))));
        EXPECT_EQ(rs->Fields(QStringLiteral("somme")).Value(), QVariant(qint64(3)));
        aleas.append(rs->Fields(QStringLiteral("alea")).Value());
        rs->Fields(QStringLiteral("id")).SetValue(id);
        if (id == 2) {
            // A value set on one new record does not become the next one's default.
            rs->Fields(QStringLiteral("texte")).SetValue(QStringLiteral("changé"));
            rs->Fields(QStringLiteral("quand")).SetValue(QVariant());
        }
        rs->Update();
    }
    EXPECT_NE(aleas[0], aleas[1]);
    EXPECT_NE(aleas[1], aleas[2]);
    EXPECT_EQ(Stocke(Serveur, "SELECT texte FROM essai ORDER BY id"),
              Textes({"abc", "changé", "abc"}));
    EXPECT_EQ(Stocke(Serveur, "SELECT quand FROM essai ORDER BY id"),
              Textes({"2026-01-02 03:04:05", nullptr, "2026-01-02 03:04:05"}));
    EXPECT_EQ(Stocke(Serveur, "SELECT b FROM essai ORDER BY id"),
              QStringList({"blob:00ff", "blob:00ff", "blob:00ff"}));

    // A column added since: the record sets opened afterwards know it and its default (which
    // the records already there read too).
    ExecuterBrut(true, QStringLiteral("ALTER TABLE essai ADD COLUMN ajoute TEXT DEFAULT 'neuf'"));
    const auto apres = Distante().OpenRecordset(QStringLiteral("select * from essai"));
    apres->AddNew();
    EXPECT_EQ(apres->Fields(QStringLiteral("ajoute")).Value(), QVariant(QStringLiteral("neuf")));
    apres->Fields(QStringLiteral("id")).SetValue(4);
    apres->Update();
    EXPECT_EQ(Stocke(Serveur, "SELECT ajoute FROM essai ORDER BY id"),
              Textes({"neuf", "neuf", "neuf", "neuf"}));
    apres->Close();
}

TEST_F(ValeursCopiees, CurrentRowComesBackAfterUpdateAndCancelUpdate) {
    PatientsLocaux({{"2026-12-02 10:30:15", "1950-12-25"}, {"2026-12-03 11:00:00", nullptr}});
    const auto rs = Locale().OpenRecordset(QStringLiteral("select * from patient order by "
                                                          "identifiant"));
    // References taken before the new record see the current row again afterwards.
    dao::Field& id = rs->Fields(QStringLiteral("identifiant"));
    dao::Field& creation = rs->Fields(QStringLiteral("datecreation"));
    dao::Field& nom = rs->Fields(QStringLiteral("nom"));

    rs->AddNew();
    EXPECT_TRUE(creation.IsNull());
    EXPECT_EQ(nom.Value(), QVariant(QString()));
    id.SetValue(10);
    nom.SetValue(QStringLiteral("Nouveau"));
    creation.SetValue(QDateTime(QDate(2030, 1, 1), QTime(8, 0)));
    rs->Update();
    EXPECT_EQ(id.Value(), QVariant(qint64(1)));
    EXPECT_EQ(nom.Value(), QVariant(QStringLiteral("P1")));
    EXPECT_EQ(creation.Value(), QVariant(QDateTime(QDate(2026, 12, 2), QTime(10, 30, 15))));

    // Twice AddNew, then CancelUpdate: still the row before the first.
    rs->AddNew();
    nom.SetValue(QStringLiteral("Abandonné"));
    rs->AddNew();
    EXPECT_EQ(nom.Value(), QVariant(QString()));
    rs->CancelUpdate();
    EXPECT_EQ(nom.Value(), QVariant(QStringLiteral("P1")));
    EXPECT_EQ(creation.Value(), QVariant(QDateTime(QDate(2026, 12, 2), QTime(10, 30, 15))));

    // MoveNext during a new record drops it and reads the next row.
    rs->AddNew();
    rs->MoveNext();
    EXPECT_EQ(id.Value(), QVariant(qint64(2)));
    EXPECT_EQ(creation.Value(), QVariant(QDateTime(QDate(2026, 12, 3), QTime(11, 0))));
    EXPECT_TRUE(rs->Fields(QStringLiteral("datenaissance")).IsNull());

    EXPECT_EQ(Stocke(Poste, "SELECT nom FROM patient ORDER BY identifiant"),
              Textes({"P1", "P2", "Nouveau"}));
}

TEST_F(ValeursCopiees, EachRecordKeepsItsOwnTexts) {
    const auto rs = Distante().OpenRecordset(QStringLiteral("select * from patient"));
    const QString longue =
        QStringLiteral("Allergie « pénicilline », suivi cardiologique ").repeated(20);
    const QList<QVariant> noms = {longue, QStringLiteral("Lé"), QString(), QVariant(),
                                  QStringLiteral("Ω")};
    for (int i = 0; i < noms.size(); ++i) {
        rs->AddNew();
        rs->Fields(QStringLiteral("identifiant")).SetValue(i + 1);
        rs->Fields(QStringLiteral("observations")).SetValue(noms[i]);
        rs->Fields(QStringLiteral("ville")).SetValue(QStringLiteral("Ville %1").arg(i));
        rs->Update();
    }
    QStringList attendu;
    for (const QVariant& n : noms) {
        attendu.append(n.isNull() ? QStringLiteral("NULL")
                                  : QStringLiteral("text:") + n.toString());
    }
    EXPECT_EQ(Stocke(Serveur, "SELECT observations FROM patient ORDER BY identifiant"), attendu);
    EXPECT_EQ(Stocke(Serveur, "SELECT ville FROM patient ORDER BY identifiant"),
              Textes({"Ville 0", "Ville 1", "Ville 2", "Ville 3", "Ville 4"}));
}

TEST_F(ValeursCopiees, FieldsByNameIgnoreCaseAndUnknownNamesStillFail) {
    PatientsLocaux({{nullptr, nullptr}});
    const auto rs = Locale().OpenRecordset(QStringLiteral("select * from patient"));
    dao::Field& nom = rs->Fields(QStringLiteral("nom"));
    EXPECT_EQ(&rs->Fields(QStringLiteral("NOM")), &nom);
    EXPECT_EQ(&rs->Fields(QStringLiteral("Nom")), &nom);
    EXPECT_EQ(&rs->Fields(QStringLiteral("nom")), &nom);
    EXPECT_EQ(nom.Name(), QStringLiteral("nom"));
    for (int fois = 0; fois < 2; ++fois) {
        EXPECT_EQ(ErreurDe([&] { rs->Fields(QStringLiteral("nomm")); }).Number(),
                  dao::errdb::ChampInconnu);
    }
    // More names than the record set remembers: each still found.
    for (int fois = 0; fois < 2; ++fois) {
        for (int i = 0; i < rs->FieldsCount(); ++i) {
            const QString nomChamp = rs->Fields(i).Name();
            EXPECT_EQ(&rs->Fields(nomChamp.toUpper()), &rs->Fields(i)) << nomChamp.toStdString();
        }
    }
}

// Values copied unchanged go from the row they were read from to the new record as they were
// read: a record set that moves on or closes while a copy of its row is pending keeps that row
// for the copy, and the copies compare with the defaults without becoming QVariants first.
TEST_F(ValeursCopiees, CopiedValuesOutliveTheirRowAndGoOverAsRead) {
    ExecuterBrut(false, QStringLiteral("CREATE TABLE essai (id INTEGER PRIMARY KEY, t TEXT, b "
                                       "BLOB, r REAL, n INTEGER, vide TEXT DEFAULT '')"));
    ExecuterBrut(true, QStringLiteral("CREATE TABLE essai (id INTEGER PRIMARY KEY, t TEXT, b "
                                      "BLOB, r REAL, n INTEGER, vide TEXT DEFAULT '')"));
    // Bytes that are not UTF-8 stay the bytes they are; an empty blob stays one.
    ExecuterBrut(false, QStringLiteral("INSERT INTO essai VALUES (1, 'été', x'00ff10', 2.5, 7, "
                                       "''), (2, CAST(x'41ff42' AS TEXT), x'', -0.25, -3, 'x'), "
                                       "(3, 'trois', NULL, NULL, NULL, NULL)"));
    auto source = Locale().OpenRecordset(QStringLiteral("select * from essai order by id"));
    const auto destination = Distante().OpenRecordset(QStringLiteral("select * from essai"));
    // The default '' of "vide" against the values read: alike for row 1 only.
    destination->AddNew();
    EXPECT_TRUE(destination->Fields(5).MemeValeur(source->Fields(5)));
    EXPECT_TRUE(source->Fields(5).TexteVide());
    EXPECT_FALSE(destination->Fields(1).MemeValeur(source->Fields(1)));
    destination->CancelUpdate();

    // Row 1 copied, then the source moves on before the write.
    destination->AddNew();
    for (int i = 0; i < source->FieldsCount(); ++i) {
        destination->Fields(i).CopierValeur(source->Fields(i));
    }
    const dao::Field gardee = source->Fields(QStringLiteral("t"));
    source->MoveNext();
    EXPECT_FALSE(source->Fields(5).MemeValeur(dao::Field(QStringLiteral("vide"), QString())));
    EXPECT_EQ(destination->Fields(QStringLiteral("t")).Value(), QVariant(QStringLiteral("été")));
    destination->Update();

    // Row 2 copied, then the source closed and gone before the write.
    destination->AddNew();
    for (int i = 0; i < source->FieldsCount(); ++i) {
        destination->Fields(i).CopierValeur(source->Fields(i));
    }
    source->Close();
    source.reset();
    destination->Update();
    EXPECT_EQ(gardee.Value(), QVariant(QStringLiteral("été")));

    EXPECT_EQ(Stocke(Serveur, "SELECT hex(t) FROM essai ORDER BY id"),
              Textes({"C3A974C3A9", "41FF42"}));
    EXPECT_EQ(Stocke(Serveur, "SELECT b FROM essai ORDER BY id"),
              QStringList({"blob:00ff10", "blob:"}));
    EXPECT_EQ(Stocke(Serveur, "SELECT r FROM essai ORDER BY id"),
              QStringList({"real:2.5", "real:-0.25"}));
    EXPECT_EQ(Stocke(Serveur, "SELECT n FROM essai ORDER BY id"),
              QStringList({"integer:7", "integer:-3"}));
    EXPECT_EQ(Stocke(Serveur, "SELECT vide FROM essai ORDER BY id"), Textes({"", "x"}));
}
