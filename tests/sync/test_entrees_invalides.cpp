// Bad input given to the synchronisation: bases that are not bases, tables whose columns differ
// between the two sides, damaged synchro rows, identifiers at the end of the 32-bit range,
// names and paths with blanks, quotes, accents and great lengths, a practice INI file of random
// bytes. Each run either does what it does with good input or stops on a clear line, and the
// server base never keeps half of a run.

#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "sync/synchronisation.h"
#include "sync/test_synchronisation_poste.h"
#include "testutil/journal_attendu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

using poste::BaseC;
using poste::BaseP;
using poste::BaseServeur;

namespace {

using attendu::DemarrageInit;
using attendu::InitTerminee;
using attendu::Plus40;
const QString& Terminee = attendu::SynchroTerminee;

std::string Texte(const QStringList& lignes) {
    return lignes.join(QLatin1Char('\n')).toStdString();
}

class EntreesInvalides : public poste::Poste {
protected:
    // Server and local copy: two patients, a consultation and a letter known at the last
    // initialisation; typed since on the workstation: a patient with a consultation, a letter
    // and a drawing, each with its file.
    void PreparerPratique() {
        CreerBasesVides();
        for (const QString& base : {BaseServeur, BaseC}) {
            Executer(base, QStringLiteral(
                               "insert into patient (identifiant, numdossier, nom) values "
                               "(1, '1', 'Martin'), (2, '2', 'Durand');"
                               "insert into consultation (identconsultation, identifiant, motif) "
                               "values (10, 1, 'Contrôle');"
                               "insert into courrier (identcourrier, identifiant, nomfichier) "
                               "values (5, 1, 'P:\\zelvano\\courrier\\xB000005.doc');"));
        }
        RemplirSynchro(BaseC, {2, 10, 0, 5, 0, 0, 0});
        Executer(BaseC, QStringLiteral(
                            "insert into patient (identifiant, numdossier, nom, prenom) values "
                            "(3, '3', 'Lefèvre', 'Élodie');"
                            "insert into consultation (identconsultation, identifiant, motif, "
                            "conclusion, montant) values (11, 3, 'Première', 'RAS', 25.5);"
                            "insert into courrier (identcourrier, identifiant, nomfichier) "
                            "values (6, 3, 'P:\\zelvano\\courrier\\lettre.doc');"
                            "insert into objet (identobjet, identpatient, typeobjet, nomfichier) "
                            "values (1, 3, 'dessin1', 'dessin.des');"));
        Ecrire(QStringLiteral("C:\\zelvano\\courrier\\lettre.doc"), "lettre");
        Ecrire(QStringLiteral("C:\\zelvano\\data\\dessin.des"), "dessin");
    }

    // The run must stop: nothing on the server, the local base as it was, the transaction
    // closed, no initialisation, and the journal ending on `derniere` (or on a line that
    // matches it, as a pattern).
    void LancerEtVerifierRefus(const QRegularExpression& derniere) {
        const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
        const poste::Photo localAvant = poste::Photographier(BaseC);
        LancerEtVerifierRefusSansPhoto(derniere);
        EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
        EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
    }

    void LancerEtVerifierRefusSansPhoto(const QRegularExpression& derniere) {
        env.fenetre.lignes.clear();
        LancerSynchronisation();
        const QStringList m = Messages();
        ASSERT_FALSE(m.isEmpty());
        EXPECT_TRUE(derniere.match(m.last()).hasMatch()) << Texte(m);
        EXPECT_FALSE(m.contains(Terminee)) << Texte(m);
        EXPECT_FALSE(m.contains(DemarrageInit)) << Texte(m);
        EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
        EXPECT_FALSE(EstFichier(poste::Intention));
    }

    static QRegularExpression Exact(const QString& ligne) {
        return QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(ligne) +
                                  QLatin1Char('$'));
    }
    // "ERREUR " + number + " - " + text, the number given.
    static QRegularExpression LigneErreur(int numero) {
        return QRegularExpression(QStringLiteral("^ERREUR %1 - \\S").arg(numero));
    }

