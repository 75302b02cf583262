#include "platform/chemins.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

struct Resultat {
    int code = -1;
    QString sortie; // both streams
};

// The stand-in interpreters, run as real children on a temporary emulated machine.
class Interpreteur : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        QDir().mkpath(machine.Natif("\\\\serveur\\zelvano\\zelvano"));
        QDir().mkpath(machine.Natif("C:\\zelvano\\bd"));
    }

    QProcess* Lancer(const QStringList& arguments) {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZELVANO_MACHINE"), machine.Racine());
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(machine.Racine());
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(factices::DossierBinaires() + "/" + QString::fromLatin1(GetParam()), arguments);
        return p;
    }

    Resultat Executer(const QStringList& arguments) {
        std::unique_ptr<QProcess> p(Lancer(arguments));
        Resultat r;
        if (!p->waitForFinished(10000) || p->exitStatus() != QProcess::NormalExit) {
            return r;
        }
        r.code = p->exitCode();
        r.sortie = QString::fromUtf8(p->readAll());
        return r;
    }

    Resultat NetUse(const QString& lettre, const QString& partage) {
        return Executer({"/c", "net", "use", lettre, partage, "/yes"});
    }

    QString Entree(char lettre = 'P') const {
        return plateforme::Machine::EntreeLecteur(QLatin1Char(lettre));
    }
    QString Cible(char lettre = 'P') const { return QFileInfo(Entree(lettre)).symLinkTarget(); }
    QString Partage() const { return plateforme::Machine::DossierPartage("serveur", "zelvano"); }
    QString DisqueC() const { return Entree('C'); }
    // Nothing but the drive letters in the drives folder.
    QStringList EntreesLecteurs() const {
        return QDir(machine.Racine() + "/drives")
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    factices::Machine machine;
};

} // namespace

