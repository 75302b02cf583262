// Old records changed on the laptop carried to the server against the state the last
// initialisation left: field by field, never over a value changed on the server since.
#include "init/ancetre.h"
#include "init/empreintes.h"
#include "settings/bilan.h"
#include "settings/parametres.h"
#include "sync/fusion.h"
#include "sync/report.h"
#include "sync/synchronisation.h"
#include "sync/test_synchronisation_poste.h"
#include "testutil/csv.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

using poste::BaseC;
using poste::BaseServeur;
using poste::SynchroTerminee;

namespace {

const QString Dossier = QStringLiteral("C:\\zelvano\\sauvegardes\\20261207-140509");
const QString Reportees = Dossier + QStringLiteral("\\reportees.csv");
const QString Conflits = Dossier + QStringLiteral("\\conflits.csv");

class Report : public poste::Poste {
protected:
    void SetUp() override {
        Poste::SetUp();
        GenererDemo(2);
        // A value for the laptop to empty.
        for (const QString& base : {BaseC, BaseServeur}) {
            Executer(base, QStringLiteral("update patient set observations = 'Allergie' where "
                                          "identifiant = 2"));
        }
        // As an initialisation leaves it.
        EnregistrerEmpreintes();
        EnregistrerAncetre();
        nouveauPatient = Entier(BaseC, QStringLiteral("select dernier_no from synchro where "
                                                      "\"table\" = 'patient'")) +
                         1;
    }

    static void Local(const QString& sql) { Executer(BaseC, sql); }
    static void Serveur(const QString& sql) { Executer(BaseServeur, sql); }
    static QStringList Serveur(const QString& table, const QString& champs, const QString& ou) {
        return poste::Brut(BaseServeur)
            .Lignes(QStringLiteral("select %1 from %2 where %3").arg(champs, table, ou));
    }

    QStringList Synchroniser() {
        env.fenetre.lignes.clear();
        Bilan().Commencer();
        LancerSynchronisation();
        return env.fenetre.MessagesComplets();
    }

    // A document of an old letter, its server path as the record names it.
    QString Lettre(int rang) const {
        return poste::Brut(BaseC)
            .Lignes(QStringLiteral("select nomfichier from courrier where identcourrier <= 3 and "
                                   "nomfichier <> '' order by 1 limit 1 offset %1")
                        .arg(rang))
            .value(0)
            .section(QStringLiteral("=T:"), 1);
    }
    qint64 IdLettre(int rang) const {
        return Entier(BaseC, QStringLiteral("select identcourrier from courrier where "
                                            "identcourrier <= 3 and nomfichier <> '' order by 1 "
                                            "limit 1 offset %1")
                                 .arg(rang));
    }
    static QString Locale(const QString& distant) {
        return QStringLiteral("C:\\") + distant.mid(3);
    }
    void Modifier(const QString& chemin, const QByteArray& contenu, int minutes) {
        Ecrire(chemin, contenu);
        QFile f(env.machine.Natif(chemin));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60 * minutes),
                                  QFileDevice::FileModificationTime));
    }

    qint64 nouveauPatient = 0;
};

// A value as the reports write it, from a row of poste::Brut ("ville=T:Lyon", "x=N").
QString Csv(const QString& brut) {
    return brut.endsWith(QLatin1String("=N")) ? QString() : brut.section(QLatin1Char(':'), 1);
}

