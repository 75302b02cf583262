#include "demo/pratique.h"
#include "init/initialisation.h"
#include "init/poste_copie.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "testutil/copies_en_panne.h"
#include "testutil/journal_attendu.h"
#include "testutil/photos.h"
#include "testutil/restes_plantes.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <iostream>

// An initialisation on its own (the Initialise command) under faults: the copy of the Nth file
// failing, the local disk filling up, a server file that cannot be read, the server share going
// away in the middle, or away before the run starts, the table synchro failing to be written.
// After each: the local base is there, either as it was or a copy of the server's; a run that
// failed says so and leaves a table synchro that nothing accepts; a run that says it succeeded
// left a copy of the server; no local file is lost; and a new initialisation puts it all right.

namespace {

using factices::EtatCopies;
using factices::Panne;

const QString& Fin = attendu::InitTerminee;
const QString Echec = QStringLiteral("une erreur s'est produite dans l'initialisation.");
const QStringList Documents{QStringLiteral("courrier"), QStringLiteral("cro"),
                            QStringLiteral("certif"),   QStringLiteral("corres"),
                            QStringLiteral("data"),     QStringLiteral("flash"),
                            QStringLiteral("modeles")};

using photos::Arbre;
using photos::LireArbre;

std::string Texte(const QStringList& lignes) {
    return lignes.join(QLatin1Char('\n')).toStdString();
}

class PannesInitialisation : public ::testing::Test {
protected:
    factices::Environnement env;
    factices::CopiesEnPanne copies;

    void SetUp() override {
        options.machine = env.machine.Racine();
        options.patients = 12;
        options.documents = 18;
        options.objets = 12;
        options.local = true;
        options.nouveaux = 2;
        options.remplacer = true;
        ASSERT_TRUE(QFile::link(factices::DossierPartage(),
                                plateforme::Machine::EntreeLecteur(QLatin1Char('P'))));
        Preparer();
    }