    // The line of a table whose columns differ between the bases.
    static QRegularExpression ChampsDifferents(const QString& table) {
        return QRegularExpression(QStringLiteral("^ERREUR 3265 - Les champs de la table %1 "
                                                 "diffèrent entre les deux bases")
                                      .arg(table));
    }

    // What opening the base gives, as the run's error line writes it.
    static QString ErreurOuverture(const QString& base) {
        try {
            dao::DBEngine::Instance().OpenDatabase(base);
        } catch (const plateforme::Erreur& e) {
            return e.Description() + QStringLiteral(" (") + QString::number(e.Number()) + ")";
        }
        ADD_FAILURE() << "the base opens: " << base.toStdString();
        return {};
    }
};

// --- Bases that are not bases -----------------------------------------------------------------

TEST_F(EntreesInvalides, BaseQuiNEstPasUneBase) {
    const QByteArray dechets = QByteArray("Ceci n'est pas une base : ") + QByteArray(5000, '\x9c');
    for (const QString& base : {BaseServeur, BaseC}) {
        SCOPED_TRACE(base.toStdString());
        QDir(env.machine.Natif("C:\\zelvano")).removeRecursively();
        QDir(env.machine.Natif("\\\\serveur\\zelvano\\zelvano")).removeRecursively();
        PreparerPratique();
        QFile::remove(env.machine.Natif(base));
        Ecrire(base, dechets);
        const bool distante = base == BaseServeur;
        const QString attendu = ErreurOuverture(distante ? BaseP : BaseC);
        EXPECT_TRUE(attendu.endsWith(QLatin1Char(')'))) << attendu.toStdString();
        const poste::Photo autreAvant = poste::Photographier(distante ? BaseC : BaseServeur);

        LancerEtVerifierRefusSansPhoto(Exact(attendu));

        EXPECT_EQ(Contenu(base), dechets); // not "repaired" into an empty base
        EXPECT_EQ(poste::Decrire(poste::Photographier(distante ? BaseC : BaseServeur)),
                  poste::Decrire(autreAvant));
    }
}

TEST_F(EntreesInvalides, BaseVideOuTronquee) {
    PreparerPratique();
    const QByteArray entiere = Contenu(BaseServeur);
    for (const QByteArray& contenu : {QByteArray(), entiere.left(100), entiere.left(4096)}) {
        SCOPED_TRACE(contenu.size());
        QFile::remove(env.machine.Natif(BaseServeur));
        Ecrire(BaseServeur, contenu);
        const poste::Photo localAvant = poste::Photographier(BaseC);
        LancerEtVerifierRefusSansPhoto(QRegularExpression(QStringLiteral("\\(\\d+\\)$")));
        EXPECT_EQ(Contenu(BaseServeur), contenu);
        EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
    }
}

// --- Tables whose columns differ between the two bases ----------------------------------------

// Records are copied field by field by position: a table that lacks a column on one side would
// shift every value after it into its neighbour. The transfer stops instead.
TEST_F(EntreesInvalides, ColonneManquanteDansLaBaseLocale) {
    PreparerPratique();
    Executer(BaseC, "alter table patient drop column numdossier");
    LancerEtVerifierRefus(ChampsDifferents(QStringLiteral("patient")));
    EXPECT_EQ(LignesSynchro(BaseC), 7);
}

