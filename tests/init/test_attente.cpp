#include "platform/qorbis32.h"
#include "testutil/qorbis32_factice.h"
#include "init/attente.h"
#include "platform/processus.h"
#include "testutil/factices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// Feeds the task-list parser with exact buffers and counts the calls.
class Attente : public ::testing::Test {
protected:
    void SetUp() override {
        DefinirListeFenetresQorbis32ForTests(
            [this](QString& tampon, qint32 taille, qint32 d1, qint32 d2) {
                ++appels;
                taille_ = taille;
                d1_ = d1;
                d2_ = d2;
                if (!reponses.isEmpty()) {
                    courant = reponses.takeFirst();
                }
                tampon = courant;
                return courant == QLatin1String("ECHEC") ? -1 : static_cast<qint32>(tampon.size());
            });
    }
    void TearDown() override { DefinirListeFenetresQorbis32ForTests({}); }

    qint64 Ecoule(const QDateTime& depart) { return depart.msecsTo(env.horloge.Maintenant()); }

    factices::Environnement env;
    QStringList reponses; // one per call, the last kept
    QString courant;
    int appels = 0;
    qint32 taille_ = 0;
    qint32 d1_ = 0;
    qint32 d2_ = 0;
};

} // namespace

TEST_F(Attente, ListeDeTachesParPaires) {
    reponses = {"<#F>a", "<#F>a<#F>", "<#F>a<#F>b<#F>", "<#F>a<#F>b<#F>c<#F>",
                "avant<#F>n1<#F>l1<#F>n2<#F>l2<#F>reste"};
    EXPECT_EQ(ChargerListeTaches(), 0);
    EXPECT_EQ(taille_, 30000);
    EXPECT_EQ(d1_, -1);
    EXPECT_EQ(d2_, -1);
    EXPECT_EQ(ChargerListeTaches(), 0); // two markers
    EXPECT_EQ(ChargerListeTaches(), 1); // three
    EXPECT_EQ(qb32_TabTaskList[1].ItemA, "a");
    EXPECT_EQ(qb32_TabTaskList[1].ItemB, "b");
    EXPECT_EQ(ChargerListeTaches(), 1); // four: the third item starts a task that is not counted
    EXPECT_EQ(qb32_TabTaskList[1].ItemB, "b");

    EXPECT_EQ(ChargerListeTaches(), 2);
    ASSERT_GE(qb32_TabTaskList.size(), 3);
    EXPECT_TRUE(qb32_TabTaskList[0].ItemA.isEmpty());
    EXPECT_EQ(qb32_TabTaskList[1].ItemA, "n1");
    EXPECT_EQ(qb32_TabTaskList[1].ItemB, "l1");
    EXPECT_EQ(qb32_TabTaskList[2].ItemA, "n2");
    EXPECT_EQ(qb32_TabTaskList[2].ItemB, "l2");
}

TEST_F(Attente, EchecEtListeSansMarqueur) {
    reponses = {"<#F>n1<#F>l1<#F>n2<#F>l2<#F>", "ECHEC", "aucun marqueur"};
    ASSERT_EQ(ChargerListeTaches(), 2);
    // A failing library leaves the array as it was.
    EXPECT_EQ(ChargerListeTaches(), 0);
    ASSERT_EQ(qb32_TabTaskList.size(), 3);
    EXPECT_EQ(qb32_TabTaskList[2].ItemB, "l2");
    // A listing without markers empties it.
    EXPECT_EQ(ChargerListeTaches(), 0);
    EXPECT_EQ(qb32_TabTaskList.size(), 1);
}

TEST_F(Attente, ProgrammeCherchePartoutSansEgardALaCasse) {
    const QString xcopy = "<#F>x<#F>c:\\windows\\system32\\xcopy.exe c:\\a p:\\b /e<#F>";
    const QString robocopy = "<#F>r<#F>C:\\Outils\\RoboCopy.exe a b<#F>";
    reponses = {"<#F>XCOPY.EXE<#F>autre chose<#F>", xcopy, xcopy, robocopy, robocopy,
                "<#F>a<#F>b<#F>c<#F>ROBOCOPY<#F>"};
    EXPECT_FALSE(XcopyEnCours()); // item A does not count
    EXPECT_TRUE(XcopyEnCours());
    EXPECT_FALSE(RobocopyEnCours());
    EXPECT_TRUE(RobocopyEnCours());
    EXPECT_FALSE(XcopyEnCours());
    EXPECT_TRUE(RobocopyEnCours()); // in the last task
    reponses = {"ECHEC"};
    EXPECT_FALSE(RobocopyEnCours());
}

