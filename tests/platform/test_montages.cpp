#include "platform/montages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using plateforme::Genre;
using plateforme::GenreMontage;
using plateforme::Montage;

namespace {

// Lines as the kernel writes them: optional fields before "-", blanks escaped in octal, the
// file system's own options last.
const QByteArray Table =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
    "40 22 0:35 / /mnt/cabinet rw,relatime shared:80 - cifs //srv/cabinet "
    "rw,vers=3.1.1,cache=strict,username=poste,uid=1000,soft,nobrl,actimeo=1\n"
    "41 22 0:36 / /mnt/zelvano rw,relatime - cifs //srv/zelvano rw,vers=3.0,uid=1000\n"
    "42 22 0:37 / /mnt/Partage\\040du\\040cabinet rw master:3 unbindable - smb3 //srv/p rw\n"
    "43 22 0:38 / /media/smb rw,nosuid,nodev shared:90 - fuse.smbnetfs smbnetfs "
    "rw,user_id=1000\n"
    "44 22 0:39 / /mnt/nfs rw - nfs4 srv:/export rw,vers=4.2,local_lock=none\n"
    "45 22 0:40 / /mnt/nfs-local rw - nfs srv:/export rw,nolock\n"
    "46 22 0:41 / /mnt/zelvano rw - fuse.sshfs srv:/zelvano rw\n"
    "ligne illisible\n"
    "47 22 0:42 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n";

TEST(Montages, TableLueChampParChamp) {
    const QList<Montage> table = plateforme::LireTableMontages(Table);
    ASSERT_EQ(table.size(), 9);
    EXPECT_EQ(table[0].point, "/");
    EXPECT_EQ(table[0].type, "ext4");
    EXPECT_EQ(table[1].point, "/mnt/cabinet");
    EXPECT_EQ(table[1].source, "//srv/cabinet");
    // Options of the mount and of the file system alike.
    EXPECT_TRUE(table[1].options.contains("relatime"));
    EXPECT_TRUE(table[1].options.contains("nobrl"));
    EXPECT_EQ(table[3].point, "/mnt/Partage du cabinet");
    EXPECT_EQ(table[3].type, "smb3");
    EXPECT_TRUE(plateforme::LireTableMontages("").isEmpty());
}

TEST(Montages, LeMontageDUnDossierEstLePlusProcheLeDernierEmpile) {
    const QList<Montage> table = plateforme::LireTableMontages(Table);
    auto type = [&](const QString& dossier) {
        const auto m = plateforme::MontageDe(dossier, table);
        return m ? m->type + ' ' + m->point : QString();
    };
    EXPECT_EQ(type("/mnt/cabinet"), "cifs /mnt/cabinet");
    EXPECT_EQ(type("/mnt/cabinet/zelvano/bd"), "cifs /mnt/cabinet");
    // A name that only begins like a mount point is not inside it.
    EXPECT_EQ(type("/mnt/cabinet2"), "ext4 /");
    EXPECT_EQ(type("/mnt/Partage du cabinet/x"), "smb3 /mnt/Partage du cabinet");
    // Mounted twice on the same point: the one on top counts.
    EXPECT_EQ(type("/mnt/zelvano"), "fuse.sshfs /mnt/zelvano");
    EXPECT_EQ(type("/mnt/../mnt/nfs/"), "nfs4 /mnt/nfs");
    EXPECT_EQ(type("/x"), "ext4 /");
    EXPECT_FALSE(plateforme::MontageDe("/x", {}).has_value());

    // An existing folder is judged where its links lead.
    QTemporaryDir dossier;
    ASSERT_TRUE(QFile::link("/mnt/cabinet", dossier.path() + "/lien"));
    EXPECT_EQ(type(dossier.path() + "/lien"), "ext4 /") << "a link to a missing folder";
    const QList<Montage> ici = {Montage{dossier.path() + "/vrai", "cifs", "//s/p", {}}};
    ASSERT_TRUE(QDir().mkpath(dossier.path() + "/vrai"));
    ASSERT_TRUE(QFile::link(dossier.path() + "/vrai", dossier.path() + "/vers-vrai"));
    EXPECT_TRUE(plateforme::MontageDe(dossier.path() + "/vers-vrai", ici).has_value());
}

TEST(Montages, SeulsLesPartagesQuiPortentLesVerrousJusquAuServeur) {
    const QList<Montage> table = plateforme::LireTableMontages(Table);
    EXPECT_EQ(Genre(table[0]), GenreMontage::Local);
    EXPECT_EQ(Genre(table[1]), GenreMontage::VerrousLocaux) << "cifs with nobrl";
    EXPECT_EQ(Genre(table[2]), GenreMontage::PartageCifs);
    EXPECT_EQ(Genre(table[3]), GenreMontage::PartageCifs) << "smb3";
    EXPECT_EQ(Genre(table[4]), GenreMontage::Fuse);
    EXPECT_EQ(Genre(table[5]), GenreMontage::AutreReseau);
    EXPECT_EQ(Genre(table[6]), GenreMontage::VerrousLocaux) << "nfs with nolock";
    EXPECT_EQ(Genre(table[7]), GenreMontage::Fuse);
    EXPECT_EQ(Genre(table[8]), GenreMontage::Fuse);
    EXPECT_EQ(Genre(Montage{"/m", "fuse", "x", {}}), GenreMontage::Fuse);
    EXPECT_EQ(Genre(Montage{"/m", "fuseblk", "x", {}}), GenreMontage::Fuse);
    EXPECT_EQ(Genre(Montage{"/m", "tmpfs", "x", {}}), GenreMontage::Local);
    // "nobrl" must be the option itself, not part of another.
    EXPECT_EQ(Genre(Montage{"/m", "cifs", "x", {"rw", "nobrlx"}}), GenreMontage::PartageCifs);
}

TEST(Montages, LaTableDeCeProcessusALaRacine) {
    const QList<Montage> table = plateforme::TableMontages();
    ASSERT_FALSE(table.isEmpty());
    EXPECT_TRUE(plateforme::MontageDe(QDir::currentPath(), table).has_value());
}

} // namespace
