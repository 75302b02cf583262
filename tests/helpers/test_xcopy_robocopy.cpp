#include "testutil/factices.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

struct Resultat {
    int code = -1;
    QString sortie;
};

// The stand-in copy programs, run as real children on a temporary machine.
class ProgrammesCopie : public ::testing::Test {
protected:
    factices::Machine machine;

    QProcessEnvironment Environnement() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZELVANO_MACHINE"), machine.Racine());
        return env;
    }

    QString Programme(const char* nom) const {
        return factices::DossierBinaires() + QLatin1Char('/') + QLatin1String(nom);
    }

    Resultat Lancer(const char* programme, const QStringList& arguments,
                    const QByteArray& entree = {}) const {
        QProcess p;
        p.setProcessEnvironment(Environnement());
        p.start(Programme(programme), arguments);
        Resultat r;
        if (!p.waitForStarted(10000)) {
            ADD_FAILURE() << "cannot start " << programme;
            return r;
        }
        p.write(entree);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) {
            ADD_FAILURE() << programme << " did not end";
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.sortie = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return r;
    }

    void Ecrire(const QString& w, const QByteArray& contenu, qint64 ecritureMs = 0) const {
        machine.EcrireFichier(w, contenu);
        if (ecritureMs != 0) {
            QFile f(machine.Natif(w));
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(QDateTime::fromMSecsSinceEpoch(ecritureMs),
                                      QFileDevice::FileModificationTime));
        }
    }
    QByteArray Lire(const QString& w) const { return machine.LireFichier(w); }
    bool Existe(const QString& w) const { return QFileInfo::exists(machine.Natif(w)); }
    qint64 Ecriture(const QString& w) const {
        return QFileInfo(machine.Natif(w))
            .fileTime(QFileDevice::FileModificationTime)
            .toMSecsSinceEpoch();
    }
    ino_t Inode(const QString& w) const {
        struct stat st {};
        return ::stat(QFile::encodeName(machine.Natif(w)).constData(), &st) == 0 ? st.st_ino : 0;
    }
    // Every entry below a folder, hidden ones included (temporary files would show here).
    QStringList Entrees(const QString& w) const {
        QStringList noms;
        const QString racine = machine.Natif(w);
        QDirIterator it(racine, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            noms.append(QDir(racine).relativeFilePath(it.next()));
        }
        noms.sort();
        return noms;
    }

    // a.txt, b.txt, hidden .h, a non-empty subfolder, an empty one.
    void Source() const {
        Ecrire(QStringLiteral("C:\\src\\a.txt"), "aaa", 1700000000123);
        Ecrire(QStringLiteral("C:\\src\\b.txt"), "bbbb", 1700000500000);
        Ecrire(QStringLiteral("C:\\src\\.h"), "cache");
        Ecrire(QStringLiteral("C:\\src\\sous\\c.txt"), "ccc", 1690000000000);
        QDir().mkpath(machine.Natif(QStringLiteral("C:\\src\\vide\\encore")));
    }
};

TEST_F(ProgrammesCopie, XcCopieFichiersEtSousDossiersNonVides) {
    Source();
    const Resultat r =
        Lancer("xcopy.exe", {QStringLiteral("/Y"), QStringLiteral("C:\\src"), QStringLiteral("/R"),
                             QStringLiteral("C:\\dst"), QStringLiteral("/S")});
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_TRUE(r.sortie.contains(QStringLiteral("3 fichier(s) copié(s)"))) << qPrintable(r.sortie);
    EXPECT_EQ(Entrees(QStringLiteral("C:\\dst")),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("sous"),
                           QStringLiteral("sous/c.txt")}));
    for (const char* f : {"a.txt", "b.txt", "sous\\c.txt"}) {
        const QString s = QStringLiteral("C:\\src\\") + QLatin1String(f);
        const QString d = QStringLiteral("C:\\dst\\") + QLatin1String(f);
        EXPECT_EQ(Lire(d), Lire(s)) << f;
        EXPECT_EQ(Ecriture(d), Ecriture(s)) << f;
    }
    // Without /S only the top-level files; nothing to copy gives 1; no source gives 4.
    EXPECT_EQ(Lancer("xcopy.exe",
                     {QStringLiteral("C:\\src"), QStringLiteral("C:\\top"), QStringLiteral("/Y")})
                  .code,
              0);
    EXPECT_EQ(Entrees(QStringLiteral("C:\\top")),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    QDir().mkpath(machine.Natif(QStringLiteral("C:\\vide")));
    EXPECT_EQ(Lancer("xcopy.exe",
                     {QStringLiteral("C:\\vide"), QStringLiteral("C:\\x"), QStringLiteral("/Y")})
                  .code,
              1);
    EXPECT_EQ(Lancer("xcopy.exe",
                     {QStringLiteral("C:\\absent"), QStringLiteral("C:\\x"), QStringLiteral("/Y")})
                  .code,
              4);
    // An unquoted path with a blank makes too many parameters.
    EXPECT_EQ(Lancer("xcopy.exe",
                     {QStringLiteral("/Y"), QStringLiteral("C:\\mes"), QStringLiteral("docs"),
                      QStringLiteral("C:\\dst"), QStringLiteral("/S")})
                  .code,
              4);
    EXPECT_EQ(Lancer("xcopy.exe",
                     {QStringLiteral("C:\\src"), QStringLiteral("C:\\x"), QStringLiteral("/Z")})
                  .code,
              4);
}

