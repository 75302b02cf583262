#include "app/services_qt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Vu {
    QString titre;
    int hauteurLibelle = 0;
    int hauteurSansCoupure = 0;
    QStringList boutons;
    QString parDefaut;
};

// Looks at the box once it is shown, then presses the button named.
Vu RepondreA(const QString& texte, int style, const QString& bouton) {
    Vu vu;
    QTimer::singleShot(0, [&] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(boite, nullptr);
        vu.titre = boite->windowTitle();
        const QLabel* libelle = boite->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(libelle, nullptr);
        // As many text lines as the message has: none of them wrapped.
        vu.hauteurLibelle = libelle->heightForWidth(libelle->width());
        vu.hauteurSansCoupure = static_cast<int>(texte.count(QLatin1Char('\n')) + 1) *
                                QFontMetrics(libelle->font()).lineSpacing();
        if (boite->defaultButton() != nullptr) {
            vu.parDefaut = boite->defaultButton()->text();
        }
        for (QAbstractButton* b : boite->buttons()) {
            vu.boutons.append(b->text());
            if (b->text() == bouton) {
                b->click();
            }
        }
    });
    BoitesQt boites;
    const int reponse = boites.Afficher(texte, style, QStringLiteral("Synchronisation"));
    vu.boutons.append(QString::number(reponse));
    return vu;
}

} // namespace

TEST(BoitesQt, UneLongueLigneNEstPasCoupeeAvantSonDernierMot) {
    const QString texte = QStringLiteral(
        "ATTENTION : Seules les modifications suivantes seront prises en compte\r\n"
        "lors de la synchronisation avec la base distante :\r\n\r\n"
        "  + Création d'objets de type 'Fichier' (Word, Excel, Scrivola, Mspaint, ...)");
    const Vu vu = RepondreA(texte, plateforme::mb::Information, QStringLiteral("OK"));
    EXPECT_EQ(vu.titre, QStringLiteral("Synchronisation"));
    EXPECT_LE(vu.hauteurLibelle, vu.hauteurSansCoupure + 2) << vu.hauteurSansCoupure;
    EXPECT_EQ(vu.boutons.last(), QString::number(plateforme::mb::OK));
}

TEST(BoitesQt, OuiNonAvecNonParDefaut) {
    const Vu non =
        RepondreA(QStringLiteral("Voulez-vous continuer ?"),
                  plateforme::mb::YesNo | plateforme::mb::Question | plateforme::mb::DefaultButton2,
                  QStringLiteral("&Non"));
    EXPECT_EQ(non.parDefaut, QStringLiteral("&Non"));
    EXPECT_EQ(non.boutons.last(), QString::number(plateforme::mb::No));
    const Vu oui =
        RepondreA(QStringLiteral("Voulez-vous continuer ?"),
                  plateforme::mb::YesNo | plateforme::mb::Question, QStringLiteral("&Oui"));
    EXPECT_EQ(oui.parDefaut, QStringLiteral("&Oui"));
    EXPECT_EQ(oui.boutons.last(), QString::number(plateforme::mb::Yes));
}

TEST(BoitesQt, LesDetailsSeDeplientParUnBoutonEnFrancais) {
    QStringList boutons;
    QString details;
    QTimer::singleShot(0, [&] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(boite, nullptr);
        details = boite->detailedText();
        QAbstractButton* oui = nullptr;
        for (QAbstractButton* b : boite->buttons()) {
            boutons.append(b->text());
            if (b->text() == QStringLiteral("&Oui")) {
                oui = b;
            }
        }
        ASSERT_NE(oui, nullptr);
        oui->click();
    });
    BoitesQt boites;
    const int reponse = boites.AfficherAvecDetails(
        QStringLiteral("Voulez-vous continuer ?"),
        plateforme::mb::YesNo | plateforme::mb::Question | plateforme::mb::DefaultButton2,
        QStringLiteral("Synchronisation"), QStringLiteral("patient : 3"));
    EXPECT_EQ(reponse, plateforme::mb::Yes);
    EXPECT_EQ(details, QStringLiteral("patient : 3"));
    // Qt's own French text.
    EXPECT_TRUE(boutons.contains(QStringLiteral("Montrer les détails...")))
        << boutons.join(QLatin1Char('|')).toStdString();
}
