// Settings files made at random: pure random bytes, and files where the keys of the settings
// record lie among lines of garbage, with values of every kind (blanks around, quotes, accents,
// 300 characters, numbers in and out of the 16-bit range, texts that are not numbers), written
// in UTF-8, Windows-1252 or UTF-16 with any kind of line end. The record read must be what an
// independent reading of the generated keys says, or the reader must raise the error the first
// bad number calls for.

#include "platform/erreur.h"
#include "platform/profil.h"
#include "settings/fenetre.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QList>
#include <QMap>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

const QString FichierAleatoire = QStringLiteral("C:\\WINDOWS\\aleatoire.ini");

// One key the generator may write, and its default.
struct CleTexte {
    const char* section;
    const char* cle;
    QString defaut;
    QString Parametres::*champ; // nullptr: a caption, not kept in the record
};

const QList<CleTexte>& ClesTexte() {
    static const QList<CleTexte> cles = {
        {"general", "zelvanodir", QStringLiteral("zelvano"), &Parametres::zelvanodir},
        {"general", "courrierdir", QString(), &Parametres::courrierdir},
        {"general", "crodir", QString(), &Parametres::crodir},
        {"general", "bddir", QStringLiteral("bd"), &Parametres::bddir},
        {"general", "certifdir", QString(), &Parametres::certifdir},
        {"general", "corresdir", QString(), &Parametres::corresdir},
        {"general", "datadir", QString(), &Parametres::datadir},
        {"general", "flashdir", QString(), &Parametres::flashdir},
        {"general", "modeledir", QString(), &Parametres::modeledir},
        {"serveur", "fmpath", QStringLiteral("\\\\serveur\\zelvano"), &Parametres::fmpathServeur},
        {"client", "fmpath", QStringLiteral("C"), &Parametres::fmpathClient},
        {"general", "inifile", QString(), &Parametres::inifile},
        {"synchro", "traitementsupp", QString(), &Parametres::traitementsupp},
        {"synchro", "surclient1", QString(), &Parametres::surclient1},
        {"synchro", "surclient2", QString(), &Parametres::surclient2},
        {"synchro", "surserveur1", QString(), &Parametres::surserveur1},
        {"synchro", "surserveur2", QString(), &Parametres::surserveur2},
        {"options", "boutonclient", QString(), nullptr},
        {"options", "boutonserveur", QString(), nullptr},
    };
    return cles;
}

struct CleEntier {
    const char* cle;
    int defaut;
    qint16 Parametres::*champ;
};

// In the order the reader reads them: the first one out of range raises.
const QList<CleEntier>& ClesEntier() {
    static const QList<CleEntier> cles = {
        {"createlog", 0, &Parametres::createlog},
        {"messagesdebug", 0, &Parametres::messagesdebug},
        {"nowarning", 0, &Parametres::nowarning},
        {"copiesecurisee", 1, &Parametres::copiesecurisee},
        {"modifiesuniquement", 1, &Parametres::modifiesuniquement},
        {"shellsynchrone", 1, &Parametres::shellsynchrone},
    };
    return cles;
}

// Integer values and what they read as: a number, or the error they raise.
struct CasEntier {
    const char* texte;
    std::optional<int> valeur; // nothing: overflow (6)
};
const CasEntier CasEntiers[] = {
    {"0", 0},       {"1", 1},          {" 12 ", 12},     {"-3", -3},         {"+7", 7},
    {"yes", 0},     {"12abc", 12},     {"32767", 32767}, {"-32768", -32768}, {"32768", {}},
    {"-40000", {}}, {"999999999", {}}, {"\t5", 5},       {"0x10", 0},        {"1.9", 1},
};

// TpsAttente is converted from text: a number rounded half to even, or an error.
struct CasAttente {
    const char* texte;
    std::optional<int> valeur;
    int erreur; // when no value: 13 (not a number) or 6 (out of range)
};
const CasAttente CasAttentes[] = {
    {"10", 10, 0},      {" 25 ", 25, 0},  {"2.5", 2, 0},         {"3.5", 4, 0},
    {"-7", -7, 0},      {"1e3", 1000, 0}, {"abc", {}, 13},       {"", {}, 13},
    {"12 s", {}, 13},   {"40000", {}, 6}, {"-32768", -32768, 0}, {"32767.4", 32767, 0},
    {"32767.5", {}, 6}, {"1e10", {}, 6},
};

