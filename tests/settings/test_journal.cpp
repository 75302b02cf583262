#include "platform/erreur.h"
#include "platform/services.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class Journal : public ::testing::Test {
protected:
    factices::Environnement env;

    QString Fichier() const {
        return env.machine.DossierProgramme() + QStringLiteral("/synchro.log");
    }
    QByteArray Contenu() const {
        QFile f(Fichier());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(Journal, FormatDeLaLigneEnFrancais) {
    EXPECT_EQ(LigneJournal(QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)),
                           QStringLiteral("Vérification du dossier C:\\zelvano\\bd")),
              QStringLiteral("07/12/2026 14:05:09 : Vérification du dossier C:\\zelvano\\bd"));
    EXPECT_EQ(LigneJournal(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), QString()),
              QStringLiteral("02/01/2026 03:04:05 : "));
}

TEST_F(Journal, SansCreatelogLaListeSeuleEtAucunFichier) {
    Param().createlog = 0;
    EcrireJournal(QStringLiteral(">>>"));
    ASSERT_EQ(env.fenetre.lignes.size(), 1);
    EXPECT_EQ(env.fenetre.lignes[0], QStringLiteral("07/12/2026 14:05:09 : >>>"));
    EXPECT_FALSE(QFileInfo::exists(Fichier()));
    EXPECT_GE(env.ecran.cessions, 1);
}

TEST_F(Journal, AvecCreatelogLeFichierEstCreePuisComplete) {
    Param().createlog = 1;
    EcrireJournal(QStringLiteral("première ligne"));
    env.horloge.Avancer(1000);
    EcrireJournal(QStringLiteral("<<<"));
    EXPECT_EQ(Contenu(), QStringLiteral("07/12/2026 14:05:09 : première ligne\r\n"
                                        "07/12/2026 14:05:10 : <<<\r\n")
                             .toUtf8());
    EXPECT_EQ(env.fenetre.Messages(),
              (QStringList{QStringLiteral("première ligne"), QStringLiteral("<<<")}));
}

TEST_F(Journal, DossierEnLectureSeuleLeveUneErreurEtNAjouteRien) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    Param().createlog = 1;
    ASSERT_EQ(chmod(QFile::encodeName(env.machine.DossierProgramme()).constData(), 0555), 0);
    try {
        EcrireJournal(QStringLiteral("ligne"));
        ADD_FAILURE() << "aucune erreur";
    } catch (const plateforme::Erreur& e) {
        EXPECT_EQ(e.Number(), plateforme::err::PermissionRefusee);
        EXPECT_FALSE(e.Description().isEmpty());
    }
    chmod(QFile::encodeName(env.machine.DossierProgramme()).constData(), 0755);
    EXPECT_TRUE(env.fenetre.lignes.isEmpty());
}

TEST_F(Journal, FichierJournalImpossibleACreerLeveUneErreur) {
    // A folder in the way of the file fails for root too.
    Param().createlog = 1;
    ASSERT_TRUE(QDir().mkpath(Fichier()));
    EXPECT_THROW(EcrireJournal(QStringLiteral("ligne")), plateforme::Erreur);
    EXPECT_TRUE(env.fenetre.lignes.isEmpty());
}

TEST_F(Journal, SignalerErreurAfficheLaBoiteEtVideLEtat) {
    EtatBase() = QStringLiteral("D");
    SignalerErreur(plateforme::Erreur(76, QStringLiteral("Chemin d'accès introuvable")));
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Erreur 76 : Chemin d'accès introuvable"));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Exclamation);
    EXPECT_EQ(env.boites.affichees[0].titre, QStringLiteral("Module de synchronisation Zelvano"));
    EXPECT_EQ(EtatBase(), QString());
    EXPECT_EQ(env.ecran.pointeurs, QList<int>{plateforme::pointeur::Defaut});
}

TEST(TitreFenetre, SuffixesSelonEtatBase) {
    const QString base = QStringLiteral("Module de synchronisation Zelvano v7.15.4");
    const struct {
        const char* etat;
        const char* suffixe;
    } cas[] = {{"", ""},
               {"D", " [Base distante]"},
               {"l", " [Base locale]"},
               {"?", " <<Changement de base en cours>>"},
               {"lec", " <<Lancement de Zelvano local en cours>>"},
               {"DEC", " <<Lancement de Zelvano distant en cours>>"},
               {"X", ""}};
    for (const auto& c : cas) {
        EtatBase() = QString::fromUtf8(c.etat);
        EXPECT_EQ(TitreFenetre(), base + QString::fromUtf8(c.suffixe)) << c.etat;
    }
    EtatBase().clear();
}

} // namespace
