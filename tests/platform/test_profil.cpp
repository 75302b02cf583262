#include "platform/chemins.h"
#include "platform/profil.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

using plateforme::GetPrivateProfileIntA;
using plateforme::GetPrivateProfileStringA;
using plateforme::WritePrivateProfileStringA;

const QString Ini = QStringLiteral("D:\\conf\\poste2.ini");

class Profil : public ::testing::Test {
protected:
    factices::Machine machine;

    void Ecrire(const QByteArray& contenu) const { machine.EcrireFichier(Ini, contenu); }
    QByteArray Lire() const { return machine.LireFichier(Ini); }
    QString Texte(const QString& section, const QString& cle,
                  const QString& defaut = QStringLiteral("DEF"), int taille = 255) const {
        QString tampon;
        const int n = GetPrivateProfileStringA(section, cle, defaut, tampon, taille, Ini);
        EXPECT_EQ(n, tampon.size());
        return tampon;
    }
    int Entier(const QString& section, const QString& cle, int defaut = -77) const {
        return GetPrivateProfileIntA(section, cle, defaut, Ini);
    }
    // No temporary file may stay beside the settings file.
    void PasDeTemporaire() const {
        const QFileInfo info(machine.Natif(Ini));
        EXPECT_EQ(QDir(info.absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
};

TEST_F(Profil, LectureSansEgardALaCasseEtRognee) {
    Ecrire("; commentaire=1\r\n"
           "[General]\r\n"
           "  Unite  =   Q  \r\n"
           "zelvanodir=\"  zel vano \"\r\n"
           "simple='x'\r\n"
           "dissymetrique=\"x'\r\n"
           ";createlog=1\r\n"
           "vide=\r\n"
           "[OPTIONS]\r\n"
           "createlog=1\r\n");
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("UNITE")), QStringLiteral("Q"));
    EXPECT_EQ(Texte(QStringLiteral("GENERAL"), QStringLiteral("zelvanodir")),
              QStringLiteral("  zel vano "));
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("simple")), QStringLiteral("x"));
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("dissymetrique")),
              QStringLiteral("\"x'"));
    // A present key with an empty value is the empty text, not the default.
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("vide")), QString());
    // Commented lines, keys of other sections and missing keys give the default, trimmed.
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("createlog")), QStringLiteral("DEF"));
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("commentaire")),
              QStringLiteral("DEF"));
    EXPECT_EQ(Texte(QStringLiteral("options"), QStringLiteral("unite"), QStringLiteral(" P  ")),
              QStringLiteral(" P"));
    EXPECT_EQ(Texte(QStringLiteral("absente"), QStringLiteral("unite")), QStringLiteral("DEF"));
    EXPECT_EQ(Entier(QStringLiteral("Options"), QStringLiteral("CreateLog")), 1);
}

TEST_F(Profil, TamponDe255GardeAuPlus254Caracteres) {
    const QByteArray longue(300, 'a');
    Ecrire("[general]\nlong=" + longue + "\ncourt=abc\n");
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("long")),
              QString(254, QLatin1Char('a')));
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("court"), {}, 3),
              QStringLiteral("ab"));
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("court"), {}, 1), QString());
    // No room at all: the buffer is left as it was.
    QString tampon = QStringLiteral("garde");
    EXPECT_EQ(GetPrivateProfileStringA(QStringLiteral("general"), QStringLiteral("court"), {},
                                       tampon, 0, Ini),
              0);
    EXPECT_EQ(tampon, QStringLiteral("garde"));
    EXPECT_EQ(
        Texte(QStringLiteral("general"), QStringLiteral("absent"), QString(300, QLatin1Char('d'))),
        QString(254, QLatin1Char('d')));
}

TEST_F(Profil, LecturesEntieres) {
    Ecrire("[options]\n"
           "a=12abc\nb=yes\nc=-5\nd=\ne=+7\nf= 42 \ng=4294967297\nh=-2147483649\ni=0x10\n");
    const auto lire = [this](const char* cle) {
        return Entier(QStringLiteral("options"), QString::fromLatin1(cle));
    };
    EXPECT_EQ(lire("a"), 12);
    EXPECT_EQ(lire("b"), 0);
    EXPECT_EQ(lire("c"), -5);
    EXPECT_EQ(lire("d"), -77); // empty value: the default
    EXPECT_EQ(lire("e"), 7);
    EXPECT_EQ(lire("f"), 42);
    EXPECT_EQ(lire("g"), 1);          // wraps modulo 2^32
    EXPECT_EQ(lire("h"), 2147483647); // wraps too
    EXPECT_EQ(lire("i"), 0);          // leading digits only
    EXPECT_EQ(lire("absente"), -77);
    EXPECT_EQ(GetPrivateProfileIntA(QStringLiteral("options"), QStringLiteral("a"), 30000,
                                    QStringLiteral("D:\\nulle\\part.ini")),
              30000);
}

