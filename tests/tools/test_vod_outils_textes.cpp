#include "platform/erreur.h"
#include "platform/services.h"
#include "testutil/factices.h"
#include "tools/vod_outils.h"

#include <gtest/gtest.h>

TEST(AjouterClauseWhere, OuvreEnchaineEtFerme) {
    VOD_Outils o;
    const QVariant null;
    QString clause = o.AjouterClauseWhere(QString(), null, QStringLiteral("nom = 'A'"));
    EXPECT_EQ(clause, " (nom = 'A'");
    clause = o.AjouterClauseWhere(clause, QStringLiteral("AND"), QStringLiteral("actif = 1"));
    EXPECT_EQ(clause, " (nom = 'A' AND actif = 1");
    clause = o.AjouterClauseWhere(clause, null, null);
    EXPECT_EQ(clause, " (nom = 'A' AND actif = 1)");
    // Nothing added: nothing to close.
    EXPECT_EQ(o.AjouterClauseWhere(null, QStringLiteral("OR"), null), "");
    EXPECT_EQ(o.AjouterClauseWhere(QString(), QStringLiteral("OR"), null), "");
    // A Null list starts like an empty one.
    EXPECT_EQ(o.AjouterClauseWhere(null, QStringLiteral("OR"), QStringLiteral("B")), " (B");
}

TEST(DecomposerChemin, DernierSeparateurEtDernierPoint) {
    VOD_Outils o;
    QString chemin, nom, ext;
    o.DecomposerChemin(QStringLiteral("C:\\zelvano\\courrier\\lettre.2026.doc"), chemin, nom, ext);
    EXPECT_EQ(chemin, "C:\\zelvano\\courrier\\");
    EXPECT_EQ(nom, "lettre.2026");
    EXPECT_EQ(ext, "doc");
    // The only dot lies in a folder name.
    o.DecomposerChemin(QStringLiteral("C:\\zelvano.v7\\LISEZMOI"), chemin, nom, ext);
    EXPECT_EQ(chemin, "C:\\zelvano.v7\\");
    EXPECT_EQ(nom, "LISEZMOI");
    EXPECT_EQ(ext, "");
    // A bare name.
    o.DecomposerChemin(QStringLiteral("synchro.ini"), chemin, nom, ext);
    EXPECT_EQ(chemin, "");
    EXPECT_EQ(nom, "synchro");
    EXPECT_EQ(ext, "ini");
    o.DecomposerChemin(QStringLiteral("C:\\bd\\"), chemin, nom, ext);
    EXPECT_EQ(chemin, "C:\\bd\\");
    EXPECT_EQ(nom, "");
    EXPECT_EQ(ext, "");
}

TEST(Textes, TamponsApostrophesEtFinsDeLigne) {
    VOD_Outils o;
    EXPECT_EQ(o.Buffer2String(QStringLiteral("sans nul é")), "sans nul é");
    EXPECT_EQ(o.Buffer2String(QString("C:\\WINDOWS") + QChar(0) + "reste" + QChar(0)),
              "C:\\WINDOWS");
    EXPECT_EQ(o.Buffer2String(QString(QChar(0)) + "x"), "");
    // An apostrophe becomes a blank, it is not doubled.
    EXPECT_EQ(o.PreparerPourSQL(QStringLiteral("l'hôpital \"Saint-Éloi\"")),
              "l hôpital  Saint-Éloi ");
    EXPECT_EQ(o.RemplacerCRLFparBlanc(QString("a\r\nb") + QChar(0) + "c\nd\r"), "a  bc d ");
}

TEST(Textes, NullVideEtZero) {
    VOD_Outils o;
    const QVariant null;
    EXPECT_TRUE(o.NullSiVide(null).isNull());
    EXPECT_TRUE(o.NullSiVide(QString()).isNull());
    EXPECT_EQ(o.NullSiVide(QStringLiteral(" ")), QVariant(QStringLiteral(" ")));
    EXPECT_EQ(o.NullSiVide(0), QVariant(0));
    EXPECT_EQ(o.VideSiNull(null), "");
    EXPECT_EQ(o.VideSiNull(42), "42");
    EXPECT_EQ(o.ZeroSiNull(null), QVariant(QStringLiteral("0")));
    EXPECT_EQ(o.ZeroSiNull(7), QVariant(7));
}

