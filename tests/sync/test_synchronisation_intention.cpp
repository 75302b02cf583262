#include "init/ancetre.h"
#include "init/empreintes.h"
#include "sync/synchronisation.h"

#include "init/initialisation.h"
#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/services.h"
#include "settings/parametres.h"
#include "sync/intention.h"
#include "sync/test_synchronisation_poste.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using poste::BaseC;
using poste::BaseServeur;
using poste::Intention;

namespace {

const QStringList Terminee = {
    QStringLiteral(" "),
    QStringLiteral("INFORMATION TRES IMPORTANTE"),
    QStringLiteral("La dernière synchronisation a été interrompue après l'enregistrement de ses "
                   "données dans la base distante."),
    QStringLiteral("Elle est maintenant TERMINEE CORRECTEMENT : tous ses enregistrements sont dans "
                   "la base distante, une seule fois."),
    QStringLiteral("Vous devez maintenant lancer une INITIALISATION (et non une synchronisation) "
                   "avant"),
    QStringLiteral("de commencer à saisir dans votre base locale."),
};

const QStringList Annulee = {
    QStringLiteral(" "),
    QStringLiteral("INFORMATION TRES IMPORTANTE"),
    QStringLiteral("La dernière synchronisation a été interrompue avant l'enregistrement de ses "
                   "données dans la base distante : elle a été ANNULEE."),
    QStringLiteral("Aucun de ses enregistrements n'a été copié dans la base distante et votre base "
                   "locale n'a pas changé."),
    QStringLiteral("Vous pouvez relancer la synchronisation."),
};

const QString Avertissement = QStringLiteral(
    "ATTENTION : LA DERNIERE SYNCHRONISATION A ETE INTERROMPUE ET NE PEUT PAS ETRE REPRISE");

std::string Texte(const QStringList& lignes) {
    return lignes.join(QLatin1Char('\n')).toStdString();
}

class Reprise : public poste::Poste {
protected:
    void SetUp() override {
        Poste::SetUp();
        CreerBasesVides();
        for (const QString& base : {BaseServeur, BaseC}) {
            Executer(base, "insert into patient (identifiant, numdossier, nom) values (1, '1', "
                           "'Martin')");
        }
        RemplirSynchro(BaseC, {1, 0, 0, 0, 0, 0, 0});
        Executer(BaseC, "insert into patient (identifiant, numdossier, nom, prenom) values "
                        "(2, '2', 'Lefèvre', 'Élodie'), (3, '3', 'Roux', 'Jean');"
                        "insert into consultation (identconsultation, identifiant, motif) "
                        "values (1, 2, 'Première')");
    }

    // What the run does at its points, for the test's lifetime.
    std::function<void(EtapeSynchronisation)>& Action() { return etapes_.action; }

    // The record as it was on the disk at a point of the run.
    void Capturer(EtapeSynchronisation quand, bool puisEchouer = false) {
        Action() = [this, quand, puisEchouer](EtapeSynchronisation etape) {
            if (etape != quand) {
                return;
            }
            capture = Contenu(Intention);
            if (puisEchouer) {
                throw plateforme::Erreur(5, QStringLiteral("panne simulée"));
            }
        };
    }

    // The server committed, the local base as it was before its own commit, the record there:
    // what a crash between the two commits leaves.
    void EntreLesDeuxValidations() {
        const QByteArray baseAvant = Contenu(BaseC);
        Capturer(EtapeSynchronisation::IntentionEcrite);
        LancerSynchronisation();
        ASSERT_FALSE(capture.isEmpty());
        ASSERT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
        Ecrire(BaseC, baseAvant);
        Ecrire(Intention, capture);
        synchroOrigine = Synchro(BaseC);
        ASSERT_EQ(synchroOrigine.size(), 7);
        env.fenetre.lignes.clear();
        Action() = nullptr;
    }

    // Nothing committed, the record there: a crash just before the commit.
    void AvantLesValidations() {
        Capturer(EtapeSynchronisation::IntentionEcrite, true);
        LancerSynchronisation();
        ASSERT_FALSE(capture.isEmpty());
        ASSERT_FALSE(EstFichier(Intention));
        Ecrire(Intention, capture);
        synchroOrigine = Synchro(BaseC);
        env.fenetre.lignes.clear();
        Action() = nullptr;
    }

    void AttendreRefus(const QString& raison) {
        const QStringList m = Messages();
        ASSERT_GE(m.size(), 3);
        EXPECT_EQ(m[1], Avertissement);
        EXPECT_TRUE(m[2].contains(raison)) << m[2].toStdString();
        EXPECT_TRUE(EstFichier(Intention));
        EXPECT_EQ(Texte(Synchro(BaseC)), Texte(synchroOrigine));
    }