// A server upgraded since the initialisation: its tables have columns after the local ones.
// The copy by position fills the common ones; the new ones keep their defaults.
TEST_F(EntreesInvalides, ColonnesAjouteesEnFinDeTableDistante) {
    PreparerPratique();
    Executer(BaseServeur, "alter table patient add column portable TEXT DEFAULT 'inconnu';"
                          "alter table courrier add column signe INTEGER DEFAULT 0;"
                          "alter table objet add column taille INTEGER");
    LancerSynchronisation();
    const QStringList m = Messages();
    EXPECT_TRUE(m.contains(Terminee)) << Texte(m);
    EXPECT_EQ(poste::Brut(BaseServeur)
                  .Lignes(QStringLiteral("select identifiant, nom, prenom, portable from patient "
                                         "where identifiant = 3")),
              QStringList{QStringLiteral("identifiant=I:3|nom=T:Lefèvre|prenom=T:Élodie|"
                                         "portable=T:inconnu")});
    EXPECT_EQ(Entier(BaseServeur, QStringLiteral("select count(*) from courrier where "
                                                 "identcourrier = 6 and signe = 0")),
              1);
    EXPECT_EQ(Entier(BaseServeur, QStringLiteral("select count(*) from objet where taille "
                                                 "is null and typeobjet = 'dessin1'")),
              1);
}

TEST_F(EntreesInvalides, ColonneManquanteAuMilieuNeDecalePasLesValeurs) {
    PreparerPratique();
    Executer(BaseC, "alter table consultation drop column conclusion");
    LancerEtVerifierRefus(ChampsDifferents(QStringLiteral("consultation")));
    EXPECT_TRUE(Messages().contains(
        QStringLiteral("Transfert des nouveaux enregistrements de la table : consultation")));
}

TEST_F(EntreesInvalides, ColonneManquanteDansLaBaseDistante) {
    PreparerPratique();
    Executer(BaseServeur, "alter table objet drop column datecreation");
    LancerEtVerifierRefus(ChampsDifferents(QStringLiteral("objet")));
    // The objects come last: patients, consultations and letters were written, then undone.
    EXPECT_TRUE(Messages().contains(
        QStringLiteral("Transfert des nouveaux enregistrements de la table : objet")));
}

TEST_F(EntreesInvalides, ColonnesDansUnAutreOrdre) {
    PreparerPratique();
    Executer(BaseServeur, "drop table cro; create table cro (identcro INTEGER PRIMARY KEY, "
                          "identifiant INTEGER DEFAULT 0, intervention TEXT DEFAULT '', "
                          "datecro DATETIME, operateur TEXT DEFAULT '', nomfichier TEXT)");
    Executer(BaseC, "insert into cro (identcro, identifiant, datecro, intervention) values "
                    "(1, 3, '2026-12-07 09:00:00', 'Amygdalectomie')");
    LancerEtVerifierRefus(ChampsDifferents(QStringLiteral("cro")));
}

TEST_F(EntreesInvalides, TableManquanteDansLaBaseDistante) {
    PreparerPratique();
    Executer(BaseServeur, "drop table ordonnance");
    Executer(BaseC, "insert into ordonnance (identordonnance, identifiant) values (1, 3)");
    LancerEtVerifierRefus(LigneErreur(dao::errdb::TableIntrouvable));
}

// --- Damaged rows of the local synchro table ---------------------------------------------------

TEST_F(EntreesInvalides, LignesSynchroAvecDesNull) {
    for (const char* colonne : {"\"table\"", "champ_id", "champ_id_dossier", "dernier_no"}) {
        SCOPED_TRACE(colonne);
        QDir(env.machine.Natif("C:\\zelvano")).removeRecursively();
        QDir(env.machine.Natif("\\\\serveur\\zelvano\\zelvano")).removeRecursively();
        PreparerPratique();
        // The consultation row: the patients of the first row have gone before it.
        Executer(BaseC, QStringLiteral("update synchro set %1 = null where champ_id = "
                                       "'identconsultation' or \"table\" = 'consultation'")
                            .arg(QLatin1String(colonne)));
        LancerEtVerifierRefus(QRegularExpression(QStringLiteral("^ERREUR 94 - ")));
        EXPECT_EQ(LignesSynchro(BaseC), 7);
    }
}

