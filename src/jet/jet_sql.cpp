#include "jet/jet_sql.h"

#include "jet/dao.h"
#include "platform/erreur.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>

#include <sqlite3.h>

#include <vector>

namespace dao {

namespace {

enum class Genre { Mot, Identifiant, Chaine, Nombre, Parametre, Symbole, Date };

struct Jeton {
    Genre genre = Genre::Symbole;
    QString texte; // as written; the value for strings, quoted names and dates
    QString avant; // blanks before the token, kept so that expressions keep their own text
    bool supprime = false;
    bool quoter = false; // a word written as an identifier
    QString suffixe;     // appended after the token
};

[[noreturn]] void ErreurSyntaxe(const QString& sql) {
    throw plateforme::Erreur(errdb::ErreurSyntaxe,
                             QStringLiteral("Erreur de syntaxe dans la requête « %1 ».").arg(sql));
}

bool DebutMot(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool SuiteMot(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// A quoted text up to its closing `fin`, a doubled `fin` standing for itself.
QString LireEntreGuillemets(const QString& s, qsizetype& i, QChar fin, const QString& sql) {
    QString valeur;
    ++i;
    while (true) {
        if (i >= s.size()) {
            ErreurSyntaxe(sql);
        }
        if (s[i] == fin) {
            if (fin != QLatin1Char(']') && i + 1 < s.size() && s[i + 1] == fin) {
                valeur += fin;
                i += 2;
                continue;
            }
            ++i;
            return valeur;
        }
        valeur += s[i++];
    }
}

QString LireNombre(const QString& s, qsizetype& i) {
    const qsizetype debut = i;
    while (i < s.size() && s[i].isDigit()) {
        ++i;
    }
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && s[i].isDigit()) {
            ++i;
        }
    }
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-'))) {
            ++j;
        }
        if (j < s.size() && s[j].isDigit()) {
            i = j;
            while (i < s.size() && s[i].isDigit()) {
                ++i;
            }
        }
    }
    return s.mid(debut, i - debut);
}

