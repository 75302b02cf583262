#include "platform/chemins.h"
#include "platform/dossier_programme.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// A folder of built programs: the stand-ins named, as empty executable files.
QString Binaires(const QString& dossier, const QStringList& noms) {
    QDir().mkpath(dossier);
    for (const QString& nom : noms) {
        QFile f(dossier + QLatin1Char('/') + nom);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return dossier;
}

QString Cible(const factices::Machine& machine, const QString& nom) {
    return QFileInfo(machine.DossierProgramme() + QLatin1Char('/') + nom).symLinkTarget();
}

TEST(DossierProgramme, LesRemplacantsSontLiesDepuisLeDernierQuiPrepare) {
    factices::Machine machine;
    QDir(machine.DossierProgramme()).removeRecursively();
    const QString build = Binaires(machine.Racine() + "/build/bin",
                                   {"CMD.EXE", "COMMAND.COM", "xcopy.exe", "robocopy.exe"});

    EXPECT_TRUE(plateforme::PreparerDossierProgramme(build).isEmpty());
    for (const QString& nom : plateforme::ProgrammesDuDossier()) {
        EXPECT_EQ(Cible(machine, nom), build + QLatin1Char('/') + nom) << nom.toStdString();
    }
    // Found by name from the program's folder, as the module starts them.
    EXPECT_EQ(QFileInfo(plateforme::CheminNatif("C:\\Program Files\\Zelvano\\robocopy.exe"))
                  .canonicalFilePath(),
              build + "/robocopy.exe");

    // Another installation prepares the same machine: its programs take the links over; one
    // it lacks is told and the old link stays. A program put there by hand is left alone.
    const QString installe =
        Binaires(machine.Racine() + "/usr/lib/synchro", {"CMD.EXE", "xcopy.exe"});
    QFile::remove(machine.DossierProgramme() + "/COMMAND.COM");
    QFile parMain(machine.DossierProgramme() + "/COMMAND.COM");
    ASSERT_TRUE(parMain.open(QIODevice::WriteOnly));
    parMain.write("maison");
    parMain.close();
    EXPECT_EQ(plateforme::PreparerDossierProgramme(installe), QStringList{"robocopy.exe"});
    EXPECT_EQ(Cible(machine, "CMD.EXE"), installe + "/CMD.EXE");
    EXPECT_EQ(Cible(machine, "xcopy.exe"), installe + "/xcopy.exe");
    EXPECT_EQ(Cible(machine, "robocopy.exe"), build + "/robocopy.exe");
    EXPECT_EQ(machine.LireFichier("C:\\Program Files\\Zelvano\\COMMAND.COM"), "maison");
    // No temporary link left behind.
    EXPECT_EQ(QDir(machine.DossierProgramme())
                  .entryList(QDir::Hidden | QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot)
                  .size(),
              4);
}

TEST(DossierProgramme, LiensPosesSansJamaisRemplacerUnDossierNiUnFichier) {
    factices::Machine machine;
    const QString bin = Binaires(machine.Racine() + "/bin", {"zelvano.exe"});
    // The practice application, its folder made.
    EXPECT_TRUE(plateforme::LierProgramme(bin + "/zelvano.exe", "C:\\zelvano\\zelvano.exe"));
    EXPECT_EQ(QFileInfo(machine.Natif("C:\\zelvano\\zelvano.exe")).symLinkTarget(),
              bin + "/zelvano.exe");
    // A program that is not there is not linked.
    EXPECT_FALSE(plateforme::LierProgramme(bin + "/absent.exe", "C:\\zelvano\\absent.exe"));
    EXPECT_FALSE(QFileInfo(machine.Natif("C:\\zelvano\\absent.exe")).isSymLink());

    // A link to a folder that is not there yet (a share not mounted yet) is laid all the same,
    // and another one replaces it; a real folder never is.
    const QString partage = machine.Natif("\\\\srv\\cabinet");
    EXPECT_TRUE(plateforme::PoserLien("/mnt/absent", partage));
    EXPECT_TRUE(plateforme::PoserLien(machine.Racine() + "/montage", partage));
    EXPECT_EQ(QFileInfo(partage).symLinkTarget(), machine.Racine() + "/montage");
    const QString dossier = machine.Natif("\\\\srv\\demo");
    ASSERT_TRUE(QDir().mkpath(dossier + "/zelvano"));
    EXPECT_FALSE(plateforme::PoserLien(machine.Racine() + "/montage", dossier));
    EXPECT_TRUE(QFileInfo(dossier + "/zelvano").isDir());
}

} // namespace