// A name from the synchro table goes into SQL text: anything but a plain name is refused.
TEST_F(EntreesInvalides, NomsIncorrectsDansLaTableSynchro) {
    const QStringList noms = {QStringLiteral("patient; delete from patient"),
                              QStringLiteral("patient where 1=1 or identifiant"),
                              QStringLiteral("pat ient"),
                              QStringLiteral("patiënt"),
                              QStringLiteral("[patient]"),
                              QStringLiteral("")};
    for (const QString& nom : noms) {
        SCOPED_TRACE(nom.toStdString());
        QDir(env.machine.Natif("C:\\zelvano")).removeRecursively();
        QDir(env.machine.Natif("\\\\serveur\\zelvano\\zelvano")).removeRecursively();
        PreparerPratique();
        QString n = nom;
        Executer(BaseC, QStringLiteral("update synchro set \"table\" = '%1' where id = 1")
                            .arg(n.replace(QLatin1Char('\''), QStringLiteral("''"))));
        LancerEtVerifierRefus(QRegularExpression(QStringLiteral("^ERREUR \\d+ - ")));
        EXPECT_EQ(Entier(BaseC, "select count(*) from patient"), 3);
    }
}

TEST_F(EntreesInvalides, DernierNoHorsDesEntiers32Bits) {
    for (const char* valeur : {"2147483648", "-2147483649", "99999999999999", "1e300"}) {
        SCOPED_TRACE(valeur);
        QDir(env.machine.Natif("C:\\zelvano")).removeRecursively();
        QDir(env.machine.Natif("\\\\serveur\\zelvano\\zelvano")).removeRecursively();
        PreparerPratique();
        Executer(BaseC, QStringLiteral("update synchro set dernier_no = %1 where \"table\" = "
                                       "'consultation'")
                            .arg(QLatin1String(valeur)));
        LancerEtVerifierRefus(LigneErreur(plateforme::err::DepassementCapacite));
    }
}

TEST_F(EntreesInvalides, DernierNoQuiNEstPasUnNombre) {
    PreparerPratique();
    Executer(BaseC, "update synchro set dernier_no = 'douze' where \"table\" = 'consultation'");
    LancerEtVerifierRefus(LigneErreur(plateforme::err::IncompatibiliteType));
}

// The largest identifier: nothing is above it, the table sends nothing.
TEST_F(EntreesInvalides, DernierNoAuMaximum) {
    PreparerPratique();
    Executer(BaseC, "update synchro set dernier_no = 2147483647 where \"table\" = 'consultation'");
    LancerSynchronisation();
    const QStringList m = Messages();
    const qsizetype i = m.indexOf(
        QStringLiteral("Transfert des nouveaux enregistrements de la table : consultation"));
    ASSERT_GE(i, 0) << Texte(m);
    EXPECT_EQ(m.value(i + 1), QStringLiteral("-> 0 enregistrement(s)"));
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from consultation"), 1);
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
    EXPECT_EQ(m.last(), InitTerminee);
}

// Below every identifier, every record of the table would count as new, those from the server
// too: the row is refused and nothing is sent, the tables before it included.
TEST_F(EntreesInvalides, DernierNoNegatifRefuse) {
    for (const char* valeur : {"-1", "-2147483648"}) {
        SCOPED_TRACE(valeur);
        QDir(env.machine.Natif("C:\\zelvano")).removeRecursively();
        QDir(env.machine.Natif("\\\\serveur\\zelvano\\zelvano")).removeRecursively();
        PreparerPratique();
        Executer(BaseC, QStringLiteral("update synchro set dernier_no = %1 where \"table\" = "
                                       "'consultation'")
                            .arg(QLatin1String(valeur)));
        LancerEtVerifierRefus(
            QRegularExpression(QStringLiteral("^ERREUR 5 - Dernier numéro négatif \\(%1\\) pour la "
                                              "table consultation dans la table synchro : ")
                                   .arg(QLatin1String(valeur))));
        EXPECT_EQ(LignesSynchro(BaseC), 7);
    }
}

