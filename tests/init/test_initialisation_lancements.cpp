#include "platform/qorbis32.h"
#include "testutil/qorbis32_factice.h"
#include "init/initialisation.h"
#include "init/poste_copie.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "settings/etat.h"
#include "settings/parametres.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

// The programs the initialisation starts without waiting on a handle: the additional copy job
// and ROBOCOPY, when they cannot be started.
namespace {

using essais::BlocEchec;

// Starts every command line but those of ROBOCOPY and of the additional job, which can be made
// to fail: no process (id 0) or an error raised while starting.
class ProcessusLancements final : public plateforme::Processus {
public:
    qint64 Demarrer(const QString& ligne, int style) override {
        lignes.append(ligne);
        styles.append(style);
        if (ligne.contains(QLatin1String("robocopy.exe"))) {
            if (erreurRobocopy != 0) {
                throw plateforme::Erreur(erreurRobocopy, plateforme::TexteErreur(erreurRobocopy));
            }
            return pidRobocopy;
        }
        if (ligne == Param().traitementsupp) {
            return pidTraitement;
        }
        return 4242;
    }
    bool Existe(qint64) override { return false; }

    qint64 pidRobocopy = 4343;
    int erreurRobocopy = 0;
    qint64 pidTraitement = 4444;
    QStringList lignes;
    QList<int> styles;
};

class InitialisationLancements : public ::testing::Test {
protected:
    essais::Poste poste;
    essais::SystemeFactice systeme;
    ProcessusLancements processus;
    plateforme::RemplacementServices services{{nullptr, nullptr, nullptr, &systeme, &processus}};

    void SetUp() override {
        // No copy program is ever seen running: the waits end after their fixed delay.
        DefinirListeFenetresQorbis32ForTests([](QString& tampon, qint32, qint32, qint32) {
            tampon.clear();
            return 0;
        });
        systeme.version = {2, 5, 1, 2600, 3, 0}; // XP SP3
        Param().FichierIni = QStringLiteral("C:\\WINDOWS\\synchro.ini");
        poste.Ecrire(Param().FichierIni, "[options]\r\n");
        Param().createlog = 0;
        EtatBase() = QStringLiteral("D");
        BaseServeur();
        QDir().mkpath(poste.Natif(QStringLiteral("P:\\zelvano\\courrier")));
        poste.Ecrire(QStringLiteral("P:\\zelvano\\courrier\\lettre.txt"), "Cher confrère");
    }
    void TearDown() override { DefinirListeFenetresQorbis32ForTests({}); }

    void BaseServeur() const {
        const QString natif = poste.Natif(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"));
        QDir().mkpath(QFileInfo(natif).absolutePath());
        sqlite3* base = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(natif).constData(), &base), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(base, "create table patient(identifiant integer primary key);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(base);
    }
    // ROBOCOPY chosen: in the program's folder, modified-only copy without the secure mode.
    void Robocopy() const {
        poste.Ecrire(poste.env.machine.DossierProgramme() + QStringLiteral("/robocopy.exe"), "exe");
        Param().copiesecurisee = 0;
        Param().modifiesuniquement = 1;
    }
    QString LigneRobocopy() const {
        return plateforme::DossierProgramme() +
               QStringLiteral("\\robocopy.exe P:\\zelvano\\courrier C:\\zelvano\\courrier /E /R:0");
    }
    QStringList Messages() const { return poste.Messages(); }
    // The last `n` journal messages.
    QStringList Fin(qsizetype n) const {
        const QStringList m = Messages();
        return m.mid(qMax<qsizetype>(0, m.size() - n));
    }
};

TEST_F(InitialisationLancements, TraitementAsynchroneQuiNeDemarrePas) {
    Param().traitementsupp = QStringLiteral("C:\\outils\\copie.bat /tout");
    Param().shellsynchrone = 0;
    processus.pidTraitement = 0;
    LancerInitialisation();
    EXPECT_EQ(processus.lignes, QStringList{Param().traitementsupp});
    EXPECT_EQ(processus.styles, QList<int>{2});
    EXPECT_EQ(Fin(9),
              QStringList({QStringLiteral("Lancement du traitement de copie supplémentaire : "
                                          "C:\\outils\\copie.bat /tout"),
                           QStringLiteral("Attendez que le traitement soit terminé avant de "
                                          "lancer Zelvano"),
                           QStringLiteral("Fichier introuvable (53)")}) +
                  BlocEchec)
        << qPrintable(Messages().join(QLatin1Char('\n')));
    // Nothing after the job: no compaction, no journal table.
    EXPECT_FALSE(Messages().contains(QStringLiteral("Vérification de la base de données : "
                                                    "zelvano.mdb")));
    EXPECT_EQ(poste.env.ecran.pointeurs.last(), plateforme::pointeur::Defaut);
}

TEST_F(InitialisationLancements, RobocopyQuiNeDemarrePas) {
    Robocopy();
    processus.pidRobocopy = 0;
    Param().traitementsupp = QStringLiteral("copie.bat");
    LancerInitialisation();
    EXPECT_EQ(Fin(8),
              QStringList({QStringLiteral("-> Exécution de la commande : ") + LigneRobocopy(),
                           QStringLiteral("ERREUR : impossible d'exécuter ROBOCOPY")}) +
                  BlocEchec)
        << qPrintable(Messages().join(QLatin1Char('\n')));
    EXPECT_FALSE(processus.lignes.contains(QStringLiteral("copie.bat")))
        << "the run stops before the additional job";
}

TEST_F(InitialisationLancements, RobocopyEnErreurAuLancement) {
    Robocopy();
    processus.erreurRobocopy = plateforme::err::PermissionRefusee;
    LancerInitialisation();
    EXPECT_EQ(Fin(8),
              QStringList({QStringLiteral("-> Exécution de la commande : ") + LigneRobocopy(),
                           plateforme::TexteErreur(plateforme::err::PermissionRefusee) +
                               QStringLiteral(" (70) pendant la copie avec ROBOCOPY")}) +
                  BlocEchec)
        << qPrintable(Messages().join(QLatin1Char('\n')));
}

} // namespace
