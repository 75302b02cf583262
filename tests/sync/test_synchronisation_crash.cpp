#include "init/ancetre.h"
#include "init/empreintes.h"
#include "sync/synchronisation.h"
#include "testutil/journal_attendu.h"

#include "platform/chemins.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "sync/intention.h"
#include "sync/test_synchronisation_poste.h"
#include "testutil/enfant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include <unistd.h>

using poste::BaseC;
using poste::BaseServeur;

namespace {

// The child is this test program again, running only the disabled test below with these
// variables set.
constexpr char VarMachine[] = "SYNCHRO_CRASH_MACHINE";
constexpr char VarArret[] = "SYNCHRO_CRASH_ARRET";

void Marquer(const char* marque) {
    std::fputs(marque, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void ArretBrutal(EtapeSynchronisation etape) {
    const QByteArray arret = qgetenv(VarArret);
    if (etape == EtapeSynchronisation::IntentionEcrite) {
        Marquer("INTENTION");
    }
    if ((arret == "intention" && etape == EtapeSynchronisation::IntentionEcrite) ||
        (arret == "validee" && etape == EtapeSynchronisation::Validee)) {
        ::kill(::getpid(), SIGKILL);
    }
}

// One synchronisation, with its initialisation, on the machine the parent prepared.
TEST(CrashSynchroEnfant, DISABLED_Executer) {
    const QString racine = qEnvironmentVariable(VarMachine);
    if (racine.isEmpty()) {
        GTEST_SKIP() << "run by CrashSynchro only";
    }
    factices::Environnement env;
    plateforme::Machine::DefinirRacine(racine);
    Param().FichierIni = QStringLiteral("C:\\WINDOWS\\synchro.ini");
    LireParametres();
    Param().createlog = 0;
    EtatBase() = QStringLiteral("D");
    const poste::EtapesFactices etapes(ArretBrutal);
    Marquer("DEBUT");
    LancerSynchronisation();
    Marquer("FIN");
    EXPECT_EQ(env.fenetre.Messages().value(env.fenetre.Messages().size() - 1),
              attendu::InitTerminee);
}

class CrashSynchro : public poste::Poste {
protected:
    void SetUp() override {
        Poste::SetUp();
        GenererDemo(4);
        EtatBase() = QStringLiteral("D");
        // Old records changed on both sides, carried in the same commit as the new ones.
        EnregistrerEmpreintes();
        EnregistrerAncetre();
        Executer(BaseC, QStringLiteral("update patient set ville = 'Lyon-Portable' where "
                                       "identifiant = 2"));
        Executer(BaseC, QStringLiteral("update consultation set montant = 99.5 where "
                                       "identconsultation = 1"));
        Executer(BaseC, QStringLiteral("update patient set ville = 'Nice-Portable' where "
                                       "identifiant = 3"));
        Executer(BaseServeur, QStringLiteral("update patient set ville = 'Pau-Cabinet' where "
                                             "identifiant = 3"));
        arbres = {
            {env.machine.Natif("\\\\serveur\\zelvano\\zelvano"), Racine() + "/intact/serveur"},
            {env.machine.Natif("C:\\zelvano"), Racine() + "/intact/local"}};
        for (const auto& [vivant, intact] : arbres) {
            poste::CopierArbre(vivant, intact);
        }
        serveurAvant = poste::Photographier(BaseServeur);
        localAvant = poste::Photographier(BaseC);
    }

    void Restaurer() {
        for (const auto& [vivant, intact] : arbres) {
            poste::CopierArbre(intact, vivant);
        }
        env.fenetre.lignes.clear();
    }

    // Starts the child; returns once it is about to synchronise.
    void Demarrer(QProcess& enfant, const QByteArray& arret = {}) {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QLatin1String(VarMachine), Racine());
        variables.insert(QLatin1String(VarArret), QString::fromLatin1(arret));
        ASSERT_NO_FATAL_FAILURE(factices::DemarrerEnfant(
            enfant, QStringLiteral("CrashSynchroEnfant.DISABLED_Executer"), variables));
        AttendreMarque(enfant, "DEBUT");
    }

    void AttendreMarque(QProcess& enfant, const QByteArray& marque) {
        factices::AttendreMarque(enfant, sortie, marque);
    }

    enum class Issue { Aucun, Tous };

    // What a kill left, once the module has started again and settled any record: either the
    // server has none of the new records and the local base is as it was, or the server has
    // every one exactly once and the local rows of synchro are gone. Then a synchronisation
    // asked at once sends nothing twice.
    Issue Verifier(const std::string& contexte) {
        SCOPED_TRACE(contexte);
        EXPECT_TRUE(EstFichier(BaseC)) << "local base missing";
        const bool intention = IntentionPresente();
        // Killed between the two commits: only the record stands between this state and
        // records sent twice.
        if (intention && Synchro(BaseC) == localAvant["synchro"] &&
            poste::Photographier(BaseServeur) == serveurApres) {
            ++entreLesValidations;
        }
        EXPECT_TRUE(ReprendreSynchronisationInterrompue()) << Messages().join('\n').toStdString();
        EXPECT_FALSE(IntentionPresente());
        if (intention) {
            ++intentionsReglees;
        }
        const poste::Photo serveur = poste::Photographier(BaseServeur);
        Issue issue = Issue::Aucun;
        if (serveur == serveurAvant) {
            EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
        } else {
            issue = Issue::Tous;
            EXPECT_EQ(poste::Decrire(serveur), poste::Decrire(serveurApres))
                << "server neither untouched nor complete";
            EXPECT_NE(Synchro(BaseC).join('\n').toStdString(),
                      localAvant["synchro"].join('\n').toStdString());
        }
        env.fenetre.lignes.clear();
        LancerSynchronisation();
        EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurApres))
            << "after a new synchronisation";
        return issue;
    }

