// A real workstation prepared for its practice's share: the share mounted in a folder outside the
// machine, told apart by the mount table the test gives.
#include "platform/chemins.h"
#include "platform/dossier_programme.h"
#include "platform/profil.h"
#include "preparation/poste.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using plateforme::Montage;
using preparation::BilanPoste;

// Every entry of a tree with its kind, size, time and content: a tree left untouched gives the
// same text again.
QString Releve(const QString& racine) {
    QStringList lignes;
    QDirIterator it(racine, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        const QFileInfo info = it.fileInfo();
        QFile f(chemin);
        const QByteArray empreinte =
            info.isFile() && f.open(QIODevice::ReadOnly)
                ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex()
                : QByteArray("dossier");
        lignes.append(QStringLiteral("%1 %2 %3 %4")
                          .arg(chemin.mid(racine.size()))
                          .arg(info.size())
                          .arg(info.lastModified().toMSecsSinceEpoch())
                          .arg(QString::fromLatin1(empreinte)));
    }
    lignes.sort();
    return lignes.join(QLatin1Char('\n'));
}

class PreparationPoste : public ::testing::Test {
protected:
    factices::Machine machine;
    QTemporaryDir montage; // where the practice's share is mounted

    void SetUp() override {
        for (const char* dossier :
             {"bd", "courrier", "cro", "corres", "data", "certif", "flash", "modeles"}) {
            ASSERT_TRUE(QDir().mkpath(montage.path() + "/Zelvano/" + dossier));
        }
        QFile base(montage.path() + "/Zelvano/bd/zelvano.mdb");
        ASSERT_TRUE(base.open(QIODevice::WriteOnly));
        base.write("base du cabinet");
    }

    preparation::OptionsPoste Options() const {
        preparation::OptionsPoste o;
        o.reglages.partage = QStringLiteral("\\\\SRV\\cabinet\\");
        o.montage = montage.path();
        o.programmes = factices::DossierBinaires();
        return o;
    }

    // The mount table of a workstation where the share is mounted so.
    QList<Montage> Table(const QString& type, const QStringList& options = {"rw"}) const {
        return {Montage{"/", "ext4", "/dev/sda1", {"rw"}},
                Montage{montage.path(), type, "//srv/cabinet", options}};
    }

    QString Natif(const QString& windows) const { return machine.Natif(windows); }
    QString Entree() const { return machine.Racine() + "/unc/SRV/cabinet"; }

    // Nothing of the workstation written: no share, no settings, no program linked.
    void VerifierRienEcrit() const {
        EXPECT_FALSE(QFileInfo(Entree()).isSymLink());
        EXPECT_FALSE(QFileInfo::exists(Natif("C:\\WINDOWS\\synchro.ini")));
        EXPECT_TRUE(QDir(machine.DossierProgramme()).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(Natif("C:\\zelvano\\zelvano.exe")));
    }
};

