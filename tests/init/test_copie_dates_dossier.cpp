// The modified-only copies compare the times of whole folders opened once.
#include "init/copie_dossier.h"
#include "init/dates_fichier.h"
#include "init/poste_copie.h"
#include "platform/fichiers.h"
#include "settings/parametres.h"
#include "testutil/conditions.h"

#include <QDir>
#include <QFile>

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using essais::Poste;

using essais::D;
using essais::Destination;
using essais::S;
using essais::Source;

void DefinirTemps(const Poste& poste, const QString& cheminWindows, time_t s, long ns = 0) {
    const struct timespec t[2] = {{0, UTIME_OMIT}, {s, ns}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(poste.Natif(cheminWindows)).constData(), t, 0), 0);
}

TEST(DatesDossier, CommeLesDatesLuesFichierParFichier) {
    Poste poste;
    for (const char* nom : {"meme.txt", "ms.txt", "seconde.txt", "seul.txt", "local.txt"}) {
        if (QByteArray(nom) != "local.txt") {
            poste.Ecrire(S(QString::fromLatin1(nom)), "s");
        }
        if (QByteArray(nom) != "seul.txt") {
            poste.Ecrire(D(QString::fromLatin1(nom)), "d");
        }
    }
    DefinirTemps(poste, S(QStringLiteral("meme.txt")), 1700000000, 5);
    DefinirTemps(poste, D(QStringLiteral("meme.txt")), 1700000000, 5);
    DefinirTemps(poste, S(QStringLiteral("ms.txt")), 1700000000, 100000000);
    DefinirTemps(poste, D(QStringLiteral("ms.txt")), 1700000000, 900000000);
    DefinirTemps(poste, S(QStringLiteral("seconde.txt")), 1700000000, 900000000);
    DefinirTemps(poste, D(QStringLiteral("seconde.txt")), 1700000001, 100000000);
    ASSERT_TRUE(QDir().mkpath(poste.Natif(D(QStringLiteral("dossier.txt")))));
    poste.Ecrire(S(QStringLiteral("dossier.txt")), "s");

    const plateforme::DossierOuvert src(Source);
    const plateforme::DossierOuvert dst(Destination);
    for (const char* nom :
         {"meme.txt", "ms.txt", "seconde.txt", "seul.txt", "local.txt", "dossier.txt", "nul.txt"}) {
        const QString n = QString::fromLatin1(nom);
        SCOPED_TRACE(nom);
        const bool attendu =
            DerniereEcritureLocale(S(n), true) != DerniereEcritureLocale(D(n), false);
        EXPECT_EQ(FichiersDifferents(src, dst, n), attendu);
    }
    EXPECT_FALSE(FichiersDifferents(src, dst, QStringLiteral("ms.txt")));
    EXPECT_TRUE(FichiersDifferents(src, dst, QStringLiteral("seconde.txt")));
    EXPECT_TRUE(FichiersDifferents(src, dst, QStringLiteral("seul.txt")));
    EXPECT_TRUE(FichiersDifferents(src, dst, QStringLiteral("dossier.txt")));
    EXPECT_FALSE(FichiersDifferents(src, dst, QStringLiteral("nul.txt")));
}

// Files written together share their time: a size that differs still tells them apart, in both
// modified-only ways, and nothing alike is copied again.
TEST(DatesDossier, TailleDifferenteALaMemeSeconde) {
    Poste poste;
    poste.Ecrire(S(QStringLiteral("a.doc")), "contenu du serveur");
    poste.Ecrire(D(QStringLiteral("a.doc")), "contenu local, plus long");
    poste.Ecrire(S(QStringLiteral("b.doc")), "serveur");
    poste.Ecrire(D(QStringLiteral("b.doc")), "local..");
    for (const char* nom : {"a.doc", "b.doc"}) {
        DefinirTemps(poste, S(QString::fromLatin1(nom)), 1700000000);
        DefinirTemps(poste, D(QString::fromLatin1(nom)), 1700000000, 400000000);
    }
    const plateforme::DossierOuvert src(Source);
    const plateforme::DossierOuvert dst(Destination);
    EXPECT_TRUE(FichiersDifferents(src, dst, QStringLiteral("a.doc")));
    EXPECT_FALSE(FichiersDifferents(src, dst, QStringLiteral("b.doc")));
    for (int securisee : {1, 0}) {
        Param().copiesecurisee = static_cast<qint16>(securisee);
        Param().modifiesuniquement = 1;
        poste.Ecrire(D(QStringLiteral("a.doc")), "contenu local, plus long");
        DefinirTemps(poste, D(QStringLiteral("a.doc")), 1700000000);
        ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
        EXPECT_TRUE(poste.Messages().last().startsWith(QStringLiteral("-> 1/2 ")))
            << qPrintable(poste.Messages().last());
        EXPECT_EQ(poste.Contenu(D(QStringLiteral("a.doc"))), "contenu du serveur");
        EXPECT_EQ(poste.Contenu(D(QStringLiteral("b.doc"))), "local..") << "same time and size";
    }
}

