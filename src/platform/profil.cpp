#include "platform/profil.h"

#include "platform/chemins.h"
#include "platform/fichiers_internes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMap>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <optional>

#include <sys/stat.h>

namespace plateforme {

namespace {

// Windows-1252 characters of the bytes 0x80 to 0x9F (the five holes read as their C1 codes);
// the other bytes are the same as in Latin-1.
constexpr char16_t Cp1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool Utf8Valide(const QByteArray& octets) {
    const auto* p = reinterpret_cast<const unsigned char*>(octets.constData());
    const qsizetype n = octets.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int suite = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            suite = 1;
            min = 0x80;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            suite = 2;
            min = 0x800;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            suite = 3;
            min = 0x10000;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + suite >= n) {
            return false;
        }
        for (int k = 1; k <= suite; ++k) {
            const unsigned char s = p[i + k];
            if ((s & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (s & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += suite + 1;
    }
    return true;
}

// How a file's text is stored. Without a byte-order mark, a file whose bytes are not valid UTF-8
// was saved in the Windows code page (1252): accented text saved that way is almost never valid
// UTF-8, and plain ASCII reads the same either way (a new file is UTF-8).
enum class Codage { Utf8, Cp1252, Utf16LE, Utf16BE };

qsizetype TailleUnite(Codage codage) {
    return codage == Codage::Utf16LE || codage == Codage::Utf16BE ? 2 : 1;
}

// The code unit at byte i: one byte, or two of UTF-16.
char16_t Unite(const QByteArray& octets, qsizetype i, Codage codage) {
    const auto octet = [&](qsizetype k) {
        return static_cast<unsigned char>(octets[k]);
    };
    switch (codage) {
    case Codage::Utf16LE:
        return static_cast<char16_t>(octet(i) | octet(i + 1) << 8);
    case Codage::Utf16BE:
        return static_cast<char16_t>(octet(i) << 8 | octet(i + 1));
    default:
        return octet(i);
    }
}

// UTF-16 is taken unit by unit, unpaired surrogates included, so that it encodes back the same.
QString Decoder(const QByteArray& octets, Codage codage) {
    if (codage == Codage::Utf8) {
        return QString::fromUtf8(octets);
    }
    const qsizetype pas = TailleUnite(codage);
    QString texte;
    texte.reserve(octets.size() / pas);
    for (qsizetype i = 0; i + pas <= octets.size(); i += pas) {
        const char16_t u = Unite(octets, i, codage);
        const bool table = codage == Codage::Cp1252 && u >= 0x80 && u <= 0x9F;
        texte += QChar(table ? Cp1252[u - 0x80] : u);
    }
    return texte;
}

// A character the code page lacks is written '?', as the system's conversion does.
char VersCp1252(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        return static_cast<char>(u);
    }
    const auto* p = std::find(std::begin(Cp1252), std::end(Cp1252), u);
    return p == std::end(Cp1252) ? '?' : static_cast<char>(0x80 + (p - std::begin(Cp1252)));
}

QByteArray Encoder(const QString& texte, Codage codage) {
    if (codage == Codage::Utf8) {
        return texte.toUtf8();
    }
    QByteArray octets;
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        const char bas = static_cast<char>(u & 0xFF);
        const char haut = static_cast<char>(u >> 8);
        if (codage == Codage::Utf16LE) {
            octets += bas;
            octets += haut;
        } else if (codage == Codage::Utf16BE) {
            octets += haut;
            octets += bas;
        } else {
            octets += VersCp1252(u);
        }
    }
    return octets;
}

bool EstBlanc(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString Rogner(const QString& s) {
    qsizetype debut = 0;
    qsizetype fin = s.size();
    while (debut < fin && EstBlanc(s[debut])) {
        ++debut;
    }
    while (fin > debut && EstBlanc(s[fin - 1])) {
        --fin;
    }
    return s.mid(debut, fin - debut);
}

bool EstLecteur(const QString& chemin) {
    return chemin.size() >= 2 && chemin[1] == QLatin1Char(':') && chemin[0].isLetter() &&
           chemin[0].unicode() < 128;
}

// A bare or relative name lives in the Windows folder.
QString CheminFichier(const QString& fichier) {
    const QString f = Rogner(fichier);
    if (EstLecteur(f) || f.startsWith(QLatin1Char('\\')) || f.startsWith(QLatin1Char('/'))) {
        return CheminNatif(f);
    }
    return CheminNatif(DossierWindows() + QLatin1Char('\\') + f);
}

bool DansDossierWindows(const QString& fichier) {
    const QString f = Rogner(fichier);
    return !(EstLecteur(f) || f.startsWith(QLatin1Char('\\')) || f.startsWith(QLatin1Char('/')));
}

struct Ligne {
    QString texte;     // without its line end
    QString fin;       // its line end; empty on a last line without one
    QByteArray octets; // as read, line end included; empty once written here
};

struct Contenu {
    QList<Ligne> lignes;
    Codage codage = Codage::Utf8;
    QByteArray marque;                    // byte-order mark, kept as read
    QString fin = QStringLiteral("\r\n"); // of the lines written here
};

enum class Lecture { Ok, Absent, Illisible };

// Splits the file into lines that remember their bytes, so that a write changes only the lines
// it writes, whatever the file's encoding and line ends.
void Decouper(const QByteArray& octets, Contenu& contenu) {
    if (octets.startsWith("\xFF\xFE") || octets.startsWith("\xFE\xFF")) {
        contenu.codage = octets.startsWith("\xFF") ? Codage::Utf16LE : Codage::Utf16BE;
        contenu.marque = octets.left(2);
    } else {
        if (octets.startsWith("\xEF\xBB\xBF")) {
            contenu.marque = octets.left(3);
        }
        contenu.codage =
            Utf8Valide(octets.mid(contenu.marque.size())) ? Codage::Utf8 : Codage::Cp1252;
    }
    const Codage codage = contenu.codage;
    const qsizetype pas = TailleUnite(codage);
    const qsizetype debut = contenu.marque.size();
    // An odd last byte of UTF-16 is half a character: no text, dropped at the next write.
    const qsizetype n = octets.size() - (octets.size() - debut) % pas;
    QMap<QString, int> fins;
    const auto ajouter = [&](qsizetype ligne, qsizetype finTexte, qsizetype finLigne) {
        Ligne l{Decoder(octets.sliced(ligne, finTexte - ligne), codage),
                Decoder(octets.sliced(finTexte, finLigne - finTexte), codage),
                octets.sliced(ligne, finLigne - ligne)};
        if (!l.fin.isEmpty()) {
            ++fins[l.fin];
        }
        contenu.lignes.append(l);
    };
    const auto est = [&](qsizetype i, char16_t c) {
        return i < n && Unite(octets, i, codage) == c;
    };
    qsizetype ligne = debut;
    qsizetype i = debut;
    while (i < n) {
        if (!est(i, u'\n') && !est(i, u'\r')) {
            i += pas;
            continue;
        }
        // Carriage returns before a line feed end one line with it (line ends converted twice
        // leave "\r\r\n"); without a line feed, each ends a line.
        qsizetype j = i;
        while (est(j, u'\r')) {
            j += pas;
        }
        if (est(j, u'\n')) {
            ajouter(ligne, i, j + pas);
            ligne = i = j + pas;
            continue;
        }
        for (; i < j; i += pas) {
            ajouter(ligne, i, i + pas);
            ligne = i + pas;
        }
    }
    if (ligne < n) {
        ajouter(ligne, n, n);
    }
    // Written lines end as most of the file's lines do; CRLF on a tie.
    int plus = fins.value(contenu.fin);
    for (auto it = fins.cbegin(); it != fins.cend(); ++it) {
        if (it.value() > plus) {
            plus = it.value();
            contenu.fin = it.key();
        }
    }
}

Lecture LireContenu(const QString& natif, Contenu& contenu) {
    QFile f(natif);
    if (!f.exists()) {
        return Lecture::Absent;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        return Lecture::Illisible;
    }
    const QByteArray octets = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        return Lecture::Illisible;
    }
    Decouper(octets, contenu);
    return Lecture::Ok;
}

// Name of a section header line, nothing when the line is not one.
std::optional<QString> NomSection(const QString& ligne) {
    const QString t = Rogner(ligne);
    if (!t.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    const qsizetype fin = t.indexOf(QLatin1Char(']'));
    return Rogner(fin < 0 ? t.mid(1) : t.mid(1, fin - 1));
}

bool EstCommentaire(const QString& ligne) {
    return Rogner(ligne).startsWith(QLatin1Char(';'));
}

bool MemeNom(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// Where a section lies: its header line and the line after its last line.
struct Place {
    qsizetype entete = -1;
    qsizetype fin = -1;
};

Place TrouverSection(const QList<Ligne>& lignes, const QString& section) {
    Place p;
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        const std::optional<QString> nom = NomSection(lignes[i].texte);
        if (!nom) {
            continue;
        }
        if (p.entete >= 0) {
            p.fin = i;
            return p;
        }
        if (MemeNom(*nom, section)) {
            p.entete = i;
        }
    }
    if (p.entete >= 0) {
        p.fin = lignes.size();
    }
    return p;
}

// Index of the key's line inside the section, -1 when absent.
qsizetype TrouverCle(const QList<Ligne>& lignes, const Place& p, const QString& cle) {
    for (qsizetype i = p.entete + 1; i < p.fin; ++i) {
        const QString& l = lignes[i].texte;
        if (EstCommentaire(l)) {
            continue;
        }
        const qsizetype egal = l.indexOf(QLatin1Char('='));
        if (egal >= 0 && MemeNom(Rogner(l.left(egal)), cle)) {
            return i;
        }
    }
    return -1;
}

QString ValeurLigne(const QString& ligne) {
    QString v = Rogner(ligne.mid(ligne.indexOf(QLatin1Char('=')) + 1));
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front()) {
        v = v.mid(1, v.size() - 2);
    }
    return v;
}

// The value of the key; nothing when the file, the section or the key is absent.
std::optional<QString> LireValeur(const QString& section, const QString& cle,
                                  const QString& fichier) {
    Contenu contenu;
    if (LireContenu(CheminFichier(fichier), contenu) != Lecture::Ok) {
        return std::nullopt;
    }
    const Place p = TrouverSection(contenu.lignes, Rogner(section));
    if (p.entete < 0) {
        return std::nullopt;
    }
    const qsizetype i = TrouverCle(contenu.lignes, p, Rogner(cle));
    if (i < 0) {
        return std::nullopt;
    }
    return ValeurLigne(contenu.lignes[i].texte);
}

// Writes the whole text through a temporary file of the same folder, synced, then renamed over
// the file: a crash leaves either the old file or the new one, never a truncated one.
bool EcrireAtomique(const QString& natif, const QByteArray& octets) {
    QString cible = natif;
    const QFileInfo info(natif);
    if (info.isSymLink()) {
        cible =
            info.canonicalFilePath().isEmpty() ? info.symLinkTarget() : info.canonicalFilePath();
    }
    const QByteArray nomCible = QFile::encodeName(cible);

    mode_t mode = 0666;
    struct stat st {};
    if (::stat(nomCible.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) {
            return false; // a folder, or a read-only file
        }
        mode = st.st_mode & 07777;
    } else {
        const mode_t masque = ::umask(0);
        ::umask(masque);
        mode = 0666 & ~masque;
    }

    try {
        interne::EcrireDurable(cible, octets, mode, cible);
    } catch (const Erreur&) {
        return false;
    }
    return true;
}

} // namespace

int GetPrivateProfileStringA(const QString& section, const QString& cle, const QString& defaut,
                             QString& tampon, int taille, const QString& fichier) {
    // As the system does, a default loses its trailing blanks (only those).
    QString repli = defaut;
    while (!repli.isEmpty() && EstBlanc(repli.back())) {
        repli.chop(1);
    }
    const QString valeur = LireValeur(section, cle, fichier).value_or(repli);
    if (taille <= 0) {
        return 0; // no room: the buffer is left as it was
    }
    qsizetype n = std::min<qsizetype>(valeur.size(), taille - 1);
    if (n > 0 && n < valeur.size() && valeur[n - 1].isHighSurrogate()) {
        --n; // never half a character
    }
    tampon = valeur.left(n);
    return static_cast<int>(n);
}

int GetPrivateProfileIntA(const QString& section, const QString& cle, int defaut,
                          const QString& fichier) {
    const QString valeur = LireValeur(section, cle, fichier).value_or(QString());
    if (valeur.isEmpty()) {
        return defaut;
    }
    qsizetype i = 0;
    while (i < valeur.size() && EstBlanc(valeur[i])) {
        ++i;
    }
    bool negatif = false;
    if (i < valeur.size() && (valeur[i] == QLatin1Char('-') || valeur[i] == QLatin1Char('+'))) {
        negatif = valeur[i] == QLatin1Char('-');
        ++i;
    }
    // Accumulated modulo 2^32, as the system does: out-of-range values wrap, they are not clamped.
    quint32 n = 0;
    for (; i < valeur.size() && valeur[i] >= QLatin1Char('0') && valeur[i] <= QLatin1Char('9');
         ++i) {
        n = n * 10u + static_cast<quint32>(valeur[i].unicode() - u'0');
    }
    if (negatif) {
        n = 0u - n;
    }
    return static_cast<int>(static_cast<qint32>(n));
}

bool WritePrivateProfileStringA(const QString& section, const QString& cle, const QString& valeur,
                                const QString& fichier) {
    const QString s = Rogner(section);
    const QString k = Rogner(cle);
    // A name that would not read back as itself (or would add lines) is refused.
    const auto sauts = [](const QString& t) {
        return t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r'));
    };
    if (s.isEmpty() || k.isEmpty() || sauts(s) || sauts(k) || s.contains(QLatin1Char(']')) ||
        k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char(';')) ||
        k.startsWith(QLatin1Char('['))) {
        return false;
    }
    QString v = valeur;
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));

    const QString natif = CheminFichier(fichier);
    if (DansDossierWindows(fichier)) {
        QDir().mkpath(CheminNatif(DossierWindows()));
    }
    Contenu contenu;
    const Lecture lecture = LireContenu(natif, contenu);
    if (lecture == Lecture::Illisible) {
        return false; // never replace a file that could not be read
    }
    QList<Ligne>& lignes = contenu.lignes;
    const auto inserer = [&](qsizetype ou, const QString& texte) {
        if (ou > 0 && lignes[ou - 1].fin.isEmpty()) { // the last line had no line end
            lignes[ou - 1].fin = contenu.fin;
            lignes[ou - 1].octets += Encoder(contenu.fin, contenu.codage);
        }
        lignes.insert(ou, Ligne{texte, contenu.fin, {}});
    };
    const Place p = TrouverSection(lignes, s);
    if (p.entete < 0) {
        inserer(lignes.size(), QLatin1Char('[') + s + QLatin1Char(']'));
        inserer(lignes.size(), k + QLatin1Char('=') + v);
    } else {
        const qsizetype i = TrouverCle(lignes, p, k);
        if (i >= 0) {
            Ligne& ancienne = lignes[i];
            qsizetype debut = ancienne.texte.indexOf(QLatin1Char('=')) + 1;
            while (debut < ancienne.texte.size() && EstBlanc(ancienne.texte[debut])) {
                ++debut;
            }
            ancienne.texte = ancienne.texte.left(debut) + v;
            ancienne.octets.clear();
            if (ancienne.fin.isEmpty()) {
                ancienne.fin = contenu.fin;
            }
        } else {
            qsizetype apres = p.entete + 1;
            for (qsizetype j = p.fin - 1; j > p.entete; --j) {
                if (!Rogner(lignes[j].texte).isEmpty()) {
                    apres = j + 1;
                    break;
                }
            }
            inserer(apres, k + QLatin1Char('=') + v);
        }
    }
    // The lines not written keep their bytes.
    QByteArray octets = contenu.marque;
    for (const Ligne& l : lignes) {
        octets += l.octets.isEmpty() ? Encoder(l.texte + l.fin, contenu.codage) : l.octets;
    }
    return EcrireAtomique(natif, octets);
}

QString DecoderTexte(const QByteArray& octets) {
    Contenu contenu;
    Decouper(octets, contenu);
    QString texte;
    for (const Ligne& l : contenu.lignes) {
        texte += l.texte + l.fin;
    }
    return texte;
}

} // namespace plateforme