// --- Identifiers at the end of the 32-bit range ------------------------------------------------

TEST_F(EntreesInvalides, IdentifiantDistantAuMaximum) {
    PreparerPratique();
    Executer(BaseServeur, "insert into patient (identifiant, numdossier, nom) values "
                          "(2147483647, '2147483647', 'Dernier')");
    LancerEtVerifierRefus(LigneErreur(plateforme::err::DepassementCapacite));
    EXPECT_EQ(LignesSynchro(BaseC), 7);
}

// The first new record takes the last identifier, the second overflows: the first goes too.
TEST_F(EntreesInvalides, DepassementAuSecondEnregistrement) {
    PreparerPratique();
    Executer(BaseServeur,
             "insert into consultation (identconsultation, identifiant) values (2147483646, 1)");
    Executer(BaseC, "insert into consultation (identconsultation, identifiant, motif) values "
                    "(12, 3, 'Seconde')");
    LancerEtVerifierRefus(LigneErreur(plateforme::err::DepassementCapacite));
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from consultation where identconsultation = "
                                  "2147483647"),
              0);
}

// The remote maximum beyond 32 bits cannot be counted on from.
TEST_F(EntreesInvalides, IdentifiantDistantAuDelaDe32Bits) {
    PreparerPratique();
    Executer(BaseServeur, "insert into patient (identifiant, nom) values (4294967296, 'Trop')");
    LancerEtVerifierRefus(LigneErreur(plateforme::err::DepassementCapacite));
}

TEST_F(EntreesInvalides, IdentifiantLocalAuMaximum) {
    PreparerPratique();
    Executer(BaseC, "update patient set identifiant = 2147483647, numdossier = '2147483647' "
                    "where identifiant = 3;"
                    "update consultation set identifiant = 2147483647 where identifiant = 3;"
                    "update courrier set identifiant = 2147483647 where identifiant = 3;"
                    "update objet set identpatient = 2147483647 where identpatient = 3");
    LancerSynchronisation();
    EXPECT_EQ(Messages().last(), InitTerminee) << Texte(Messages());
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient where identifiant = 3 and "
                                  "nom = 'Lefèvre'"),
              1);
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from consultation where identifiant = 3"), 1);
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient where numdossier = '3'"), 1);
}

// --- Names and paths with blanks, quotes, accents, great lengths ------------------------------

TEST_F(EntreesInvalides, NomsDeDocumentsDifficiles) {
    PreparerPratique();
    const QString dossier = QStringLiteral("C:\\zelvano\\courrier\\Été 2026 'urgent'");
    const QString longNom = QStringLiteral("lettre \"Dr O'Brien\" ") +
                            QString(200, QChar(u'é')).left(100) + QStringLiteral(".v2.doc");
    struct Document {
        int id;
        QString stocke; // as the practice application stored it
        QString local;  // the file on the workstation ("" when none can exist)
    };
    const QList<Document> documents = {
        {7, QStringLiteral("P:\\zelvano\\courrier\\Été 2026 'urgent'\\") + longNom,
         dossier + QLatin1Char('\\') + longNom},
        {8, QStringLiteral("P:\\zelvano\\courrier\\sans extension"),
         QStringLiteral("C:\\zelvano\\courrier\\sans extension")},
        // A name longer than a file name can be: no such file, the record still goes.
        {9,
         QStringLiteral("P:\\zelvano\\courrier\\") + QString(300, QChar(u'à')) +
             QStringLiteral(".doc"),
         QString()},
        {10, QStringLiteral("P:"), QString()},
    };
    for (const Document& d : documents) {
        QString s = d.stocke;
        Executer(BaseC, QStringLiteral("insert into courrier (identcourrier, identifiant, "
                                       "nomfichier) values (%1, 3, '%2')")
                            .arg(d.id)
                            .arg(s.replace(QLatin1Char('\''), QStringLiteral("''"))));
        if (!d.local.isEmpty()) {
            Ecrire(d.local, d.stocke.toUtf8());
        }
    }
    // The extension of the file name only; "P:" has none.
    const QString extensions[] = {QStringLiteral(".doc"), QStringLiteral(".doc"), QString(),
                                  QStringLiteral(".doc"), QString()};

    LancerSynchronisation();

    ASSERT_EQ(Messages().last(), InitTerminee) << Texte(Messages());
    const QStringList noms =
        poste::Brut(BaseServeur)
            .Lignes(
                "select nomfichier from courrier where identcourrier > 5 order by identcourrier");
    ASSERT_EQ(noms.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(noms[i], QStringLiteral("nomfichier=T:P:\\zelvano\\courrier\\xA%1%2")
                               .arg(6 + i, 6, 10, QLatin1Char('0'))
                               .arg(extensions[i]));
    }
    EXPECT_EQ(Contenu(QStringLiteral("\\\\serveur\\zelvano\\zelvano\\courrier\\xA000007.doc")),
              documents[0].stocke.toUtf8());
    EXPECT_EQ(Contenu(QStringLiteral("\\\\serveur\\zelvano\\zelvano\\courrier\\xA000008")),
              documents[1].stocke.toUtf8());
    EXPECT_FALSE(
        EstFichier(QStringLiteral("\\\\serveur\\zelvano\\zelvano\\courrier\\xA000009.doc")));
}

