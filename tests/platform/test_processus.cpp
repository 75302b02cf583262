#include "platform/chemins.h"
#include "platform/processus.h"
#include "testutil/factices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using plateforme::DecouperLigneCommande;
using plateforme::ProcessusPosix;
using plateforme::TrouverProgramme;

namespace {

void EcrireProgramme(const QString& natif, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(natif).absolutePath());
    QFile f(natif);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contenu);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Waits (really) for a child of ours to end, at most `ms`.
bool AttendreFin(qint64 pid, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (ProcessusPosix().Existe(pid)) {
        if (t.elapsed() > ms) {
            return false;
        }
        QThread::msleep(5);
    }
    return true;
}

const plateforme::Tache* Trouver(const QList<plateforme::Tache>& taches, qint64 pid) {
    for (const plateforme::Tache& t : taches) {
        if (t.pid == pid) {
            return &t;
        }
    }
    return nullptr;
}

qsizetype Rang(const QList<plateforme::Tache>& taches, qint64 pid) {
    for (qsizetype i = 0; i < taches.size(); ++i) {
        if (taches[i].pid == pid) {
            return i;
        }
    }
    return -1;
}

// Ends a child of ours whatever happens in the test.
struct EnfantTue {
    qint64 pid;
    ~EnfantTue() {
        if (pid > 0) {
            kill(static_cast<pid_t>(pid), SIGKILL);
            AttendreFin(pid);
        }
    }
};

} // namespace

TEST(DecouperLigneCommande, BlancsEtGuillemets) {
    EXPECT_EQ(
        DecouperLigneCommande(QStringLiteral("CMD.EXE /c net use P: \\\\serveur\\zelvano /yes")),
        (QStringList{"CMD.EXE", "/c", "net", "use", "P:", "\\\\serveur\\zelvano", "/yes"}));
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("  a \t  \"b  c\"   d  ")),
              (QStringList{"a", "b  c", "d"}));
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("\"C:\\Program Files\\x.exe\" arg")),
              (QStringList{"C:\\Program Files\\x.exe", "arg"}));
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("a\"b c\"d")), (QStringList{"ab cd"}));
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("a \"\" b")), (QStringList{"a", "", "b"}));
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("\"non fermé  x")),
              (QStringList{"non fermé  x"}));
    EXPECT_TRUE(DecouperLigneCommande(QStringLiteral("   ")).isEmpty());
}

TEST(DecouperLigneCommande, BarresObliquesInversees) {
    // Not before a quote: kept as they are.
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("a\\\\b\\c")), (QStringList{"a\\\\b\\c"}));
    // 2n + 1 before a quote: n of them and a literal quote.
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("a\\\\\\\"b")), (QStringList{"a\\\"b"}));
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("\\\"x y\\\"")), (QStringList{"\"x", "y\""}));
    // 2n before a quote: n of them, the quote opens or closes a group.
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("\"a\\\\\" b")), (QStringList{"a\\", "b"}));
    EXPECT_EQ(DecouperLigneCommande(QStringLiteral("\\\\\\\\\"x y\"")), (QStringList{"\\\\x y"}));
}

TEST(TrouverProgramme, OrdreDeRechercheEtCasse) {
    factices::Machine machine;
    const QString programme = machine.DossierProgramme();
    EcrireProgramme(programme + "/sleep", "#!/bin/sh\n");
    EcrireProgramme(machine.Natif("C:\\WINDOWS\\SYSTEM32\\XCOPY.EXE"), "#!/bin/sh\n");
    EcrireProgramme(machine.Natif("C:\\WINDOWS\\SYSTEM32\\double.exe"), "#!/bin/sh\n");
    EcrireProgramme(programme + "/Double.exe", "#!/bin/sh\n");
    EcrireProgramme(machine.Natif("C:\\WINDOWS\\notepad.exe"), "#!/bin/sh\n");

    // The program's folder comes before PATH, the system folder before the Windows folder.
    EXPECT_EQ(TrouverProgramme("sleep"), programme + "/sleep");
    EXPECT_EQ(TrouverProgramme("DOUBLE"), programme + "/Double.exe");
    EXPECT_EQ(TrouverProgramme("xcopy"), machine.Natif("C:\\WINDOWS\\SYSTEM32\\XCOPY.EXE"));
    EXPECT_EQ(TrouverProgramme("Xcopy.Exe"), machine.Natif("C:\\WINDOWS\\SYSTEM32\\XCOPY.EXE"));
    EXPECT_EQ(TrouverProgramme("NOTEPAD"), machine.Natif("C:\\WINDOWS\\notepad.exe"));
    // Then PATH.
    const QString sh = TrouverProgramme("sh");
    EXPECT_TRUE(sh.endsWith("/sh")) << qPrintable(sh);
    EXPECT_TRUE(QFileInfo(sh).isExecutable());
    EXPECT_TRUE(TrouverProgramme("programme-absent-de-partout").isEmpty());
    EXPECT_TRUE(TrouverProgramme("").isEmpty());
}

