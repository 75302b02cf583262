// The closing summary of a run and the progress of its steps.
#include "settings/bilan.h"
#include "testutil/factices.h"

#include <gtest/gtest.h>

namespace {

TEST(Bilan, LigneEnMinutesEtSecondes) {
    factices::Environnement env;
    Bilan().Commencer();
    Bilan().AjouterEnvoyes(12, 3);
    Bilan().AjouterEnvoyes(1, 0);
    Bilan().AjouterCopies(40);
    env.horloge.Avancer(75'999);
    EXPECT_EQ(Bilan().Ligne(), QStringLiteral("Bilan : 13 enregistrement(s) envoyé(s), 3 "
                                              "fichier(s) envoyé(s), 40 fichier(s) copié(s) en "
                                              "1:15"));
    env.horloge.Avancer(3600'000);
    EXPECT_TRUE(Bilan().Ligne().endsWith(QStringLiteral(" en 61:15")));
    // A new run starts from nothing.
    Bilan().Commencer();
    EXPECT_EQ(Bilan().Ligne(), QStringLiteral("Bilan : 0 enregistrement(s) envoyé(s), 0 "
                                              "fichier(s) envoyé(s), 0 fichier(s) copié(s) en "
                                              "0:00"));
}

TEST(Bilan, LaProgressionNAtteintLaFenetreQuaChaqueCentieme) {
    factices::Fenetre fenetre;
    const InstallationFenetre installation(fenetre);
    const QString etape = QStringLiteral("Envoi de la table patient");
    for (qint64 i = 1; i <= 100'000; ++i) {
        Progression(etape, i, 100'000);
    }
    ASSERT_LE(fenetre.avancements.size(), 101);
    EXPECT_EQ(fenetre.avancements.last().fait, 100'000);
    EXPECT_EQ(fenetre.avancements.last().total, 100'000);
    EXPECT_TRUE(fenetre.progressionVisible);

    // The next step shows at once, even at the same percentage; a step of unknown length once.
    const qsizetype avant = fenetre.avancements.size();
    Progression(QStringLiteral("Envoi de la table consultation"), 0, 5);
    Progression(QStringLiteral("Copie du dossier P:\\zelvano\\courrier"), 0, 0);
    Progression(QStringLiteral("Copie du dossier P:\\zelvano\\courrier"), 0, 0);
    ASSERT_EQ(fenetre.avancements.size(), avant + 2);
    EXPECT_EQ(fenetre.avancements.last().total, 0);

    // Hidden at the end of the run; the next run's first step shows again.
    FinProgression();
    EXPECT_FALSE(fenetre.progressionVisible);
    Progression(etape, 1, 100'000);
    EXPECT_TRUE(fenetre.progressionVisible);
    EXPECT_EQ(fenetre.avancements.size(), avant + 3);
    FinProgression();
}

} // namespace
