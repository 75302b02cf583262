#include "sync/synchronisation.h"

#include "platform/chemins.h"
#include "sync/coupure_courant.h"
#include "sync/modele_pannes.h"
#include "sync/vfs_pannes.h"

#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <iostream>

// Power cuts during the commit of a synchronisation over both bases: one run is followed on
// both sides, and at each step that changes what the disks hold, from the moment the intent
// record is written until the journal says the run ended (and once more at the very end, the
// initialisation done), the machine is rebuilt as a power cut there leaves it. Then the module
// starts again: every new record must be on the server exactly once or still waiting on the
// laptop, and a run that said it ended well must have its records on the server for good.

namespace {

bool& CoupuresArmees() {
    static bool armees = false;
    return armees;
}

void ArmerALIntention(EtapeSynchronisation etape) {
    if (etape == EtapeSynchronisation::IntentionEcrite) {
        CoupuresArmees() = true;
    }
}

class CoupureCourant : public modele::Pannes {
protected:
    void SetUp() override {
        pannes::InstallerVfs();
        Pannes::SetUp();
        tolererTemporaires = true; // the leftovers of a cut run are another matter
    }
};

struct Coupure {
    QString image;
    QString etape;
    bool synchroDite = false; // the journal had said the synchronisation ended well
};

TEST_F(CoupureCourant, ValidationSurLesDeuxBases) {
    QElapsedTimer chrono;
    chrono.start();
    Preparer();
    coupure::Disque disque(
        {{QStringLiteral("serveur"),
          plateforme::CheminNatif(QStringLiteral("\\\\serveur\\zelvano\\zelvano"))},
         {QStringLiteral("local"), plateforme::CheminNatif(QStringLiteral("C:\\zelvano"))}});
    QList<Coupure> coupures;
    QHash<QByteArray, qsizetype> vues; // each state once, said ended if it was once

    const auto couper = [&](const QString& etape) {
        const QString image =
            Racine() + QStringLiteral("/coupures/") + QString::number(coupures.size());
        const QByteArray empreinte = disque.Image(image);
        const bool dite = Messages().contains(poste::SynchroTerminee);
        if (vues.contains(empreinte)) {
            QDir(image).removeRecursively();
            coupures[vues.value(empreinte)].synchroDite |= dite;
            return;
        }
        vues.insert(empreinte, coupures.size());
        coupures.append({image, etape, dite});
    };
    CoupuresArmees() = false;
    const poste::EtapesFactices etapes(ArmerALIntention);
    bool premiere = true;
    disque.apres = [&](const QString& etape) {
        if (!CoupuresArmees()) {
            return;
        }
        if (premiere) {
            couper(QStringLiteral("intention écrite"));
            premiere = false;
        }
        couper(etape);
        // The first step after the journal's line: what a cut leaves once the user read it.
        CoupuresArmees() = !Messages().contains(poste::SynchroTerminee);
    };
    LancerSynchronisation();
    couper(QStringLiteral("fin de l'initialisation"));
    disque.Arreter();
    ASSERT_FALSE(premiere) << "the run never wrote its intent record";
    ASSERT_FALSE(CoupuresArmees()) << "the journal never said the run ended";
    ASSERT_TRUE(coupures.last().synchroDite);

    int dites = 0;
    for (const Coupure& c : coupures) {
        const std::string contexte = "coupure après " + c.etape.toStdString();
        disque.Restaurer(c.image);
        env.fenetre.lignes.clear();
        const modele::Issue issue = VerifierArret(contexte);
        if (c.synchroDite) {
            ++dites;
            EXPECT_EQ(modele::Difference(serveurApres, modele::LireBase(poste::BaseServeur))
                          .toStdString(),
                      "")
                << contexte << " : the journal said the records were sent";
        }
        Recuperer(contexte);
        std::cout << "[ coupure  ] " << contexte << (c.synchroDite ? " (fin annoncée)" : "")
                  << " : " << modele::NomIssue(issue) << std::endl;
    }
    std::cout << "[ coupures ] " << coupures.size() << " états après coupure (" << dites
              << " après la fin annoncée) ; ";
    for (auto it = issues.cbegin(); it != issues.cend(); ++it) {
        std::cout << modele::NomIssue(it.key()) << " " << it.value() << "  ";
    }
    std::cout << "; " << chrono.elapsed() << " ms" << std::endl;
    // Cuts on both sides of the server's commit.
    EXPECT_GE(dites, 2);
    EXPECT_GT(issues.value(modele::Issue::RienEnvoye), 0);
    EXPECT_GT(issues.value(modele::Issue::EnvoyeeSeule) + issues.value(modele::Issue::Reussie), 0);
}

} // namespace