// When the clocks go back, two instants an hour apart read alike in local time: the copies
// compare the times as Windows shows them, so such files are taken as alike.
TEST(DatesDossier, HeureRepeteeComparesEnTempsLocal) {
    if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/Europe/Paris"))) {
        GTEST_SKIP() << "no time-zone data";
    }
    const essais::Fuseau paris("Europe/Paris");
    Poste poste;
    poste.Ecrire(S(QStringLiteral("a.txt")), "s");
    poste.Ecrire(D(QStringLiteral("a.txt")), "d");
    // 2026-10-25 00:30 UTC is 02:30 summer time; 01:30 UTC is 02:30 winter time.
    DefinirTemps(poste, S(QStringLiteral("a.txt")), 1792888200);
    DefinirTemps(poste, D(QStringLiteral("a.txt")), 1792888200 + 3600);
    ASSERT_EQ(DerniereEcritureLocale(S(QStringLiteral("a.txt")), true),
              DerniereEcritureLocale(D(QStringLiteral("a.txt")), false));
    const plateforme::DossierOuvert src(Source);
    const plateforme::DossierOuvert dst(Destination);
    EXPECT_FALSE(FichiersDifferents(src, dst, QStringLiteral("a.txt")));

    DefinirTemps(poste, D(QStringLiteral("a.txt")), 1792888200 + 7200);
    EXPECT_TRUE(FichiersDifferents(src, dst, QStringLiteral("a.txt")));
}

// A whole folder with difficult names: copied once, alike afterwards, a local name in another
// case replaced rather than doubled.
TEST(DatesDossier, DossierCopiePuisInchange) {
    Poste poste;
    QStringList noms;
    for (int i = 0; i < 60; ++i) {
        noms << QStringLiteral("Courrier n° %1 à Mme Hélène .rtf").arg(i);
    }
    noms << QString(120, QChar(0x00E8)) + QStringLiteral(".doc");
    for (qsizetype i = 0; i < noms.size(); ++i) {
        poste.Ecrire(S(noms[i]), QByteArray(1000 + i, 'x'));
        DefinirTemps(poste, S(noms[i]), 1700000000 + i, 250000000);
    }
    poste.Ecrire(D(noms[0].toUpper()), "ancienne version locale");
    Param().copiesecurisee = 1;
    Param().modifiesuniquement = 1;
    const QString total = QString::number(noms.size());
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(poste.Messages().last(), QStringLiteral("-> ") + total + QLatin1Char('/') + total +
                                           QStringLiteral(" fichier(s) copié(s) en mode sécurisé "
                                                          "(modifiés uniquement)"));
    EXPECT_EQ(QDir(poste.Natif(Destination)).entryList(QDir::Files | QDir::Hidden).size(),
              noms.size());
    EXPECT_EQ(poste.Contenu(D(noms[0].toUpper())), QByteArray(1000, 'x'));
    for (qsizetype i = 0; i < noms.size(); ++i) {
        EXPECT_EQ(poste.Ecriture(D(noms[i])), poste.Ecriture(S(noms[i])));
    }

    for (int securisee : {1, 0}) {
        Param().copiesecurisee = static_cast<qint16>(securisee);
        ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
        EXPECT_TRUE(poste.Messages().last().startsWith(QStringLiteral("-> 0/") + total))
            << qPrintable(poste.Messages().last());
    }
    // One file touched: that one only.
    DefinirTemps(poste, S(noms[7]), 1800000000);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_TRUE(poste.Messages().last().startsWith(QStringLiteral("-> 1/") + total));
    EXPECT_EQ(poste.Ecriture(D(noms[7])), 1800000000000LL);
}

} // namespace