TEST_F(ProgrammesCopie, XcLectureSeuleEtQuestion) {
    Source();
    Ecrire(QStringLiteral("C:\\dst\\a.txt"), "protégé");
    QFile::setPermissions(machine.Natif(QStringLiteral("C:\\dst\\a.txt")), QFileDevice::ReadOwner);
    Resultat r = Lancer(
        "xcopy.exe", {QStringLiteral("C:\\src"), QStringLiteral("C:\\dst"), QStringLiteral("/Y")});
    EXPECT_EQ(r.code, 5) << qPrintable(r.sortie);
    EXPECT_TRUE(r.sortie.contains(QStringLiteral("Accès refusé")));
    EXPECT_EQ(Lire(QStringLiteral("C:\\dst\\a.txt")), "protégé");

    r = Lancer("xcopy.exe", {QStringLiteral("C:\\src"), QStringLiteral("C:\\dst"),
                             QStringLiteral("/Y"), QStringLiteral("/R")});
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_EQ(Lire(QStringLiteral("C:\\dst\\a.txt")), "aaa");
    EXPECT_TRUE(QFileInfo(machine.Natif(QStringLiteral("C:\\dst\\a.txt"))).permissions() &
                QFileDevice::WriteOwner);

    // Without /Y the question is asked: "N" keeps the file, "O" replaces it.
    Ecrire(QStringLiteral("C:\\dst\\b.txt"), "local");
    r = Lancer("xcopy.exe", {QStringLiteral("C:\\src\\b.txt"), QStringLiteral("C:\\dst")}, "N\n");
    EXPECT_TRUE(r.sortie.contains(QStringLiteral("Remplacer"))) << qPrintable(r.sortie);
    EXPECT_EQ(Lire(QStringLiteral("C:\\dst\\b.txt")), "local");
    Lancer("xcopy.exe", {QStringLiteral("C:\\src\\b.txt"), QStringLiteral("C:\\dst")}, "O\n");
    EXPECT_EQ(Lire(QStringLiteral("C:\\dst\\b.txt")), "bbbb");
}

// Killed at any moment, a copy leaves every file either absent or whole under its name.
TEST_F(ProgrammesCopie, XcInterrompuNeLaissePasDeFichierTronque) {
    const QByteArray gros(6 << 20, 'z');
    for (int i = 0; i < 12; ++i) {
        Ecrire(QStringLiteral("C:\\src\\f%1.bin").arg(i, 2, 10, QLatin1Char('0')), gros);
    }
    int interrompues = 0;
    for (int attente : {5, 20, 60}) {
        QDir(machine.Natif(QStringLiteral("C:\\dst"))).removeRecursively();
        QProcess p;
        p.setProcessEnvironment(Environnement());
        p.start(Programme("xcopy.exe"),
                {QStringLiteral("C:\\src"), QStringLiteral("C:\\dst"), QStringLiteral("/Y")});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(attente));
        p.kill();
        p.waitForFinished();
        const QDir dst(machine.Natif(QStringLiteral("C:\\dst")));
        const QFileInfoList copies = dst.entryInfoList(QDir::Files);
        for (const QFileInfo& f : copies) {
            EXPECT_EQ(f.size(), gros.size())
                << qPrintable(f.fileName()) << " after " << attente << " ms";
        }
        interrompues += copies.size() < 12 ? 1 : 0;
    }
    EXPECT_GT(interrompues, 0) << "no run was interrupted: the test proves nothing";
}

