#include "platform/erreur.h"
#include "platform/processus.h"
#include "platform/services.h"
#include "testutil/factices.h"
#include "tools/vod_outils.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

class SystemeFactice final : public plateforme::Systeme {
public:
    plateforme::VersionOs Version() override { return version; }
    plateforme::VersionOs version;
};

QString Nom(int plateformeOs, int majeure, int mineure, int build = 0, int spMajeur = 0,
            int spMineur = 0) {
    SystemeFactice systeme;
    systeme.version = {plateformeOs, majeure, mineure, build, spMajeur, spMineur};
    plateforme::RemplacementServices services({nullptr, nullptr, nullptr, &systeme, nullptr});
    return VOD_Outils().VersionWindows();
}

// A process that stays "alive" for a given number of checks.
class ProcessusCompte final : public plateforme::Processus {
public:
    qint64 Demarrer(const QString& ligne, int style) override {
        lignes.append(ligne);
        styles.append(style);
        return 4242;
    }
    bool Existe(qint64 pid) override {
        EXPECT_EQ(pid, 4242);
        return ++verifications <= vivant;
    }
    QStringList lignes;
    QList<int> styles;
    int vivant = 0;
    int verifications = 0;
};

double SecondesProcesseur() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST(VersionWindows, TableDesVersions) {
    EXPECT_EQ(Nom(0, 3, 10), "Windows 3.1");
    EXPECT_EQ(Nom(1, 4, 0, 950), "Windows 95");
    EXPECT_EQ(Nom(1, 4, 10, 0x040A0000 | 2222), "Windows 98SE");
    EXPECT_EQ(Nom(1, 4, 10, 1998), "Windows 98");
    EXPECT_EQ(Nom(1, 4, 90, 3000), "Windows Me");
    EXPECT_EQ(Nom(1, 4, 50), "");
    EXPECT_EQ(Nom(2, 3, 51), "Windows NT 3.51");
    EXPECT_EQ(Nom(2, 4, 0), "Windows NT 4.0");
    EXPECT_EQ(Nom(2, 5, 0), "Windows 2000");
    EXPECT_EQ(Nom(2, 5, 1), "Windows XP");
    EXPECT_EQ(Nom(2, 5, 2), "Windows Server 2003");
    EXPECT_EQ(Nom(2, 5, 3), "");
    // Every 6.x alike, so that the copy decision treats them the same; 10.0 unnamed.
    for (int mineure : {0, 1, 2, 3}) {
        EXPECT_EQ(Nom(2, 6, mineure, 7601), "Windows Vista") << mineure;
    }
    EXPECT_EQ(Nom(2, 10, 0, 19045), "");
    EXPECT_EQ(Nom(3, 10, 0), "Inconnu");
}

TEST(VersionWindows, ServicePack) {
    EXPECT_EQ(Nom(2, 5, 1, 2600, 3, 0), "Windows XP Service Pack 3.0");
    EXPECT_EQ(Nom(2, 6, 1, 7601, 1, 12), "Windows Vista Service Pack 1.12");
    // A minor number without a major one says nothing.
    EXPECT_EQ(Nom(2, 5, 1, 2600, 0, 5), "Windows XP");
    // The platform's own record: NT 6.1 without service pack.
    EXPECT_EQ(VOD_Outils().VersionWindows(), "Windows Vista");
}

TEST(ExecutionSynchrone, CedeAChaquePassageJusquALaFin) {
    factices::Environnement env;
    ProcessusCompte processus;
    processus.vivant = 5;
    plateforme::RemplacementServices services({nullptr, nullptr, nullptr, nullptr, &processus});
    EXPECT_EQ(VOD_Outils().ExecutionSynchrone("CMD.EXE /c subst P: C:\\", 0), 4242);
    EXPECT_EQ(processus.lignes, QStringList{"CMD.EXE /c subst P: C:\\"});
    EXPECT_EQ(processus.styles, QList<int>{0});
    EXPECT_EQ(processus.verifications, 6);
    EXPECT_EQ(env.ecran.cessions, 6);
}

TEST(ExecutionSynchrone, ProgrammeIntrouvableOuLigneVide) {
    try {
        VOD_Outils().ExecutionSynchrone("programme-absent-de-partout.exe /x", 1);
        FAIL() << "aucune erreur";
    } catch (const plateforme::Erreur& e) {
        EXPECT_EQ(e.Number(), 53);
        EXPECT_EQ(e.Description(), "Fichier introuvable");
    }
    try {
        VOD_Outils().ExecutionSynchrone("  ", 0);
        FAIL() << "aucune erreur";
    } catch (const plateforme::Erreur& e) {
        EXPECT_EQ(e.Number(), 5);
    }
}

TEST(ExecutionSynchrone, EnfantReelAttenduEtRecolte) {
    factices::Machine machine;
    const QString fichier = machine.Racine() + "/fini.txt";
    const qint64 pid = VOD_Outils().ExecutionSynchrone(
        QStringLiteral("sh -c \"sleep 0.3; echo fini > '%1'\"").arg(fichier), 0);
    ASSERT_GT(pid, 0);
    // Returned only once the child had done its work, and left no zombie.
    QFile f(fichier);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "fini\n");
    int etat = 0;
    EXPECT_EQ(waitpid(static_cast<pid_t>(pid), &etat, WNOHANG), -1);
}

// The real yield of the event loop: a wait must leave the core to the program waited for.
TEST(ExecutionSynchrone, AttentePresqueSansProcesseur) {
    QElapsedTimer montre;
    const double avant = SecondesProcesseur();
    montre.start();
    const qint64 pid = VOD_Outils().ExecutionSynchrone(QStringLiteral("sleep 2"), 0);
    const double duree = static_cast<double>(montre.elapsed()) / 1000.0;
    const double processeur = SecondesProcesseur() - avant;
    ASSERT_GT(pid, 0);
    EXPECT_GE(duree, 1.9);
    EXPECT_LT(processeur, 0.05 * duree)
        << "processeur " << processeur << " s pour " << duree << " s";
    std::printf("attente de %.2f s : %.3f s de processeur\n", duree, processeur);
}
