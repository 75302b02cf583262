// The translation of the module's SQL dialect into SQLite's.
//
// Two kinds of input, told apart by the first byte:
//   - any text: the translation ends (no crash, no hang) with a statement or a syntax error
//     (plateforme::Erreur 3075); when SQLite accepts the statement, it has as many placeholders
//     as the translation counted;
//   - one of the statements the module builds, with identifiers and literals from the fuzzer
//     (names that SQLite reserves, bracketed names holding quotes, blanks and accents, texts
//     holding quotes and wildcards, negative and extreme numbers): the translation must be
//     accepted by sqlite3_prepare_v2 on a schema that has those names, name the table of a
//     plain select, and return the rows that the statement means.

#include "jet/jet_sql.h"
#include "platform/erreur.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <fuzzer/FuzzedDataProvider.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {

[[noreturn]] void Echec(const char* quoi, const QString& detail) {
    std::fprintf(stderr, "PROPRIETE VIOLEE : %s\n%s\n", quoi, detail.toUtf8().constData());
    std::abort();
}

struct FermerBase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finaliser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Base = std::unique_ptr<sqlite3, FermerBase>;
using Instruction = std::unique_ptr<sqlite3_stmt, Finaliser>;

int SansCasse(void*, int n1, const void* p1, int n2, const void* p2) {
    const QString a = QString::fromUtf8(static_cast<const char*>(p1), n1);
    const QString b = QString::fromUtf8(static_cast<const char*>(p2), n2);
    return QString::compare(a, b, Qt::CaseInsensitive);
}

// An empty base in memory, strict about names: a double-quoted name that matches nothing is an
// error, not a text.
Base BaseVide() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::abort();
    }
    Base base(db);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_create_collation(db, dao::CollationSansCasse, SQLITE_UTF8, nullptr, SansCasse);
    return base;
}

// `entier`, when given, tells whether SQLite read the whole text as one statement.
Instruction Preparer(sqlite3* db, const QString& sql, int* rc, bool* entier = nullptr) {
    const QByteArray u = sql.toUtf8();
    sqlite3_stmt* s = nullptr;
    const char* reste = nullptr;
    *rc = sqlite3_prepare_v2(db, u.constData(), static_cast<int>(u.size()), &s, &reste);
    if (entier != nullptr) {
        *entier = reste != nullptr && QByteArray(reste).trimmed().isEmpty() && !u.contains('\0');
    }
    return Instruction(s);
}

