// The private-profile store on a file whose bytes come from the fuzzer.
//
// Input: the file's bytes, optionally followed by "\0\0" and the write to try, as
// section "\0" key "\0" value (UTF-8). Without that tail the write goes to a new key of the
// first section found, with the text of the file's last line as value.
//
// Checked: no crash; every read returns at most taille - 1 characters, as many as it reports;
// a plain number reads back as itself through the integer read; a refused write leaves the file
// as it was; an accepted write reads back as the value written (line ends turned into blanks,
// blanks trimmed, one pair of enclosing quotes dropped) and leaves every other key as it was.

#include "platform/profil.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void Echec(const char* quoi, const QString& detail) {
    std::fprintf(stderr, "PROPRIETE VIOLEE : %s\n%s\n", quoi, detail.toUtf8().constData());
    std::abort();
}

// Native path of the file under test, in memory when possible (every write is synced).
const QString& Fichier() {
    static const QString chemin = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        QByteArray modele = QFile::encodeName(base + QStringLiteral("/fuzz-profil-XXXXXX"));
        if (::mkdtemp(modele.data()) == nullptr) {
            std::abort();
        }
        return QFile::decodeName(modele) + QStringLiteral("/essai.ini");
    }();
    return chemin;
}

QByteArray LireOctets() {
    QFile f(Fichier());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void EcrireOctets(const QByteArray& octets) {
    QFile f(Fichier());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(octets) != octets.size()) {
        std::abort();
    }
}

bool Blanc(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString SansBlancs(QString s) {
    while (!s.isEmpty() && Blanc(s.front())) {
        s.remove(0, 1);
    }
    while (!s.isEmpty() && Blanc(s.back())) {
        s.chop(1);
    }
    return s;
}

// What a value written reads back as.
QString Relu(QString v) {
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    v = SansBlancs(v);
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front()) {
        v = v.mid(1, v.size() - 2);
    }
    return v;
}

struct Cle {
    QString section;
    QString cle;
};

// Section and key names as they appear in the text, found without the store's own parser:
// "[name" up to "]" opens a section, "name=" in a section is a key.
QList<Cle> Candidats(const QString& texte) {
    QList<Cle> cles;
    QString section;
    bool dansSection = false;
    for (const QString& ligne : texte.split(QLatin1Char('\n'))) {
        const QString t = SansBlancs(ligne);
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype fin = t.indexOf(QLatin1Char(']'));
            section = fin < 0 ? t.mid(1) : t.mid(1, fin - 1);
            dansSection = true;
            continue;
        }
        const qsizetype egal = t.indexOf(QLatin1Char('='));
        if (dansSection && egal > 0 && !t.startsWith(QLatin1Char(';'))) {
            cles.append({section, t.left(egal)});
        }
        if (cles.size() >= 12) {
            break;
        }
    }
    return cles;
}

QString Lire(const Cle& c, int taille, int* copies = nullptr) {
    QString tampon;
    const int n = plateforme::GetPrivateProfileStringA(c.section, c.cle, QStringLiteral("\x01"),
                                                       tampon, taille, Fichier());
    if (n < 0 || n > taille - 1 || n != tampon.size()) {
        Echec("longueur lue", QStringLiteral("%1 / %2 / %3").arg(n).arg(taille).arg(tampon.size()));
    }
    if (copies != nullptr) {
        *copies = n;
    }
    return tampon;
}

QString Decrire(const Cle& c) {
    return QStringLiteral("[%1] %2").arg(c.section, c.cle);
}

void VerifierLectures(const QList<Cle>& cles) {
    static const QRegularExpression nombre(QStringLiteral("^[+-]?[0-9]{1,9}$"));
    for (const Cle& c : cles) {
        const QString complet = Lire(c, 100000);
        const QString court = Lire(c, 255);
        // The short read is the start of the long one (a character never cut in half).
        if (!complet.startsWith(court) || (complet.size() <= 254 && court != complet)) {
            Echec("lecture tronquée", Decrire(c));
        }
        const int entier = plateforme::GetPrivateProfileIntA(c.section, c.cle, -777, Fichier());
        if (nombre.match(complet).hasMatch() && entier != complet.toInt()) {
            Echec("entier relu", Decrire(c) + QStringLiteral(" = ") + complet);
        }
    }
}