TEST(AAAAMMJJ2Date, HuitChiffresOuDateZero) {
    VOD_Outils o;
    EXPECT_EQ(o.AAAAMMJJ2Date(QStringLiteral("20261207")),
              QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    EXPECT_EQ(o.AAAAMMJJ2Date(QStringLiteral("19000101")),
              QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    EXPECT_EQ(o.AAAAMMJJ2Date(QStringLiteral("2026127")), zero);
    EXPECT_EQ(o.AAAAMMJJ2Date(QStringLiteral("202612070")), zero);
    EXPECT_EQ(o.AAAAMMJJ2Date(QVariant()), zero);
    // Eight characters that make no date.
    for (const char* faux : {"20261399", "20260230", "2026-1-7", "-0011207"}) {
        try {
            o.AAAAMMJJ2Date(QString::fromLatin1(faux));
            ADD_FAILURE() << faux;
        } catch (const plateforme::Erreur& e) {
            EXPECT_EQ(e.Number(), 13) << faux;
        }
    }
}

TEST(DecomposerChaine, MorceauxDepuisUn) {
    VOD_Outils o;
    QStringList r{"ancien", "contenu", "jeté"};
    o.DecomposerChaine(QStringLiteral("P;zelvano;;bd"), QStringLiteral(";"), r);
    EXPECT_EQ(r, (QStringList{"", "P", "zelvano", "", "bd"}));
    // A last empty piece is not kept; a delimiter of several characters.
    o.DecomposerChaine(QStringLiteral("a, b, "), QStringLiteral(", "), r);
    EXPECT_EQ(r, (QStringList{"", "a", "b"}));
    o.DecomposerChaine(QString(), QStringLiteral(";"), r);
    EXPECT_EQ(r, QStringList{""});
    o.DecomposerChaine(QStringLiteral("sans"), QStringLiteral(";"), r);
    EXPECT_EQ(r, (QStringList{"", "sans"}));
    o.DecomposerChaine(QStringLiteral("a;b"), QString(), r);
    EXPECT_EQ(r, (QStringList{"", "a;b"}));
}

TEST(RemplacerChaine, GaucheADroiteSansRelire) {
    VOD_Outils o;
    EXPECT_EQ(o.RemplacerChaine(QStringLiteral("aaaa"), QStringLiteral("aa"), QStringLiteral("a")),
              "aa");
    EXPECT_EQ(o.RemplacerChaine(QStringLiteral("aa"), QStringLiteral("a"), QStringLiteral("aa")),
              "aaaa");
    EXPECT_EQ(o.RemplacerChaine(QStringLiteral("aaa"), QStringLiteral("aa"), QStringLiteral("b")),
              "ba");
    EXPECT_EQ(o.RemplacerChaine(QStringLiteral("Été été"), QStringLiteral("été"),
                                QStringLiteral("hiver")),
              "Été hiver");
    EXPECT_EQ(o.RemplacerChaine(QStringLiteral("abc"), QString(), QStringLiteral("x")), "abc");
}

TEST(DateHeureEnMillisecondes, TempsUniverselAuMillieme) {
    // One hour east of universal time, all year round: 00:30 local is 23:30 the day before.
    const QByteArray ancienne = qgetenv("TZ");
    qputenv("TZ", "CET-1");
    factices::Environnement env;
    env.horloge.Definir(QDateTime(QDate(2026, 3, 4), QTime(0, 30, 0, 8)));
    const QString texte = VOD_Outils().DateHeureEnMillisecondes();
    env.horloge.Definir(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999)));
    const QString fin = VOD_Outils().DateHeureEnMillisecondes();
    if (ancienne.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", ancienne);
    }
    EXPECT_EQ(texte, "03/03/2026 23:30:00:008");
    EXPECT_EQ(fin, "31/12/2026 22:59:59:999");
}
