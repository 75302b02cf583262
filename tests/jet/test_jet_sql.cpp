#include "jet/dao.h"
#include "jet/jet_sql.h"
#include "platform/erreur.h"

#include <gtest/gtest.h>

#include <QStringList>

using dao::TraduireJet;

namespace {

struct Cas {
    const char* jet;
    const char* sqlite;
    QList<bool> texte;
};

// Every SQL text the module sends, as the callers build it, and what SQLite must receive.
const Cas CasModule[] = {
    // Counts of the sync journal table (synchronisation run, launch of the practice application).
    {"SELECT DISTINCTROW Count(synchro.id) AS NBENR FROM synchro;",
     "SELECT Count(synchro.id) AS NBENR FROM synchro",
     {}},
    // Walk of the sync journal table; emptying it.
    {"select * from synchro order by id", "select * from synchro order by id", {}},
    {"select * from synchro", "select * from synchro", {}},
    {"delete * from synchro", "delete from synchro", {}},
    // The seven maxima of the initialisation.
    {"SELECT DISTINCTROW Max(patient.identifiant) AS MAX FROM patient;",
     "SELECT Max(patient.identifiant) AS MAX FROM patient",
     {}},
    {"SELECT DISTINCTROW Max(consultation.identconsultation) AS MAX FROM consultation;",
     "SELECT Max(consultation.identconsultation) AS MAX FROM consultation",
     {}},
    {"SELECT DISTINCTROW Max(ordonnance.identordonnance) AS MAX FROM ordonnance;",
     "SELECT Max(ordonnance.identordonnance) AS MAX FROM ordonnance",
     {}},
    {"SELECT DISTINCTROW Max(courrier.identcourrier) AS MAX FROM courrier;",
     "SELECT Max(courrier.identcourrier) AS MAX FROM courrier",
     {}},
    {"SELECT DISTINCTROW Max(cro.identcro) AS MAX FROM cro;",
     "SELECT Max(cro.identcro) AS MAX FROM cro",
     {}},
    {"SELECT DISTINCTROW Max(correspondance.identcorrespondance) AS MAX FROM correspondance;",
     "SELECT Max(correspondance.identcorrespondance) AS MAX FROM correspondance",
     {}},
    {"SELECT DISTINCTROW Max(objet.identobjet) AS MAX FROM objet;",
     "SELECT Max(objet.identobjet) AS MAX FROM objet",
     {}},
    // Source and destination of the record transfer.
    {"select * from patient where identifiant > 42 order by identifiant",
     "select * from patient where identifiant > 42 order by identifiant",
     {}},
    {"select * from patient order by identifiant DESC",
     "select * from patient order by identifiant DESC",
     {}},
    {"select * from objet where identobjet > 0 order by identobjet",
     "select * from objet where identobjet > 0 order by identobjet",
     {}},
    // Management mode of an object type: by placeholders, or with the values written in.
    {"select * from typeobjet where typeobjet = ? and nomecran = ?",
     "select * from typeobjet where typeobjet = ? COLLATE SANSCASSE and nomecran = ? COLLATE "
     "SANSCASSE",
     {true, true}},
    {"select * from typeobjet where typeobjet = 'photo' and nomecran = 'consultation'",
     "select * from typeobjet where typeobjet = 'photo' COLLATE SANSCASSE and nomecran = "
     "'consultation' COLLATE SANSCASSE",
     {}},
    // Tool routines: largest identifier, one field of a table.
    {"select identcourrier from courrier order by identcourrier desc",
     "select identcourrier from courrier order by identcourrier desc",
     {}},
    {"select * from synchro where table = 'patient'",
     "select * from synchro where \"table\" = 'patient' COLLATE SANSCASSE",
     {}},
    {"select * from synchro where champ_id = ?",
     "select * from synchro where champ_id = ? COLLATE SANSCASSE",
     {true}},
};

TEST(TraducteurJet, TextesDuModule) {
    for (const Cas& c : CasModule) {
        const dao::RequeteTraduite r = TraduireJet(QString::fromUtf8(c.jet), c.texte);
        EXPECT_EQ(r.sql.toStdString(), std::string(c.sqlite)) << c.jet;
        EXPECT_EQ(r.parametres, c.texte.size()) << c.jet;
    }
}

TEST(TraducteurJet, DialecteEtNoms) {
    const Cas cas[] = {
        // A reserved name qualified, bracketed, or as a plain column; a function keeps its name.
        {"SELECT synchro.table, [champ_id], synchro.[table] FROM synchro",
         "SELECT synchro.\"table\", \"champ_id\", synchro.\"table\" FROM synchro",
         {}},
        {"select replace(nom, 'a', 'b') as index from patient",
         "select replace(nom, 'a', 'b') as \"index\" from patient",
         {}},
        // Texts: double quotes are literals, '' stays an apostrophe, accents pass.
        {"select * from patient where nom = \"O'Brien\"",
         "select * from patient where nom = 'O''Brien' COLLATE SANSCASSE",
         {}},
        {"select * from patient where ville <> 'L''Haÿ-les-Roses'",
         "select * from patient where ville <> 'L''Haÿ-les-Roses' COLLATE SANSCASSE",
         {}},
        // Concatenation, wildcards, date literals.
        {"select nom & ' ' & prenom as np from patient where nom like 'Du*' and prenom like 'J?an'",
         "select nom || ' ' || prenom as np from patient where nom like 'Du%' and prenom like "
         "'J_an'",
         {}},
        {"select * from consultation where dateconsultation >= #12/31/2024#",
         "select * from consultation where dateconsultation >= '2024-12-31'",
         {}},
        {"select * from consultation where dateconsultation < #2025-01-02 08:30:00#",
         "select * from consultation where dateconsultation < '2025-01-02 08:30:00'",
         {}},
        // Other forms of delete; several final ";".
        {"DELETE synchro.* FROM synchro WHERE id = 3;;", "DELETE FROM synchro WHERE id = 3", {}},
        {"delete from synchro", "delete from synchro", {}},
        // A number compared, a placeholder bound to a number: no collation (keeps the indexes).
        {"select * from objet where identobjet = ? and typeobjet = ?",
         "select * from objet where identobjet = ? and typeobjet = ? COLLATE SANSCASSE",
         {false, true}},
        // The structure statements of the schema pass unchanged.
        {"CREATE TABLE t (id INTEGER PRIMARY KEY, \"table\" TEXT);",
         "CREATE TABLE t (id INTEGER PRIMARY KEY, \"table\" TEXT);",
         {}},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(TraduireJet(QString::fromUtf8(c.jet), c.texte).sql.toStdString(),
                  std::string(c.sqlite))
            << c.jet;
    }
}

TEST(TraducteurJet, TableUniqueDesRequetesModifiables) {
    const std::pair<const char*, const char*> cas[] = {
        {"select * from patient where identifiant > 42 order by identifiant", "patient"},
        {"select * from patient order by identifiant DESC", "patient"},
        {"select * from [synchro]", "synchro"},
        {"select p.* from patient p where p.identifiant = 1", "patient"},
        {"SELECT DISTINCTROW Count(synchro.id) AS NBENR FROM synchro;", "synchro"},
        {"select distinct nom from patient", ""},
        {"select * from patient, consultation", ""},
        {"select * from patient inner join consultation on patient.identifiant = "
         "consultation.identifiant",
         ""},
        {"select identifiant, count(*) from consultation group by identifiant", ""},
        {"delete * from synchro", ""},
        {"select * from patient where identifiant in (select identifiant from consultation)",
         "patient"},
    };
    for (const auto& [jet, table] : cas) {
        EXPECT_EQ(TraduireJet(QString::fromUtf8(jet)).tableUnique.toStdString(), std::string(table))
            << jet;
    }
}

TEST(TraducteurJet, TexteNonTermineEstUneErreurDeSyntaxe) {
    for (const char* jet : {"select * from patient where nom = 'Dupont",
                            "select [table from synchro", "select * from t where d = #12/31"}) {
        try {
            TraduireJet(QString::fromUtf8(jet));
            ADD_FAILURE() << "pas d'erreur pour " << jet;
        } catch (const plateforme::Erreur& e) {
            EXPECT_EQ(e.Number(), dao::errdb::ErreurSyntaxe) << jet;
            EXPECT_TRUE(e.Description().contains(QString::fromUtf8(jet))) << jet;
        }
    }
}

TEST(TraducteurJet, PointInterrogationDansUnTexteNEstPasUnParametre) {
    const auto r = TraduireJet(QStringLiteral("select * from patient where nom = '?' and id = ?"));
    EXPECT_EQ(r.parametres, 1);
}

} // namespace