TEST_P(Interpreteur, NetUseConnecteEtDeconnecte) {
    Resultat r = NetUse("P:", "\\\\serveur\\zelvano");
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_TRUE(r.sortie.contains("La commande s'est terminée correctement."));
    EXPECT_EQ(Cible(), Partage());
    EXPECT_EQ(EntreesLecteurs(), (QStringList{"C", "P"}));

    r = Executer({"/c", "net", "use", "p:", "/d", "/yes"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_FALSE(QFileInfo(Entree()).isSymLink());
    EXPECT_TRUE(QFileInfo(Partage()).isDir()); // the share itself stays
}

TEST_P(Interpreteur, NetUseSansEgardALaCasseNiGuillemetsDeLigne) {
    // The whole command in one quoted argument, the share in capitals.
    const Resultat r = Executer({"/c", "net use Q: \\\\SERVEUR\\Zelvano /yes"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_EQ(Cible('Q'), Partage());
}

TEST_P(Interpreteur, NetUseRefus) {
    QDir().mkpath(Entree('L'));
    ASSERT_TRUE(QFile::link(DisqueC(), Entree('S')));
    ASSERT_TRUE(QFile::link(Partage(), Entree('R')));
    for (const char* lettre : {"L:", "S:", "R:", "C:"}) {
        const Resultat r = NetUse(lettre, "\\\\serveur\\zelvano");
        EXPECT_NE(r.code, 0) << lettre;
        EXPECT_TRUE(r.sortie.contains("Erreur système 85.")) << qPrintable(r.sortie);
        EXPECT_TRUE(r.sortie.contains("Le nom de périphérique local est déjà utilisé."));
    }
    EXPECT_EQ(Cible('S'), DisqueC());
    EXPECT_EQ(Cible('R'), Partage());

    Resultat r = NetUse("P:", "\\\\serveur\\absent");
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.sortie.contains("Le nom réseau est introuvable.")) << qPrintable(r.sortie);
    r = NetUse("P:", "\\\\inconnu\\zelvano");
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.sortie.contains("Le chemin réseau n'a pas été trouvé.")) << qPrintable(r.sortie);
    EXPECT_FALSE(QFileInfo::exists(Entree()) || QFileInfo(Entree()).isSymLink());

    // Removing: only a network drive.
    for (const char* lettre : {"S:", "L:", "P:"}) {
        r = Executer({"/c", "net", "use", lettre, "/d", "/yes"});
        EXPECT_NE(r.code, 0) << lettre;
        EXPECT_TRUE(r.sortie.contains("La connexion réseau est introuvable."));
    }
    EXPECT_EQ(Cible('S'), DisqueC());
    EXPECT_TRUE(QFileInfo(Entree('L')).isDir());
}

TEST_P(Interpreteur, SubstSubstitueEtRetire) {
    Resultat r = Executer({"/c", "subst", "P:", "C:\\"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_EQ(Cible(), DisqueC());
    r = Executer({"/c", "subst", "T:", "c:\\ZELVANO\\bd"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_EQ(Cible('T'), DisqueC() + "/zelvano/bd");
    r = Executer({"/c", "subst"});
    EXPECT_TRUE(r.sortie.contains("P:\\: => C:\\")) << qPrintable(r.sortie);
    EXPECT_TRUE(r.sortie.contains("T:\\: => C:\\zelvano\\bd")) << qPrintable(r.sortie);

    r = Executer({"/c", "subst", "P:", "/D"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.sortie);
    EXPECT_FALSE(QFileInfo(Entree()).isSymLink());
    EXPECT_TRUE(QFileInfo(DisqueC()).isDir());
    EXPECT_EQ(EntreesLecteurs(), (QStringList{"C", "T"}));
}

TEST_P(Interpreteur, SubstRefus) {
    ASSERT_TRUE(QFile::link(Partage(), Entree('R')));
    Resultat r = Executer({"/c", "subst", "C:", "C:\\zelvano"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.sortie.contains("Lecteur déjà SUBSTitué")) << qPrintable(r.sortie);
    r = Executer({"/c", "subst", "R:", "C:\\zelvano"});
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(Cible('R'), Partage());
    r = Executer({"/c", "subst", "P:", "C:\\absent"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.sortie.contains("Chemin d'accès introuvable - C:\\absent"))
        << qPrintable(r.sortie);
    EXPECT_FALSE(QFileInfo(Entree()).isSymLink());

    // Removing: only a substituted drive.
    for (const char* lettre : {"R:", "C:", "P:"}) {
        r = Executer({"/c", "subst", lettre, "/d"});
        EXPECT_NE(r.code, 0) << lettre;
        EXPECT_TRUE(r.sortie.contains(QStringLiteral("Paramètre non valide - ") + lettre));
    }
    EXPECT_EQ(Cible('R'), Partage());
    EXPECT_TRUE(QFileInfo(DisqueC()).isDir());
}

TEST_P(Interpreteur, UneSeuleCreationGagneQuandPlusieursCourent) {
    QStringList cibles;
    std::vector<std::unique_ptr<QProcess>> processus;
    for (int i = 0; i < 6; ++i) {
        const QString dossier = QStringLiteral("C:\\zelvano\\d%1").arg(i);
        QDir().mkpath(machine.Natif(dossier));
        cibles.append(machine.Natif(dossier));
        processus.emplace_back(Lancer({"/c", "subst", "P:", dossier}));
    }
    int reussis = 0;
    QString gagnant;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(processus[static_cast<size_t>(i)]->waitForFinished(10000));
        if (processus[static_cast<size_t>(i)]->exitCode() == 0) {
            ++reussis;
            gagnant = cibles[i];
        }
    }
    EXPECT_EQ(reussis, 1);
    EXPECT_EQ(Cible(), gagnant);
    EXPECT_EQ(EntreesLecteurs(), (QStringList{"C", "P"}));
}

TEST_P(Interpreteur, AutresCommandesParLeShell) {
    Resultat r = Executer({"/c", "exit 7"});
    EXPECT_EQ(r.code, 7);
    r = Executer({"/c", "echo", "a  b", "c"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.sortie, "a  b c\n");
    r = Executer({"/c", "echo", "x", ">", "sortie.txt"});
    EXPECT_EQ(r.code, 0);
    QFile f(machine.Racine() + "/sortie.txt");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "x\n");
    // No command: nothing to do.
    EXPECT_EQ(Executer({}).code, 0);
}

INSTANTIATE_TEST_SUITE_P(CmdEtCommandCom, Interpreteur, ::testing::Values("CMD.EXE", "COMMAND.COM"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == "CMD.EXE"
                                        ? std::string("Cmd")
                                        : std::string("CommandCom");
                         });