TEST(TrouverProgramme, CheminDonneEtFichierNonExecutable) {
    factices::Machine machine;
    EcrireProgramme(machine.Natif("C:\\Outils\\Copie.exe"), "#!/bin/sh\n");
    EXPECT_EQ(TrouverProgramme("C:\\Outils\\Copie.exe"), machine.Natif("C:\\Outils\\Copie.exe"));
    // ".exe" tried; the path is not looked for anywhere else.
    EXPECT_EQ(TrouverProgramme("C:\\Outils\\Copie"), machine.Natif("C:\\Outils\\Copie.exe"));
    EXPECT_TRUE(TrouverProgramme("D:\\Outils\\Copie.exe").isEmpty());
    EXPECT_TRUE(TrouverProgramme("C:\\Outils\\sh").isEmpty());

    // A file that cannot be run is no program: the search goes on.
    QFile texte(machine.DossierProgramme() + "/sh");
    ASSERT_TRUE(texte.open(QIODevice::WriteOnly));
    texte.close();
    EXPECT_NE(TrouverProgramme("sh"), machine.DossierProgramme() + "/sh");
    EXPECT_FALSE(TrouverProgramme("sh").isEmpty());
}

// The program's folder has a blank in its name and its programs are started unquoted
// (ROBOCOPY's command line): the line is read as Windows reads it.
TEST(AnalyserLigneCommande, CheminDeProgrammeAvecBlancsSansGuillemets) {
    factices::Machine machine;
    const QString copie = machine.DossierProgramme() + "/copie.exe";
    EcrireProgramme(copie, "#!/bin/sh\n");
    const auto analyser = plateforme::AnalyserLigneCommande;

    plateforme::LigneAnalysee l =
        analyser(QStringLiteral("  C:\\Program Files\\Zelvano\\copie.exe P:\\a \"C:\\b c\" /E"));
    EXPECT_EQ(l.programme, copie);
    EXPECT_EQ(l.arguments, (QStringList{"P:\\a", "C:\\b c", "/E"}));
    // ".exe" added to the candidates too; without arguments.
    l = analyser(QStringLiteral("C:\\Program Files\\Zelvano\\copie"));
    EXPECT_EQ(l.programme, copie);
    EXPECT_TRUE(l.arguments.isEmpty());
    // Quoted, as a careful caller writes it.
    l = analyser(QStringLiteral("\"C:\\Program Files\\Zelvano\\copie.exe\" x"));
    EXPECT_EQ(l.programme, copie);
    EXPECT_EQ(l.arguments, QStringList{"x"});
    // The shortest start that names a program wins, whatever follows.
    EcrireProgramme(machine.Natif("C:\\Program.exe"), "#!/bin/sh\n");
    l = analyser(QStringLiteral("C:\\Program Files\\Zelvano\\copie.exe x"));
    EXPECT_EQ(l.programme, machine.Natif("C:\\Program.exe"));
    EXPECT_EQ(l.arguments, (QStringList{"Files\\Zelvano\\copie.exe", "x"}));
    // Nothing found: no program, whatever the length tried.
    EXPECT_TRUE(analyser(QStringLiteral("C:\\Autre dossier\\copie.exe x")).programme.isEmpty());
    EXPECT_TRUE(analyser(QStringLiteral("   ")).programme.isEmpty());
}

TEST(ProcessusPosix, ArgumentsEnvironnementEtDescripteurs) {
    factices::Machine machine;
    const QString sortie = machine.Racine() + "/sortie.txt";
    EcrireProgramme(machine.DossierProgramme() + "/montrer_args",
                    "#!/bin/sh\n"
                    "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$SORTIE_TEST\"\n"
                    "printf 'machine=%s\\n' \"$ZELVANO_MACHINE\" >> \"$SORTIE_TEST\"\n"
                    "if [ -e /proc/$$/fd/57 ]; then echo fd57=ouvert; else echo fd57=ferme; fi"
                    " >> \"$SORTIE_TEST\"\n"
                    "if read ligne; then echo \"stdin=$ligne\"; else echo stdin=vide; fi"
                    " >> \"$SORTIE_TEST\"\n");
    qputenv("SORTIE_TEST", QFile::encodeName(sortie));
    // A descriptor without close-on-exec, as a lock file or a log could be.
    const int fd = open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(dup2(fd, 57), 57);

    // Something waiting on our standard input, which the child must not read.
    int tube[2];
    ASSERT_EQ(pipe(tube), 0);
    ASSERT_EQ(write(tube[1], "secret\n", 7), 7);
    const int entreeSauvee = dup(STDIN_FILENO);
    dup2(tube[0], STDIN_FILENO);

    const qint64 pid = ProcessusPosix().Demarrer(
        QStringLiteral("montrer_args \"a b\" c\\\"d \"e\\\\\" \"\" é"), 0);
    dup2(entreeSauvee, STDIN_FILENO);
    for (int d : {entreeSauvee, tube[0], tube[1], 57, fd}) {
        close(d);
    }
    qunsetenv("SORTIE_TEST");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(AttendreFin(pid));
    QFile f(sortie);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "[a b]\n[c\"d]\n[e\\]\n[]\n[é]\nmachine=" +
                                                  machine.Racine() + "\nfd57=ferme\nstdin=vide\n");
}

