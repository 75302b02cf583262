#include "sync/synchronisation.h"

#include "jet/dao.h"
#include "platform/erreur.h"
#include "sync/modele_pannes.h"
#include "sync/vfs_pannes.h"

#include <QElapsedTimer>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <iostream>

// SQLite I/O errors at every point of a synchronisation and of the initialisation after it:
// a clean run first counts the reads, writes, flushes and locks made on the practice's files,
// then each of them (or an even sample when there are too many) fails in turn, and the
// invariants of modele::Pannes must hold, before and after the recovery.

namespace {

using pannes::Appel;

class PannesSqlite : public modele::Pannes {
protected:
    void SetUp() override {
        pannes::InstallerVfs();
        Pannes::SetUp();
    }
    void TearDown() override { pannes::Arreter(); }

    // Fails each chosen call of kind `appel` in turn, with the codes in rotation; at most
    // `maximum` runs, spread evenly over the whole run.
    void Balayer(Appel appel, const QList<int>& codes, int maximum) {
        QElapsedTimer chrono;
        chrono.start();
        Preparer();
        pannes::Commencer(Racine());
        LancerSynchronisation();
        pannes::Arreter();
        const qint64 total = pannes::Appels(appel);
        ASSERT_GT(total, 0);
        Verifier("sans panne");
        Recuperer("sans panne");
        ASSERT_FALSE(HasFailure());
        issues.clear();

        QList<qint64> rangs;
        const qint64 nombre = std::min<qint64>(total, maximum);
        for (qint64 i = 0; i < nombre; ++i) {
            const qint64 n = 1 + (nombre == 1 ? 0 : i * (total - 1) / (nombre - 1));
            if (rangs.isEmpty() || rangs.last() != n) {
                rangs.append(n);
            }
        }
        int declenchees = 0;
        int echecs = 0;
        int essais = 0;
        for (int i = 0; i < rangs.size() && echecs < 5; ++i) {
            ++essais;
            const int code = codes[i % codes.size()];
            const std::string contexte = std::string(pannes::Nom(appel)) + " n° " +
                                         std::to_string(rangs[i]) + "/" + std::to_string(total) +
                                         " en échec (code " + std::to_string(code) + ")";
            Preparer();
            pannes::Commencer(Racine());
            pannes::Programmer(appel, rangs[i], code);
            LancerSynchronisation();
            declenchees += pannes::Declenchees() > 0 ? 1 : 0;
            pannes::Arreter();
            const bool avant = HasFailure();
            Verifier(contexte);
            Recuperer(contexte);
            echecs += !avant && HasFailure() ? 1 : 0;
        }
        std::cout << "[ pannes   ] " << pannes::Nom(appel) << " : " << total
                  << " appels dans un run, " << essais << " mis en échec (" << declenchees
                  << " atteints) ; ";
        for (auto it = issues.cbegin(); it != issues.cend(); ++it) {
            std::cout << modele::NomIssue(it.key()) << " " << it.value() << "  ";
        }
        std::cout << "; " << chrono.elapsed() << " ms" << std::endl;
        RecordProperty("pannes", essais);
        EXPECT_EQ(declenchees, essais);
    }
};

TEST_F(PannesSqlite, Lectures) {
    Balayer(Appel::Lecture, {SQLITE_IOERR_READ}, 150);
}

TEST_F(PannesSqlite, Ecritures) {
    Balayer(Appel::Ecriture, {SQLITE_IOERR_WRITE, SQLITE_FULL}, 150);
}

TEST_F(PannesSqlite, Synchronisations) {
    Balayer(Appel::Synchro, {SQLITE_IOERR_FSYNC}, 150);
}

TEST_F(PannesSqlite, Verrous) {
    Balayer(Appel::Verrou, {SQLITE_IOERR_LOCK, SQLITE_BUSY}, 150);
}

// An error the engine answers by giving the transaction up (an I/O error here), swallowed by
// the caller: the statements after it must not be committed one by one outside the
// transaction, while those before it are gone.
TEST_F(PannesSqlite, TransactionAbandonneeParLeMoteur) {
    dao::DBEngine& moteur = dao::DBEngine::Instance();
    pannes::Commencer(Racine());
    auto base = moteur.OpenDatabase(poste::BaseP);
    moteur.BeginTrans();
    base->Execute(QStringLiteral("insert into patient (identifiant, nom) values (9001, 'AVANT')"));
    pannes::ProgrammerPersistant(Appel::Lecture, pannes::Appels(Appel::Lecture) + 1,
                                 SQLITE_IOERR_READ);
    bool avalee = false;
    try {
        base->OpenRecordset(QStringLiteral("select * from typeobjet"));
    } catch (const plateforme::Erreur&) {
        avalee = true;
    }
    pannes::Arreter();
    ASSERT_TRUE(avalee);
    bool levee = false;
    try {
        base->Execute(
            QStringLiteral("insert into patient (identifiant, nom) values (9002, 'APRES')"));
        moteur.CommitTrans();
    } catch (const plateforme::Erreur&) {
        levee = true;
        moteur.Rollback();
    }
    base->Close();
    base.reset();
    EXPECT_TRUE(levee);
    EXPECT_FALSE(moteur.EnTransaction());
    EXPECT_EQ(Entier(poste::BaseServeur,
                     QStringLiteral("select count(*) from patient where identifiant > 9000")),
              0);
}

} // namespace
