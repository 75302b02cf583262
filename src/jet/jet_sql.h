#pragma once

#include <QList>
#include <QString>

// The callers write their SQL in the dialect of the engine the module was written against; SQLite
// reads some of it otherwise. TraduireJet rewrites one statement, token by token:
//   - SELECT DISTINCTROW: the keyword is dropped (a row of one table is always distinct);
//   - "delete * from t", "delete t.* from t": the column list is dropped;
//   - a name that SQLite reserves but the dialect lets through (the column `table` of `synchro`,
//     a bracketed [name], a name after a ".") is quoted as an identifier;
//   - "double-quoted" texts are string literals, as in the dialect;
//   - & concatenates texts (||); LIKE patterns take * and ? as wildcards (% and _);
//   - #date# literals become ISO texts;
//   - texts compare without regard to case: a text literal, or a "?" bound to a text, that faces
//     a comparison operator gets the collation SANSCASSE (registered on every connection);
//   - a final ";" is dropped.
// Statements that change the structure (CREATE, DROP, ALTER...) pass unchanged: the module never
// sends them, only the schema loader does.
namespace dao {

// Name of the collation that compares texts without regard to case (any alphabet).
inline constexpr char CollationSansCasse[] = "SANSCASSE";

struct RequeteTraduite {
    QString sql;
    // The one table of a plain "select ... from t [where ...] [order by ...]": its rows can be
    // added to when every column of the result is a column of it (the layer checks that; an
    // aggregate is not). Empty for joins, DISTINCT, GROUP BY and anything but a SELECT.
    QString tableUnique;
    // Number of "?" placeholders.
    int parametres = 0;
};

// `parametresTexte[i]` tells whether the value bound to the i-th "?" is a text (missing entries:
// not a text).
RequeteTraduite TraduireJet(const QString& sqlJet, const QList<bool>& parametresTexte = {});

} // namespace dao