QString NomSqlite(const QString& nom) {
    QString n = nom;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// ---------------------------------------------------------------------------------------------
// Any text.

void TexteQuelconque(const QString& texte, const QList<bool>& parametresTexte) {
    dao::RequeteTraduite r;
    try {
        r = dao::TraduireJet(texte, parametresTexte);
    } catch (const plateforme::Erreur& e) {
        if (e.Number() != 3075) {
            Echec("erreur inattendue", QString::number(e.Number()) + QStringLiteral(" ") + texte);
        }
        return;
    }
    if (r.parametres < 0) {
        Echec("nombre de paramètres", texte);
    }
    // Numbered and named placeholders, and comments, are SQLite's own: left out of the count.
    for (const char* propre : {":", "@", "$", "--", "/*"}) {
        if (texte.contains(QLatin1String(propre))) {
            return;
        }
    }
    for (qsizetype i = 0; i + 1 < texte.size(); ++i) {
        if (texte[i] == QLatin1Char('?') && texte[i + 1].isDigit()) {
            return;
        }
    }
    static const Base base = [] {
        Base b = BaseVide();
        sqlite3_exec(b.get(),
                     "CREATE TABLE synchro (id INTEGER PRIMARY KEY, \"table\" TEXT, champ_id TEXT,"
                     " champ_id_dossier TEXT, dernier_no INTEGER);"
                     "CREATE TABLE patient (identifiant INTEGER, numdossier TEXT, nom TEXT);",
                     nullptr, nullptr, nullptr);
        return b;
    }();
    int rc = 0;
    bool entier = false;
    const Instruction s = Preparer(base.get(), r.sql, &rc, &entier);
    if (rc == SQLITE_OK && s && entier && sqlite3_bind_parameter_count(s.get()) != r.parametres) {
        Echec("paramètres comptés", texte + QStringLiteral("\n-> ") + r.sql);
    }
}

// ---------------------------------------------------------------------------------------------
// The module's statements with fuzzed names and values.

// Words that keep a role in the dialect: such a name is written in brackets.
bool MotReserveDialecte(const QString& mot) {
    static const QSet<QString> mots = {
        QStringLiteral("SELECT"), QStringLiteral("DISTINCT"), QStringLiteral("DISTINCTROW"),
        QStringLiteral("ALL"),    QStringLiteral("FROM"),     QStringLiteral("WHERE"),
        QStringLiteral("AND"),    QStringLiteral("OR"),       QStringLiteral("NOT"),
        QStringLiteral("NULL"),   QStringLiteral("IS"),       QStringLiteral("IN"),
        QStringLiteral("LIKE"),   QStringLiteral("BETWEEN"),  QStringLiteral("EXISTS"),
        QStringLiteral("ORDER"),  QStringLiteral("BY"),       QStringLiteral("ASC"),
        QStringLiteral("DESC"),   QStringLiteral("AS"),       QStringLiteral("GROUP"),
        QStringLiteral("HAVING"), QStringLiteral("INNER"),    QStringLiteral("LEFT"),
        QStringLiteral("RIGHT"),  QStringLiteral("OUTER"),    QStringLiteral("JOIN"),
        QStringLiteral("ON"),     QStringLiteral("UNION"),    QStringLiteral("INSERT"),
        QStringLiteral("INTO"),   QStringLiteral("VALUES"),   QStringLiteral("UPDATE"),
        QStringLiteral("SET"),    QStringLiteral("DELETE"),   QStringLiteral("INTERSECT"),
        QStringLiteral("EXCEPT"), QStringLiteral("LIMIT")};
    return mots.contains(mot.toUpper());
}

// Names worth trying: those of the practice base and words SQLite reserves.
const char* const NomsConnus[] = {
    "table",     "synchro",   "patient",   "identifiant", "id",        "dernier_no", "typeobjet",
    "index",     "key",       "values",    "default",     "check",     "collate",    "escape",
    "glob",      "match",     "regexp",    "case",        "when",      "then",       "else",
    "end",       "cast",      "natural",   "cross",       "offset",    "primary",    "transaction",
    "rowid",     "Max",       "Count",     "NBENR",       "date",      "order",      "from",
    "select",    "as",        "group",     "desc",        "null",      "limit",      "abort",
    "action",    "after",     "analyze",   "attach",      "before",    "begin",      "column",
    "commit",    "create",    "current",   "database",    "deferred",  "detach",     "drop",
    "each",      "exclusive", "explain",   "filter",      "following", "full",       "if",
    "ignore",    "indexed",   "instead",   "isnull",      "notnull",   "of",         "over",
    "partition", "plan",      "pragma",    "query",       "raise",     "range",      "recursive",
    "reindex",   "release",   "rename",    "replace",     "restrict",  "returning",  "rollback",
    "row",       "rows",      "savepoint", "temp",        "temporary", "ties",       "to",
    "trigger",   "unbounded", "unique",    "using",       "vacuum",    "view",       "virtual",
    "window",    "with",      "without",   "nomécran",    "Élodie",    "_x",         "a1"};

// Characters of a bare name (the first one is not a digit).
const char16_t Lettres[] =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789éÈçàœßÆ";

// Characters of bracketed names and texts: quotes of every kind, blanks, the dialect's
// wildcards and markers, accents, a character outside the 16-bit plane.
const char16_t Signes[] = u" '\"`[.#&*?%_;,-+()<>=\\/\t\r\nàéÇ€™ÿ";

QString Caractere(FuzzedDataProvider& f, bool nomNu, bool premier) {
    const uint8_t choix = f.ConsumeIntegral<uint8_t>();
    if (nomNu) {
        QChar c = QChar(Lettres[choix % (std::size(Lettres) - 1)]);
        if (premier && c.isDigit()) {
            c = QLatin1Char('d');
        }
        return QString(c);
    }
    if (choix < 128) {
        return QString(QChar(Lettres[choix % (std::size(Lettres) - 1)]));
    }
    if (choix < 250) {
        return QString(QChar(Signes[choix % (std::size(Signes) - 1)]));
    }
    return QString::fromUtf8("\xF0\x9F\x98\x80"); // 😀
}

struct Nom {
    QString valeur; // the name itself
    QString ecrit;  // as the statement writes it
};

Nom NomFuzze(FuzzedDataProvider& f) {
    const uint8_t genre = f.ConsumeIntegral<uint8_t>();
    QString valeur;
    bool crochets = false;
    if (genre % 4 == 0) {
        valeur =
            QString::fromUtf8(NomsConnus[f.ConsumeIntegral<uint8_t>() % std::size(NomsConnus)]);
    } else {
        crochets = genre % 4 == 3;
        const int longueur = f.ConsumeIntegralInRange<int>(1, 24);
        for (int i = 0; i < longueur; ++i) {
            valeur += Caractere(f, !crochets, i == 0);
        }
    }
    crochets = crochets || MotReserveDialecte(valeur) || (genre & 0x80) != 0;
    return {valeur, crochets ? QLatin1Char('[') + valeur + QLatin1Char(']') : valeur};
}

QString TexteFuzze(FuzzedDataProvider& f) {
    QString t;
    const int longueur = f.ConsumeIntegralInRange<int>(0, 40);
    for (int i = 0; i < longueur; ++i) {
        t += Caractere(f, false, false);
    }
    return t;
}

// A text literal of the dialect: single or double quotes, the quote doubled inside.
QString LitteralJet(const QString& texte, bool doubles) {
    const QChar q = doubles ? QLatin1Char('"') : QLatin1Char('\'');
    QString t = texte;
    return q + t.replace(q, QString(2, q)) + q;
}

struct Cas {
    QString jet;
    QList<bool> texte;
    bool select = true; // a plain select of the one table
};

// The rows of a statement; `valeurs` gets the first column of each, Null as the smallest value.
int Compter(sqlite3_stmt* s, QList<qint64>* valeurs = nullptr) {
    int lignes = 0;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        ++lignes;
        if (valeurs != nullptr) {
            valeurs->append(sqlite3_column_type(s, 0) == SQLITE_NULL
                                ? std::numeric_limits<qint64>::min()
                                : sqlite3_column_int64(s, 0));
        }
    }
    return rc == SQLITE_DONE ? lignes : -1;
}

