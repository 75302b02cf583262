#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "testutil/conditions.h"
#include "testutil/copies_en_panne.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace err = plateforme::err;
using plateforme::CopierFichier;
using plateforme::ListerDossier;

// The error number raised by `f`, 0 when none.
int NumeroLeve(const std::function<void()>& f) {
    const plateforme::Erreur e = essais::ErreurDe(f);
    if (e.Number() != 0) {
        EXPECT_FALSE(e.Description().isEmpty());
    }
    return e.Number();
}

struct timespec Mtime(const QString& natif) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(natif).constData(), &st), 0);
    return st.st_mtim;
}

class Fichiers : public ::testing::Test {
protected:
    factices::Machine machine;

    void SetUp() override {
        machine.EcrireFichier(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"),
                              QByteArray(300000, 'r'));
        ASSERT_TRUE(QDir().mkpath(machine.Natif(QStringLiteral("C:\\zelvano\\bd"))));
    }

    // Entries of a native folder, hidden ones included.
    QStringList Entrees(const QString& cheminWindows) const {
        return QDir(machine.Natif(cheminWindows))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(Fichiers, CopieGardeLaDateALaNanoseconde) {
    const QString source = QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb");
    const QString cible = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
    const struct timespec t[2] = {{0, UTIME_OMIT}, {1700000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(machine.Natif(source)).constData(), t, 0), 0);
    machine.EcrireFichier(cible, "ancienne version");

    CopierFichier(source, cible);
    EXPECT_EQ(machine.LireFichier(cible), machine.LireFichier(source));
    const struct timespec m = Mtime(machine.Natif(cible));
    EXPECT_EQ(m.tv_sec, 1700000000);
    EXPECT_EQ(m.tv_nsec, 123456789);
    EXPECT_EQ(Entrees(QStringLiteral("C:\\zelvano\\bd")),
              QStringList{QStringLiteral("zelvano.mdb")});

    plateforme::TempsFichier temps;
    ASSERT_TRUE(plateforme::LireTempsFichier(cible, temps));
    EXPECT_EQ(temps.derniereEcriture, QDateTime::fromMSecsSinceEpoch(1700000000123LL, Qt::UTC));
    EXPECT_EQ(temps.derniereEcriture.timeSpec(), Qt::UTC);
    EXPECT_TRUE(temps.creation.isValid());
    EXPECT_TRUE(temps.dernierAcces.isValid());
}

TEST_F(Fichiers, CopieVideEtNomsSansEgardALaCasse) {
    machine.EcrireFichier(QStringLiteral("P:\\zelvano\\Vide.txt"), QByteArray());
    machine.EcrireFichier(QStringLiteral("C:\\zelvano\\bd\\ZELVANO.MDB"), "ancienne");
    CopierFichier(QStringLiteral("p:\\ZELVANO\\vide.TXT"), QStringLiteral("C:\\Zelvano\\vide.txt"));
    EXPECT_TRUE(QFileInfo::exists(machine.Racine() + QStringLiteral("/drives/C/zelvano/vide.txt")));
    // An existing name in another case is replaced, not doubled.
    CopierFichier(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"),
                  QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"));
    EXPECT_EQ(Entrees(QStringLiteral("C:\\zelvano\\bd")),
              QStringList{QStringLiteral("ZELVANO.MDB")});
    EXPECT_EQ(machine.LireFichier(QStringLiteral("C:\\zelvano\\bd\\ZELVANO.MDB")).size(), 300000);
}

TEST_F(Fichiers, ErreursDeCopie) {
    const QString cible = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
    EXPECT_EQ(
        NumeroLeve([&] { CopierFichier(QStringLiteral("P:\\zelvano\\bd\\absent.mdb"), cible); }),
        err::FichierIntrouvable);
    EXPECT_EQ(
        NumeroLeve([&] { CopierFichier(QStringLiteral("P:\\zelvano\\absent\\x.mdb"), cible); }),
        err::CheminIntrouvable);
    EXPECT_EQ(NumeroLeve([&] {
                  CopierFichier(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"),
                                QStringLiteral("C:\\absent\\x.mdb"));
              }),
              err::CheminIntrouvable);
    EXPECT_FALSE(QFileInfo::exists(machine.Natif(cible)));

    // A read-only destination is not replaced (FileCopy refuses it).
    machine.EcrireFichier(cible, "protégé");
    ASSERT_TRUE(QFile::setPermissions(machine.Natif(cible), QFileDevice::ReadOwner));
    EXPECT_EQ(
        NumeroLeve([&] { CopierFichier(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"), cible); }),
        err::PermissionRefusee);
    EXPECT_EQ(machine.LireFichier(cible), QByteArray("protégé"));
    EXPECT_EQ(Entrees(QStringLiteral("C:\\zelvano\\bd")).size(), 1);
}

TEST_F(Fichiers, SourceIllisibleOuDossierProtege) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not apply to root";
    }
    const QString source = QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb");
    ASSERT_TRUE(QFile::setPermissions(machine.Natif(source), QFileDevice::Permissions()));
    EXPECT_EQ(NumeroLeve([&] { CopierFichier(source, QStringLiteral("C:\\zelvano\\bd\\x.mdb")); }),
              err::PermissionRefusee);
    ASSERT_TRUE(QFile::setPermissions(machine.Natif(source),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const QString dossier = machine.Natif(QStringLiteral("C:\\zelvano\\bd"));
    ASSERT_TRUE(QFile::setPermissions(dossier, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_EQ(NumeroLeve([&] { CopierFichier(source, QStringLiteral("C:\\zelvano\\bd\\x.mdb")); }),
              err::PermissionRefusee);
    QFile::setPermissions(dossier,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void CrochetQuiLeve(const QString&, const QString&) {
    plateforme::Lever(err::ErreurEntreeSortie);
}

QString sourceQuiDisparait;
void CrochetQuiSupprime(const QString& source, const QString&) {
    sourceQuiDisparait = source;
    QFile::remove(plateforme::CheminNatif(source));
}

TEST_F(Fichiers, CopieInterrompueNeLaissePasDeFichierTronque) {
    const QString source = QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb");
    const QString cible = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
    machine.EcrireFichier(cible, "version locale");

    {
        const factices::CrochetCopie leve(CrochetQuiLeve);
        EXPECT_EQ(NumeroLeve([&] { CopierFichier(source, cible); }), err::ErreurEntreeSortie);
        EXPECT_EQ(machine.LireFichier(cible), QByteArray("version locale"));
    }
    const factices::CrochetCopie supprime(CrochetQuiSupprime);
    EXPECT_EQ(NumeroLeve([&] { CopierFichier(source, cible); }), err::FichierIntrouvable);
    EXPECT_EQ(sourceQuiDisparait, source);
    EXPECT_EQ(machine.LireFichier(cible), QByteArray("version locale"));
    EXPECT_EQ(Entrees(QStringLiteral("C:\\zelvano\\bd")),
              QStringList{QStringLiteral("zelvano.mdb")});
}

// The file-size limit makes writes fail the way a full disk does.
TEST_F(Fichiers, DisquePleinEnCoursDeCopie) {
    const QString source = QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb");
    const QString cible = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
    machine.EcrireFichier(cible, "version locale");
    int numero = 0;
    {
        const essais::DisquePleinSimule plein(65536);
        ASSERT_TRUE(plein.Pose());
        numero = NumeroLeve([&] { CopierFichier(source, cible); });
    }

    EXPECT_EQ(numero, err::DisquePlein);
    EXPECT_EQ(machine.LireFichier(cible), QByteArray("version locale"));
    EXPECT_EQ(Entrees(QStringLiteral("C:\\zelvano\\bd")),
              QStringList{QStringLiteral("zelvano.mdb")});
}

TEST_F(Fichiers, ListerCommeDir) {
    const QString d = QStringLiteral("C:\\docs\\");
    for (const char* nom : {"b.TXT", "a.txt", "lisezmoi", "note.txt.bak", "c.doc", ".cache"}) {
        machine.EcrireFichier(d + QString::fromLatin1(nom), "x");
    }
    ASSERT_TRUE(QDir().mkpath(machine.Natif(d) + QStringLiteral("/Sous.txt")));
    ASSERT_TRUE(QDir().mkpath(machine.Natif(d) + QStringLiteral("/.cachee")));
    ASSERT_TRUE(QFile::link(machine.Natif(d) + QStringLiteral("/absent"),
                            machine.Natif(d) + QStringLiteral("/mort.txt")));

    const auto lister = [&](const char* motif, int attributs = plateforme::attr::Normal) {
        return ListerDossier(d + QString::fromLatin1(motif), attributs);
    };
    EXPECT_EQ(lister("*.*"), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.TXT"),
                                          QStringLiteral("c.doc"), QStringLiteral("lisezmoi"),
                                          QStringLiteral("note.txt.bak")}));
    EXPECT_EQ(lister("*.TXT"), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.TXT")}));
    EXPECT_EQ(lister("?.txt"), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.TXT")}));
    EXPECT_EQ(lister("*."), QStringList{QStringLiteral("lisezmoi")});
    EXPECT_EQ(lister("lisezmoi.*"), QStringList{QStringLiteral("lisezmoi")});
    EXPECT_EQ(lister("note*"), QStringList{QStringLiteral("note.txt.bak")});
    EXPECT_EQ(lister("A.TXT"), QStringList{QStringLiteral("a.txt")});
    EXPECT_TRUE(lister("absent.txt").isEmpty());
    EXPECT_EQ(lister("*", plateforme::attr::Cache),
              (QStringList{QStringLiteral(".cache"), QStringLiteral("a.txt"),
                           QStringLiteral("b.TXT"), QStringLiteral("c.doc"),
                           QStringLiteral("lisezmoi"), QStringLiteral("note.txt.bak")}));
    EXPECT_EQ(lister("*.txt", plateforme::attr::Dossier),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.TXT"),
                           QStringLiteral("Sous.txt")}));
    const QStringList tout = lister("*.*", plateforme::attr::Dossier | plateforme::attr::Cache);
    ASSERT_GE(tout.size(), 4);
    EXPECT_EQ(tout.mid(0, 3),
              (QStringList{QStringLiteral("."), QStringLiteral(".."), QStringLiteral(".cache")}));
    EXPECT_TRUE(tout.contains(QStringLiteral(".cachee")));
    EXPECT_FALSE(tout.contains(QStringLiteral("mort.txt")));

    EXPECT_TRUE(ListerDossier(QStringLiteral("C:\\absent\\*.*")).isEmpty());
    EXPECT_TRUE(ListerDossier(QStringLiteral("Z:\\*.*"), plateforme::attr::Dossier).isEmpty());
    EXPECT_EQ(ListerDossier(QStringLiteral("C:\\DOCS"), plateforme::attr::Dossier),
              QStringList{QStringLiteral("docs")});
}

TEST_F(Fichiers, ExistenceSuppressionCreationRenommage) {
    const QString f = QStringLiteral("C:\\zelvano\\bd\\a.tmp");
    machine.EcrireFichier(f, "x");
    EXPECT_TRUE(plateforme::FichierExiste(QStringLiteral("c:\\ZELVANO\\BD\\A.TMP")));
    EXPECT_FALSE(plateforme::FichierExiste(QStringLiteral("C:\\zelvano\\bd")));
    EXPECT_TRUE(plateforme::DossierExiste(QStringLiteral("C:\\zelvano\\bd")));
    EXPECT_FALSE(plateforme::DossierExiste(f));

    plateforme::RenommerFichier(f, QStringLiteral("C:\\zelvano\\bd\\B.tmp"));
    EXPECT_TRUE(plateforme::FichierExiste(QStringLiteral("C:\\zelvano\\bd\\b.tmp")));
    // A change of case only is a real rename.
    plateforme::RenommerFichier(QStringLiteral("C:\\zelvano\\bd\\B.tmp"),
                                QStringLiteral("C:\\zelvano\\bd\\b.TMP"));
    EXPECT_EQ(Entrees(QStringLiteral("C:\\zelvano\\bd")), QStringList{QStringLiteral("b.TMP")});
    EXPECT_EQ(NumeroLeve([] {
                  plateforme::RenommerFichier(QStringLiteral("C:\\x.tmp"),
                                              QStringLiteral("C:\\y.tmp"));
              }),
              err::FichierIntrouvable);

    plateforme::SupprimerFichier(QStringLiteral("C:\\zelvano\\bd\\B.TMP"));
    EXPECT_FALSE(plateforme::FichierExiste(QStringLiteral("C:\\zelvano\\bd\\b.TMP")));
    EXPECT_EQ(
        NumeroLeve([] { plateforme::SupprimerFichier(QStringLiteral("C:\\zelvano\\bd\\b.TMP")); }),
        err::FichierIntrouvable);
    EXPECT_EQ(NumeroLeve([] { plateforme::SupprimerFichier(QStringLiteral("C:\\zelvano")); }),
              err::FichierIntrouvable);
    // A read-only file is not deleted, as on Windows.
    machine.EcrireFichier(QStringLiteral("C:\\zelvano\\lecture.txt"), "x");
    ASSERT_TRUE(QFile::setPermissions(machine.Natif(QStringLiteral("C:\\zelvano\\lecture.txt")),
                                      QFileDevice::ReadOwner));
    EXPECT_EQ(NumeroLeve(
                  [] { plateforme::SupprimerFichier(QStringLiteral("C:\\zelvano\\lecture.txt")); }),
              err::ErreurAccesChemin);
    EXPECT_TRUE(plateforme::FichierExiste(QStringLiteral("C:\\zelvano\\lecture.txt")));
    machine.EcrireFichier(QStringLiteral("C:\\t\\1.tmp"), "1");
    machine.EcrireFichier(QStringLiteral("C:\\t\\2.tmp"), "2");
    machine.EcrireFichier(QStringLiteral("C:\\t\\garde.txt"), "3");
    plateforme::SupprimerFichier(QStringLiteral("C:\\t\\*.tmp"));
    EXPECT_EQ(Entrees(QStringLiteral("C:\\t")), QStringList{QStringLiteral("garde.txt")});
    EXPECT_EQ(NumeroLeve([] { plateforme::SupprimerFichier(QStringLiteral("C:\\t\\*.tmp")); }),
              err::FichierIntrouvable);

    plateforme::CreerDossier(QStringLiteral("C:\\zelvano\\courrier"));
    EXPECT_TRUE(plateforme::DossierExiste(QStringLiteral("C:\\zelvano\\courrier")));
    EXPECT_EQ(NumeroLeve([] { plateforme::CreerDossier(QStringLiteral("C:\\ZELVANO\\Courrier")); }),
              err::ErreurAccesChemin);
    EXPECT_EQ(NumeroLeve([] { plateforme::CreerDossier(QStringLiteral("C:\\absent\\courrier")); }),
              err::CheminIntrouvable);
}

TEST_F(Fichiers, TempsDesFichiers) {
    const QString f = QStringLiteral("C:\\zelvano\\bd\\t.txt");
    machine.EcrireFichier(f, "x");
    const QDateTime moment(QDate(2026, 3, 29), QTime(1, 30, 15, 250), Qt::UTC);
    plateforme::DefinirDerniereEcriture(f, moment);
    plateforme::TempsFichier temps;
    ASSERT_TRUE(plateforme::LireTempsFichier(f, temps));
    EXPECT_EQ(temps.derniereEcriture, moment);
    EXPECT_EQ(Mtime(machine.Natif(f)).tv_nsec, 250000000);

    EXPECT_FALSE(
        plateforme::LireTempsFichier(QStringLiteral("C:\\zelvano\\bd\\absent.txt"), temps));
    EXPECT_FALSE(temps.derniereEcriture.isValid());
    EXPECT_EQ(NumeroLeve([&] {
                  plateforme::DefinirDerniereEcriture(QStringLiteral("C:\\absent.txt"), moment);
              }),
              err::FichierIntrouvable);
}

} // namespace
