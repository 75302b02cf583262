#include "app/dialogue_conflits.h"
#include "settings/etat.h"
#include "testutil/factices.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

using fusion::Ecart;

// Two fields in conflict (one emptied on the server), a field that simply goes to the server,
// and a row gone from the server.
const QList<Ecart> Ecarts{
    {QStringLiteral("Consultation"),
     12,
     QStringLiteral("texte"),
     QStringLiteral("a"),
     QStringLiteral("b"),
     QStringLiteral("c"),
     true,
     {},
     {},
     {}},
    {QStringLiteral("Consultation"), 12, QStringLiteral("poids"), 70, 72, {}, true, {}, {}, {}},
    {QStringLiteral("Patient"),
     3,
     QStringLiteral("nom"),
     QStringLiteral("x"),
     QStringLiteral("y"),
     QStringLiteral("x"),
     false,
     {},
     {},
     {}},
    {QStringLiteral("Courrier"), 8, fusion::ChampEnregistrement, {}, {}, {}, true, {}, {}, {}},
};

QComboBox* Choix(QDialog& d, int ligne) {
    auto* table = d.findChild<QTableWidget*>(QStringLiteral("conflits"));
    return table == nullptr ? nullptr : qobject_cast<QComboBox*>(table->cellWidget(ligne, 6));
}

QPushButton* Bouton(QDialog& d, const char* nom) {
    return d.findChild<QPushButton*>(QString::fromLatin1(nom));
}

// The choices as "key=value", Null as "(null)", for readable failures.
QStringList Lus(const QHash<QString, QVariant>& choix) {
    QStringList lus;
    for (auto it = choix.cbegin(); it != choix.cend(); ++it) {
        lus.append(it.key() + QLatin1Char('=') +
                   (it->isNull() ? QStringLiteral("(null)") : it->toString()));
    }
    lus.sort();
    return lus;
}

// The dialog shown over no window, answered by `geste`; closed if the gesture left it open.
bool Repondre(const std::function<void(QDialog&)>& geste, QHash<QString, QVariant>& choix) {
    bool vu = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (d == nullptr) {
            return;
        }
        vu = true;
        geste(*d);
        if (d->isVisible()) {
            ADD_FAILURE() << "the dialog stayed open";
            d->reject();
        }
    });
    const bool suite = ChoisirConflits(nullptr, Ecarts, choix);
    EXPECT_TRUE(vu) << "no modal dialog";
    return suite;
}

// Enter keeps the server's value everywhere; the conflicts alone are shown, in their three
// states, the row gone from the server unable to take the laptop's.
TEST(DialogueConflits, EntreeGardeLeServeurPartout) {
    QHash<QString, QVariant> choix;
    EXPECT_TRUE(Repondre(
        [](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), TitreModule);
            const auto* table = d.findChild<QTableWidget*>(QStringLiteral("conflits"));
            ASSERT_NE(table, nullptr);
            ASSERT_EQ(table->rowCount(), 3);
            QStringList lignes;
            for (int l = 0; l < table->rowCount(); ++l) {
                QStringList cellules;
                for (int c = 0; c < 6; ++c) {
                    cellules.append(table->item(l, c)->text());
                }
                lignes.append(cellules.join(QLatin1Char('|')));
                EXPECT_EQ(Choix(d, l)->currentIndex(), 0) << "the server preselected";
            }
            EXPECT_EQ(lignes, (QStringList{QStringLiteral("Consultation|12|texte|a|b|c"),
                                           QStringLiteral("Consultation|12|poids|70|72|(vide)"),
                                           QStringLiteral("Courrier|8|(enregistrement)|(présent)|"
                                                          "(modifié)|(supprimé)")}));
            EXPECT_TRUE(Choix(d, 0)->isEnabled());
            EXPECT_FALSE(Choix(d, 2)->isEnabled());
            // A line switched, then Enter: the default button drops it.
            Choix(d, 0)->setCurrentIndex(1);
            QTest::keyClick(&d, Qt::Key_Return);
        },
        choix));
    EXPECT_EQ(Lus(choix), QStringList());
}

TEST(DialogueConflits, LesChoixParLigneDonnentLaValeurDuServeurVue) {
    QHash<QString, QVariant> choix;
    EXPECT_TRUE(Repondre(
        [](QDialog& d) {
            Choix(d, 1)->setCurrentIndex(1);
            Bouton(d, "avecchoix")->click();
        },
        choix));
    EXPECT_EQ(Lus(choix), QStringList{QStringLiteral("consultation|12|poids=(null)")});

    choix.clear();
    EXPECT_TRUE(Repondre(
        [](QDialog& d) {
            Choix(d, 0)->setCurrentIndex(1);
            Choix(d, 2)->setCurrentIndex(1); // disabled: the row is never recreated
            Bouton(d, "avecchoix")->click();
        },
        choix));
    EXPECT_EQ(Lus(choix), QStringList{QStringLiteral("consultation|12|texte=c")});
}

TEST(DialogueConflits, AnnulerOuEchapArreteLaSynchronisation) {
    QHash<QString, QVariant> choix;
    const auto annuler = [](QDialog& d) {
        Choix(d, 0)->setCurrentIndex(1);
        Bouton(d, "annuler")->click();
    };
    const auto echap = [](QDialog& d) {
        Choix(d, 0)->setCurrentIndex(1);
        QTest::keyClick(&d, Qt::Key_Escape);
    };
    EXPECT_FALSE(Repondre(annuler, choix));
    EXPECT_FALSE(Repondre(echap, choix));
    EXPECT_EQ(Lus(choix), QStringList());
}

} // namespace