// Every case of a field at once, then the reports and the journal that tell them.
TEST_F(Report, ChaqueChampSelonQuiLAChange) {
    const QStringList avant =
        Serveur("patient", "datenaissance, ville, observations, actif", "identifiant = 2")
            .value(0)
            .split(QLatin1Char('|'));
    const QString villeInitiale3 = Csv(Serveur("patient", "ville", "identifiant = 3").value(0));
    // Disjoint fields on each side, of every kind; the same field both ways; the same value on
    // both sides; a row gone from the server; an old consultation moved to a patient created on
    // the laptop.
    Local("update patient set ville = 'Villeneuve-Portable', observations = null, "
          "datenaissance = '1980-02-03', actif = 0 where identifiant = 2");
    Serveur("update patient set telephone = '0102030405' where identifiant = 2");
    Local("update patient set ville = 'Nice-Portable' where identifiant = 3");
    Serveur("update patient set ville = 'Pau-Cabinet' where identifiant = 3");
    Local("update patient set ville = 'Metz-Partout' where identifiant = 4");
    Serveur("update patient set ville = 'Metz-Partout' where identifiant = 4");
    Local("update patient set ville = 'Brest-Portable' where identifiant = 5");
    Serveur("delete from patient where identifiant = 5");
    // A patient saved at the practice meanwhile: the laptop's takes the next number.
    Serveur(QStringLiteral("insert into patient (identifiant, nom) values (%1, 'CABINET')")
                .arg(nouveauPatient));
    Local(QStringLiteral("update consultation set identifiant = %1, montant = 12.5 where "
                         "identconsultation = 1")
              .arg(nouveauPatient));
    const QString montantAvant = QString::number(
        Csv(Serveur("consultation", "montant", "identconsultation = 1").value(0)).toDouble());
    const QString identifiantAvant =
        Csv(Serveur("consultation", "identifiant", "identconsultation = 1").value(0));
    const QString nomNouveau = poste::Brut(BaseC)
                                   .Lignes(QStringLiteral("select nom, prenom from patient where "
                                                          "identifiant = %1")
                                               .arg(nouveauPatient))
                                   .value(0);

    const QStringList m = Synchroniser();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join('\n').toStdString();

    EXPECT_EQ(Serveur("patient", "ville, telephone, observations, datenaissance, actif",
                      "identifiant = 2"),
              QStringList{"ville=T:Villeneuve-Portable|telephone=T:0102030405|observations=N|"
                          "datenaissance=T:1980-02-03|actif=I:0"});
    EXPECT_EQ(Serveur("patient", "ville", "identifiant in (3, 4)"),
              (QStringList{"ville=T:Pau-Cabinet", "ville=T:Metz-Partout"}));
    EXPECT_TRUE(Serveur("patient", "ville", "identifiant = 5").isEmpty()) << "never recreated";
    // The consultation follows its patient's new number, given in the same run.
    const QStringList lien =
        Serveur("consultation c join patient p on p.identifiant = "
                "c.identifiant",
                "p.nom, p.prenom, c.montant, c.identifiant", "c.identconsultation = 1");
    ASSERT_EQ(lien.size(), 1);
    EXPECT_TRUE(lien[0].startsWith(nomNouveau + "|montant=R:12.5|identifiant=I:"))
        << lien[0].toStdString();
    const QString nouveauNumero = lien[0].section(':', -1);
    EXPECT_NE(nouveauNumero, QString::number(nouveauPatient));

    EXPECT_EQ(essais::LignesCsv(Contenu(Reportees)),
              (QStringList{"table;identifiant;champ;ancienne_valeur;nouvelle_valeur",
                           "patient;2;datenaissance;" + Csv(avant[0]) + ";1980-02-03",
                           "patient;2;ville;" + Csv(avant[1]) + ";Villeneuve-Portable",
                           "patient;2;observations;Allergie;", "patient;2;actif;1;0",
                           "consultation;1;identifiant;" + identifiantAvant + ";" + nouveauNumero,
                           "consultation;1;montant;" + montantAvant + ";12.5"}));
    EXPECT_EQ(
        essais::LignesCsv(Contenu(Conflits)),
        (QStringList{"table;identifiant;champ;valeur_initiale;valeur_locale;"
                     "valeur_distante;choix",
                     "patient;3;ville;" + villeInitiale3 + ";Nice-Portable;Pau-Cabinet;distante",
                     "patient;5;(enregistrement);;;;distante"}));
    EXPECT_TRUE(m.contains("Modifications reportées sur la base distante : 6 champ(s) de 2 "
                           "enregistrement(s) et 0 fichier(s) (détail : " +
                           Reportees + ")"))
        << m.join('\n').toStdString();
    EXPECT_TRUE(m.contains("ATTENTION : 2 conflit(s) : la valeur de la base distante a été "
                           "gardée (détail : " +
                           Conflits + ")"));
    // After the transfer's lines, before the initialisation's; nothing said lost.
    const auto rang = [&m](const char* debut) {
        return m.indexOf(QRegularExpression(QString::fromUtf8(debut) + QStringLiteral(".*")));
    };
    EXPECT_LT(rang("-> "), rang("Modifications reportées"));
    EXPECT_LT(rang("Modifications reportées"), rang("ATTENTION : 2 conflit"));
    EXPECT_LT(rang("ATTENTION : 2 conflit"), m.indexOf(SynchroTerminee));
    EXPECT_TRUE(m.filter("ne seront pas recopiées").isEmpty());
    EXPECT_TRUE(Bilan().Ligne().contains(", 6 champ(s) reporté(s), 2 conflit(s) en "))
        << Bilan().Ligne().toStdString();
}