// #12/31/2024#, #2024-12-31#, with or without a time: an ISO text.
QString DateIso(const QString& litteral, const QString& sql) {
    const QString t = litteral.trimmed();
    static const char* const formatsDateHeure[] = {"M/d/yyyy H:mm:ss", "M/d/yyyy H:mm",
                                                   "yyyy-MM-dd H:mm:ss", "yyyy-MM-dd H:mm"};
    for (const char* format : formatsDateHeure) {
        const QDateTime dh = QDateTime::fromString(t, QLatin1String(format));
        if (dh.isValid()) {
            return dh.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
    }
    for (const char* format : {"M/d/yyyy", "yyyy-MM-dd"}) {
        const QDate d = QDate::fromString(t, QLatin1String(format));
        if (d.isValid()) {
            return d.toString(QStringLiteral("yyyy-MM-dd"));
        }
    }
    ErreurSyntaxe(sql);
}

std::vector<Jeton> Decouper(const QString& s) {
    std::vector<Jeton> jetons;
    qsizetype i = 0;
    while (true) {
        const qsizetype debutBlancs = i;
        while (i < s.size() && s[i].isSpace()) {
            ++i;
        }
        if (i >= s.size()) {
            break;
        }
        Jeton j;
        j.genre = Genre::Symbole;
        j.avant = s.mid(debutBlancs, i - debutBlancs);
        const QChar c = s[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            j.genre = Genre::Chaine;
            j.texte = LireEntreGuillemets(s, i, c, s);
        } else if (c == QLatin1Char('[')) {
            j.genre = Genre::Identifiant;
            j.texte = LireEntreGuillemets(s, i, QLatin1Char(']'), s);
        } else if (c == QLatin1Char('`')) {
            j.genre = Genre::Identifiant;
            j.texte = LireEntreGuillemets(s, i, QLatin1Char('`'), s);
        } else if (c == QLatin1Char('#')) {
            j.genre = Genre::Date;
            j.texte = DateIso(LireEntreGuillemets(s, i, QLatin1Char('#'), s), s);
        } else if (c.isDigit() ||
                   (c == QLatin1Char('.') && i + 1 < s.size() && s[i + 1].isDigit())) {
            j.genre = Genre::Nombre;
            j.texte = LireNombre(s, i);
        } else if (DebutMot(c)) {
            const qsizetype debut = i;
            while (i < s.size() && SuiteMot(s[i])) {
                ++i;
            }
            j.genre = Genre::Mot;
            j.texte = s.mid(debut, i - debut);
        } else if (c == QLatin1Char('?')) {
            j.genre = Genre::Parametre;
            j.texte = QStringLiteral("?");
            ++i;
        } else {
            static const QStringList doubles = {QStringLiteral("<>"), QStringLiteral("<="),
                                                QStringLiteral(">="), QStringLiteral("!="),
                                                QStringLiteral("=="), QStringLiteral("||")};
            const QString deux = s.mid(i, 2);
            j.texte = doubles.contains(deux) ? deux : QString(c);
            i += j.texte.size();
        }
        jetons.push_back(std::move(j));
    }
    return jetons;
}

bool EstMot(const Jeton& j, const char* mot) {
    return j.genre == Genre::Mot && j.texte.compare(QLatin1String(mot), Qt::CaseInsensitive) == 0;
}

bool EstSymbole(const Jeton& j, const char* symbole) {
    return j.genre == Genre::Symbole && j.texte == QLatin1String(symbole);
}

bool EstComparaison(const Jeton& j) {
    static const QSet<QString> operateurs = {
        QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="), QStringLiteral("=="),
        QStringLiteral("<"), QStringLiteral(">"),  QStringLiteral("<="), QStringLiteral(">=")};
    return j.genre == Genre::Symbole && operateurs.contains(j.texte);
}

bool MotCleSqlite(const QString& mot) {
    const QByteArray u = mot.toUtf8();
    return sqlite3_keyword_check(u.constData(), static_cast<int>(u.size())) != 0;
}

// Keywords that keep their role in the statements the callers write; any other word that SQLite
// reserves is a name there.
bool MotStructurel(const QString& mot) {
    static const QSet<QString> mots = {
        QStringLiteral("SELECT"),  QStringLiteral("DISTINCT"), QStringLiteral("ALL"),
        QStringLiteral("FROM"),    QStringLiteral("WHERE"),    QStringLiteral("AND"),
        QStringLiteral("OR"),      QStringLiteral("NOT"),      QStringLiteral("NULL"),
        QStringLiteral("IS"),      QStringLiteral("IN"),       QStringLiteral("LIKE"),
        QStringLiteral("BETWEEN"), QStringLiteral("EXISTS"),   QStringLiteral("ORDER"),
        QStringLiteral("BY"),      QStringLiteral("ASC"),      QStringLiteral("DESC"),
        QStringLiteral("AS"),      QStringLiteral("GROUP"),    QStringLiteral("HAVING"),
        QStringLiteral("INNER"),   QStringLiteral("LEFT"),     QStringLiteral("RIGHT"),
        QStringLiteral("OUTER"),   QStringLiteral("JOIN"),     QStringLiteral("ON"),
        QStringLiteral("UNION"),   QStringLiteral("INSERT"),   QStringLiteral("INTO"),
        QStringLiteral("VALUES"),  QStringLiteral("UPDATE"),   QStringLiteral("SET"),
        QStringLiteral("DELETE")};
    return mots.contains(mot.toUpper());
}

// Index of the previous / next token still in the statement, -1 when none.
qsizetype Precedent(const std::vector<Jeton>& t, qsizetype i) {
    for (qsizetype k = i - 1; k >= 0; --k) {
        if (!t[k].supprime) {
            return k;
        }
    }
    return -1;
}

qsizetype Suivant(const std::vector<Jeton>& t, qsizetype i) {
    for (qsizetype k = i + 1; k < static_cast<qsizetype>(t.size()); ++k) {
        if (!t[k].supprime) {
            return k;
        }
    }
    return -1;
}

void SupprimerDistinctRow(std::vector<Jeton>& t) {
    for (Jeton& j : t) {
        if (EstMot(j, "DISTINCTROW")) {
            j.supprime = true;
        }
    }
}

// "delete * from t" and "delete t.* from t": SQLite takes no column list.
void SimplifierDelete(std::vector<Jeton>& t) {
    if (t.empty() || !EstMot(t[0], "DELETE")) {
        return;
    }
    qsizetype from = 1;
    while (from < static_cast<qsizetype>(t.size()) && !EstMot(t[from], "FROM")) {
        const Jeton& j = t[from];
        const bool partieListe = j.genre == Genre::Mot || j.genre == Genre::Identifiant ||
                                 EstSymbole(j, "*") || EstSymbole(j, ".") || EstSymbole(j, ",");
        if (!partieListe) {
            return;
        }
        ++from;
    }
    for (qsizetype k = 1; k < from && k < static_cast<qsizetype>(t.size()); ++k) {
        t[k].supprime = true;
    }
}

void QuoterMotsReserves(std::vector<Jeton>& t) {
    for (qsizetype i = 0; i < static_cast<qsizetype>(t.size()); ++i) {
        Jeton& j = t[i];
        if (j.genre != Genre::Mot || j.supprime || !MotCleSqlite(j.texte)) {
            continue;
        }
        const qsizetype p = Precedent(t, i);
        const qsizetype s = Suivant(t, i);
        const bool qualifie =
            (p >= 0 && EstSymbole(t[p], ".")) || (s >= 0 && EstSymbole(t[s], "."));
        const bool fonction = s >= 0 && EstSymbole(t[s], "(");
        j.quoter = qualifie || (!MotStructurel(j.texte) && !fonction);
    }
}

void ConvertirMotifsLike(std::vector<Jeton>& t) {
    for (qsizetype i = 0; i < static_cast<qsizetype>(t.size()); ++i) {
        if (!EstMot(t[i], "LIKE")) {
            continue;
        }
        const qsizetype s = Suivant(t, i);
        if (s >= 0 && t[s].genre == Genre::Chaine) {
            t[s].texte.replace(QLatin1Char('*'), QLatin1Char('%'));
            t[s].texte.replace(QLatin1Char('?'), QLatin1Char('_'));
        }
    }
}

// Texts compare without regard to case: a text operand of a comparison takes the collation.
int AppliquerCollation(std::vector<Jeton>& t, const QList<bool>& parametresTexte) {
    int rang = 0;
    for (qsizetype i = 0; i < static_cast<qsizetype>(t.size()); ++i) {
        Jeton& j = t[i];
        bool texte = j.genre == Genre::Chaine;
        if (j.genre == Genre::Parametre) {
            texte = rang < parametresTexte.size() && parametresTexte[rang];
            ++rang;
        }
        if (!texte || j.supprime) {
            continue;
        }
        const qsizetype p = Precedent(t, i);
        const qsizetype s = Suivant(t, i);
        if ((p >= 0 && EstComparaison(t[p])) || (s >= 0 && EstComparaison(t[s]))) {
            j.suffixe = QStringLiteral(" COLLATE ") + QLatin1String(CollationSansCasse);
        }
    }
    return rang;
}

// The table of "select <columns of t> from t [alias] [where ...] [order by ...]".
QString TableUnique(const std::vector<Jeton>& t) {
    if (t.empty() || !EstMot(t[0], "SELECT")) {
        return {};
    }
    int profondeur = 0;
    qsizetype from = -1;
    for (qsizetype i = 0; i < static_cast<qsizetype>(t.size()); ++i) {
        const Jeton& j = t[i];
        if (EstSymbole(j, "(")) {
            ++profondeur;
        } else if (EstSymbole(j, ")")) {
            --profondeur;
        } else if (profondeur == 0) {
            for (const char* mot :
                 {"DISTINCT", "GROUP", "HAVING", "UNION", "JOIN", "INTERSECT", "EXCEPT", "LIMIT"}) {
                if (EstMot(j, mot)) {
                    return {};
                }
            }
            if (from < 0 && EstMot(j, "FROM")) {
                from = i;
            }
        }
    }
    const qsizetype n = static_cast<qsizetype>(t.size());
    if (from < 0 || from + 1 >= n) {
        return {};
    }
    const Jeton& nom = t[from + 1];
    if (nom.genre != Genre::Mot && nom.genre != Genre::Identifiant) {
        return {};
    }
    qsizetype k = from + 2;
    if (k < n && EstMot(t[k], "AS")) {
        ++k;
    }
    if (k < n && (t[k].genre == Genre::Identifiant ||
                  (t[k].genre == Genre::Mot && !EstMot(t[k], "WHERE") && !EstMot(t[k], "ORDER")))) {
        ++k; // alias
    }
    if (k < n && !EstMot(t[k], "WHERE") && !EstMot(t[k], "ORDER")) {
        return {};
    }
    return nom.texte;
}

QString Rendre(const Jeton& j) {
    switch (j.genre) {
    case Genre::Identifiant: {
        QString v = j.texte;
        return QLatin1Char('"') + v.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
               QLatin1Char('"');
    }
    case Genre::Chaine:
    case Genre::Date: {
        QString v = j.texte;
        return QLatin1Char('\'') + v.replace(QLatin1Char('\''), QStringLiteral("''")) +
               QLatin1Char('\'');
    }
    case Genre::Mot:
        return j.quoter ? QLatin1Char('"') + j.texte + QLatin1Char('"') : j.texte;
    case Genre::Symbole:
        return j.texte == QLatin1String("&") ? QStringLiteral("||") : j.texte;
    case Genre::Nombre:
    case Genre::Parametre:
        return j.texte;
    }
    return j.texte;
}

bool Manipulation(const std::vector<Jeton>& t) {
    if (t.empty()) {
        return false;
    }
    if (EstSymbole(t[0], "(")) {
        return true;
    }
    for (const char* mot : {"SELECT", "INSERT", "UPDATE", "DELETE"}) {
        if (EstMot(t[0], mot)) {
            return true;
        }
    }
    return false;
}

} // namespace

RequeteTraduite TraduireJet(const QString& sqlJet, const QList<bool>& parametresTexte) {
    std::vector<Jeton> t = Decouper(sqlJet);
    while (!t.empty() && EstSymbole(t.back(), ";")) {
        t.pop_back();
    }
    RequeteTraduite r;
    if (!Manipulation(t)) {
        r.sql = sqlJet;
        for (const Jeton& j : t) {
            r.parametres += j.genre == Genre::Parametre ? 1 : 0;
        }
        return r;
    }
    SupprimerDistinctRow(t);
    SimplifierDelete(t);
    QuoterMotsReserves(t);
    ConvertirMotifsLike(t);
    r.parametres = AppliquerCollation(t, parametresTexte);
    r.tableUnique = TableUnique(t);
    for (const Jeton& j : t) {
        if (!j.supprime) {
            r.sql += j.avant + Rendre(j) + j.suffixe;
        }
    }
    r.sql = r.sql.trimmed();
    return r;
}

} // namespace dao