    QByteArray capture;
    QStringList synchroOrigine;

private:
    poste::EtapesFactices etapes_;
};

TEST_F(Reprise, IntentionEcriteAvantLaValidationPuisEffacee) {
    int appels = 0;
    Action() = [&](EtapeSynchronisation etape) {
        ++appels;
        ASSERT_TRUE(EstFichier(Intention));
        IntentionSynchronisation lue;
        QString raison;
        ASSERT_TRUE(DeserialiserIntention(Contenu(Intention), lue, raison)) << raison.toStdString();
        if (etape == EtapeSynchronisation::IntentionEcrite) {
            // Written and on the disk while the server does not show the records yet.
            EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 1);
            EXPECT_EQ(lue.baseDistante, poste::BaseP);
            EXPECT_EQ(lue.baseDistanteUnc, BaseServeur);
            EXPECT_EQ(lue.baseLocale, BaseC);
            ASSERT_EQ(lue.tables.size(), 7);
            EXPECT_EQ(lue.tables[0].table, "patient");
            EXPECT_EQ(lue.tables[0].maximum, 1);
            EXPECT_EQ(lue.tables[0].plages, (QList<std::pair<qint64, qint64>>{{2, 3}}));
            EXPECT_EQ(lue.tables[1].table, "consultation");
            EXPECT_EQ(lue.tables[1].plages, (QList<std::pair<qint64, qint64>>{{1, 1}}));
            EXPECT_EQ(lue.Nombre(), 3);
            ASSERT_EQ(lue.synchroLocale.size(), 7);
            EXPECT_EQ(lue.synchroLocale[0].table, "patient");
            EXPECT_EQ(lue.synchroLocale[0].dernierNo, 1);
        } else {
            EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
        }
    };

    LancerSynchronisation();

    EXPECT_EQ(appels, 2);
    EXPECT_FALSE(EstFichier(Intention));
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
    EXPECT_EQ(LignesSynchro(BaseC), 7);
}

TEST_F(Reprise, UnAnnulationEffaceLIntentionAussitot) {
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    const poste::Photo localAvant = poste::Photographier(BaseC);
    Capturer(EtapeSynchronisation::IntentionEcrite, true);

    LancerSynchronisation();

    EXPECT_FALSE(capture.isEmpty());
    EXPECT_FALSE(EstFichier(Intention));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
    EXPECT_EQ(Messages().last(), "panne simulée (5)");
    EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
}

TEST_F(Reprise, InterrompueAvantLaValidationAnnulee) {
    AvantLesValidations();

    EXPECT_TRUE(ReprendreSynchronisationInterrompue());

    EXPECT_EQ(Texte(Messages()), Texte(Annulee));
    EXPECT_FALSE(EstFichier(Intention));
    EXPECT_EQ(Texte(Synchro(BaseC)), Texte(synchroOrigine));
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 1);

    // The next synchronisation sends the records, once.
    env.fenetre.lignes.clear();
    LancerSynchronisation();
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from consultation"), 1);
}

TEST_F(Reprise, InterrompueEntreLesDeuxValidationsTerminee) {
    EntreLesDeuxValidations();

    EXPECT_TRUE(ReprendreSynchronisationInterrompue());

    EXPECT_EQ(Texte(Messages()), Texte(Terminee));
    EXPECT_FALSE(EstFichier(Intention));
    EXPECT_EQ(LignesSynchro(BaseC), 0);
    // A synchronisation now refuses, so nothing is sent twice; the initialisation follows.
    env.fenetre.lignes.clear();
    LancerSynchronisation();
    EXPECT_TRUE(Messages().contains("après cette synchronisation."));
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
    LancerInitialisation();
    EXPECT_EQ(Table(BaseC, "patient", "identifiant"), Table(BaseServeur, "patient", "identifiant"));
    EXPECT_EQ(LignesSynchro(BaseC), 7);
}

TEST_F(Reprise, LeLecteurSurLaBaseLocaleNeTrompePasLaVerification) {
    EntreLesDeuxValidations();
    // Drive P now leads to the local disk, as after a launch on the local base: the server is
    // reached by its share.
    const QString p = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
    QFile::remove(p);
    ASSERT_TRUE(QFile::link(plateforme::Machine::EntreeLecteur(QLatin1Char('C')), p));

    EXPECT_TRUE(ReprendreSynchronisationInterrompue());
    EXPECT_EQ(Texte(Messages()), Texte(Terminee));
    EXPECT_EQ(LignesSynchro(BaseC), 0);
}