// Characters of generated text values (no line ends: a value is one line).
const QString Signes = QStringLiteral("abcXYZ 019-_.,;:'\"\\/=[]éàçÉœ€\t");

// Blanks trimmed, then one pair of enclosing quotes dropped, then at most 254 characters.
QString LuCommeTexte(const QString& ecrit) {
    QString v = ecrit;
    while (!v.isEmpty() && (v.front() == QLatin1Char(' ') || v.front() == QLatin1Char('\t'))) {
        v.remove(0, 1);
    }
    while (!v.isEmpty() && (v.back() == QLatin1Char(' ') || v.back() == QLatin1Char('\t'))) {
        v.chop(1);
    }
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front()) {
        v = v.mid(1, v.size() - 2);
    }
    return v.left(254);
}

// Windows-1252 bytes of a text made of Latin-1 characters, œ and €.
QByteArray EnCp1252(const QString& texte) {
    QByteArray octets;
    for (const QChar c : texte) {
        if (c == QChar(u'œ')) {
            octets += '\x9c';
        } else if (c == QChar(u'€')) {
            octets += '\x80';
        } else {
            octets += static_cast<char>(c.unicode());
        }
    }
    return octets;
}

class IniAleatoire : public ::testing::Test {
protected:
    factices::Environnement env;

    void SetUp() override {
        Param() = Parametres{};
        Param().FichierIni = FichierAleatoire;
    }

    void Ecrire(const QByteArray& octets) const {
        QFile::remove(env.machine.Natif(FichierAleatoire));
        env.machine.EcrireFichier(FichierAleatoire, octets);
    }
};

// What the generator wrote, and what the reader must make of it.
struct Attendu {
    QMap<QString, QString> textes; // "section/cle" -> value read ("" absent: not in the map)
    QString unite = QStringLiteral("P");
    QString attente = QStringLiteral("10");
    QMap<QString, QString> entiers; // key -> text written
};

QString Aleatoire(QRandomGenerator& alea, int longueur) {
    QString t;
    for (int i = 0; i < longueur; ++i) {
        t += Signes[alea.bounded(static_cast<int>(Signes.size()))];
    }
    return t;
}

// A line of garbage: no section, no key (no "[", no "="), in the file's encoding.
QByteArray Dechet(QRandomGenerator& alea, bool cp1252) {
    QByteArray l;
    for (int i = 0, n = static_cast<int>(alea.bounded(60)); i < n; ++i) {
        char c = static_cast<char>(cp1252 ? alea.bounded(32, 256) : alea.bounded(32, 127));
        if (c == '[' || c == '=' || c == '\x7f') {
            c = '#';
        }
        l += c;
    }
    return l;
}