// Before the run, the plan through the share: the confirmation counts it per table, and the
// choices made on it hold only while the server keeps the value the user saw.
TEST_F(Report, LeChoixDuPortableTientTantQueLeServeurNaPasBouge) {
    Local("update patient set ville = 'Nice-Portable' where identifiant = 3");
    Serveur("update patient set ville = 'Pau-Cabinet' where identifiant = 3");
    Local("update patient set ville = 'Lens-Portable', telephone = '1' where identifiant = 4");
    Serveur("update patient set ville = 'Lens-Cabinet' where identifiant = 4");

    const PlanPrevu prevu = PrevoirReports();
    ASSERT_TRUE(prevu.possible) << prevu.raison.toStdString();
    ASSERT_EQ(prevu.plan.Conflits(), 2);
    EXPECT_EQ(ApercuReports(prevu).split('\n').mid(0, 2),
              (QStringList{"Modifications qui seront reportées sur la base distante : 1, "
                           "conflits : 2",
                           "  patient : 1 champ(s), 0 fichier(s), 2 conflit(s)"}));
    for (const fusion::Ecart& e : prevu.plan.ecarts) {
        if (e.conflit) {
            ChoixLocaux().insert(e.Cle(), e.distante);
        }
    }
    // Changed again at the practice after the user chose.
    Serveur("update patient set ville = 'Lens-Cabinet-2' where identifiant = 4");

    const QStringList m = Synchroniser();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join('\n').toStdString();
    EXPECT_EQ(Serveur("patient", "ville, telephone", "identifiant in (3, 4)"),
              (QStringList{
                  "ville=T:Nice-Portable|telephone=" +
                      Serveur("patient", "telephone", "identifiant = 3").value(0).section('=', 1),
                  "ville=T:Lens-Cabinet-2|telephone=T:1"}));
    const QStringList conflits = essais::LignesCsv(Contenu(Conflits));
    ASSERT_EQ(conflits.size(), 3);
    EXPECT_TRUE(conflits[1].startsWith("patient;3;ville;") &&
                conflits[1].endsWith(";Nice-Portable;Pau-Cabinet;locale"))
        << conflits[1].toStdString();
    EXPECT_TRUE(conflits[2].endsWith(";Lens-Portable;Lens-Cabinet-2;distante"))
        << conflits[2].toStdString();
    EXPECT_TRUE(m.contains("ATTENTION : 1 conflit(s) : la valeur de la base distante a été "
                           "gardée (détail : " +
                           Conflits + ")"));
    EXPECT_TRUE(m.contains("Modifications reportées sur la base distante : 2 champ(s) de 2 "
                           "enregistrement(s) et 0 fichier(s) (détail : " +
                           Reportees + ")"));
    EXPECT_TRUE(ChoixLocaux().isEmpty()) << "a choice serves one run only";
}

// A letter changed on the laptop goes to the server when the server's is as the initialisation
// left it; changed on both sides, the server's stays and the laptop's is kept in the run's
// folder.
TEST_F(Report, FichiersDUnCoteOuDesDeux) {
    const QString seul = Lettre(0);
    const QString deux = Lettre(1);
    ASSERT_FALSE(seul.isEmpty());
    ASSERT_FALSE(deux.isEmpty());
    Modifier(Locale(seul), "lettre corrigée sur le portable", 5);
    Modifier(Locale(deux), "version du portable", 5);
    Modifier(deux, "version du cabinet", 7);

    const QStringList m = Synchroniser();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join('\n').toStdString();
    EXPECT_EQ(Contenu(seul), "lettre corrigée sur le portable");
    EXPECT_EQ(Contenu(deux), "version du cabinet");
    const QString garde = Dossier + "\\conflits\\" + deux.section('\\', -1);
    EXPECT_EQ(Contenu(garde), "version du portable");
    // The initialisation after it brought the server's files.
    EXPECT_EQ(Contenu(Locale(seul)), "lettre corrigée sur le portable");
    EXPECT_EQ(Contenu(Locale(deux)), "version du cabinet");
    EXPECT_EQ(essais::LignesCsv(Contenu(Reportees)).mid(1),
              QStringList{"courrier;" + QString::number(IdLettre(0)) + ";(fichier);;" + seul});
    const QStringList conflits = essais::LignesCsv(Contenu(Conflits));
    ASSERT_EQ(conflits.size(), 2);
    EXPECT_EQ(conflits[1], "courrier;" + QString::number(IdLettre(1)) + ";(fichier);;" + garde +
                               ";" + deux + ";distante");
    EXPECT_TRUE(m.contains("Modifications reportées sur la base distante : 0 champ(s) de 0 "
                           "enregistrement(s) et 1 fichier(s) (détail : " +
                           Reportees + ")"));
}

