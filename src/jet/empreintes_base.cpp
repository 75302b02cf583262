#include "jet/empreintes_base.h"

#include "jet/base_connexion.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace dao {

namespace {

using base::Connexion;
using base::Instruction;

// A 64-bit hash of the row's values, stable from one version of the program to the next (it is
// kept on disk between two runs): each value's type, length and bytes, eight at a time.
class Hachage {
public:
    void Mot(quint64 mot) {
        h_ ^= mot;
        h_ *= Premier;
        h_ ^= h_ >> 29;
    }
    void Octets(const unsigned char* octets, int taille) {
        Mot(static_cast<quint64>(taille));
        int i = 0;
        for (; i + 8 <= taille; i += 8) {
            quint64 mot = 0;
            std::memcpy(&mot, octets + i, 8);
            Mot(mot);
        }
        quint64 reste = 0;
        std::memcpy(&reste, octets + i, static_cast<size_t>(taille - i));
        Mot(reste);
    }
    quint64 Valeur() const { return h_; }

private:
    static constexpr quint64 Premier = 0x100000001b3ULL;
    quint64 h_ = 0xcbf29ce484222325ULL;
};

quint64 HacherLigne(sqlite3_stmt* ligne, int premiere, int colonnes) {
    Hachage h;
    for (int c = premiere; c < colonnes; ++c) {
        const int type = sqlite3_column_type(ligne, c);
        h.Mot(static_cast<quint64>(type));
        switch (type) {
        case SQLITE_INTEGER:
            h.Mot(static_cast<quint64>(sqlite3_column_int64(ligne, c)));
            break;
        case SQLITE_FLOAT: {
            const double d = sqlite3_column_double(ligne, c);
            quint64 bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            h.Mot(bits);
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const auto* octets = static_cast<const unsigned char*>(
                type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(ligne, c))
                                    : sqlite3_column_blob(ligne, c));
            const int taille = sqlite3_column_bytes(ligne, c);
            if (octets != nullptr) {
                h.Octets(octets, taille);
            }
            break;
        }
        default:
            break;
        }
    }
    return h.Valeur();
}

QString Guillemets(const QString& nom) {
    QString double_ = nom;
    double_.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + double_ + QLatin1Char('"');
}

struct Table {
    QString nom;
    bool sansRowid = false;
};

QList<Table> Tables(const Connexion& connexion) {
    const Instruction liste = connexion.Preparer(
        QStringLiteral("SELECT name, sql FROM sqlite_schema WHERE type = 'table' AND name NOT "
                       "LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    QList<Table> tables;
    int rc = 0;
    while ((rc = sqlite3_step(liste.get())) == SQLITE_ROW) {
        const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(liste.get(), 1));
        const QString texte = sql == nullptr ? QString() : QString::fromUtf8(sql);
        tables.append(
            {QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(liste.get(), 0))),
             texte.contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive)});
    }
    if (rc != SQLITE_DONE) {
        connexion.Lever(rc);
    }
    return tables;
}

// The table's integer primary key of one column (the row number under another name), or "".
QString CleEntiere(const Connexion& connexion, const QString& table) {
    const Instruction info =
        connexion.Preparer(QStringLiteral("PRAGMA table_info(") + Guillemets(table) + ')');
    QString cle;
    int colonnesCle = 0;
    int rc = 0;
    while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
        if (sqlite3_column_int(info.get(), 5) == 0) {
            continue;
        }
        ++colonnesCle;
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
        if (type != nullptr &&
            QString::fromUtf8(type).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0) {
            cle = QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1)));
        }
    }
    if (rc != SQLITE_DONE) {
        connexion.Lever(rc);
    }
    return colonnesCle == 1 ? cle : QString();
}

EmpreintesTable LireTable(const Connexion& connexion, const QString& table,
                          const QString& colonneCle) {
    const QString cle = colonneCle.isEmpty() ? QStringLiteral("rowid") : Guillemets(colonneCle);
    const Instruction lignes =
        connexion.Preparer(QStringLiteral("SELECT ") + cle + QStringLiteral(", * FROM ") +
                           Guillemets(table) + QStringLiteral(" ORDER BY 1, rowid"));
    EmpreintesTable resultat{table, colonneCle, {}};
    const int colonnes = sqlite3_column_count(lignes.get());
    int rc = 0;
    while ((rc = sqlite3_step(lignes.get())) == SQLITE_ROW) {
        const qint64 valeurCle = sqlite3_column_type(lignes.get(), 0) == SQLITE_INTEGER
                                     ? sqlite3_column_int64(lignes.get(), 0)
                                     : 0;
        resultat.lignes.push_back({valeurCle, HacherLigne(lignes.get(), 1, colonnes)});
    }
    if (rc != SQLITE_DONE) {
        connexion.Lever(rc, table);
    }
    // ORDER BY sorts a text key after the integers: the rows given 0 go back in their place.
    std::stable_sort(
        resultat.lignes.begin(), resultat.lignes.end(),
        [](const EmpreinteLigne& a, const EmpreinteLigne& b) { return a.cle < b.cle; });
    return resultat;
}

} // namespace

QList<EmpreintesTable> LireEmpreintes(const QString& chemin,
                                      const QHash<QString, QString>& clesImposees) {
    const Connexion connexion(chemin);
    // One read transaction: every table seen at the same moment.
    connexion.Commencer();
    QList<EmpreintesTable> resultat;
    try {
        for (const Table& table : Tables(connexion)) {
            if (table.sansRowid) {
                continue;
            }
            const QString imposee = clesImposees.value(table.nom.toLower());
            resultat.append(
                LireTable(connexion, table.nom,
                          imposee.isEmpty() ? CleEntiere(connexion, table.nom) : imposee));
        }
    } catch (...) {
        try {
            connexion.Annuler();
        } catch (...) {
            // Nothing was written: closing the connection ends the read as well.
        }
        throw;
    }
    connexion.Annuler();
    return resultat;
}

} // namespace dao
