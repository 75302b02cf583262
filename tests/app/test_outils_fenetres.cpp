#include "app/outils_fenetres.h"
#include "app/twips.h"
#include "tools/vod_outils.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<QWidget> Fenetre(const QString& nom, const QRect& geometrie) {
    auto w = std::make_unique<QWidget>();
    w->setObjectName(nom);
    w->setGeometry(geometrie);
    return w;
}

} // namespace

TEST(OutilsFenetres, FenetresChargeesParLeurNom) {
    FenetresQt fenetres;
    InstallationFenetresProgramme installation(fenetres);
    VOD_Outils o;
    EXPECT_FALSE(o.FormEstOuverte("aidesecur"));
    {
        // Loaded is enough: a hidden window counts; a child widget is no window.
        auto aide = Fenetre("aidesecur", QRect(10, 10, 200, 100));
        QWidget enfant(aide.get());
        enfant.setObjectName("tableau");
        EXPECT_TRUE(o.FormEstOuverte("aidesecur"));
        EXPECT_FALSE(o.FormEstOuverte("AIDESECUR"));
        EXPECT_FALSE(o.FormEstOuverte("tableau"));
        aide->show();
        EXPECT_TRUE(o.FormEstOuverte("aidesecur"));
    }
    EXPECT_FALSE(o.FormEstOuverte("aidesecur"));
}

TEST(OutilsFenetres, GeometrieEnTwipsEtCentrage) {
    auto w = Fenetre("options", QRect(40, 30, 320, 240));
    w->show();
    FenetreQt f(*w);
    EXPECT_EQ(f.Nom(), "options");
    const QRect cadre = w->frameGeometry();
    EXPECT_EQ(f.Geometrie(),
              QRect(twips::DePixels(cadre.x(), w.get()), twips::DePixels(cadre.y(), w.get()),
                    twips::DePixels(cadre.width(), w.get()),
                    twips::DePixels(cadre.height(), w.get())));
    const QSize ecran = w->screen()->geometry().size();
    EXPECT_EQ(f.TailleEcran(), QSize(twips::DePixels(ecran.width(), w.get()),
                                     twips::DePixels(ecran.height(), w.get())));
    // 1440 twips are one logical inch.
    EXPECT_EQ(twips::VersPixels(f.TailleEcran().width(), w.get()), ecran.width());

    VOD_Outils().CentrerForm(f);
    // Across the screen, and on the upper 85 % of its height; twips rounding costs a pixel.
    const QRect apres = w->frameGeometry();
    EXPECT_NEAR(apres.x(), (ecran.width() - cadre.width()) / 2.0, 1.0);
    EXPECT_NEAR(apres.y(), (0.85 * ecran.height() - cadre.height()) / 2.0, 1.0);
    EXPECT_EQ(apres.size(), cadre.size());
}

// The offscreen screen activates every window it shows, so only the flags, the place and the
// attribute left as it was can be seen here.
TEST(OutilsFenetres, PremierPlanSansDeplacement) {
    auto principale = Fenetre("synchro", QRect(0, 0, 400, 300));
    auto options = Fenetre("options", QRect(50, 60, 300, 200));
    principale->show();
    // Hidden until then: brought to the front means shown.
    options->winId();
    const QRect geometrie = options->geometry();
    FenetreQt f(*options);
    VOD_Outils o;

    o.FormAuPremierPlan(f, true);
    QApplication::processEvents();
    EXPECT_TRUE(options->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(options->isVisible());
    EXPECT_EQ(options->geometry(), geometrie);
    EXPECT_FALSE(options->testAttribute(Qt::WA_ShowWithoutActivating));

    o.FormAuPremierPlan(f, false);
    QApplication::processEvents();
    EXPECT_FALSE(options->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(options->isVisible());
    EXPECT_EQ(options->geometry(), geometrie);
}
