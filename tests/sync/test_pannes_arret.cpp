#include "sync/synchronisation.h"

#include "platform/chemins.h"
#include "settings/etat.h"
#include "settings/fenetre.h"
#include "settings/parametres.h"
#include "sync/modele_pannes.h"
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

// The process killed at random moments of a whole run, the synchronisation and the
// initialisation after it, then the module started again: the record of an interrupted run is
// settled, the initialisation the journal asks for is run, a synchronisation is run again when
// nothing had been sent; at each step the invariants of modele::Pannes hold, and at the end the
// machine is what the model computes.

namespace {

// The child is this test program again, running only the disabled test below.
constexpr char VarMachine[] = "SYNCHRO_ARRET_MACHINE";
constexpr char VarModifies[] = "SYNCHRO_ARRET_MODIFIES";

void Marquer(const char* marque) {
    std::fputs(marque, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Tells the parent when the initialisation starts.
class FenetreTemoin final : public ::Fenetre {
public:
    void DefinirTitre(const QString&) override {}
    void AjouterLigneJournal(const QString& ligne) override {
        if (ligne.contains(QLatin1String("DEMARRAGE DE L'INITIALISATION")) && !initialisation_) {
            initialisation_ = true;
            Marquer("INIT");
        }
    }
    void ViderJournal() override {}
    void DefinirLibelle(Bouton, const QString&) override {}
    void ActiverBouton(Bouton, bool) override {}
    bool BoutonActif(Bouton) const override { return true; }

private:
    bool initialisation_ = false;
};

TEST(PannesArretEnfant, DISABLED_Executer) {
    const QString racine = qEnvironmentVariable(VarMachine);
    if (racine.isEmpty()) {
        GTEST_SKIP() << "lancé par PannesArret seulement";
    }
    factices::Environnement env;
    plateforme::Machine::DefinirRacine(racine);
    poste::ReglerParametres(static_cast<qint16>(qEnvironmentVariableIntValue(VarModifies)));
    Param().createlog = 0;
    FenetreTemoin temoin;
    InstallationFenetre installation(temoin);
    Marquer("DEBUT");
    LancerSynchronisation();
    Marquer("FIN");
}

class PannesArret : public modele::Pannes {
protected:
    void Demarrer(QProcess& enfant) {
        sortie.clear();
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QLatin1String(VarMachine), Racine());
        variables.insert(QLatin1String(VarModifies),
                         cas.modifiesUniquement ? QStringLiteral("1") : QStringLiteral("0"));
        ASSERT_NO_FATAL_FAILURE(factices::DemarrerEnfant(
            enfant, QStringLiteral("PannesArretEnfant.DISABLED_Executer"), variables));
        AttendreMarque(enfant, "DEBUT");
    }

    void AttendreMarque(QProcess& enfant, const QByteArray& marque) {
        factices::AttendreMarque(enfant, sortie, marque);
    }

    QByteArray sortie;
};

TEST_F(PannesArret, ArretsBrutauxPendantLaSynchronisationEtLInitialisation) {
    QElapsedTimer total;
    total.start();
    tolererTemporaires = true;
    // A run to its end, for its timing.
    qint64 debutInit = 0;
    qint64 duree = 0;
    {
        Preparer();
        QProcess enfant;
        Demarrer(enfant);
        QElapsedTimer chrono;
        chrono.start();
        AttendreMarque(enfant, "INIT");
        debutInit = chrono.nsecsElapsed() / 1000;
        ASSERT_TRUE(enfant.waitForFinished(30000));
        duree = chrono.nsecsElapsed() / 1000;
        ASSERT_EQ(enfant.exitCode(), 0) << enfant.readAllStandardOutput().toStdString();
        VerifierArret("sans arrêt");
        Recuperer("sans arrêt");
        ASSERT_FALSE(HasFailure());
        issues.clear();
    }

    // Half of the kills anywhere in the run, half in the initialisation.
    QRandomGenerator alea(20261208);
    constexpr int Arrets = 120;
    int tues = 0;
    int finis = 0;
    int dansInit = 0;
    for (int i = 0; i < Arrets && !HasFailure(); ++i) {
        Preparer();
        QProcess enfant;
        Demarrer(enfant);
        // Half of them timed from the start of the initialisation, as the child tells it.
        if (i % 2 == 1) {
            AttendreMarque(enfant, "INIT");
        }
        // Within the first 70 % of the span measured: a run faster than the reference one (a
        // warm cache, a machine less loaded) must still be caught before its end.
        const qint64 etendue = i % 2 == 0 ? duree : std::max<qint64>(1, duree - debutInit);
        const qint64 delai = alea.bounded(static_cast<int>(std::max<qint64>(1, etendue * 7 / 10)));
        QThread::usleep(static_cast<unsigned long>(delai));
        if (factices::TuerEnfant(enfant)) {
            ++tues;
        } else {
            ++finis;
            // The runs are quicker than the one measured (a warm cache, a machine less
            // loaded, slower sanitizer start-up): the next kills come earlier.
            duree = std::max<qint64>(1000, duree * 4 / 5);
            debutInit = debutInit * 4 / 5;
        }
        sortie += enfant.readAllStandardOutput();
        dansInit += sortie.contains("INIT\n") && !sortie.contains("FIN\n") ? 1 : 0;
        const std::string contexte = "arrêt " + std::to_string(delai) + " µs après " +
                                     (i % 2 == 1 ? "le début de l'initialisation" : "le début") +
                                     " (run de " + std::to_string(duree) +
                                     " µs, initialisation à " + std::to_string(debutInit) + " µs)";
        VerifierArret(contexte);
        Recuperer(contexte);
    }
    std::cout << "[ arrêts   ] " << tues << " processus tués (" << dansInit
              << " pendant l'initialisation), " << finis << " runs finis avant ; ";
    for (auto it = issues.cbegin(); it != issues.cend(); ++it) {
        std::cout << modele::NomIssue(it.key()) << " " << it.value() << "  ";
    }
    std::cout << "; " << temporaires << " copies temporaires laissées ; run " << duree / 1000
              << " ms, initialisation à " << debutInit / 1000 << " ms ; " << total.elapsed()
              << " ms" << std::endl;
    RecordProperty("arrets", tues);
    EXPECT_GE(tues, Arrets * 3 / 4);
    EXPECT_GE(dansInit, Arrets / 6);
}

} // namespace