TEST_F(Profil, EcritureGardeLeResteEnPlace) {
    const QByteArray avant = "; réglages\r\n"
                             "[general]\r\n"
                             "unite=P\r\n"
                             "bddir = bd\r\n"
                             "\r\n"
                             "[position]\r\n"
                             "left=10\r\n"
                             "; fin\r\n"
                             "\r\n"
                             "\r\n"
                             "[options]\r\n"
                             "createlog=0\r\n";
    Ecrire(avant);
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("GENERAL"), QStringLiteral("BDDIR"),
                                           QStringLiteral("base"), Ini));
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("position"), QStringLiteral("top"),
                                           QStringLiteral("20"), Ini));
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("synchro"), QStringLiteral("surclient1"),
                                           QStringLiteral("net use P: /delete"), Ini));
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("options"), QStringLiteral("nowarning"),
                                           QStringLiteral("1"), Ini));
    EXPECT_EQ(QString::fromUtf8(Lire()), QStringLiteral("; réglages\r\n"
                                                        "[general]\r\n"
                                                        "unite=P\r\n"
                                                        "bddir = base\r\n"
                                                        "\r\n"
                                                        "[position]\r\n"
                                                        "left=10\r\n"
                                                        "; fin\r\n"
                                                        "top=20\r\n"
                                                        "\r\n"
                                                        "\r\n"
                                                        "[options]\r\n"
                                                        "createlog=0\r\n"
                                                        "nowarning=1\r\n"
                                                        "[synchro]\r\n"
                                                        "surclient1=net use P: /delete\r\n"));
    EXPECT_EQ(Texte(QStringLiteral("synchro"), QStringLiteral("SURCLIENT1")),
              QStringLiteral("net use P: /delete"));
    PasDeTemporaire();
}

TEST_F(Profil, SectionEnDoubleEtMarqueUtf8) {
    Ecrire("\xEF\xBB\xBF"
           "cle=hors section\r\n[a]\r\nx=1\r\n[b]\r\n[A]\r\nx=2\r\ny=3\r\n");
    // The first section of a name is the one read and written.
    EXPECT_EQ(Entier(QStringLiteral("a"), QStringLiteral("x")), 1);
    EXPECT_EQ(Entier(QStringLiteral("a"), QStringLiteral("y")), -77);
    EXPECT_EQ(Texte(QStringLiteral("a"), QStringLiteral("cle")), QStringLiteral("DEF"));
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("a"), QStringLiteral("x"),
                                           QStringLiteral("9"), Ini));
    EXPECT_EQ(Lire(), QByteArray("\xEF\xBB\xBF"
                                 "cle=hors section\r\n[a]\r\nx=9\r\n[b]\r\n[A]\r\nx=2\r\ny=3\r\n"));
}

TEST_F(Profil, FinsDeLigneDuFichier) {
    const auto ecrire = [](const char* section, const char* cle, const char* valeur) {
        EXPECT_TRUE(WritePrivateProfileStringA(QString::fromLatin1(section),
                                               QString::fromLatin1(cle),
                                               QString::fromLatin1(valeur), Ini));
    };
    Ecrire("[a]\nx=1\n");
    ecrire("a", "y", "2");
    EXPECT_EQ(Lire(), QByteArray("[a]\nx=1\ny=2\n"));
    // Lone carriage returns end lines too, and stay the file's line end.
    Ecrire("[a]\rx=1\r[b]\ry=2");
    EXPECT_EQ(Entier(QStringLiteral("a"), QStringLiteral("x")), 1);
    EXPECT_EQ(Entier(QStringLiteral("b"), QStringLiteral("y")), 2);
    ecrire("a", "z", "3");
    ecrire("b", "w", "4");
    EXPECT_EQ(Lire(), QByteArray("[a]\rx=1\rz=3\r[b]\ry=2\rw=4\r"));
    // Mixed ends: the lines not written keep theirs, a written line ends with CRLF.
    Ecrire("[a]\r\nx=1\ny=3");
    ecrire("a", "y", "2");
    EXPECT_EQ(Lire(), QByteArray("[a]\r\nx=1\ny=2\r\n"));
}

TEST_F(Profil, CreationDuFichierEtDuDossierWindows) {
    // A bare name lives in the Windows folder, created like on any Windows machine.
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("position"), QStringLiteral("left"),
                                           QStringLiteral("1200"), QStringLiteral("synchro.ini")));
    const QString natif = machine.Racine() + QStringLiteral("/drives/C/WINDOWS/synchro.ini");
    QFile f(natif);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[position]\r\nleft=1200\r\n"));
    EXPECT_EQ(GetPrivateProfileIntA(QStringLiteral("position"), QStringLiteral("left"), 0,
                                    QStringLiteral("C:\\windows\\SYNCHRO.INI")),
              1200);
    // A folder that does not exist is a failure, not an error raised.
    EXPECT_FALSE(WritePrivateProfileStringA(QStringLiteral("a"), QStringLiteral("b"),
                                            QStringLiteral("c"),
                                            QStringLiteral("E:\\absent\\x.ini")));
    // Names that would not read back are refused; line breaks in a value cannot add lines.
    Ecrire("[a]\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA(QStringLiteral("a"), QStringLiteral("b=c"),
                                            QStringLiteral("1"), Ini));
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("a"), QStringLiteral("b"),
                                           QStringLiteral("1\r\n[general]\r\nunite=Z"), Ini));
    EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("unite")), QStringLiteral("DEF"));
}