TEST_F(ProgrammesCopie, RoboNouveauxEtModifiesSeulement) {
    Source();
    const QStringList args{QStringLiteral("C:\\src"), QStringLiteral("C:\\dst"),
                           QStringLiteral("/E"), QStringLiteral("/R:0")};
    Resultat r = Lancer("robocopy.exe", args);
    EXPECT_EQ(r.code, 1) << qPrintable(r.sortie);
    EXPECT_EQ(Entrees(QStringLiteral("C:\\dst")),
              (QStringList{QStringLiteral(".h"), QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                           QStringLiteral("sous"), QStringLiteral("sous/c.txt"),
                           QStringLiteral("vide"), QStringLiteral("vide/encore")}));
    EXPECT_EQ(Ecriture(QStringLiteral("C:\\dst\\a.txt")), 1700000000123);
    EXPECT_EQ(Ecriture(QStringLiteral("C:\\dst\\sous\\c.txt")), 1690000000000);

    // Unchanged: nothing is rewritten.
    const ino_t avant = Inode(QStringLiteral("C:\\dst\\b.txt"));
    r = Lancer("robocopy.exe", args);
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_EQ(Inode(QStringLiteral("C:\\dst\\b.txt")), avant);

    // An older time, another size, an extra destination file left alone.
    Ecrire(QStringLiteral("C:\\src\\a.txt"), "aaa", 1600000000000);
    Ecrire(QStringLiteral("C:\\src\\sous\\c.txt"), "ccccc", 1690000000000);
    Ecrire(QStringLiteral("C:\\dst\\extra.txt"), "extra");
    r = Lancer("robocopy.exe", args);
    EXPECT_EQ(r.code, 3) << qPrintable(r.sortie);
    EXPECT_EQ(Ecriture(QStringLiteral("C:\\dst\\a.txt")), 1600000000000);
    EXPECT_EQ(Lire(QStringLiteral("C:\\dst\\sous\\c.txt")), "ccccc");
    EXPECT_EQ(Inode(QStringLiteral("C:\\dst\\b.txt")), avant);
    EXPECT_EQ(Lire(QStringLiteral("C:\\dst\\extra.txt")), "extra");
    EXPECT_FALSE(
        Entrees(QStringLiteral("C:\\dst")).join(QLatin1Char(' ')).contains(QStringLiteral(".tmp")));
}

TEST_F(ProgrammesCopie, RoboEchecsEtSousDossiers) {
    Source();
    // /S leaves the empty folders out.
    EXPECT_EQ(Lancer("robocopy.exe",
                     {QStringLiteral("C:\\src"), QStringLiteral("C:\\s"), QStringLiteral("/S")})
                  .code,
              1);
    EXPECT_FALSE(Existe(QStringLiteral("C:\\s\\vide")));
    EXPECT_TRUE(Existe(QStringLiteral("C:\\s\\sous\\c.txt")));

    // A file that cannot be written: no retry with /R:0, code 8, the others copied.
    QDir().mkpath(machine.Natif(QStringLiteral("C:\\d\\a.txt")));
    const Resultat r = Lancer("robocopy.exe", {QStringLiteral("C:\\src"), QStringLiteral("C:\\d"),
                                               QStringLiteral("/R:0")});
    EXPECT_EQ(r.code & 8, 8) << qPrintable(r.sortie);
    EXPECT_EQ(Lire(QStringLiteral("C:\\d\\b.txt")), "bbbb");

    EXPECT_EQ(Lancer("robocopy.exe", {QStringLiteral("C:\\absent"), QStringLiteral("C:\\d")}).code,
              16);
    EXPECT_EQ(Lancer("robocopy.exe",
                     {QStringLiteral("C:\\src"), QStringLiteral("C:\\d"), QStringLiteral("/ZZ")})
                  .code,
              16);
}

} // namespace
