#include "sync/synchronisation.h"

#include "init/copie_base.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "sync/modele_pannes.h"
#include "sync/vfs_pannes.h"
#include "testutil/copies_en_panne.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <iostream>

// File copies that fail during a synchronisation and the initialisation after it: the platform's
// copy failing at the Nth file, a destination disk that fills up and stays full, a source that
// cannot be read, and the server share going away in the middle of the run (at the Nth copy, or
// at the Nth read of a base). The invariants of modele::Pannes must hold each time.

namespace {

using factices::EtatCopies;
using factices::Panne;

// The share goes away: its folder is no longer there, and the files of it that are open fail
// at their next use, as over a lost network link.
void FairePartir() {
    factices::DeplacerPartage();
    pannes::Couper({factices::DossierPartage() + QLatin1Char('/'),
                    plateforme::Machine::EntreeLecteur(QLatin1Char('P')) + QLatin1Char('/')},
                   SQLITE_IOERR);
}

void FaireRevenir() {
    pannes::Retablir();
    factices::RemettrePartage();
}

class PannesCopie : public modele::Pannes {
protected:
    factices::CopiesEnPanne copies{FairePartir};

    void SetUp() override {
        pannes::InstallerVfs();
        Pannes::SetUp();
    }
    void TearDown() override {
        pannes::Arreter();
        FaireRevenir();
    }

    // Copies made by a clean run (synchronisation and initialisation).
    int CompterCopies() {
        Preparer();
        factices::Copies() = EtatCopies{};
        LancerSynchronisation();
        const int n = factices::Copies().appels;
        Verifier("sans panne");
        Recuperer("sans panne");
        issues.clear();
        return n;
    }

    void Essayer(const std::string& contexte) {
        FaireRevenir();
        pannes::Arreter();
        Verifier(contexte);
        factices::Copies() = EtatCopies{};
        Recuperer(contexte);
    }

    void Bilan(const char* quoi, int essais, qint64 ms) {
        std::cout << "[ pannes   ] " << quoi << " : " << essais << " pannes ; ";
        for (auto it = issues.cbegin(); it != issues.cend(); ++it) {
            std::cout << modele::NomIssue(it.key()) << " " << it.value() << "  ";
        }
        std::cout << "; " << ms << " ms" << std::endl;
        RecordProperty("pannes", essais);
    }

    // The Nth copy of the run fails in the way `sorte` says, for every N.
    void Balayer(Panne sorte) {
        QElapsedTimer chrono;
        chrono.start();
        const int total = CompterCopies();
        ASSERT_GT(total, 10);
        ASSERT_FALSE(HasFailure());
        int essais = 0;
        for (int n = 1; n <= total && !HasFailure(); ++n) {
            Preparer();
            factices::Copies() = EtatCopies{0, n, sorte};
            LancerSynchronisation();
            ++essais;
            Essayer(std::string(factices::NomPanne(sorte)) + " à la copie n° " + std::to_string(n) +
                    "/" + std::to_string(total));
        }
        Bilan(factices::NomPanne(sorte), essais, chrono.elapsed());
    }

    void PartirALAppel(pannes::Appel appel);
};

TEST_F(PannesCopie, CopieEnEchec) {
    Balayer(Panne::Echec);
}

TEST_F(PannesCopie, DisquePlein) {
    Balayer(Panne::DisquePlein);
}

TEST_F(PannesCopie, SourceIllisible) {
    Balayer(Panne::SourceIllisible);
}

TEST_F(PannesCopie, PartageDisparuPendantUneCopie) {
    Balayer(Panne::PartageParti);
}

// The share goes away at the Nth read or write of a base file, anywhere in the synchronisation
// or in the initialisation (one N in three).
void PannesCopie::PartirALAppel(pannes::Appel appel) {
    QElapsedTimer chrono;
    chrono.start();
    CompterCopies();
    Preparer();
    pannes::Commencer(Racine());
    LancerSynchronisation();
    pannes::Arreter();
    const qint64 total = pannes::Appels(appel);
    ASSERT_GT(total, 10);
    int essais = 0;
    for (qint64 n = 1; n <= total && !HasFailure(); n += 3) {
        Preparer();
        factices::Copies() = EtatCopies{};
        pannes::Commencer(Racine());
        pannes::ProgrammerAction(appel, n, FairePartir);
        LancerSynchronisation();
        ++essais;
        Essayer(std::string("partage disparu à l'appel ") + pannes::Nom(appel) + " n° " +
                std::to_string(n) + "/" + std::to_string(total));
    }
    Bilan((std::string("partage disparu (") + pannes::Nom(appel) + ")").c_str(), essais,
          chrono.elapsed());
}

// The server's base moved away while it is being copied, its open file still readable: the copy
// is complete, and it must take the source's permissions, not none (it would then be
// read-only, and no later initialisation could replace it).
TEST_F(PannesCopie, BaseCopieeAvecSesDroitsQuandLaSourceDisparait) {
    const QString cible = QStringLiteral("C:\\zelvano\\bd\\copie.mdb");
    pannes::Commencer(Racine());
    pannes::ProgrammerAction(pannes::Appel::Ecriture, 1, [] { factices::DeplacerPartage(); });
    CopierFichierBase(poste::BaseP, cible);
    pannes::Arreter();
    FaireRevenir();
    ASSERT_EQ(pannes::Declenchees(), 1);
    const QFileInfo copie(env.machine.Natif(cible));
    ASSERT_TRUE(copie.isFile());
    EXPECT_EQ(copie.permissions(), QFileInfo(env.machine.Natif(poste::BaseP)).permissions());
    EXPECT_EQ(modele::LireBase(cible), serveurAvant);
}

TEST_F(PannesCopie, PartageDisparuPendantUneLecture) {
    PartirALAppel(pannes::Appel::Lecture);
}

TEST_F(PannesCopie, PartageDisparuPendantUneEcriture) {
    PartirALAppel(pannes::Appel::Ecriture);
}

} // namespace