TEST_F(Attente, AttendreSecondes) {
    AttendreSecondes(0);
    EXPECT_EQ(env.ecran.cessions, 1);

    // From a whole second: the whole delay.
    env.horloge.Definir(QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
    QDateTime depart = env.horloge.Maintenant();
    AttendreSecondes(3);
    EXPECT_EQ(Ecoule(depart), 3000);

    // Late in a second: the clock is read to the second, so a little less.
    env.horloge.Definir(QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9, 990)));
    depart = env.horloge.Maintenant();
    AttendreSecondes(3);
    EXPECT_GT(Ecoule(depart), 2000);
    EXPECT_LT(Ecoule(depart), 3000);
}

TEST_F(Attente, CopieAttendueApresLeDelai) {
    const QString enCours = "<#F>x<#F>C:\\WINDOWS\\SYSTEM32\\XCOPY.EXE C:\\a P:\\b<#F>";
    reponses = {enCours, enCours, enCours, ""};
    const QDateTime depart = env.horloge.Maintenant();
    AttendreProgrammeCopie(ProgrammeCopie::Xcopy);
    EXPECT_EQ(appels, 4); // every poll reloads the list
    EXPECT_EQ(Ecoule(depart), 5000 + 3 * 10);
}

TEST_F(Attente, CopieDejaFinieAvantLeDelai) {
    reponses = {"<#F>x<#F>ailleurs<#F>"};
    const QDateTime depart = env.horloge.Maintenant();
    AttendreProgrammeCopie(ProgrammeCopie::Robocopy);
    EXPECT_EQ(appels, 1);
    EXPECT_EQ(Ecoule(depart), 3000);
    AttendreProgrammeCopie(ProgrammeCopie::Xcopy);
    EXPECT_EQ(appels, 2);
    EXPECT_EQ(Ecoule(depart), 8000);
}

// A real copy program in the task list: the wait ends when it ends.
TEST(AttenteReelle, ProgrammeCopieReelAttendu) {
    factices::Environnement env;
    const QString lien = env.machine.DossierProgramme() + "/xcopy.exe";
    ASSERT_TRUE(QFile::link(plateforme::TrouverProgramme("sleep"), lien));
    const qint64 pid = plateforme::ProcessusPosix().Demarrer("xcopy.exe 0.7", 0);
    ASSERT_GT(pid, 0);
    // A program still being loaded shows neither its name nor its arguments yet: the module
    // always lets it appear for seconds first.
    QElapsedTimer apparition;
    apparition.start();
    bool enCours = false;
    while (!(enCours = XcopyEnCours()) && apparition.elapsed() < 500) {
        QThread::msleep(1);
    }
    EXPECT_TRUE(enCours);
    bool trouve = false;
    for (qint16 i = 1; i < qb32_TabTaskList.size(); ++i) {
        trouve = trouve || qb32_TabTaskList[i].ItemB == lien; // the program, not its arguments
    }
    EXPECT_TRUE(trouve);

    AttendreProgrammeCopie(ProgrammeCopie::Xcopy);
    const QList<plateforme::Tache> apres = plateforme::ListeTaches();
    EXPECT_TRUE(std::none_of(apres.begin(), apres.end(),
                             [pid](const plateforme::Tache& t) { return t.pid == pid; }));
    if (plateforme::ProcessusPosix().Existe(pid)) {
        kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

// A process whose arguments merely name a copy program (a filter, an editor on xcopy.txt) is no
// copy program: the waits end without it.
TEST(AttenteReelle, UnTemoinQuiNommeLeProgrammeNeRetientPasLAttente) {
    factices::Environnement env;
    const qint64 temoin = plateforme::ProcessusPosix().Demarrer(
        "sh -c \"while :; do sleep 1; done\" ROBOCOPY xcopy.txt", 0);
    ASSERT_GT(temoin, 0);
    bool vu = false;
    QElapsedTimer t;
    t.start();
    while (!vu && t.elapsed() < 5000) {
        for (const plateforme::Tache& tache : plateforme::ListeTaches()) {
            vu = vu || (tache.pid == temoin && tache.ligneCommande.contains("ROBOCOPY") &&
                        tache.ligneCommande.contains("xcopy.txt"));
        }
    }
    ASSERT_TRUE(vu) << "the bystander runs, its arguments naming both programs";
    EXPECT_FALSE(RobocopyEnCours());
    EXPECT_FALSE(XcopyEnCours());
    const QDateTime depart = env.horloge.Maintenant();
    AttendreProgrammeCopie(ProgrammeCopie::Robocopy);
    AttendreProgrammeCopie(ProgrammeCopie::Xcopy);
    EXPECT_EQ(depart.msecsTo(env.horloge.Maintenant()), 8000);
    kill(static_cast<pid_t>(temoin), SIGKILL);
    while (plateforme::ProcessusPosix().Existe(temoin)) {
        QThread::msleep(5);
    }
}
