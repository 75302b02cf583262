#include "init/poste_copie.h"
#include "init/robocopy.h"
#include "platform/chemins.h"
#include "platform/profil.h"
#include "settings/parametres.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using essais::Poste;

class CopieDocumentsRobo : public ::testing::Test {
protected:
    Poste poste;
    essais::SystemeFactice systeme;
    essais::ProcessusFactice processus;
    plateforme::RemplacementServices services{{nullptr, nullptr, nullptr, &systeme, &processus}};

    void SetUp() override {
        Param().FichierIni = QStringLiteral("C:\\WINDOWS\\synchro.ini");
        Param().copiesecurisee = 0;
        Param().modifiesuniquement = 1;
        systeme.version = {2, 5, 1, 2600, 3, 0}; // XP SP3
        poste.Ecrire(QStringLiteral("C:\\WINDOWS\\synchro.ini"), "[options]\r\n");
    }

    void Installer() const {
        poste.Ecrire(poste.env.machine.DossierProgramme() + QStringLiteral("/robocopy.exe"), "exe");
    }
    void Exclure(const QString& valeur) const {
        ASSERT_TRUE(plateforme::WritePrivateProfileStringA(
            QStringLiteral("options"), QStringLiteral("nonsynchro"), valeur, Param().FichierIni));
    }
    QString Commande(const QString& nom) const {
        return AjouterBarreFinale(plateforme::DossierProgramme()) +
               QStringLiteral("robocopy.exe ") + QStringLiteral("P:\\zelvano\\") + nom +
               QStringLiteral(" C:\\zelvano\\") + nom + QStringLiteral(" /E /R:0");
    }
    QStringList Commandes(const QStringList& noms) const {
        QStringList lignes;
        for (const QString& nom : noms) {
            lignes.append(Commande(nom));
        }
        return lignes;
    }
    QString Entete() const {
        return QStringLiteral("Windows XP, 2003 ou Vista et ROBOCOPY détecté dans ") +
               plateforme::DossierProgramme();
    }
};

TEST_F(CopieDocumentsRobo, ChoisiParLesReglagesLeDossierEtLaVersion) {
    EXPECT_FALSE(RobocopyDisponible()) << "not in the program's folder";
    poste.Ecrire(QStringLiteral("C:\\WINDOWS\\SYSTEM32\\robocopy.exe"), "exe");
    EXPECT_FALSE(RobocopyDisponible()) << "found elsewhere on the system: not used";
    Installer();
    EXPECT_TRUE(RobocopyDisponible());

    Param().copiesecurisee = 1;
    EXPECT_FALSE(RobocopyDisponible());
    Param().copiesecurisee = 0;
    Param().modifiesuniquement = 0;
    EXPECT_FALSE(RobocopyDisponible());
    Param().modifiesuniquement = 1;

    const struct {
        plateforme::VersionOs version;
        bool attendu;
    } cas[] = {{{2, 6, 1, 7601, 1, 0}, true},    {{2, 6, 3, 9600, 0, 0}, true},
               {{2, 5, 2, 3790, 2, 0}, true},    {{2, 5, 0, 2195, 4, 0}, false},
               {{2, 10, 0, 19045, 0, 0}, false}, {{1, 4, 10, 2222, 0, 0}, false}};
    for (const auto& c : cas) {
        systeme.version = c.version;
        EXPECT_EQ(RobocopyDisponible(), c.attendu) << c.version.majeure << '.' << c.version.mineure;
    }
}

TEST_F(CopieDocumentsRobo, DossiersCopiesEtExclusions) {
    for (const char* dossier : {"courrier", "Images", "Modeles", "ref", "BD", "cro", ".cache"}) {
        QDir().mkpath(poste.Natif(QStringLiteral("P:\\zelvano\\") + QLatin1String(dossier)));
    }
    poste.Ecrire(QStringLiteral("P:\\zelvano\\notes.txt"), "un fichier à la racine");
    Exclure(QStringLiteral("images,MODELES"));
    ASSERT_TRUE(CopierDossiersRobocopy());
    EXPECT_EQ(processus.lignes, Commandes({QStringLiteral("courrier"), QStringLiteral("cro")}));
    EXPECT_EQ(processus.styles, (QList<int>{2, 2}));
    EXPECT_EQ(poste.Messages(), (QStringList{Entete(),
                                             QStringLiteral("-> Exécution de la commande : ") +
                                                 Commande(QStringLiteral("courrier")),
                                             QStringLiteral("-> Exécution de la commande : ") +
                                                 Commande(QStringLiteral("cro"))}));

    // Read again at each run; a blank after the comma belongs to the name.
    processus.lignes.clear();
    Exclure(QStringLiteral("images, modeles"));
    ASSERT_TRUE(CopierDossiersRobocopy());
    EXPECT_EQ(processus.lignes, Commandes({QStringLiteral("courrier"), QStringLiteral("cro"),
                                           QStringLiteral("Modeles")}));

    processus.lignes.clear();
    Exclure(QString());
    ASSERT_TRUE(CopierDossiersRobocopy());
    EXPECT_EQ(processus.lignes.size(), 4) << qPrintable(processus.lignes.join(QLatin1Char('\n')));
}

TEST_F(CopieDocumentsRobo, ListeVideEtEchecDuLancement) {
    ASSERT_TRUE(CopierDossiersRobocopy());
    EXPECT_EQ(poste.Messages(), QStringList{Entete()});
    EXPECT_TRUE(processus.lignes.isEmpty());

    poste.env.fenetre.lignes.clear();
    QDir().mkpath(poste.Natif(QStringLiteral("P:\\zelvano\\courrier")));
    QDir().mkpath(poste.Natif(QStringLiteral("P:\\zelvano\\cro")));
    processus.pid = 0;
    EXPECT_FALSE(CopierDossiersRobocopy());
    EXPECT_EQ(poste.Messages(),
              (QStringList{Entete(),
                           QStringLiteral("-> Exécution de la commande : ") +
                               Commande(QStringLiteral("courrier")),
                           QStringLiteral("ERREUR : impossible d'exécuter ROBOCOPY")}));
}

TEST(BarreFinale, AjouteeSeulementSiAbsente) {
    EXPECT_EQ(AjouterBarreFinale(QStringLiteral("P:\\zelvano")), QStringLiteral("P:\\zelvano\\"));
    EXPECT_EQ(AjouterBarreFinale(QStringLiteral("P:\\")), QStringLiteral("P:\\"));
    EXPECT_EQ(AjouterBarreFinale(QString()), QStringLiteral("\\"));
}

} // namespace