    // The demo practice afresh: the local copy initialised, two patients typed since.
    void Preparer() {
        factices::RemettrePartage();
        const demo::BilanDemo bilan = demo::GenererDemo(options);
        Param().FichierIni = bilan.fichierIni;
        LireParametres();
        Param().createlog = 0;
        Param().copiesecurisee = static_cast<qint16>(securisee);
        Param().modifiesuniquement = static_cast<qint16>(modifies);
        EtatBase() = QStringLiteral("D");
        if (modifies != 0) {
            // Documents changed on the server since: a modified-only copy has them to bring.
            for (const QString& d : Documents) {
                QDirIterator it(Natif(QStringLiteral("P:\\zelvano\\") + d), QDir::Files);
                while (it.hasNext()) {
                    QFile f(it.next());
                    const QDateTime t = QFileInfo(f).fileTime(QFileDevice::FileModificationTime);
                    if (f.open(QIODevice::ReadWrite)) {
                        f.setFileTime(t.addSecs(90), QFileDevice::FileModificationTime);
                    }
                }
            }
        }
        env.fenetre.lignes.clear();
        serveur = photos::Photographier(Natif(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb")));
        localAvant = photos::Photographier(BaseLocale());
        arbreLocalAvant = LireArbre(Natif(QStringLiteral("C:\\zelvano")));
    }

    QString Natif(const QString& w) const { return env.machine.Natif(w); }
    QString BaseLocale() const { return Natif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb")); }
    QStringList Messages() const { return env.fenetre.Messages(); }
    qint64 LignesSynchro() const {
        return photos::Photographier(BaseLocale()).value(QStringLiteral("synchro")).size();
    }

    // The local base is the server's, with the seven rows of synchro.
    bool CopieDuServeur(const QMap<QString, QStringList>& local) const {
        QMap<QString, QStringList> a = serveur;
        QMap<QString, QStringList> b = local;
        a.remove(QStringLiteral("synchro"));
        const qsizetype lignes = b.take(QStringLiteral("synchro")).size();
        return a == b && lignes == 7;
    }

    // Document files of the server missing or different on the workstation, those the journal
    // names as skipped aside.
    QStringList DocumentsDifferents(const QStringList& journal) const {
        QStringList differents;
        for (const QString& d : Documents) {
            const Arbre s = LireArbre(Natif(QStringLiteral("P:\\zelvano\\") + d));
            const Arbre l = LireArbre(Natif(QStringLiteral("C:\\zelvano\\") + d));
            for (auto it = s.cbegin(); it != s.cend(); ++it) {
                const QString chemin =
                    QStringLiteral("P:\\zelvano\\") + d + QLatin1Char('\\') + it.key();
                const bool ignore = journal.filter(chemin).size() > 0;
                if (!it.key().contains(QLatin1Char('/')) &&
                    !it.key().startsWith(QLatin1Char('.')) && l.value(it.key()) != it.value() &&
                    !ignore) {
                    differents.append(d + QLatin1Char('/') + it.key());
                }
            }
        }
        return differents;
    }

    void Verifier(const std::string& contexte) {
        SCOPED_TRACE(contexte);
        const QStringList m = Messages();
        ASSERT_TRUE(QFileInfo(BaseLocale()).isFile()) << "base locale absente\n" << Texte(m);
        const QMap<QString, QStringList> local = photos::Photographier(BaseLocale());
        const Arbre arbreLocal = LireArbre(Natif(QStringLiteral("C:\\zelvano")));
        for (auto it = arbreLocalAvant.cbegin(); it != arbreLocalAvant.cend(); ++it) {
            EXPECT_TRUE(arbreLocal.contains(it.key()))
                << "fichier local perdu : " << it.key().toStdString();
        }
        for (auto it = arbreLocal.cbegin(); it != arbreLocal.cend(); ++it) {
            EXPECT_FALSE(QFileInfo(it.key()).fileName().startsWith(QLatin1String(".~")))
                << "copie temporaire laissée : " << it.key().toStdString();
        }
        if (m.count(Fin) == 3) {
            ++reussies;
            EXPECT_TRUE(CopieDuServeur(local))
                << "succès annoncé, la base locale n'est pas celle du serveur\n"
                << Texte(m);
            EXPECT_EQ(Texte(DocumentsDifferents(m)), "") << "succès annoncé, documents non copiés\n"
                                                         << Texte(m);
        } else {
            ++echouees;
            static const QRegularExpression erreur(QStringLiteral("ERREUR|\\(\\d+\\)|IMPOSSIBLE"));
            EXPECT_TRUE(m.contains(Echec)) << Texte(m);
            EXPECT_FALSE(m.filter(erreur).isEmpty()) << "échec sans message\n" << Texte(m);
            const qsizetype lignes = local.value(QStringLiteral("synchro")).size();
            EXPECT_TRUE(local == localAvant || (lignes != 6 && lignes != 7))
                << "initialisation échouée, base locale acceptée (" << lignes
                << " lignes synchro)\n"
                << Texte(m);
        }
        // A new initialisation, the fault gone.
        factices::Copies() = EtatCopies{};
        factices::RemettrePartage();
        env.fenetre.lignes.clear();
        LancerInitialisation();
        EXPECT_EQ(Messages().count(Fin), 3) << Texte(Messages());
        EXPECT_TRUE(CopieDuServeur(photos::Photographier(BaseLocale())));
        EXPECT_EQ(Texte(DocumentsDifferents({})), "");
    }

    // Every copy of an initialisation fails in turn, in the way `sorte` says.
    void Balayer(int modeSecurise, int modeModifies, Panne sorte, int pas = 1) {
        QElapsedTimer chrono;
        chrono.start();
        securisee = modeSecurise;
        modifies = modeModifies;
        Preparer();
        factices::Copies() = EtatCopies{};
        LancerInitialisation();
        const int total = factices::Copies().appels;
        ASSERT_EQ(Messages().count(Fin), 3) << Texte(Messages());
        ASSERT_GT(total, 20);
        int essais = 0;
        for (int n = 1; n <= total && !HasFailure(); n += pas) {
            Preparer();
            factices::Copies() = EtatCopies{0, n, sorte};
            LancerInitialisation();
            ++essais;
            Verifier(std::string(factices::NomPanne(sorte)) + " à la copie n° " +
                     std::to_string(n) + "/" + std::to_string(total));
        }
        std::cout << "[ pannes   ] initialisation (sécurisée " << securisee << ", modifiés "
                  << modifies << ") : " << factices::NomPanne(sorte) << " à " << essais << " des "
                  << total << " copies, " << reussies << " réussies, " << echouees << " échouées ; "
                  << chrono.elapsed() << " ms" << std::endl;
        RecordProperty("pannes", essais);
    }

    demo::OptionsDemo options;
    int securisee = 1;
    int modifies = 1;
    QMap<QString, QStringList> serveur;
    QMap<QString, QStringList> localAvant;
    Arbre arbreLocalAvant;
    int reussies = 0;
    int echouees = 0;
};

// The share gone before the run: nothing to copy the base from. The local base must not be
// taken for a copy of the server (its own records would count as sent).
TEST_F(PannesInitialisation, PartageAbsentAvantLInitialisation) {
    factices::DeplacerPartage();
    LancerInitialisation();
    const QStringList m = Messages();
    EXPECT_TRUE(m.contains(
        QStringLiteral("ERREUR : la base de données distante P:\\zelvano\\bd\\zelvano.mdb "
                       "est introuvable (3024)")))
        << Texte(m);
    EXPECT_FALSE(m.contains(Fin));
    EXPECT_TRUE(m.contains(Echec));
    EXPECT_TRUE(photos::Photographier(BaseLocale()) == localAvant) << "base locale modifiée";
    factices::RemettrePartage();
}

// The base folder is there but not the base: the same.
TEST_F(PannesInitialisation, BaseDistanteAbsente) {
    QFile::rename(Natif(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb")),
                  Natif(QStringLiteral("P:\\zelvano\\bd\\ancienne.mdb")));
    LancerInitialisation();
    EXPECT_FALSE(Messages().contains(Fin)) << Texte(Messages());
    EXPECT_TRUE(photos::Photographier(BaseLocale()) == localAvant) << "base locale modifiée";
}

// The seventh row of synchro cannot be written: the table must not be left with six rows,
// which a synchronisation would walk as the table of an older version, without the objects.
TEST_F(PannesInitialisation, TableSynchroEcriteEntierementOuPas) {
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open(
            QFile::encodeName(Natif(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"))).constData(),
            &db),
        SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(
            db,
            "CREATE TRIGGER panne BEFORE INSERT ON synchro WHEN (SELECT count(*) FROM synchro) = 6 "
            "BEGIN SELECT RAISE(ABORT, 'panne simulée'); END",
            nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    LancerInitialisation();
    const QStringList m = Messages();
    EXPECT_FALSE(m.contains(Fin)) << Texte(m);
    EXPECT_TRUE(m.contains(Echec)) << Texte(m);
    EXPECT_FALSE(m.filter(QStringLiteral("panne simulée")).isEmpty()) << Texte(m);
    EXPECT_EQ(LignesSynchro(), 0);
}

TEST_F(PannesInitialisation, SecuriseeModifiesCopieEnEchec) {
    Balayer(1, 1, Panne::Echec);
}

TEST_F(PannesInitialisation, SecuriseeModifiesPartageDisparu) {
    Balayer(1, 1, Panne::PartageParti);
}

TEST_F(PannesInitialisation, SecuriseeDisquePlein) {
    Balayer(1, 0, Panne::DisquePlein);
}

TEST_F(PannesInitialisation, SecuriseeSourceIllisible) {
    Balayer(1, 0, Panne::SourceIllisible);
}

// Not secure, modified only: the base folder goes to XCOPY, a document file that fails is
// skipped with a line and the run goes on.
TEST_F(PannesInitialisation, NonSecuriseeCopieEnEchec) {
    ASSERT_TRUE(QFile::link(factices::DossierBinaires() + QStringLiteral("/xcopy.exe"),
                            env.machine.DossierProgramme() + QStringLiteral("/xcopy.exe")));
    essais::EcranLent ecran(env.horloge);
    plateforme::RemplacementServices services({nullptr, nullptr, &ecran, nullptr, nullptr});
    Balayer(0, 1, Panne::Echec, 2); // every other copy: each run waits for XCOPY
}

// What runs killed at each step of their writes leave in the local folders goes at the start of
// the next initialisation; hidden files that are not the module's stay.
TEST_F(PannesInitialisation, RestesDesExecutionsInterrompuesRetires) {
    const factices::RestesPlantes restes = factices::PlanterRestes(env.machine);
    LancerInitialisation();
    EXPECT_EQ(Messages().count(Fin), 3) << Texte(Messages());
    EXPECT_EQ(factices::Presents(restes.nos), QStringList());
    EXPECT_EQ(factices::Presents(restes.autres), restes.autres);
}

} // namespace
