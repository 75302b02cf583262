#include "platform/chemins.h"
#include "platform/erreur.h"
#include "testutil/factices.h"
#include "tools/vod_outils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child process that holds a lock on a file (POSIX record lock or flock) until released.
class VerrouEnfant {
public:
    VerrouEnfant(const QString& natif, bool avecFlock) {
        const QByteArray chemin = QFile::encodeName(natif);
        if (::pipe(pret_) != 0 || ::pipe(fin_) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(chemin.constData(), O_RDWR);
            struct flock l {};
            l.l_type = F_WRLCK;
            l.l_whence = SEEK_SET;
            const bool pris =
                fd >= 0 && (avecFlock ? ::flock(fd, LOCK_EX) == 0 : ::fcntl(fd, F_SETLK, &l) == 0);
            const char ok = pris ? '1' : '0';
            (void)!::write(pret_[1], &ok, 1);
            char c = 0;
            (void)!::read(fin_[0], &c, 1);
            ::_exit(0);
        }
        char ok = 0;
        tient_ = ::read(pret_[0], &ok, 1) == 1 && ok == '1';
    }
    ~VerrouEnfant() {
        if (pid_ > 0) {
            (void)!::write(fin_[1], "x", 1);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {pret_[0], pret_[1], fin_[0], fin_[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    bool Tient() const { return tient_; }

private:
    int pret_[2] = {-1, -1};
    int fin_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool tient_ = false;
};

// Whether another process sees a write lock on the file (the test's own locks included).
bool VuVerrouille(const QString& natif) {
    const QByteArray chemin = QFile::encodeName(natif);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(chemin.constData(), O_RDWR);
        struct flock l {};
        l.l_type = F_WRLCK;
        l.l_whence = SEEK_SET;
        ::_exit(fd >= 0 && ::fcntl(fd, F_GETLK, &l) == 0 && l.l_type != F_UNLCK ? 1 : 0);
    }
    int etat = 0;
    ::waitpid(pid, &etat, 0);
    return WIFEXITED(etat) && WEXITSTATUS(etat) == 1;
}

} // namespace

TEST(CompterFichiers, ArborescenceAvecCachesEtLiens) {
    factices::Machine machine;
    VOD_Outils o;
    qint32 fichiers = 3;
    qint32 dossiers = 4;
    machine.EcrireFichier("C:\\arbre\\lisezmoi", "1");
    o.CompterFichiers("C:\\arbre\\lisezmoi", fichiers, dossiers);
    o.CompterFichiers("C:\\absent", fichiers, dossiers);
    EXPECT_EQ(fichiers, 3);
    EXPECT_EQ(dossiers, 4);

    machine.EcrireFichier("C:\\arbre\\a.txt", "1");
    machine.EcrireFichier("C:\\arbre\\.cache", "1");
    machine.EcrireFichier("C:\\arbre\\bd\\zelvano.mdb", "1");
    machine.EcrireFichier("C:\\arbre\\bd\\anciens\\2025.mdb", "1");
    machine.EcrireFichier("C:\\arbre\\bd\\anciens\\.verrou", "1");
    QDir().mkpath(machine.Natif("C:\\arbre\\vide"));
    // A hidden folder is not listed, neither is what it holds.
    machine.EcrireFichier("C:\\arbre\\.git\\config", "1");
    // A link back up the tree is a folder, but it is not followed round.
    ASSERT_EQ(
        ::symlink("..", QFile::encodeName(machine.Natif("C:\\arbre\\bd\\parent")).constData()), 0);
    o.CompterFichiers("C:\\arbre", fichiers, dossiers);
    // lisezmoi, a.txt, .cache, zelvano.mdb, 2025.mdb, .verrou; bd, vide, anciens, parent.
    EXPECT_EQ(fichiers, 3 + 6);
    EXPECT_EQ(dossiers, 4 + 4);
    // The trailing backslash changes nothing.
    fichiers = dossiers = 0;
    o.CompterFichiers("C:\\arbre\\bd\\anciens\\", fichiers, dossiers);
    EXPECT_EQ(fichiers, 2);
    EXPECT_EQ(dossiers, 0);
}

TEST(EnCoursUtilisation, LibreCreeOuRefuse) {
    factices::Machine machine;
    VOD_Outils o;
    // Missing: created empty, free.
    EXPECT_FALSE(o.EnCoursUtilisation("C:\\nouveau.txt", 3));
    ASSERT_TRUE(QFileInfo(machine.Natif("C:\\nouveau.txt")).isFile());
    EXPECT_EQ(QFileInfo(machine.Natif("C:\\nouveau.txt")).size(), 0);
    // Existing: left as it is.
    machine.EcrireFichier("C:\\bd\\zelvano.mdb", "contenu");
    EXPECT_FALSE(o.EnCoursUtilisation("c:\\BD\\zelvano.mdb", 3));
    EXPECT_EQ(machine.LireFichier("C:\\bd\\zelvano.mdb"), "contenu");
    // A path that cannot be opened.
    EXPECT_TRUE(o.EnCoursUtilisation("C:\\dossier\\absent\\f.txt", 3));
    EXPECT_FALSE(QFileInfo(machine.Natif("C:\\dossier")).exists());
    EXPECT_TRUE(o.EnCoursUtilisation("C:\\bd", 3));
    EXPECT_TRUE(o.EnCoursUtilisation("Q:\\f.txt", 3));
}

TEST(EnCoursUtilisation, VerrousDesAutresSeulement) {
    factices::Machine machine;
    VOD_Outils o;
    machine.EcrireFichier("C:\\bd\\zelvano.mdb", "base");
    const QString natif = machine.Natif("C:\\bd\\zelvano.mdb");
    for (bool avecFlock : {false, true}) {
        {
            VerrouEnfant autre(natif, avecFlock);
            ASSERT_TRUE(autre.Tient()) << avecFlock;
            EXPECT_TRUE(o.EnCoursUtilisation("C:\\bd\\zelvano.mdb", 1)) << avecFlock;
        }
        EXPECT_FALSE(o.EnCoursUtilisation("C:\\bd\\zelvano.mdb", 1)) << avecFlock;
    }
    // A lock of this process (an open database) is neither reported nor dropped by the check.
    const int fd = ::open(QFile::encodeName(natif).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock l {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &l), 0);
    EXPECT_FALSE(o.EnCoursUtilisation("C:\\bd\\zelvano.mdb", 1));
    EXPECT_TRUE(VuVerrouille(natif));
    ::close(fd);
    EXPECT_FALSE(VuVerrouille(natif));
}

TEST(AjouterAuJournal, LignesAvecOuSansHeureEtErreursIgnorees) {
    factices::Environnement env;
    VOD_Outils o;
    const QString journal = QStringLiteral("C:\\journaux\\outils.log");
    QDir().mkpath(env.machine.Natif("C:\\journaux"));
    o.AjouterAuJournal(QStringLiteral("Démarrage"), journal, true, 1);
    o.AjouterAuJournal(QString(), journal, true, 1);
    o.AjouterAuJournal(QStringLiteral("suite"), journal, false, 1);
    o.AjouterAuJournal(QString(), journal, false, 1);
    EXPECT_EQ(QString::fromUtf8(env.machine.LireFichier(journal)),
              "07/12/2026 14:05:09Démarrage\r\n\r\nsuite\r\n\r\n");
    // A file that cannot be opened: nothing written, nothing raised.
    EXPECT_NO_THROW(o.AjouterAuJournal(QStringLiteral("x"), "C:\\absent\\a.log", true, 1));
    EXPECT_NO_THROW(o.AjouterAuJournal(QStringLiteral("x"), "C:\\journaux", false, 1));
    EXPECT_FALSE(QFileInfo::exists(env.machine.Natif("C:\\absent")));
}

TEST(SuppressionDossier, ToutCeQuiEstDessousSansErreur) {
    factices::Machine machine;
    VOD_Outils o;
    machine.EcrireFichier("C:\\tmp\\copie\\a.txt", "1");
    machine.EcrireFichier("C:\\tmp\\copie\\sous\\.cache", "1");
    machine.EcrireFichier("C:\\garde\\b.txt", "1");
    // A link inside goes, what it points at stays.
    ASSERT_EQ(::symlink(QFile::encodeName(machine.Natif("C:\\garde")).constData(),
                        QFile::encodeName(machine.Natif("C:\\tmp\\copie\\lien")).constData()),
              0);
    o.SuppressionDossier("c:\\TMP\\copie");
    EXPECT_FALSE(QFileInfo::exists(machine.Natif("C:\\tmp\\copie")));
    EXPECT_TRUE(QFileInfo::exists(machine.Natif("C:\\garde\\b.txt")));
    EXPECT_NO_THROW(o.SuppressionDossier("C:\\tmp\\absent"));
    // An empty name would be the current folder.
    const QString avant = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(machine.Natif("C:\\garde")));
    o.SuppressionDossier(QString());
    o.SuppressionDossier(QStringLiteral("  "));
    EXPECT_TRUE(QFileInfo::exists(machine.Natif("C:\\garde\\b.txt")));
    QDir::setCurrent(avant);
}

TEST(LireFichierBinaire, OctetsBrutsOuErreur) {
    factices::Machine machine;
    VOD_Outils o;
    const QByteArray octets("\x00\xff\r\n\xe9t\xe9", 7);
    machine.EcrireFichier("C:\\objets\\photo.jpg", octets);
    EXPECT_EQ(o.LireFichierBinaire("C:\\OBJETS\\photo.jpg", 2), octets);
    machine.EcrireFichier("C:\\objets\\vide.bin", QByteArray());
    EXPECT_EQ(o.LireFichierBinaire("C:\\objets\\vide.bin", 2), QByteArray());
    const auto numero = [&](const QString& chemin) {
        try {
            o.LireFichierBinaire(chemin, 2);
        } catch (const plateforme::Erreur& e) {
            return e.Number();
        }
        return 0;
    };
    EXPECT_EQ(numero("C:\\objets\\absent.jpg"), 53);
    EXPECT_EQ(numero("C:\\absent\\absent.jpg"), 76);
    EXPECT_EQ(numero("C:\\objets"), 75);
}