TEST_F(PreparationPoste, PartageCifsPosteCompletEtPartageIntact) {
    machine.EcrireFichier("C:\\WINDOWS\\synchro.ini", "[options]\r\nnowarning=1\r\n");
    const QString avant = Releve(montage.path());
    preparation::OptionsPoste o = Options();
    o.reglages.zelvanodir = QStringLiteral("zelvano"); // another case than on the share
    o.poste = QStringLiteral("b");
    const BilanPoste bilan = preparation::PreparerPoste(o, Table("cifs", {"rw", "vers=3.1.1"}));

    EXPECT_TRUE(bilan.Pret()) << bilan.refus.toStdString()
                              << bilan.manques.join('\n').toStdString();
    EXPECT_TRUE(bilan.remarques.isEmpty()) << bilan.remarques.join('\n').toStdString();
    EXPECT_EQ(Releve(montage.path()), avant) << "nothing on the share changes";

    // The share is the mount; the module reaches the base by its Windows name.
    EXPECT_EQ(QFileInfo(Entree()).symLinkTarget(), montage.path());
    EXPECT_EQ(machine.LireFichier("\\\\srv\\CABINET\\zelvano\\BD\\zelvano.mdb"), "base du cabinet");
    EXPECT_TRUE(QFileInfo(machine.Racine() + "/drives/C").isDir());
    EXPECT_FALSE(QFileInfo(machine.Racine() + "/drives/C").isSymLink());

    // The settings, as the module reads them; the other keys kept.
    Param().FichierIni = QStringLiteral("C:\\WINDOWS\\synchro.ini");
    LireParametres();
    const Parametres& p = Param();
    EXPECT_EQ(p.fmpathServeur, "\\\\SRV\\cabinet");
    EXPECT_EQ(p.fmpathClient, "C");
    EXPECT_EQ(p.unite, "P");
    EXPECT_EQ(p.zelvanodir, "zelvano");
    EXPECT_EQ(p.bddir, "bd");
    EXPECT_EQ(QStringList({p.courrierdir, p.crodir, p.corresdir, p.datadir, p.certifdir, p.flashdir,
                           p.modeledir}),
              QStringList({"courrier", "cro", "corres", "data", "certif", "flash", "modeles"}));
    EXPECT_EQ(p.inifile, "C:\\zelvano\\zelvano.ini");
    EXPECT_EQ(p.createlog, 1);
    EXPECT_EQ(p.nowarning, 1);
    QString lettre;
    plateforme::GetPrivateProfileStringA("path", "poste", {}, lettre, 10, p.inifile);
    EXPECT_EQ(lettre, "B");

    // The stand-ins and the practice application, from the folder of the set-up program.
    for (const QString& nom : plateforme::ProgrammesDuDossier()) {
        EXPECT_EQ(QFileInfo(machine.DossierProgramme() + '/' + nom).symLinkTarget(),
                  factices::DossierBinaires() + '/' + nom);
    }
    EXPECT_EQ(QFileInfo(Natif("C:\\zelvano\\zelvano.exe")).symLinkTarget(),
              factices::DossierBinaires() + "/zelvano.exe");
    EXPECT_TRUE(
        bilan.faits.contains("\\\\SRV\\cabinet est le partage monté sur " + montage.path()));

    // Prepared again, on a share now mounted elsewhere: the link follows, a letter in place
    // stays, a createlog turned off stays off.
    QTemporaryDir autre;
    ASSERT_TRUE(plateforme::WritePrivateProfileStringA("options", "createlog", "0",
                                                       "C:\\WINDOWS\\synchro.ini"));
    o.montage = autre.path();
    o.poste.clear();
    const BilanPoste encore =
        preparation::PreparerPoste(o, {Montage{autre.path(), "smb3", "x", {}}});
    EXPECT_EQ(QFileInfo(Entree()).symLinkTarget(), autre.path());
    EXPECT_TRUE(encore.remarques.isEmpty()) << encore.remarques.join('\n').toStdString();
    EXPECT_EQ(
        plateforme::GetPrivateProfileIntA("options", "createlog", -1, "C:\\WINDOWS\\synchro.ini"),
        0);
    EXPECT_EQ(encore.manques, QStringList{"Dossier introuvable sur le partage : "
                                          "\\\\SRV\\cabinet\\zelvano (réglage zelvanodir)."});
}