QByteArray Generer(QRandomGenerator& alea, Attendu& attendu) {
    const quint32 codage = alea.bounded(3); // UTF-8, Windows-1252, UTF-16
    const bool cp1252 = codage == 1;
    const QByteArray fins[] = {"\r\n", "\n", "\r\r\n", "\r"};
    const QByteArray fin = fins[alea.bounded(4)];
    const auto encoder = [&](const QString& t) {
        return cp1252 ? EnCp1252(t) : t.toUtf8();
    };
    const auto casse = [&](const char* nom) {
        QString n = QString::fromLatin1(nom);
        return alea.bounded(3) == 0 ? n.toUpper() : n;
    };
    QMap<QString, QByteArray> sections;
    const auto ajouter = [&](const char* section, const QString& cle, const QString& valeur) {
        QByteArray& s = sections[QString::fromLatin1(section)];
        if (alea.bounded(2) == 0) {
            s += Dechet(alea, cp1252) + fin;
        }
        const QByteArray blanc = alea.bounded(4) == 0 ? " " : "";
        s += encoder(cle) + blanc + '=' + blanc + encoder(valeur) + fin;
    };

    for (const CleTexte& c : ClesTexte()) {
        if (alea.bounded(10) < 3) {
            continue;
        }
        QString valeur =
            Aleatoire(alea, static_cast<int>(alea.bounded(alea.bounded(8) == 0 ? 300 : 20)));
        if (alea.bounded(5) == 0) {
            valeur = QLatin1Char('"') + valeur + QLatin1Char('"');
        }
        ajouter(c.section, casse(c.cle), valeur);
        attendu.textes.insert(QString::fromLatin1(c.section) + QLatin1Char('/') +
                                  QString::fromLatin1(c.cle),
                              LuCommeTexte(valeur));
    }
    if (alea.bounded(4) != 0) {
        const QString valeur = Aleatoire(alea, static_cast<int>(alea.bounded(4)));
        ajouter("general", casse("unite"), valeur);
        const QString lu = LuCommeTexte(valeur);
        attendu.unite = lu.isEmpty() ? QStringLiteral(" ") : lu.left(1);
    }
    if (alea.bounded(3) != 0) {
        const CasAttente& a = CasAttentes[alea.bounded(static_cast<int>(std::size(CasAttentes)))];
        ajouter("general", casse("TpsAttente"), QString::fromLatin1(a.texte));
        attendu.attente = QString::fromLatin1(a.texte);
    }
    for (const CleEntier& c : ClesEntier()) {
        if (alea.bounded(3) == 0) {
            continue;
        }
        // Mostly values in range, so that the reading often gets to the end.
        const int n = static_cast<int>(std::size(CasEntiers));
        const CasEntier& e = CasEntiers[alea.bounded(alea.bounded(4) == 0 ? n : 9)];
        ajouter("options", casse(c.cle), QString::fromLatin1(e.texte));
        attendu.entiers.insert(QString::fromLatin1(c.cle), QString::fromLatin1(e.texte));
    }

    QByteArray octets;
    if (cp1252) {
        octets += ";\xe9t\xe9" + fin; // never valid UTF-8
    } else if (codage == 0 && alea.bounded(4) == 0) {
        octets += "\xef\xbb\xbf";
    }
    octets += Dechet(alea, cp1252) + fin;
    QStringList noms = sections.keys();
    for (qsizetype i = noms.size() - 1; i > 0; --i) {
        noms.swapItemsAt(i, alea.bounded(i + 1));
    }
    for (const QString& nom : noms) {
        octets += '[' + encoder(casse(nom.toLatin1().constData())) + ']' + fin + sections[nom];
    }
    if (codage == 2) { // as Notepad saves "Unicode"
        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        return utf16(QString::fromUtf8(octets));
    }
    return octets;
}

// The error the first bad number raises, 0 when every number reads.
int ErreurAttendue(const Attendu& a) {
    for (const CasAttente& c : CasAttentes) {
        if (a.attente == QLatin1String(c.texte) && !c.valeur) {
            return c.erreur;
        }
    }
    for (const CleEntier& c : ClesEntier()) {
        const QString texte = a.entiers.value(QString::fromLatin1(c.cle), QStringLiteral("0"));
        for (const CasEntier& e : CasEntiers) {
            if (texte == QLatin1String(e.texte) && !e.valeur) {
                return plateforme::err::DepassementCapacite;
            }
        }
    }
    return 0;
}

int EntierAttendu(const QString& texte) {
    for (const CasEntier& e : CasEntiers) {
        if (texte == QLatin1String(e.texte)) {
            return *e.valeur;
        }
    }
    ADD_FAILURE() << "unknown case " << texte.toStdString();
    return 0;
}

int AttenteAttendue(const QString& texte) {
    for (const CasAttente& c : CasAttentes) {
        if (texte == QLatin1String(c.texte)) {
            return *c.valeur;
        }
    }
    return 10;
}