// The practice tree and its folders under names with blanks, quotes and accents: the base, the
// documents and the objects go where these names lead.
TEST_F(EntreesInvalides, DossiersAuxNomsDifficiles) {
    Parametres& p = Param();
    p.zelvanodir = QStringLiteral("Zelvano Médical \"cabinet\" d'Élise");
    p.bddir = QStringLiteral("base de données");
    p.courrierdir = QStringLiteral("Courriers reçus 'pro'");
    p.datadir = QString(200, QLatin1Char('d')) + QStringLiteral(" é");
    const QString serveur = QStringLiteral("\\\\serveur\\zelvano\\") + p.zelvanodir;
    const QString local = QStringLiteral("C:\\") + p.zelvanodir;
    for (const QString& racine : {serveur, local}) {
        for (const QString& d : {p.bddir, p.courrierdir, p.datadir, p.crodir, p.corresdir}) {
            QDir().mkpath(env.machine.Natif(racine + QLatin1Char('\\') + d));
        }
    }
    const QString baseServeur = serveur + QLatin1Char('\\') + p.bddir + "\\zelvano.mdb";
    const QString baseLocale = local + QLatin1Char('\\') + p.bddir + "\\zelvano.mdb";
    CreerBasesVides(); // the default tree too: it must stay untouched
    QFile::copy(env.machine.Natif(BaseServeur), env.machine.Natif(baseServeur));
    QFile::copy(env.machine.Natif(BaseC), env.machine.Natif(baseLocale));
    RemplirSynchro(baseLocale, {0, 0, 0, 0, 0, 0, 0});
    const QString stocke = QStringLiteral("P:\\") + p.zelvanodir + QLatin1Char('\\') +
                           p.courrierdir + QStringLiteral("\\l'été.odt");
    Executer(baseLocale,
             QStringLiteral("insert into patient (identifiant, numdossier, nom) values (1, '1', "
                            "'D''Artagnan');"
                            "insert into courrier (identcourrier, identifiant, nomfichier) "
                            "values (1, 1, '%1');"
                            "insert into objet (identobjet, identpatient, typeobjet, "
                            "nomfichier) values (1, 1, 'alerte', 'mon alerte n°1');")
                 .arg(QString(stocke).replace(QLatin1Char('\''), "''")));
    Ecrire(local + QLatin1Char('\\') + p.courrierdir + QStringLiteral("\\l'été.odt"), "lettre");
    Ecrire(local + QLatin1Char('\\') + p.datadir + QStringLiteral("\\mon alerte n°1"), "alerte");
    const poste::Photo defautAvant = poste::Photographier(BaseServeur);

    LancerSynchronisation();

    ASSERT_EQ(Messages().last(), InitTerminee) << Texte(Messages());
    EXPECT_TRUE(
        Messages().contains(QStringLiteral("Ouverture de la base de données distante P:\\") +
                            p.zelvanodir + QStringLiteral("\\base de données\\zelvano.mdb")));
    EXPECT_EQ(Entier(baseServeur, "select count(*) from patient where nom = 'D''Artagnan'"), 1);
    EXPECT_EQ(
        Contenu(serveur + QLatin1Char('\\') + p.courrierdir + QStringLiteral("\\xA000001.odt")),
        "lettre");
    EXPECT_EQ(Contenu(serveur + QLatin1Char('\\') + p.datadir + QStringLiteral("\\FI000001.ale")),
              "alerte");
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(defautAvant));
    // The initialisation brought the server's base back under the same names.
    EXPECT_EQ(Entier(baseLocale, "select count(*) from patient"), 1);
    EXPECT_EQ(LignesSynchro(baseLocale), 7);
}