TEST_F(PreparationPoste, CeQuiManqueEstDitEnFrancais) {
    QDir(montage.path() + "/Zelvano/cro").removeRecursively();
    QDir(montage.path() + "/Zelvano/flash").removeRecursively();
    QFile::remove(montage.path() + "/Zelvano/bd/zelvano.mdb");
    preparation::OptionsPoste o = Options();
    o.reglages.documents[5].second.clear(); // flashdir empty: no folder to look for
    // Only the local disk in the table: the share is not mounted there.
    const BilanPoste bilan = preparation::PreparerPoste(o, {Montage{"/", "ext4", "/dev/sda1", {}}});
    EXPECT_TRUE(bilan.refus.isEmpty());
    EXPECT_EQ(bilan.manques,
              (QStringList{"« " + montage.path() +
                               " » ne contient pas le partage : rien n'y est monté, ce dossier "
                               "est sur un disque de ce poste (/dev/sda1, type ext4, monté sur "
                               "« / »). Montez-y le partage du cabinet avec le client CIFS du "
                               "noyau (type cifs).",
                           "Base introuvable sur le partage : "
                           "\\\\SRV\\cabinet\\zelvano\\bd\\zelvano.mdb.",
                           "Dossier introuvable sur le partage : \\\\SRV\\cabinet\\zelvano\\cro "
                           "(réglage crodir)."}));
    EXPECT_EQ(bilan.remarques,
              QStringList{"La lettre de ce poste n'est pas donnée dans C:\\zelvano\\zelvano.ini "
                          "(option --poste) : la synchronisation prendra A."});
    // Prepared all the same: once the share is mounted, nothing is left to do.
    EXPECT_EQ(QFileInfo(Entree()).symLinkTarget(), montage.path());
    EXPECT_TRUE(QFileInfo::exists(Natif("C:\\WINDOWS\\synchro.ini")));

    // A tmpfs mounted there: what it is, and why it is no share.
    const BilanPoste memoire = preparation::PreparerPoste(
        o, {Montage{"/", "ext4", "/dev/sda1", {}},
            Montage{QFileInfo(montage.path()).canonicalFilePath(), "tmpfs", "tmpfs", {}}});
    ASSERT_FALSE(memoire.manques.isEmpty());
    EXPECT_EQ(memoire.manques[0],
              "« " + montage.path() +
                  " » ne contient pas le partage : ce qui y est monté (tmpfs, type tmpfs) est un "
                  "système de fichiers en mémoire de ce poste, pas un partage réseau. Montez-y "
                  "le partage du cabinet avec le client CIFS du noyau (type cifs).");

    // A mount folder that is not there: told, and the names on the share are not looked for.
    o.montage = montage.path() + "/absent";
    const BilanPoste absent = preparation::PreparerPoste(o, Table("cifs"));
    EXPECT_EQ(absent.manques, QStringList{"Le dossier de montage du partage « " + montage.path() +
                                          "/absent » n'existe pas."});
}

TEST_F(PreparationPoste, MontagesSansVerrousRefusesSansRienEcrire) {
    const struct {
        const char* type;
        QStringList options;
        const char* motif;
    } cas[] = {{"fuse.smbnetfs", {"rw"}, "FUSE"},
               {"fuse", {"rw"}, "FUSE"},
               {"cifs", {"rw", "vers=3.0", "nobrl"}, "nobrl"},
               {"nfs", {"rw", "nolock"}, "nolock"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.type);
        const BilanPoste bilan = preparation::PreparerPoste(Options(), Table(c.type, c.options));
        EXPECT_TRUE(bilan.refus.contains(QLatin1String(c.motif))) << bilan.refus.toStdString();
        EXPECT_TRUE(bilan.refus.contains("//srv/cabinet")) << bilan.refus.toStdString();
        EXPECT_TRUE(bilan.manques.isEmpty());
        EXPECT_FALSE(bilan.Pret());
        VerifierRienEcrit();
    }
    // NFS whose locks reach the server: prepared, with a word on it.
    const BilanPoste nfs = preparation::PreparerPoste(Options(), Table("nfs4", {"rw"}));
    EXPECT_TRUE(nfs.refus.isEmpty());
    ASSERT_EQ(nfs.remarques.size(), 2);
    EXPECT_TRUE(nfs.remarques[0].startsWith("Le partage n'est pas monté par le client CIFS"));
}

TEST_F(PreparationPoste, CommandeDeLancementCiteLaMachinePourLeShell) {
    EXPECT_EQ(preparation::CommandeSynchro(), "ZELVANO_MACHINE=" + machine.Racine() + " synchro");
    plateforme::Machine::DefinirRacine(machine.Racine() + "/poste d'Anne");
    EXPECT_EQ(preparation::CommandeSynchro(),
              "ZELVANO_MACHINE='" + machine.Racine() + "/poste d'\\''Anne' synchro");
    // The default machine, inside the test's folder.
    const QByteArray donnees = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", machine.Racine().toUtf8());
    plateforme::Machine::DefinirRacine(plateforme::Machine::RacineParDefaut());
    EXPECT_EQ(preparation::CommandeSynchro(), "synchro");
    qputenv("XDG_DATA_HOME", donnees);
}