TEST_F(Reprise, ServeurInaccessibleRienNeSeFait) {
    EntreLesDeuxValidations();
    const QString p = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
    QFile::remove(p);
    ASSERT_TRUE(QFile::link(plateforme::Machine::EntreeLecteur(QLatin1Char('C')), p));
    const QString serveur = env.machine.Natif(BaseServeur);
    ASSERT_TRUE(QFile::rename(serveur, serveur + ".ailleurs"));

    // The base behind P is the local one: it must not be taken for the server.
    EXPECT_FALSE(ReprendreSynchronisationInterrompue());
    AttendreRefus("introuvable");

    // A synchronisation asked meanwhile does nothing but warn again.
    env.fenetre.lignes.clear();
    LancerSynchronisation();
    EXPECT_EQ(Messages().value(1), Avertissement);
    EXPECT_FALSE(
        Messages().contains(QStringLiteral("DEMARRAGE DE LA SYNCHRONISATION ") + QString(40, '+')));
    EXPECT_EQ(Texte(Synchro(BaseC)), Texte(synchroOrigine));

    ASSERT_TRUE(QFile::rename(serveur + ".ailleurs", serveur));
    env.fenetre.lignes.clear();
    EXPECT_TRUE(ReprendreSynchronisationInterrompue());
    EXPECT_EQ(Texte(Messages()), Texte(Terminee));
}

TEST_F(Reprise, EnregistrementsEnPartieSeulementRefuse) {
    EntreLesDeuxValidations();
    Executer(BaseServeur, "delete from patient where identifiant = 3");

    EXPECT_FALSE(ReprendreSynchronisationInterrompue());
    AttendreRefus("qu'une partie");
}

TEST_F(Reprise, EnregistrementsModifiesRefuse) {
    EntreLesDeuxValidations();
    Executer(BaseServeur, "update patient set nom = 'Autre' where identifiant = 2");

    EXPECT_FALSE(ReprendreSynchronisationInterrompue());
    AttendreRefus("modifiés");
}

TEST_F(Reprise, EnregistrementIllisibleOuAltere) {
    EntreLesDeuxValidations();
    const QByteArray intact = Contenu(Intention);

    Ecrire(Intention, "{ pas du json");
    EXPECT_FALSE(ReprendreSynchronisationInterrompue());
    AttendreRefus("inutilisable");

    env.fenetre.lignes.clear();
    QByteArray altere = intact;
    altere.replace("\"maximum\": 1", "\"maximum\": 0");
    ASSERT_NE(altere, intact);
    Ecrire(Intention, altere);
    EXPECT_FALSE(ReprendreSynchronisationInterrompue());
    AttendreRefus("altéré");

    env.fenetre.lignes.clear();
    Ecrire(Intention, intact);
    EXPECT_TRUE(ReprendreSynchronisationInterrompue());
    EXPECT_EQ(LignesSynchro(BaseC), 0);
}

TEST_F(Reprise, AbsentsDuServeurMaisTableLocaleVideeRefuse) {
    AvantLesValidations();
    Executer(BaseC, "delete from synchro");
    synchroOrigine.clear();

    // Discarding the record would let an initialisation overwrite records never sent.
    EXPECT_FALSE(ReprendreSynchronisationInterrompue());
    AttendreRefus("aucun");
}

TEST_F(Reprise, EnregistrementPerimeApresUneInitialisation) {
    Capturer(EtapeSynchronisation::Validee);
    LancerSynchronisation();
    ASSERT_FALSE(capture.isEmpty());
    const QStringList synchroInitialisee = Synchro(BaseC);
    ASSERT_EQ(synchroInitialisee.size(), 7);
    Ecrire(Intention, capture);
    env.fenetre.lignes.clear();

    // The initialisation wrote its own rows: they are not the run's and stay.
    EXPECT_TRUE(ReprendreSynchronisationInterrompue());
    EXPECT_EQ(
        Messages().value(1).left(60),
        QStringLiteral("INFORMATION : la dernière synchronisation s'était TERMINEE CORRECTEMENT")
            .left(60));
    EXPECT_EQ(Texte(Synchro(BaseC)), Texte(synchroInitialisee));
    EXPECT_FALSE(EstFichier(Intention));
}