// The server refuses a write half-way through: nothing carried, nothing new kept, and the next
// run does it all.
TEST_F(Report, UnEchecAuMilieuNeGardeRienEtLaSuivanteFaitTout) {
    Local("update patient set ville = 'Lyon-Portable' where identifiant = 2");
    Local("update patient set ville = 'Boum' where identifiant = 3");
    Serveur("create trigger refus before update on patient when new.ville = 'Boum' begin select "
            "raise(abort, 'refusé'); end");
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    const poste::Photo localAvant = poste::Photographier(BaseC);

    QStringList m = Synchroniser();
    ASSERT_EQ(m.count(SynchroTerminee), 0) << m.join('\n').toStdString();
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));

    Serveur("drop trigger refus");
    m = Synchroniser();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join('\n').toStdString();
    EXPECT_EQ(Serveur("patient", "ville", "identifiant in (2, 3)"),
              (QStringList{"ville=T:Lyon-Portable", "ville=T:Boum"}));
    EXPECT_GT(Entier(BaseServeur, "select count(*) from patient"), serveurAvant["patient"].size());
}

// reporter=0: the old records' fields are lost as before, and said so; no ancestor is kept. A
// base without ancestor says it once and carries nothing.
TEST_F(Report, SansReportNiAncetreRienNePart) {
    Local("update patient set ville = 'Lyon-Portable' where identifiant = 2");
    const QStringList villeAvant = Serveur("patient", "ville", "identifiant = 2");
    const QString perdu = "ATTENTION : 1 modification(s) de la base locale ne seront pas "
                          "recopiées sur la base distante (détail : ";
    const QString sansAncetre = "Base locale initialisée sans base de référence : ses "
                                "enregistrements modifiés ne peuvent pas être reportés sur la base "
                                "distante avant la prochaine initialisation.";
    const auto aucunReport = [&](const QStringList& m) {
        EXPECT_EQ(m.count(SynchroTerminee), 3) << m.join('\n').toStdString();
        EXPECT_EQ(m.filter(perdu).size(), 1) << m.join('\n').toStdString();
        EXPECT_TRUE(m.filter("Modifications reportées").isEmpty() &&
                    m.filter("conflit(s) :").isEmpty());
        EXPECT_EQ(Serveur("patient", "ville", "identifiant = 2"), villeAvant);
        EXPECT_FALSE(Existe(Reportees));
    };
    {
        SCOPED_TRACE("reporter=0");
        Param().reporter = 0;
        const QStringList m = Synchroniser();
        aucunReport(m);
        EXPECT_EQ(m.count(sansAncetre), 0);
        EXPECT_FALSE(Existe(CheminAncetre()));
    }
    {
        SCOPED_TRACE("without ancestor");
        Param().reporter = 1;
        Local("update patient set ville = 'Lyon-Portable' where identifiant = 2");
        const QStringList m = Synchroniser();
        aucunReport(m);
        EXPECT_EQ(m.count(sansAncetre), 1);
        EXPECT_TRUE(Existe(CheminAncetre())) << "the initialisation after it kept one";
    }
}

TEST(ValeursFusion, UnTexteEgalSuffitQuelQueSoitLeType) {
    using fusion::MemesValeurs;
    EXPECT_TRUE(MemesValeurs(qint64{3}, QStringLiteral("3")));
    EXPECT_TRUE(MemesValeurs(3.0, qint64{3}));
    EXPECT_TRUE(MemesValeurs(0.1, QStringLiteral("0.1")));
    EXPECT_TRUE(MemesValeurs(QVariant(), QVariant()));
    EXPECT_FALSE(MemesValeurs(QVariant(), QStringLiteral("")));
    EXPECT_FALSE(MemesValeurs(QStringLiteral("Lyon"), QStringLiteral("lyon")));
    EXPECT_FALSE(MemesValeurs(QByteArray("3"), QStringLiteral("3")));
}

} // namespace