    QList<std::pair<QString, QString>> arbres;
    poste::Photo serveurAvant;
    poste::Photo localAvant;
    poste::Photo serveurApres;
    QByteArray sortie;
    int intentionsReglees = 0;
    int entreLesValidations = 0;
};

TEST_F(CrashSynchro, ArretsBrutauxAuHasard) {
    // A run to its end: the reference of "every new record exactly once", and its timing.
    QElapsedTimer chrono;
    qint64 dureeRun = 0;
    qint64 avantIntention = 0;
    {
        QProcess enfant;
        Demarrer(enfant);
        chrono.start();
        AttendreMarque(enfant, "INTENTION");
        avantIntention = chrono.nsecsElapsed() / 1000;
        ASSERT_TRUE(enfant.waitForFinished(30000));
        dureeRun = chrono.nsecsElapsed() / 1000;
        ASSERT_EQ(enfant.exitCode(), 0) << enfant.readAllStandardOutput().toStdString();
        serveurApres = poste::Photographier(BaseServeur);
        ASSERT_NE(serveurApres, serveurAvant);
        ASSERT_EQ(poste::Brut(BaseServeur)
                      .Lignes(QStringLiteral("select ville from patient where identifiant in (2, "
                                             "3) order by 1"))
                      .join(' '),
                  QStringLiteral("ville=T:Lyon-Portable ville=T:Pau-Cabinet"));
        ASSERT_EQ(LignesSynchro(BaseC), 7);
        ASSERT_NE(Synchro(BaseC), localAvant["synchro"]);
    }

    int tues = 0;
    int finis = 0;
    int aucun = 0;
    int tous = 0;
    const auto compter = [&](Issue issue) {
        ++(issue == Issue::Aucun ? aucun : tous);
    };

    // Stops at the two ends of the commit.
    for (const QByteArray arret : {"intention", "validee"}) {
        for (int i = 0; i < 3; ++i) {
            Restaurer();
            sortie.clear();
            QProcess enfant;
            Demarrer(enfant, arret);
            ASSERT_TRUE(enfant.waitForFinished(30000));
            ASSERT_EQ(enfant.exitStatus(), QProcess::CrashExit);
            ++tues;
            const Issue issue = Verifier("stop at " + arret.toStdString());
            EXPECT_EQ(issue, arret == "intention" ? Issue::Aucun : Issue::Tous);
            compter(issue);
        }
    }

    // Between the two commits: the local base is held by a reader, so the run waits for its
    // local commit once the server's is done, and is killed there.
    for (int i = 0; i < 3; ++i) {
        Restaurer();
        sortie.clear();
        auto lecteur = std::make_unique<poste::Brut>(BaseC);
        lecteur->Executer("begin");
        lecteur->Lignes("select count(*) from synchro");
        QProcess enfant;
        Demarrer(enfant);
        poste::Brut serveur(BaseServeur);
        const QString compte = QStringLiteral("select count(*) from patient");
        const qint64 avant = serveurAvant["patient"].size();
        QElapsedTimer limite;
        limite.start();
        while (serveur.Entier(compte) == avant && limite.elapsed() < 20000) {
            QThread::msleep(2);
        }
        ASSERT_GT(serveur.Entier(compte), avant);
        ASSERT_TRUE(factices::TuerEnfant(enfant));
        ++tues;
        lecteur.reset();
        // The state the record is for: records on the server, local rows still there.
        EXPECT_TRUE(IntentionPresente());
        EXPECT_EQ(Synchro(BaseC).join('\n').toStdString(),
                  localAvant["synchro"].join('\n').toStdString());
        const Issue issue = Verifier("between the commits");
        EXPECT_EQ(issue, Issue::Tous);
        compter(issue);
    }

    // Anywhere: half of the kills over the whole run, half around the commit; then kills
    // aimed at the commit itself, sent as soon as the child says its record is written.
    QRandomGenerator alea(20261207);
    constexpr int Hasards = 80;
    constexpr int AuSignal = 20;
    for (int i = 0; i < Hasards + AuSignal; ++i) {
        Restaurer();
        sortie.clear();
        QProcess enfant;
        Demarrer(enfant);
        qint64 delai = 0;
        if (i >= Hasards) {
            AttendreMarque(enfant, "INTENTION");
            delai = alea.bounded(400);
        } else if (i % 2 == 0) {
            delai = alea.bounded(static_cast<int>(dureeRun * 9 / 10));
        } else {
            delai = std::max<qint64>(0, avantIntention - 1500 + alea.bounded(3000));
        }
        QThread::usleep(static_cast<unsigned long>(delai));
        if (factices::TuerEnfant(enfant)) {
            ++tues;
        } else {
            ++finis;
        }
        compter(Verifier((i >= Hasards ? "kill after the record + " : "kill after ") +
                         std::to_string(delai) + " us"));
        if (HasFatalFailure()) {
            return;
        }
    }

    std::cout << "[ crash    ] " << tues << " kills, " << finis << " runs ended before the kill, "
              << aucun << " left nothing sent, " << tous << " left everything sent; "
              << intentionsReglees << " intent records settled (" << entreLesValidations
              << " between the two commits); run " << dureeRun / 1000 << " ms, commit at "
              << avantIntention / 1000 << " ms" << std::endl;
    RecordProperty("kills", tues);
    RecordProperty("intentions", intentionsReglees);
    EXPECT_GE(tues, 75);
    EXPECT_GT(aucun, 0);
    EXPECT_GT(tous, 0);
}

} // namespace
