// Bad input given to the initialisation: a server base that is not a base, tables that lack a
// column or are missing, identifiers at the end of the 32-bit range, damaged rows in the local
// synchro table, folder and file names with blanks, quotes, accents and great lengths, settings
// read from a file of random bytes. The run either ends as with good input or on its failure
// block after a clear line, and never writes to the server.

#include "demo/pratique.h"
#include "init/initialisation.h"
#include "init/poste_copie.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "testutil/journal_attendu.h"
#include "testutil/photos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace {

using essais::Requete;

const QString& Fin = attendu::InitTerminee;
using essais::BlocEchec;
const QStringList Version{QStringLiteral("ERREUR : La version de Zelvano installée sur le serveur"),
                          QStringLiteral("ne permet pas de gérer la synchronisation. "),
                          QStringLiteral("Vous devez mettre à jour votre poste serveur "),
                          QStringLiteral("avec la dernière version de Zelvano.")};

std::string Texte(const QStringList& lignes) {
    return lignes.join(QLatin1Char('\n')).toStdString();
}

bool Executer(const QString& natif, const QString& sql) {
    sqlite3* db = nullptr;
    const bool ok =
        sqlite3_open_v2(QFile::encodeName(natif).constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr) == SQLITE_OK &&
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// A small demo practice on the server share, reached as P:, and a local disk without a copy.
class EntreesInvalidesInit : public ::testing::Test {
protected:
    factices::Environnement env;
    demo::BilanDemo bilan;
    photos::Arbre serveurAvant;

    void SetUp() override {
        demo::OptionsDemo options;
        options.machine = env.machine.Racine();
        options.patients = 6;
        options.documents = 6;
        options.objets = 4;
        bilan = demo::GenererDemo(options);
        ASSERT_TRUE(QFile::link(env.machine.Racine() + QStringLiteral("/unc/serveur/zelvano"),
                                env.machine.Racine() + QStringLiteral("/drives/P")));
        Param().FichierIni = bilan.fichierIni;
        LireParametres();
        Param().createlog = 0;
        Param().copiesecurisee = 1;
        Param().modifiesuniquement = 1;
        EtatBase() = QStringLiteral("D");
    }

    QString Natif(const QString& w) const { return plateforme::CheminNatif(w); }
    QString Serveur() const { return env.machine.Racine() + QStringLiteral("/unc/serveur"); }
    QString BaseServeur() const { return Natif(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb")); }
    QString BaseLocale() const { return Natif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb")); }
    QStringList Messages() const { return env.fenetre.Messages(); }

    void Lancer() {
        serveurAvant = photos::LireArbre(Serveur());
        env.fenetre.lignes.clear();
        LancerInitialisation();
        EXPECT_EQ(photos::LireArbre(Serveur()), serveurAvant) << "the server was written to";
    }

    // The run ended on its failure block, after `avant` (the lines just before it).
    void VerifierEchec(const QStringList& avant) const {
        const QStringList m = Messages();
        ASSERT_GE(m.size(), avant.size() + BlocEchec.size()) << Texte(m);
        EXPECT_EQ(Texte(m.mid(m.size() - BlocEchec.size() - avant.size())),
                  Texte(avant + BlocEchec));
        EXPECT_FALSE(m.contains(Fin));
        EXPECT_EQ(env.ecran.pointeurs.last(), 0);
    }

    // The run ended on its failure block after one line "text (number)", the number given.
    void VerifierEchecAvecErreur(int numero) const {
        const QStringList m = Messages();
        ASSERT_GT(m.size(), BlocEchec.size()) << Texte(m);
        EXPECT_EQ(Texte(m.mid(m.size() - BlocEchec.size())), Texte(BlocEchec));
        const QString ligne = m.at(m.size() - BlocEchec.size() - 1);
        EXPECT_TRUE(ligne.endsWith(QStringLiteral(" (%1)").arg(numero))) << ligne.toStdString();
        EXPECT_GT(ligne.size(), QStringLiteral(" (%1)").arg(numero).size() + 3);
        EXPECT_FALSE(m.contains(Fin));
    }

    // `base`: the local base when it is not at its usual place.
    void VerifierReussite(const QString& base = {}) const {
        const QStringList m = Messages();
        EXPECT_EQ(m.count(Fin), 3) << Texte(m);
        EXPECT_FALSE(m.contains(QStringLiteral("INFORMATION TRES IMPORTANTE"))) << Texte(m);
        EXPECT_EQ(Requete(base.isEmpty() ? BaseLocale() : base, "SELECT count(*) FROM synchro"),
                  QStringLiteral("7"));
    }
};

// --- Bases that are not bases ------------------------------------------------------------------

TEST_F(EntreesInvalidesInit, BaseDuServeurQuiNEstPasUneBase) {
    for (const QByteArray& contenu :
         {QByteArray("pas une base \x9c\xe9", 15), QByteArray(), QByteArray(70000, '\0')}) {
        SCOPED_TRACE(contenu.size());
        QFile::remove(BaseServeur());
        env.machine.EcrireFichier(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"), contenu);
        Lancer();
        const QStringList m = Messages();
        ASSERT_GE(m.size(), 7) << Texte(m);
        // Either the engine says what the file is, or it finds no table in it.
        if (m.at(m.size() - 7) == Version.last()) {
            VerifierEchec(Version);
        } else {
            EXPECT_TRUE(m.at(m.size() - 7).endsWith(QLatin1Char(')'))) << Texte(m);
            EXPECT_EQ(Texte(m.mid(m.size() - 6)), Texte(BlocEchec));
        }
        EXPECT_FALSE(m.contains(Fin));
    }
}

// The local copy is replaced whatever it holds.
TEST_F(EntreesInvalidesInit, BaseLocaleQuiNEstPasUneBase) {
    env.machine.EcrireFichier(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"),
                              QByteArray(3000, '\xff'));
    Lancer();
    VerifierReussite();
    EXPECT_EQ(Requete(BaseLocale(), "SELECT count(*) FROM patient"),
              QString::number(bilan.distants.value(QStringLiteral("patient"))));
}

// --- Tables with a column or a table missing on the server -------------------------------------

TEST_F(EntreesInvalidesInit, ColonneIdentifiantManquante) {
    ASSERT_TRUE(Executer(BaseServeur(), "DROP TABLE consultation; CREATE TABLE consultation "
                                        "(identifiant INTEGER, motif TEXT)"));
    Lancer();
    const QStringList m = Messages();
    ASSERT_GE(m.size(), 7);
    VerifierEchec({m.at(m.size() - 7)});
    EXPECT_TRUE(m.at(m.size() - 7).contains(QStringLiteral("identconsultation"))) << Texte(m);
    EXPECT_TRUE(m.contains(QStringLiteral("-> Dernier dossier : ") +
                           QString::number(bilan.maxima.value(QStringLiteral("patient")))));
    // Emptied before the maxima were read: the next synchronisation refuses to start.
    EXPECT_EQ(Requete(BaseLocale(), "SELECT count(*) FROM synchro"), QStringLiteral("0"));
}

TEST_F(EntreesInvalidesInit, TableManquanteSurLeServeur) {
    ASSERT_TRUE(Executer(BaseServeur(), "DROP TABLE objet"));
    Lancer();
    VerifierEchec(Version);
}

// Rows with Nulls, foreign names and out-of-range numbers in the synchro table of the copied
// base are replaced by the seven.
TEST_F(EntreesInvalidesInit, TableSynchroLocaleEndommagee) {
    ASSERT_TRUE(Executer(BaseServeur(), "INSERT INTO synchro (\"table\", champ_id, "
                                        "champ_id_dossier, dernier_no) VALUES (NULL, NULL, "
                                        "NULL, NULL), ('x''; drop', 'y', 'z', -5), "
                                        "('patient', 'identifiant', 'identifiant', "
                                        "99999999999)"));
    Lancer();
    VerifierReussite();
    EXPECT_EQ(Requete(BaseLocale(), "SELECT count(*) FROM synchro WHERE dernier_no IS NULL OR "
                                    "\"table\" IS NULL OR dernier_no < 0"),
              QStringLiteral("0"));
}

// --- Identifiers at the end of the 32-bit range ------------------------------------------------

TEST_F(EntreesInvalidesInit, IdentifiantAuMaximum) {
    ASSERT_TRUE(Executer(BaseServeur(), "INSERT INTO patient (identifiant, nom) VALUES "
                                        "(2147483647, 'Dernier')"));
    Lancer();
    VerifierReussite();
    EXPECT_TRUE(Messages().contains(QStringLiteral("-> Dernier dossier : 2147483647")));
    EXPECT_EQ(Requete(BaseLocale(), "SELECT dernier_no FROM synchro WHERE \"table\" = 'patient'"),
              QStringLiteral("2147483647"));
}

TEST_F(EntreesInvalidesInit, IdentifiantAuDelaDe32Bits) {
    for (const char* valeur : {"2147483648", "-2147483649"}) {
        SCOPED_TRACE(valeur);
        ASSERT_TRUE(Executer(BaseServeur(), QStringLiteral("DELETE FROM cro; INSERT INTO cro "
                                                           "(identcro, identifiant) VALUES "
                                                           "(%1, 1)")
                                                .arg(QLatin1String(valeur))));
        Lancer();
        VerifierEchecAvecErreur(6);
        EXPECT_FALSE(
            Messages().contains(QStringLiteral("-> Dernier CRO : ") + QLatin1String(valeur)));
    }
}

// --- Names with blanks, quotes, accents, great lengths -----------------------------------------

TEST_F(EntreesInvalidesInit, NomsDeDossiersEtDeFichiersDifficiles) {
    Parametres& p = Param();
    const QString ancienneRacine = Natif(QStringLiteral("P:\\zelvano"));
    p.zelvanodir = QStringLiteral("Zelvano \"Cabinet\" d'Élise");
    p.bddir = QStringLiteral("base de données");
    p.courrierdir = QStringLiteral("Courriers 'reçus' été");
    const QString racine = QStringLiteral("P:\\") + p.zelvanodir;
    ASSERT_TRUE(QDir().rename(ancienneRacine, Natif(racine)));
    ASSERT_TRUE(QDir().rename(Natif(racine + QStringLiteral("\\bd")),
                              Natif(racine + QLatin1Char('\\') + p.bddir)));
    ASSERT_TRUE(QDir().mkpath(Natif(racine + QLatin1Char('\\') + p.courrierdir)));
    // The local product folder exists, as the practice application's set-up leaves it (the
    // copy creates the folders below it, not it).
    ASSERT_TRUE(QDir().mkpath(Natif(QStringLiteral("C:\\") + p.zelvanodir)));
    const QStringList noms = {
        QStringLiteral("lettre \"urgente\" d'O'Brien.doc"),
        QString(120, QChar(u'é')) + QStringLiteral(".odt"), // 244 bytes, near the limit
        QStringLiteral(" blanc devant et derrière .txt "),
    };
    for (const QString& nom : noms) {
        env.machine.EcrireFichier(
            racine + QLatin1Char('\\') + p.courrierdir + QLatin1Char('\\') + nom, nom.toUtf8());
    }

    Lancer();

    const QString local = QStringLiteral("C:\\") + p.zelvanodir + QLatin1Char('\\');
    VerifierReussite(Natif(local + p.bddir + QStringLiteral("\\zelvano.mdb")));
    for (const QString& nom : noms) {
        EXPECT_EQ(env.machine.LireFichier(local + p.courrierdir + QLatin1Char('\\') + nom),
                  nom.toUtf8());
    }
    EXPECT_EQ(Requete(Natif(local + p.bddir + QStringLiteral("\\zelvano.mdb")),
                      "SELECT count(*) FROM patient"),
              QString::number(bilan.distants.value(QStringLiteral("patient"))));
}

// A product folder whose name cannot exist: every folder is reported missing, and the local
// base, which cannot exist either, ends the run on its error line.
TEST_F(EntreesInvalidesInit, DossierProduitDeTroisCentsCaracteres) {
    Param().zelvanodir = QString(300, QChar(u'à'));
    Lancer();
    const QStringList m = Messages();
    EXPECT_TRUE(m.contains(QStringLiteral("ATTENTION : le dossier P:\\") + Param().zelvanodir +
                           QStringLiteral("\\bd n'existe pas")))
        << Texte(m);
    ASSERT_GE(m.size(), 7);
    EXPECT_TRUE(m.at(m.size() - 7).endsWith(QLatin1Char(')'))) << Texte(m);
    EXPECT_EQ(Texte(m.mid(m.size() - 6)), Texte(BlocEchec));
}

// --- Settings read from a file of random bytes -------------------------------------------------

// Whatever the record holds, the run ends on its last line or its failure block, starts no
// program but the additional copy job, and writes nothing outside the machine.
TEST_F(EntreesInvalidesInit, ParametresDUnFichierAleatoire) {
    essais::ProcessusFactice processus;
    plateforme::RemplacementServices services({nullptr, nullptr, nullptr, nullptr, &processus});
    const QString ini = QStringLiteral("C:\\WINDOWS\\aleatoire.ini");
    QRandomGenerator alea(5301);
    // fmpath last: it opens the section [client].
    const QByteArray cles[] = {
        "unite",          "zelvanodir",         "bddir", "courrierdir", "datadir",
        "copiesecurisee", "modifiesuniquement", "fmpath"};
    int lectures = 0;
    for (int essai = 0; essai < 12; ++essai) {
        SCOPED_TRACE(essai);
        // Random bytes, and random values under the keys that lead somewhere.
        QByteArray octets;
        for (int i = 0; i < 400; ++i) {
            octets += static_cast<char>(alea.bounded(256));
        }
        octets += "\r\n[general]\r\n";
        for (const QByteArray& cle : cles) {
            if (cle == "fmpath") {
                octets += "[client]\r\n";
            }
            octets += cle + '=';
            for (int i = 0, n = static_cast<int>(alea.bounded(6)); i < n; ++i) {
                static const char signes[] = "aZ .\\/:'\"\xe9*?<>|zelvano";
                octets += signes[alea.bounded(static_cast<int>(sizeof signes - 1))];
            }
            octets += "\r\n";
        }
        QFile::remove(Natif(ini));
        env.machine.EcrireFichier(ini, octets);
        Param() = Parametres{};
        Param().FichierIni = ini;
        try {
            LireParametres();
        } catch (const plateforme::Erreur& e) {
            EXPECT_TRUE(e.Number() == 13 || e.Number() == 6) << e.Number();
            continue;
        }
        ++lectures;
        Param().createlog = 0;
        Param().traitementsupp.clear();
        EtatBase() = QStringLiteral("D");
        const QStringList avantMachine = QDir(env.machine.Racine()).entryList(QDir::AllEntries);
        const QStringList avantCourant = QDir::current().entryList(QDir::AllEntries);
        const QStringList avantRacine = QDir(QStringLiteral("/")).entryList(QDir::AllEntries);
        Lancer();
        const QStringList m = Messages();
        ASSERT_FALSE(m.isEmpty());
        EXPECT_TRUE(m.last() == Fin || m.mid(m.size() - 6) == BlocEchec) << Texte(m);
        EXPECT_TRUE(processus.lignes.isEmpty()) << Texte(processus.lignes);
        EXPECT_EQ(QDir(env.machine.Racine()).entryList(QDir::AllEntries), avantMachine);
        EXPECT_EQ(QDir::current().entryList(QDir::AllEntries), avantCourant);
        EXPECT_EQ(QDir(QStringLiteral("/")).entryList(QDir::AllEntries), avantRacine);
    }
    EXPECT_GT(lectures, 3);
}

} // namespace