// A run that sent no new record but carried fields of old ones: those fields tell whether the
// server committed.
TEST_F(Reprise, SansNouveauLesChampsReportesDisentSiLeServeurAValide) {
    Executer(BaseC, "delete from patient where identifiant > 1; delete from consultation");
    EnregistrerEmpreintes();
    EnregistrerAncetre();
    Executer(BaseC, "update patient set prenom = 'Léa', telephone = null where identifiant = 1");
    const QByteArray baseAvant = Contenu(BaseC);
    Capturer(EtapeSynchronisation::IntentionEcrite);
    LancerSynchronisation();
    ASSERT_TRUE(capture.contains("reportes")) << capture.toStdString();
    ASSERT_EQ(Table(BaseServeur, "patient", "identifiant").value(0).section('|', 3, 3),
              "prenom=T:Léa");
    Action() = nullptr;
    const auto interrompue = [&] {
        Ecrire(BaseC, baseAvant);
        Ecrire(Intention, capture);
        env.fenetre.lignes.clear();
    };

    interrompue();
    EXPECT_TRUE(ReprendreSynchronisationInterrompue());
    EXPECT_EQ(Texte(Messages()), Texte(Terminee));
    EXPECT_EQ(LignesSynchro(BaseC), 0);

    // The server without the fields: nothing had been committed.
    interrompue();
    Executer(BaseServeur, "update patient set prenom = null where identifiant = 1");
    EXPECT_TRUE(ReprendreSynchronisationInterrompue());
    EXPECT_EQ(Texte(Messages()), Texte(Annulee));
    EXPECT_EQ(LignesSynchro(BaseC), 7);
}

TEST_F(Reprise, SansEnregistrementRienAFaire) {
    EXPECT_TRUE(ReprendreSynchronisationInterrompue());
    EXPECT_TRUE(Messages().isEmpty());
}

// Locks the local base for reading, so that its commit cannot take place, until the run
// writes its next journal line (the error line, after the local commit failed).
class EcranVerrou final : public plateforme::Ecran {
public:
    void DefinirPointeur(int) override {}
    void Ceder(bool) override { verrou.reset(); }
    std::unique_ptr<poste::Brut> verrou;
};

TEST_F(Reprise, ValidationLocaleImpossibleLeServeurAyantValide) {
    EcranVerrou ecran;
    plateforme::RemplacementServices services(
        plateforme::Services{nullptr, nullptr, &ecran, nullptr, nullptr});
    Action() = [&](EtapeSynchronisation etape) {
        if (etape == EtapeSynchronisation::IntentionEcrite) {
            ecran.verrou = std::make_unique<poste::Brut>(BaseC);
            ecran.verrou->Executer("begin");
            ecran.verrou->Lignes("select count(*) from synchro");
        }
    };

    LancerSynchronisation();

    // The server holds the records; the local half is completed from the record.
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
    EXPECT_EQ(LignesSynchro(BaseC), 0);
    EXPECT_FALSE(EstFichier(Intention));
    const QStringList m = Messages();
    ASSERT_GE(m.size(), Terminee.size());
    EXPECT_EQ(Texte(m.mid(m.size() - Terminee.size())), Texte(Terminee));
    EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());

    LancerSynchronisation();
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 3);
}

TEST(IntentionSynchronisation, RelueTelleQuEcrite) {
    IntentionSynchronisation i;
    i.baseDistante = "P:\\zelvano\\bd\\zelvano.mdb";
    i.baseDistanteUnc = "\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb";
    i.baseLocale = "C:\\zelvano\\bd\\zelvano.mdb";
    i.moment = QDateTime(QDate(2026, 12, 7), QTime(20, 0));
    i.synchroLocale = {{8, "patient", 50}, {9, "consultation", 120}};
    TableIntention t;
    t.table = "patient";
    t.champId = "identifiant";
    t.maximum = 60;
    t.plages = {{61, 64}, {66, 66}};
    t.empreinte = "abc123";
    i.tables = {t};

    IntentionSynchronisation lue;
    QString raison;
    ASSERT_TRUE(DeserialiserIntention(SerialiserIntention(i), lue, raison));
    EXPECT_EQ(lue.baseDistante, i.baseDistante);
    EXPECT_EQ(lue.baseDistanteUnc, i.baseDistanteUnc);
    EXPECT_EQ(lue.baseLocale, i.baseLocale);
    EXPECT_EQ(lue.synchroLocale, i.synchroLocale);
    ASSERT_EQ(lue.tables.size(), 1);
    EXPECT_EQ(lue.tables[0].plages, t.plages);
    EXPECT_EQ(lue.tables[0].empreinte, t.empreinte);
    EXPECT_EQ(lue.Nombre(), 5);
    EXPECT_TRUE(lue.tables[0].Contient(64));
    EXPECT_FALSE(lue.tables[0].Contient(65));
    EXPECT_TRUE(lue.tables[0].Contient(66));
    EXPECT_FALSE(lue.tables[0].Contient(60));

    // A name that cannot go into SQL is refused even with a valid checksum.
    t.table = "patient; drop table patient";
    i.tables = {t};
    EXPECT_FALSE(DeserialiserIntention(SerialiserIntention(i), lue, raison));
    EXPECT_FALSE(DeserialiserIntention(QByteArray(), lue, raison));
}

} // namespace
