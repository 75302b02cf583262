#include "platform/chemins.h"
#include "platform/fichiers.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using plateforme::CheminNatif;

class Chemins : public ::testing::Test {
protected:
    factices::Machine machine;
    QString racine = machine.Racine();

    void Creer(const QString& relatif) const { ASSERT_TRUE(QDir().mkpath(racine + relatif)); }
};

TEST_F(Chemins, LecteursTraduits) {
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb")),
              racine + QStringLiteral("/drives/C/zelvano/bd/zelvano.mdb"));
    EXPECT_EQ(CheminNatif(QStringLiteral("p:")), racine + QStringLiteral("/drives/P"));
    EXPECT_EQ(CheminNatif(QStringLiteral("P:\\")), racine + QStringLiteral("/drives/P"));
    EXPECT_EQ(CheminNatif(QStringLiteral("d:/a/b")), racine + QStringLiteral("/drives/D/a/b"));
    // Repeated separators and a final one are dropped; "." and ".." go by name, never above the
    // root of the drive.
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\\\a\\\\\\b\\")),
              racine + QStringLiteral("/drives/C/a/b"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\a\\.\\..\\b")),
              racine + QStringLiteral("/drives/C/b"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\..\\..\\b")), racine + QStringLiteral("/drives/C/b"));
}

TEST_F(Chemins, PartagesEtCheminsNatifs) {
    EXPECT_EQ(CheminNatif(QStringLiteral("\\\\serveur\\zelvano\\bd\\x.mdb")),
              racine + QStringLiteral("/unc/serveur/zelvano/bd/x.mdb"));
    EXPECT_EQ(
        CheminNatif(QStringLiteral("\\\\serveur\\zelvano")),
        plateforme::Machine::DossierPartage(QStringLiteral("serveur"), QStringLiteral("zelvano")));
    EXPECT_EQ(CheminNatif(QStringLiteral("/opt/prog") + QStringLiteral("\\synchro.log")),
              QStringLiteral("/opt/prog/synchro.log"));
    EXPECT_EQ(CheminNatif(QStringLiteral("/opt///prog/")), QStringLiteral("/opt/prog"));
    EXPECT_EQ(CheminNatif(QStringLiteral("relatif\\x.txt")), QStringLiteral("relatif/x.txt"));
}

TEST_F(Chemins, CasseIgnoreeCommeSousWindows) {
    Creer(QStringLiteral("/drives/C/Zelvano/BD"));
    machine.EcrireFichier(QStringLiteral("C:\\Zelvano\\BD\\Zelvano.mdb"), "x");
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\ZELVANO\\bd\\zelvano.MDB")),
              racine + QStringLiteral("/drives/C/Zelvano/BD/Zelvano.mdb"));
    // From the first name that matches nothing, the rest is kept as given.
    EXPECT_EQ(CheminNatif(QStringLiteral("c:\\zelvano\\Nouveau\\bd\\F.txt")),
              racine + QStringLiteral("/drives/C/Zelvano/Nouveau/bd/F.txt"));
    // Accented names too.
    Creer(QStringLiteral("/drives/C/Écrits"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\écrits")),
              racine + QStringLiteral("/drives/C/Écrits"));
    // Shares as well.
    Creer(QStringLiteral("/unc/Serveur/Zelvano"));
    EXPECT_EQ(CheminNatif(QStringLiteral("\\\\SERVEUR\\zelvano\\x")),
              racine + QStringLiteral("/unc/Serveur/Zelvano/x"));
    // Native paths (the program's folder) too.
    const QString prog = machine.DossierProgramme();
    QFile f(prog + QStringLiteral("/synchro.log"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    EXPECT_EQ(CheminNatif(prog + QStringLiteral("\\SYNCHRO.LOG")),
              prog + QStringLiteral("/synchro.log"));
}

// Names found without regard to case are remembered per folder; changes made behind the layer's
// back must show at once, within the same clock tick.
TEST_F(Chemins, NomsRetenusSuiventLesChangements) {
    const QString d = racine + QStringLiteral("/drives/C/Lettres");
    Creer(QStringLiteral("/drives/C/Lettres"));
    for (int i = 0; i < 50; ++i) {
        QFile f(d + QStringLiteral("/L%1.doc").arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\l7.DOC")), d + QStringLiteral("/L7.doc"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\neuf.doc")),
              d + QStringLiteral("/neuf.doc"));

    // The folder's time put back as it was: a change within the same clock tick.
    struct stat avant {};
    ASSERT_EQ(::stat(QFile::encodeName(d).constData(), &avant), 0);
    QFile neuf(d + QStringLiteral("/Neuf.DOC"));
    ASSERT_TRUE(neuf.open(QIODevice::WriteOnly));
    neuf.close();
    const struct timespec temps[2] = {avant.st_atim, avant.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(d).constData(), temps, 0), 0);
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\neuf.doc")),
              d + QStringLiteral("/Neuf.DOC"));
    ASSERT_TRUE(QFile::rename(d + QStringLiteral("/Neuf.DOC"), d + QStringLiteral("/Autre.doc")));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\neuf.doc")),
              d + QStringLiteral("/neuf.doc"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\AUTRE.doc")),
              d + QStringLiteral("/Autre.doc"));
    ASSERT_TRUE(QFile::remove(d + QStringLiteral("/Autre.doc")));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\AUTRE.doc")),
              d + QStringLiteral("/AUTRE.doc"));

    // The folder itself replaced by another of the same name.
    ASSERT_TRUE(QDir(d).removeRecursively());
    Creer(QStringLiteral("/drives/C/Lettres"));
    QFile seul(d + QStringLiteral("/Seul.doc"));
    ASSERT_TRUE(seul.open(QIODevice::WriteOnly));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\l7.DOC")), d + QStringLiteral("/l7.DOC"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\lettres\\SEUL.doc")),
              d + QStringLiteral("/Seul.doc"));
}