TEST(ProcessusPosix, ImpossibleADemarrer) {
    factices::Machine machine;
    QFile texte(machine.DossierProgramme() + "/donnees.exe");
    ASSERT_TRUE(texte.open(QIODevice::WriteOnly));
    texte.close();
    EXPECT_EQ(ProcessusPosix().Demarrer("programme-absent-de-partout.exe /x", 1), 0);
    EXPECT_EQ(ProcessusPosix().Demarrer("   ", 0), 0);
    EXPECT_EQ(ProcessusPosix().Demarrer("donnees.exe", 0), 0);
}

TEST(ProcessusPosix, ExisteEtRecolte) {
    const qint64 pid = ProcessusPosix().Demarrer("sleep 30", 0);
    ASSERT_GT(pid, 0);
    EnfantTue garde{pid};
    EXPECT_TRUE(ProcessusPosix().Existe(pid));
    EXPECT_TRUE(ProcessusPosix().Existe(pid));
    kill(static_cast<pid_t>(pid), SIGTERM);
    ASSERT_TRUE(AttendreFin(pid));
    // Reaped: no zombie left behind, and it stays ended.
    int etat = 0;
    const pid_t r = waitpid(static_cast<pid_t>(pid), &etat, WNOHANG);
    const int e = errno;
    EXPECT_EQ(r, -1);
    EXPECT_EQ(e, ECHILD);
    EXPECT_FALSE(ProcessusPosix().Existe(pid));
    garde.pid = 0;

    // Processes that are not our children.
    EXPECT_TRUE(ProcessusPosix().Existe(getpid()));
    EXPECT_TRUE(ProcessusPosix().Existe(getppid()));
    EXPECT_FALSE(ProcessusPosix().Existe(0x3FFFFFF0));
    EXPECT_FALSE(ProcessusPosix().Existe(0));
}

TEST(ListeTaches, EnfantReelNomEtLigneLesPlusRecentsDAbord) {
    factices::Machine machine;
    EcrireProgramme(machine.DossierProgramme() + "/attendre",
                    "#!/bin/sh\nwhile :; do sleep 0.1; done >/dev/null 2>&1\n");
    const qint64 premier = ProcessusPosix().Demarrer("sleep 30", 0);
    EnfantTue g1{premier};
    ASSERT_GT(premier, 0);
    QThread::msleep(30); // a later start time
    const QString long500(500, QLatin1Char('x'));
    const qint64 second = ProcessusPosix().Demarrer("attendre " + long500, 0);
    EnfantTue g2{second};
    ASSERT_GT(second, 0);

    QList<plateforme::Tache> taches;
    QElapsedTimer t;
    t.start();
    // posix_spawn returns once the program runs, but the script's command line is set by exec.
    do {
        taches = plateforme::ListeTaches();
    } while ((Trouver(taches, second) == nullptr ||
              !Trouver(taches, second)->ligneCommande.contains("attendre")) &&
             t.elapsed() < 5000);

    const plateforme::Tache* p = Trouver(taches, premier);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->nom, "sleep");
    EXPECT_TRUE(p->ligneCommande.endsWith("/sleep 30")) << qPrintable(p->ligneCommande);
    const plateforme::Tache* s = Trouver(taches, second);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->ligneCommande.size(), 300);
    EXPECT_TRUE(s->ligneCommande.contains(machine.DossierProgramme() + "/attendre xxx"));
    EXPECT_LT(Rang(taches, second), Rang(taches, premier));
    EXPECT_NE(Trouver(taches, getpid()), nullptr);
}

TEST(ListeTaches, ProcessusTerminesNonListes) {
    const qint64 pid = ProcessusPosix().Demarrer("true", 0);
    ASSERT_GT(pid, 0);
    // Ended but not yet reaped: a zombie is no running task.
    QElapsedTimer t;
    t.start();
    bool zombie = false;
    while (!zombie && t.elapsed() < 5000) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        zombie = stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
        if (!zombie) {
            QThread::msleep(5);
        }
    }
    ASSERT_TRUE(zombie);
    EXPECT_EQ(Trouver(plateforme::ListeTaches(), pid), nullptr);
    EXPECT_FALSE(ProcessusPosix().Existe(pid));
}