void Modele(FuzzedDataProvider& f) {
    const Nom table = NomFuzze(f);
    const Nom colonne = NomFuzze(f);
    const QString autre = QStringLiteral("autre");
    const int n = f.ConsumeIntegral<int32_t>();
    const QString l1 = TexteFuzze(f);
    const QString l2 = TexteFuzze(f);
    const bool doubles = f.ConsumeBool();
    const int modele = f.ConsumeIntegralInRange<int>(0, 9);

    // The schema that has these names; names SQLite itself refuses are not the translation's
    // business.
    const Base base = BaseVide();
    sqlite3* db = base.get();
    const QString creation = QStringLiteral("CREATE TABLE %1 (%2, %3)")
                                 .arg(NomSqlite(table.valeur), NomSqlite(colonne.valeur), autre);
    if (sqlite3_exec(db, creation.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        return;
    }
    int rc = 0;
    {
        const Instruction ajout = Preparer(
            db, QStringLiteral("INSERT INTO %1 VALUES (?, ?)").arg(NomSqlite(table.valeur)), &rc);
        if (rc != SQLITE_OK) {
            std::abort();
        }
        // Three rows around n; the middle one holds the two texts.
        for (const qint64 v : {qint64(n) - 1, qint64(n), qint64(n) + 1}) {
            sqlite3_reset(ajout.get());
            sqlite3_bind_int64(ajout.get(), 1, v);
            sqlite3_bind_null(ajout.get(), 2);
            if (sqlite3_step(ajout.get()) != SQLITE_DONE) {
                std::abort();
            }
        }
        const QByteArray a = l1.toUtf8();
        const QByteArray b = l2.toUtf8();
        sqlite3_reset(ajout.get());
        sqlite3_bind_text(ajout.get(), 1, a.constData(), static_cast<int>(a.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(ajout.get(), 2, b.constData(), static_cast<int>(b.size()),
                          SQLITE_TRANSIENT);
        if (sqlite3_step(ajout.get()) != SQLITE_DONE) {
            std::abort();
        }
    }

    const QString& t = table.ecrit;
    const QString& c = colonne.ecrit;
    Cas cas;
    switch (modele) {
    case 0:
        cas.jet = QStringLiteral("SELECT DISTINCTROW Count(%1.%2) AS NBENR FROM %1;").arg(t, c);
        cas.select = false;
        break;
    case 1:
        cas.jet = QStringLiteral("SELECT DISTINCTROW Max(%1.%2) AS MAX FROM %1;").arg(t, c);
        cas.select = false;
        break;
    case 2:
        cas.jet = QStringLiteral("delete * from ") + t;
        cas.select = false;
        break;
    case 3:
        cas.jet = QStringLiteral("select * from %1 order by %2").arg(t, c);
        break;
    case 4:
        cas.jet = QStringLiteral("select * from %1 where %2 > %3 order by %2")
                      .arg(t, c, QString::number(n));
        break;
    case 5:
        cas.jet = QStringLiteral("select * from %1 order by %2 DESC").arg(t, c);
        break;
    case 6:
        cas.jet = QStringLiteral("select * from %1 where %2 = %3 and %4 = %5")
                      .arg(t, c, LitteralJet(l1, doubles), autre, LitteralJet(l2, !doubles));
        break;
    case 7:
        cas.jet = QStringLiteral("select * from %1 where %2 = ? and %3 = ?").arg(t, c, autre);
        cas.texte = {true, true};
        break;
    case 8:
        cas.jet = QStringLiteral("select %2 from %1 order by %2 desc").arg(t, c);
        break;
    default:
        cas.jet =
            QStringLiteral("select * from %1 where %2 like %3").arg(t, c, LitteralJet(l1, doubles));
        break;
    }

    dao::RequeteTraduite r;
    try {
        r = dao::TraduireJet(cas.jet, cas.texte);
    } catch (const plateforme::Erreur& e) {
        Echec("instruction du module refusée", cas.jet + QStringLiteral(" : ") + e.Description());
    }
    const Instruction s = Preparer(db, r.sql, &rc);
    if (rc != SQLITE_OK) {
        Echec("traduction refusée par SQLite", cas.jet + QStringLiteral("\n-> ") + r.sql +
                                                   QStringLiteral("\n") +
                                                   QString::fromUtf8(sqlite3_errmsg(db)));
    }
    const QString detail = cas.jet + QStringLiteral("\n-> ") + r.sql;
    if (r.parametres != static_cast<int>(cas.texte.size()) ||
        sqlite3_bind_parameter_count(s.get()) != r.parametres) {
        Echec("paramètres", detail);
    }
    if (cas.select && r.tableUnique != table.valeur) {
        Echec("table unique", detail + QStringLiteral("\ntable : ") + r.tableUnique);
    }
    if (modele == 7) {
        const QByteArray a = l1.toUtf8();
        const QByteArray b = l2.toUtf8();
        sqlite3_bind_text(s.get(), 1, a.constData(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s.get(), 2, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    }

    // What the statement means on the four rows n - 1, n, n + 1 and (l1, l2).
    QList<qint64> valeurs;
    const int lignes = Compter(s.get(), &valeurs);
    const auto attendre = [&](bool ok, const char* quoi) {
        if (!ok) {
            Echec(quoi, detail + QStringLiteral("\nlignes : ") + QString::number(lignes));
        }
    };
    switch (modele) {
    case 0:
        attendre(lignes == 1 && valeurs.value(0) == 4, "compte");
        break;
    case 1:
        attendre(lignes == 1 && valeurs.value(0) != std::numeric_limits<qint64>::min(), "maximum");
        break;
    case 2: {
        const Instruction reste =
            Preparer(db, QStringLiteral("SELECT * FROM ") + NomSqlite(table.valeur), &rc);
        attendre(lignes == 0 && Compter(reste.get()) == 0, "suppression");
        break;
    }
    case 3:
    case 5:
    case 8:
        attendre(lignes == 4, "toutes les lignes");
        break;
    case 4:
        // n + 1, and the text row (texts sort after numbers).
        attendre(lignes == 2 && valeurs.value(0) == qint64(n) + 1, "comparaison numérique");
        break;
    case 6:
    case 7:
        attendre(lignes == 1, "égalité de textes");
        break;
    default:
        attendre(lignes >= 0, "motif");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    if (taille == 0) {
        return 0;
    }
    const uint8_t genre = donnees[0];
    if (genre % 2 == 0) {
        QList<bool> parametresTexte;
        for (int i = 1; i < 8; ++i) {
            parametresTexte.append(((genre >> i) & 1) != 0);
        }
        TexteQuelconque(QString::fromUtf8(reinterpret_cast<const char*>(donnees + 1),
                                          static_cast<qsizetype>(taille - 1)),
                        parametresTexte);
    } else {
        FuzzedDataProvider f(donnees + 1, taille - 1);
        Modele(f);
    }
    return 0;
}