TEST_F(IniAleatoire, LeRecordEstCeQueLeFichierDit) {
    int lus = 0;
    int erreurs = 0;
    for (quint32 graine = 1; graine <= 300; ++graine) {
        SCOPED_TRACE(graine);
        QRandomGenerator alea(graine);
        Attendu attendu;
        const QByteArray octets = Generer(alea, attendu);
        Ecrire(octets);
        Param() = Parametres{};
        Param().FichierIni = FichierAleatoire;
        for (QString& l : env.fenetre.libelles) {
            l = QStringLiteral("origine");
        }
        const int erreur = ErreurAttendue(attendu);
        try {
            LireParametres();
        } catch (const plateforme::Erreur& e) {
            ++erreurs;
            ASSERT_EQ(e.Number(), erreur) << octets.toStdString();
            EXPECT_FALSE(e.Description().isEmpty());
            continue;
        }
        ++lus;
        ASSERT_EQ(erreur, 0) << octets.toStdString();
        const Parametres& p = Param();
        EXPECT_EQ(p.unite, attendu.unite);
        EXPECT_EQ(p.TpsAttente, AttenteAttendue(attendu.attente));
        for (const CleTexte& c : ClesTexte()) {
            const QString nom =
                QString::fromLatin1(c.section) + QLatin1Char('/') + QString::fromLatin1(c.cle);
            const QString valeur = attendu.textes.value(nom, c.defaut);
            if (c.champ != nullptr) {
                EXPECT_EQ(p.*c.champ, valeur) << nom.toStdString();
            } else {
                const int bouton = static_cast<int>(
                    QLatin1String(c.cle) == "boutonclient" ? Bouton::client : Bouton::serveur);
                EXPECT_EQ(env.fenetre.libelles[bouton],
                          valeur.isEmpty() ? QStringLiteral("origine") : valeur)
                    << nom.toStdString();
            }
        }
        for (const CleEntier& c : ClesEntier()) {
            const QString cle = QString::fromLatin1(c.cle);
            const int valeur = attendu.entiers.contains(cle)
                                   ? (attendu.entiers[cle].trimmed().isEmpty()
                                          ? c.defaut
                                          : EntierAttendu(attendu.entiers[cle]))
                                   : c.defaut;
            EXPECT_EQ(p.*c.champ, valeur) << c.cle;
        }
    }
    // Both outcomes were met often enough to mean something.
    EXPECT_GT(lus, 100);
    EXPECT_GT(erreurs, 30);
}

// Line ends converted twice leave "\r\r\n": no carriage return may stay in the values, or
// every path built from them would hold one.
TEST_F(IniAleatoire, FinsDeLigneConvertiesDeuxFois) {
    Ecrire("[general]\r\r\nzelvanodir=Zelvano\r\r\nbddir = base \r\r\r\nunite=\r\r\n"
           "[options]\r\r\ncreatelog=1\r\r\n");
    LireParametres();
    EXPECT_EQ(Param().zelvanodir, QStringLiteral("Zelvano"));
    EXPECT_EQ(Param().bddir, QStringLiteral("base"));
    EXPECT_EQ(Param().unite, QStringLiteral(" "));
    EXPECT_EQ(Param().createlog, 1);
}

// Pure random bytes: the reader reads them or raises one of its two errors, and a window
// position written into them reads back without changing any setting.
TEST_F(IniAleatoire, OctetsAleatoiresPuisEcriture) {
    for (quint32 graine = 1; graine <= 200; ++graine) {
        SCOPED_TRACE(graine);
        QRandomGenerator alea(graine * 7919u);
        QByteArray octets(static_cast<qsizetype>(alea.bounded(1, 6000)), Qt::Uninitialized);
        for (char& c : octets) {
            c = static_cast<char>(alea.bounded(256));
        }
        if (graine % 3 == 0) {
            octets.prepend("[general]\r\nunite=");
        }
        Ecrire(octets);
        Param() = Parametres{};
        Param().FichierIni = FichierAleatoire;
        bool lu = true;
        try {
            LireParametres();
        } catch (const plateforme::Erreur& e) {
            EXPECT_TRUE(e.Number() == 13 || e.Number() == 6) << e.Number();
            lu = false;
        }
        if (!lu) {
            continue;
        }
        const Parametres avant = Param();
        EXPECT_EQ(avant.unite.size(), 1);
        for (const CleTexte& c : ClesTexte()) {
            if (c.champ != nullptr) {
                EXPECT_LE((avant.*c.champ).size(), 254);
                EXPECT_FALSE((avant.*c.champ).contains(QLatin1Char('\n')));
            }
        }

        EcrireCle(QStringLiteral("position"), QStringLiteral("left"), QStringLiteral("1200"));
        // Added at the end: every byte of the file is still there as it was.
        EXPECT_TRUE(env.machine.LireFichier(FichierAleatoire).startsWith(octets));
        EXPECT_EQ(LireCleEntier(QStringLiteral("position"), QStringLiteral("left"), 0), 1200);
        LireParametres();
        const Parametres& apres = Param();
        EXPECT_EQ(apres.unite, avant.unite);
        EXPECT_EQ(apres.TpsAttente, avant.TpsAttente);
        for (const CleTexte& c : ClesTexte()) {
            if (c.champ != nullptr) {
                EXPECT_EQ(apres.*c.champ, avant.*c.champ) << c.cle;
            }
        }
        for (const CleEntier& c : ClesEntier()) {
            EXPECT_EQ(apres.*c.champ, avant.*c.champ) << c.cle;
        }
    }
}

} // namespace