// The write to try: from the tail of the input, or derived from the file.
Cle Ecriture(const QByteArray& queue, bool avecQueue, const QString& texte, const QList<Cle>& cles,
             QString& valeur) {
    if (avecQueue) {
        const QList<QByteArray> parties = queue.split('\0');
        Cle c{QString::fromUtf8(parties.value(0)), QString::fromUtf8(parties.value(1))};
        valeur = QString::fromUtf8(parties.value(2));
        if (c.section.isEmpty() && !cles.isEmpty()) {
            c.section = cles.first().section;
        }
        if (c.cle.isEmpty() && !cles.isEmpty()) {
            c.cle = cles.last().cle;
        }
        return c;
    }
    QStringList lignes = texte.split(QLatin1Char('\n'));
    valeur = lignes.isEmpty() ? QString() : lignes.last();
    return {cles.isEmpty() ? QStringLiteral("general") : cles.first().section,
            QStringLiteral("cle_fuzz")};
}

bool MemeCle(const Cle& a, const Cle& b) {
    return QString::compare(SansBlancs(a.section), SansBlancs(b.section), Qt::CaseInsensitive) ==
               0 &&
           QString::compare(SansBlancs(a.cle), SansBlancs(b.cle), Qt::CaseInsensitive) == 0;
}

// Neither UTF-16 with its mark nor UTF-8: the store reads it in the Windows code page.
bool PageDeCode(const QByteArray& octets) {
    if (octets.startsWith("\xFF\xFE") || octets.startsWith("\xFE\xFF")) {
        return false;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texte = utf8.decode(octets);
    return utf8.hasError();
}

bool DansPageDeCode(const QString& texte) {
    static const QString hauts = QStringLiteral(
        u"\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u017D\u2018"
        u"\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u017E\u0178");
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        if ((u > 0xFF || (u >= 0x80 && u <= 0x9F)) && !hauts.contains(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    const QByteArray entree(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille));
    const qsizetype separation = entree.indexOf(QByteArray("\0\0", 2));
    const bool avecQueue = separation >= 0;
    const QByteArray octets = avecQueue ? entree.left(separation) : entree;
    const QByteArray queue = avecQueue ? entree.mid(separation + 2) : QByteArray();

    EcrireOctets(octets);
    const QString texte = plateforme::DecoderTexte(octets);
    const QList<Cle> cles = Candidats(texte);
    VerifierLectures(cles);
    VerifierLectures({{QStringLiteral("general"), QStringLiteral("unite")},
                      {QStringLiteral("options"), QStringLiteral("createlog")}});

    QString valeur;
    const Cle cible = Ecriture(queue, avecQueue, texte, cles, valeur);
    QList<QString> avant;
    for (const Cle& c : cles) {
        avant.append(Lire(c, 100000));
    }
    const bool ecrit =
        plateforme::WritePrivateProfileStringA(cible.section, cible.cle, valeur, Fichier());
    if (!ecrit) {
        if (LireOctets() != octets) {
            Echec("écriture refusée mais fichier changé", Decrire(cible));
        }
        return 0;
    }
    // A file in the Windows code page keeps only what the code page holds; the rest is written
    // as "?", as the ANSI calls do: nothing to read back then. Nor when the write took away the
    // bytes that told the code page: the file then reads as UTF-8.
    if (PageDeCode(octets) &&
        (!DansPageDeCode(cible.section + cible.cle + valeur) || !PageDeCode(LireOctets()))) {
        return 0;
    }
    const QString relu = Lire(cible, 100000);
    if (relu != Relu(valeur)) {
        Echec("valeur relue",
              Decrire(cible) + QStringLiteral("\nécrit : ") + valeur + QStringLiteral(" (") +
                  QString::fromLatin1(valeur.toUtf8().toHex(' ')) + QStringLiteral(")\nrelu  : ") +
                  relu + QStringLiteral(" (") + QString::fromLatin1(relu.toUtf8().toHex(' ')) +
                  QStringLiteral(")\nfichier : ") + QString::fromLatin1(LireOctets().toHex(' ')));
    }
    for (qsizetype i = 0; i < cles.size(); ++i) {
        if (!MemeCle(cles[i], cible) && Lire(cles[i], 100000) != avant[i]) {
            Echec("autre clé changée par l'écriture",
                  Decrire(cles[i]) + QStringLiteral(" après ") + Decrire(cible) +
                      QStringLiteral("\navant : ") + QString::fromLatin1(octets.toHex(' ')) +
                      QStringLiteral("\naprès : ") + QString::fromLatin1(LireOctets().toHex(' ')));
        }
    }
    return 0;
}
