#include "sync/synchronisation.h"

#include "init/copie_base.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "sync/modele_pannes.h"
#include "sync/vfs_pannes.h"

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

enum class Sorte { Echec, DisquePlein, SourceIllisible, PartageParti };

const char* Nom(Sorte s) {
    switch (s) {
    case Sorte::Echec:
        return "copie en échec";
    case Sorte::DisquePlein:
        return "disque plein";
    case Sorte::SourceIllisible:
        return "source illisible";
    case Sorte::PartageParti:
        return "partage disparu";
    }
    return "?";
}

QString Partage() {
    return plateforme::Machine::DossierPartage(QStringLiteral("serveur"),
                                               QStringLiteral("zelvano"));
}

// The share goes away: its folder is no longer there, and the files of it that are open fail
// at their next use, as over a lost network link.
void FairePartir() {
    QDir().rename(Partage(), Partage() + QStringLiteral("-parti"));
    pannes::Couper({Partage() + QLatin1Char('/'),
                    plateforme::Machine::EntreeLecteur(QLatin1Char('P')) + QLatin1Char('/')},
                   SQLITE_IOERR);
}

void FaireRevenir() {
    pannes::Retablir();
    if (QFileInfo::exists(Partage() + QStringLiteral("-parti"))) {
        QDir().rename(Partage() + QStringLiteral("-parti"), Partage());
    }
}

struct EtatCopie {
    int appels = 0;
    int cible = 0; // 0: count only
    Sorte sorte = Sorte::Echec;
    QSet<QChar> pleins; // drives whose disk is full
};

EtatCopie& Copie() {
    static EtatCopie etat;
    return etat;
}

void Crochet(const QString& source, const QString& destination) {
    EtatCopie& e = Copie();
    ++e.appels;
    const QChar lecteur = destination.isEmpty() ? QChar() : destination.at(0).toUpper();
    if (e.pleins.contains(lecteur)) {
        throw plateforme::ErreurSysteme(ENOSPC, destination);
    }
    if (e.appels != e.cible) {
        return;
    }
    switch (e.sorte) {
    case Sorte::Echec:
        throw plateforme::ErreurSysteme(EIO, destination);
    case Sorte::DisquePlein:
        e.pleins.insert(lecteur);
        throw plateforme::ErreurSysteme(ENOSPC, destination);
    case Sorte::SourceIllisible:
        throw plateforme::ErreurSysteme(EACCES, source);
    case Sorte::PartageParti:
        FairePartir();
        return;
    }
}

class PannesCopie : public modele::Pannes {
protected:
    void SetUp() override {
        pannes::InstallerVfs();
        Pannes::SetUp();
        plateforme::DefinirCrochetCopie(Crochet);
    }
    void TearDown() override {
        plateforme::DefinirCrochetCopie(nullptr);
        pannes::Arreter();
        FaireRevenir();
    }

    // Copies made by a clean run (synchronisation and initialisation).
    int CompterCopies() {
        Preparer();
        Copie() = EtatCopie{};
        LancerSynchronisation();
        const int n = Copie().appels;
        Verifier("sans panne");
        Recuperer("sans panne");
        issues.clear();
        return n;
    }

    void Essayer(const std::string& contexte) {
        FaireRevenir();
        pannes::Arreter();
        Verifier(contexte);
        Copie() = EtatCopie{};
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
    void Balayer(Sorte sorte) {
        QElapsedTimer chrono;
        chrono.start();
        const int total = CompterCopies();
        ASSERT_GT(total, 10);
        ASSERT_FALSE(HasFailure());
        int essais = 0;
        for (int n = 1; n <= total && !HasFailure(); ++n) {
            Preparer();
            Copie() = EtatCopie{0, n, sorte, {}};
            LancerSynchronisation();
            ++essais;
            Essayer(std::string(Nom(sorte)) + " à la copie n° " + std::to_string(n) + "/" +
                    std::to_string(total));
        }
        Bilan(Nom(sorte), essais, chrono.elapsed());
    }

    void PartirALAppel(pannes::Appel appel);
};

TEST_F(PannesCopie, CopieEnEchec) {
    Balayer(Sorte::Echec);
}

TEST_F(PannesCopie, DisquePlein) {
    Balayer(Sorte::DisquePlein);
}

TEST_F(PannesCopie, SourceIllisible) {
    Balayer(Sorte::SourceIllisible);
}

TEST_F(PannesCopie, PartageDisparuPendantUneCopie) {
    Balayer(Sorte::PartageParti);
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
        Copie() = EtatCopie{};
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
    pannes::ProgrammerAction(pannes::Appel::Ecriture, 1, [] {
        QDir().rename(Partage(), Partage() + QStringLiteral("-parti"));
    });
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