TEST_F(Chemins, LaCasseExacteGagne) {
    Creer(QStringLiteral("/drives/C/a"));
    Creer(QStringLiteral("/drives/C/A"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\a")), racine + QStringLiteral("/drives/C/a"));
    EXPECT_EQ(CheminNatif(QStringLiteral("C:\\A")), racine + QStringLiteral("/drives/C/A"));
}

TEST_F(Chemins, LecteursLiesEtLiensMorts) {
    Creer(QStringLiteral("/unc/srv/part/Zelvano"));
    Creer(QStringLiteral("/drives"));
    ASSERT_TRUE(QFile::link(racine + QStringLiteral("/unc/srv/part"),
                            racine + QStringLiteral("/drives/P")));
    EXPECT_TRUE(plateforme::DossierExiste(QStringLiteral("P:\\zelvano")));
    EXPECT_EQ(CheminNatif(QStringLiteral("P:\\ZELVANO")),
              racine + QStringLiteral("/drives/P/Zelvano"));

    ASSERT_TRUE(
        QFile::link(racine + QStringLiteral("/nulle/part"), racine + QStringLiteral("/drives/Q")));
    EXPECT_FALSE(plateforme::DossierExiste(QStringLiteral("Q:\\")));
    EXPECT_FALSE(plateforme::DossierExiste(QStringLiteral("Q:\\zelvano")));
    EXPECT_EQ(CheminNatif(QStringLiteral("Q:\\Zelvano\\bd")),
              racine + QStringLiteral("/drives/Q/Zelvano/bd"));
    EXPECT_FALSE(plateforme::DossierExiste(QStringLiteral("R:\\")));
}

TEST_F(Chemins, DossiersDeLaMachine) {
    ASSERT_TRUE(QDir(racine + QStringLiteral("/drives/C")).removeRecursively());
    plateforme::Machine::Racine();
    EXPECT_TRUE(QFileInfo(racine + QStringLiteral("/drives/C")).isDir());

    EXPECT_EQ(plateforme::DossierWindows(), QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(plateforme::DossierSysteme(), QStringLiteral("C:\\WINDOWS\\SYSTEM32"));
    const QString temp = plateforme::DossierTemporaire();
    EXPECT_TRUE(temp.startsWith(QStringLiteral("C:\\")));
    EXPECT_TRUE(temp.endsWith(QLatin1Char('\\')));
    EXPECT_TRUE(QFileInfo(CheminNatif(temp)).isDir());
    EXPECT_TRUE(QFileInfo(CheminNatif(plateforme::DossierMesDocuments())).isDir());
    EXPECT_EQ(plateforme::DossierProgramme(), QStringLiteral("C:\\Program Files\\Zelvano"));
    EXPECT_EQ(CheminNatif(plateforme::DossierProgramme()),
              racine + QStringLiteral("/drives/C/Program Files/Zelvano"));
}

} // namespace