TEST_F(Profil, FichierEnLectureSeuleIntact) {
    Ecrire("[a]\r\nx=1\r\n");
    ASSERT_TRUE(
        QFile::setPermissions(machine.Natif(Ini), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    EXPECT_FALSE(WritePrivateProfileStringA(QStringLiteral("a"), QStringLiteral("x"),
                                            QStringLiteral("2"), Ini));
    EXPECT_EQ(Lire(), QByteArray("[a]\r\nx=1\r\n"));
    PasDeTemporaire();
}

TEST_F(Profil, FichierWindows1252) {
    // "Modèle été" and "œuvre €" in Windows-1252.
    Ecrire("[options]\r\nboutonclient=Mod\xe8le \xe9t\xe9\r\nbouton\xe9=\x9cuvre \x80\r\n");
    EXPECT_EQ(Texte(QStringLiteral("options"), QStringLiteral("boutonclient")),
              QStringLiteral("Modèle été"));
    EXPECT_EQ(Texte(QStringLiteral("OPTIONS"), QStringLiteral("BOUTONÉ")),
              QStringLiteral("œuvre €"));
    // Written in the file's code page; the other lines keep their bytes for the Windows tools.
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("options"),
                                           QStringLiteral("boutonserveur"),
                                           QStringLiteral("Accès œ€"), Ini));
    EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("options"), QStringLiteral("boutoné"),
                                           QStringLiteral("Clé"), Ini));
    EXPECT_EQ(Lire(), QByteArray("[options]\r\nboutonclient=Mod\xe8le \xe9t\xe9\r\n"
                                 "bouton\xe9=Cl\xe9\r\nboutonserveur=Acc\xe8s \x9c\x80\r\n"));
    EXPECT_EQ(Texte(QStringLiteral("options"), QStringLiteral("boutonserveur")),
              QStringLiteral("Accès œ€"));
}

// Saved by Notepad as "Unicode": UTF-16 with its byte-order mark, and so it stays.
TEST_F(Profil, FichierUnicode) {
    const auto utf16 = [](QStringConverter::Encoding codage, const QString& texte) {
        QStringEncoder encodeur(codage, QStringConverter::Flag::WriteBom);
        return QByteArray(encodeur(texte));
    };
    for (const auto codage : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        Ecrire(utf16(codage, QStringLiteral("; réglages\r\n[general]\r\nunite=Q\r\nbddir=été\r\n"
                                            "[position]\r\nleft=10\r\n")));
        EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("bddir")), QStringLiteral("été"));
        EXPECT_EQ(Entier(QStringLiteral("position"), QStringLiteral("left")), 10);
        EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("general"), QStringLiteral("unite"),
                                               QStringLiteral("€"), Ini));
        EXPECT_TRUE(WritePrivateProfileStringA(
            QStringLiteral("options"), QStringLiteral("createlog"), QStringLiteral("1"), Ini));
        EXPECT_EQ(Lire(), utf16(codage, QStringLiteral("; réglages\r\n[general]\r\nunite=€\r\n"
                                                       "bddir=été\r\n[position]\r\nleft=10\r\n"
                                                       "[options]\r\ncreatelog=1\r\n")));
        EXPECT_EQ(Texte(QStringLiteral("general"), QStringLiteral("unite")), QStringLiteral("€"));
    }
}

TEST_F(Profil, OctetsAleatoiresSansPlantage) {
    QRandomGenerator aleas(20261207);
    for (int essai = 0; essai < 20; ++essai) {
        QByteArray octets(4096, Qt::Uninitialized);
        for (char& c : octets) {
            c = static_cast<char>(aleas.bounded(256));
        }
        if (essai % 2 == 0) {
            octets.prepend("[general]\nunite=");
        }
        Ecrire(octets);
        QString tampon;
        const int n = GetPrivateProfileStringA(QStringLiteral("general"), QStringLiteral("unite"),
                                               QStringLiteral("P"), tampon, 255, Ini);
        EXPECT_LE(n, 254);
        EXPECT_EQ(n, tampon.size());
        (void)Entier(QStringLiteral("general"), QStringLiteral("unite"));
        EXPECT_TRUE(WritePrivateProfileStringA(QStringLiteral("position"), QStringLiteral("left"),
                                               QStringLiteral("5"), Ini));
        EXPECT_EQ(Entier(QStringLiteral("position"), QStringLiteral("left")), 5);
    }
}

} // namespace