// A product folder too long to exist: the base cannot be opened, nothing is written.
TEST_F(EntreesInvalides, DossierProduitDeTroisCentsCaracteres) {
    PreparerPratique();
    Param().zelvanodir = QString(300, QLatin1Char('z'));
    LancerEtVerifierRefus(QRegularExpression(QStringLiteral("\\(\\d+\\)$")));
}

// --- The practice application's INI file -------------------------------------------------------

// Random bytes hold no workstation letter: the default one names the documents.
TEST_F(EntreesInvalides, FichierIniPratiqueAleatoire) {
    QRandomGenerator alea(20261207);
    QByteArray octets(4000, Qt::Uninitialized);
    for (char& c : octets) {
        c = static_cast<char>(alea.bounded(256));
    }
    octets.replace("[path", "[xxxx"); // not by chance a section of the right name
    PreparerPratique();
    QFile::remove(env.machine.Natif(Param().inifile));
    Ecrire(Param().inifile, octets);

    LancerSynchronisation();

    ASSERT_EQ(Messages().last(), InitTerminee) << Texte(Messages());
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from courrier where nomfichier = "
                                  "'P:\\zelvano\\courrier\\xA000006.doc'"),
              1);
    EXPECT_EQ(Contenu(Param().inifile), octets);
}

TEST_F(EntreesInvalides, PostePratiqueAccentueOuVide) {
    for (const auto& [ligne, lettre] :
         {std::pair<QByteArray, QString>{"poste=\xc9tage 2", QStringLiteral("É")},
          std::pair<QByteArray, QString>{"poste=\xe9t\xe9", QStringLiteral("é")},
          std::pair<QByteArray, QString>{"poste=\"B\"", QStringLiteral("B")},
          std::pair<QByteArray, QString>{"poste=", QString()}}) {
        SCOPED_TRACE(ligne.toStdString());
        QDir(env.machine.Natif("C:\\zelvano")).removeRecursively();
        QDir(env.machine.Natif("\\\\serveur\\zelvano\\zelvano")).removeRecursively();
        env.fenetre.lignes.clear();
        PreparerPratique();
        QFile::remove(env.machine.Natif(Param().inifile));
        Ecrire(Param().inifile, "[path]\r\n" + ligne + "\r\n");
        LancerSynchronisation();
        ASSERT_EQ(Messages().last(), InitTerminee) << Texte(Messages());
        EXPECT_EQ(poste::Brut(BaseServeur)
                      .Lignes("select nomfichier from courrier where identcourrier "
                              "= 6"),
                  QStringList{QStringLiteral("nomfichier=T:P:\\zelvano\\courrier\\x") + lettre +
                              QStringLiteral("000006.doc")});
    }
}

} // namespace
