#include "platform/erreur.h"
#include "testutil/factices.h"
#include "tools/vod_outils.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

class FenetreFactice final : public FenetreOutils {
public:
    QString Nom() const override { return QStringLiteral("options"); }
    QRect Geometrie() const override { return geometrie; }
    void Deplacer(int gauche, int haut) override { geometrie.moveTo(gauche, haut); }
    QSize TailleEcran() const override { return ecran; }
    void PremierPlan(bool auDessus) override { plans.append(auDessus); }
    QRect geometrie;
    QSize ecran;
    QList<bool> plans;
};

class FenetresFactices final : public FenetresProgramme {
public:
    QStringList NomsChargees() const override { return noms; }
    QStringList noms;
};

} // namespace

TEST(AfficherErreur, BoiteSeulementPourUneErreur) {
    factices::Environnement env;
    VOD_Outils o;
    o.AfficherErreur();
    const plateforme::Erreur aucune(0, QStringLiteral("rien"));
    o.AfficherErreur(&aucune);
    EXPECT_TRUE(env.boites.affichees.isEmpty());
    const plateforme::Erreur erreur(53, QStringLiteral("Fichier introuvable"));
    o.AfficherErreur(&erreur);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte, "Erreur 53 : Fichier introuvable");
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Exclamation | plateforme::mb::OKOnly);
    EXPECT_EQ(env.boites.affichees[0].titre, "Une erreur s'est produite");
}

TEST(Fenetres, CentrerSurLesQuatreCinquiemesDeLEcran) {
    VOD_Outils o;
    FenetreFactice f;
    f.ecran = QSize(15360, 11520);
    f.geometrie = QRect(0, 0, 6015, 4005);
    o.CentrerForm(f);
    // 15360 / 2 - 6015 / 2 ; 0.85 * 11520 = 9792, / 2 = 4896, - 4005 / 2.
    EXPECT_EQ(f.geometrie, QRect(7680 - 3007, 4896 - 2002, 6015, 4005));
    // 0.85 * 16 = 13.6 is rounded to 14 before halving, not cut to 13.
    f.ecran = QSize(11, 16);
    f.geometrie = QRect(100, 100, 3, 4);
    o.CentrerForm(f);
    EXPECT_EQ(f.geometrie.topLeft(), QPoint(5 - 1, 7 - 2));
    // A window larger than the screen goes above and left of it.
    f.geometrie = QRect(0, 0, 40, 40);
    o.CentrerForm(f);
    EXPECT_EQ(f.geometrie.topLeft(), QPoint(5 - 20, 7 - 20));
}

TEST(Fenetres, OuverteParNomExactEtPremierPlan) {
    VOD_Outils o;
    FenetresFactices fenetres;
    fenetres.noms = {"synchro", "options"};
    EXPECT_FALSE(o.FormEstOuverte("options"));
    {
        InstallationFenetresProgramme installation(fenetres);
        EXPECT_TRUE(o.FormEstOuverte("options"));
        EXPECT_TRUE(o.FormEstOuverte("synchro"));
        EXPECT_FALSE(o.FormEstOuverte("Options"));
        EXPECT_FALSE(o.FormEstOuverte("aidesecur"));
        EXPECT_FALSE(o.FormEstOuverte(""));
    }
    EXPECT_FALSE(o.FormEstOuverte("synchro"));

    FenetreFactice f;
    o.FormAuPremierPlan(f, true);
    EXPECT_EQ(f.plans, QList<bool>{true});
    f.plans.clear();
    o.FormAuPremierPlan(f, false);
    EXPECT_EQ(f.plans, (QList<bool>{true, false}));
}

TEST(Attentes, HorlogeFacticeEtSommeil) {
    factices::Environnement env;
    VOD_Outils o;
    // Each yield moves the fake clock by 10 ms.
    o.WaitEnMsec(95, 0);
    EXPECT_EQ(env.ecran.cessions, 10);
    EXPECT_EQ(env.horloge.TicMillisecondes(), 100);
    o.WaitEnMsec(0, 0);
    o.WaitEnMsec(-5, 0);
    EXPECT_EQ(env.ecran.cessions, 10);
    // A sleep per pass on top of the yield.
    QElapsedTimer montre;
    montre.start();
    o.WaitEnMsec(30, 20);
    EXPECT_EQ(env.ecran.cessions, 13);
    EXPECT_GE(montre.elapsed(), 60);
    montre.restart();
    o.ArreterExecution(50);
    EXPECT_GE(montre.elapsed(), 50);
    o.ArreterExecution(-1);
    // Attendre counts whole seconds of the clock, as AttendreSecondes does.
    env.horloge.Definir(QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9, 500)));
    const int avant = env.ecran.cessions;
    o.Attendre(2);
    EXPECT_EQ(env.horloge.Maintenant(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 11)));
    EXPECT_EQ(env.ecran.cessions - avant, 150);
}