TEST_F(PreparationPoste, ReglagesOuMachineQuiNeConviennentPas) {
    const auto refus = [&](const preparation::OptionsPoste& o) {
        return preparation::PreparerPoste(o, Table("cifs")).refus;
    };
    preparation::OptionsPoste o = Options();
    for (const char* partage :
         {"SRV\\cabinet", "\\\\SRV", "\\\\SRV\\cabinet\\zelvano", "//srv/x", ""}) {
        o.reglages.partage = QString::fromUtf8(partage);
        EXPECT_TRUE(refus(o).startsWith("Le partage doit s'écrire \\\\SERVEUR\\PARTAGE"))
            << partage;
    }
    o = Options();
    o.reglages.unite = QStringLiteral("C");
    EXPECT_TRUE(refus(o).startsWith("L'unité de Zelvano doit être une lettre autre que C"));
    o.reglages.unite = QStringLiteral("PP");
    EXPECT_FALSE(refus(o).isEmpty());
    o = Options();
    o.poste = QStringLiteral("7");
    EXPECT_TRUE(refus(o).startsWith("La lettre du poste doit être une lettre"));
    o = Options();
    o.reglages.bddir.clear();
    EXPECT_FALSE(refus(o).isEmpty());
    o = Options();
    o.montage.clear();
    EXPECT_FALSE(refus(o).isEmpty());
    VerifierRienEcrit();

    // The share is already a folder of this machine (a demo practice): never replaced.
    ASSERT_TRUE(QDir().mkpath(machine.Racine() + "/unc/srv/Cabinet/zelvano"));
    const QString texte = refus(Options());
    EXPECT_TRUE(texte.startsWith("Le partage \\\\SRV\\cabinet existe déjà sur cette machine"))
        << texte.toStdString();
    EXPECT_TRUE(QFileInfo(machine.Racine() + "/unc/srv/Cabinet/zelvano").isDir());
    EXPECT_FALSE(QFileInfo::exists(Natif("C:\\WINDOWS\\synchro.ini")));
}

// The program itself, on the mount table of this machine, where the test's folder is no share.
TEST_F(PreparationPoste, ProgrammeDitCeQuiManqueEtRefuseLesArgumentsFaux) {
    const QString programme = factices::DossierBinaires() + "/synchro-preparer-poste";
    const QString dossier = machine.Racine() + "/poste";
    QProcess p;
    p.start(programme, {"--machine", dossier, "--partage", "\\\\SRV\\cabinet", "--montage",
                        montage.path(), "--poste", "c", "--flashdir", ""});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString sortie = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 1) << sortie.toStdString() << p.readAllStandardError().toStdString();
    EXPECT_TRUE(sortie.contains("Il manque encore :\n  - « " + montage.path() +
                                " » ne contient pas le partage : "))
        << sortie.toStdString();
    // Prepared with --machine: the way to start synchro on it, and the menu's machine told.
    EXPECT_TRUE(sortie.endsWith("Cette machine n'est pas celle par défaut : lancez synchro par\n"
                                "  ZELVANO_MACHINE=" +
                                dossier +
                                " synchro\n(l'entrée « Synchronisation Zelvano » du menu démarre "
                                "synchro sur la machine par défaut).\n"))
        << sortie.toStdString();
    EXPECT_TRUE(sortie.contains("Dossier du programme : C:\\Program Files\\Zelvano"));
    EXPECT_EQ(QFileInfo(dossier + "/unc/SRV/cabinet").symLinkTarget(), montage.path());
    EXPECT_TRUE(QFileInfo(dossier + "/drives/C/Program Files/Zelvano/robocopy.exe").isSymLink());
    QString flash;
    plateforme::GetPrivateProfileStringA("general", "flashdir", "absent", flash, 255,
                                         dossier + "/drives/C/WINDOWS/synchro.ini");
    EXPECT_EQ(flash, "") << "an empty folder setting is written empty";

    p.start(programme, {"--machine", dossier, "--partage", "cabinet", "--montage", montage.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    const QString erreur = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(erreur.startsWith("Refusé : Le partage doit s'écrire")) << erreur.toStdString();
    EXPECT_TRUE(erreur.contains("Rien n'a été modifié."));
}

} // namespace
