#include "testutil/photos.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <sqlite3.h>

#include <memory>
#include <utility>

namespace photos {

namespace {

struct FermerSqlite {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connexion = std::unique_ptr<sqlite3, FermerSqlite>;

struct FinirInstruction {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Instruction = std::unique_ptr<sqlite3_stmt, FinirInstruction>;

// The practice tables and the order their rows are compared in.
const QList<std::pair<QString, QString>>& TablesPratique() {
    static const QList<std::pair<QString, QString>> tables = {
        {QStringLiteral("patient"), QStringLiteral("identifiant")},
        {QStringLiteral("consultation"), QStringLiteral("identconsultation")},
        {QStringLiteral("ordonnance"), QStringLiteral("identordonnance")},
        {QStringLiteral("courrier"), QStringLiteral("identcourrier")},
        {QStringLiteral("cro"), QStringLiteral("identcro")},
        {QStringLiteral("correspondance"), QStringLiteral("identcorrespondance")},
        {QStringLiteral("objet"), QStringLiteral("identobjet")},
        {QStringLiteral("typeobjet"), QStringLiteral("typeobjet, nomecran")},
        {QStringLiteral("synchro"), QStringLiteral("id")},
    };
    return tables;
}

QVariant Valeur(sqlite3_stmt* s, int colonne) {
    switch (sqlite3_column_type(s, colonne)) {
    case SQLITE_INTEGER:
        return static_cast<qint64>(sqlite3_column_int64(s, colonne));
    case SQLITE_FLOAT:
        return sqlite3_column_double(s, colonne);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, colonne)),
                                 sqlite3_column_bytes(s, colonne));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(s, colonne)),
                          sqlite3_column_bytes(s, colonne));
    default:
        return {};
    }
}

} // namespace

Arbre LireArbre(const QString& natif) {
    Arbre arbre;
    QDirIterator it(natif, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        QFile f(chemin);
        arbre.insert(QDir(natif).relativeFilePath(chemin),
                     f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("!illisible"));
    }
    return arbre;
}

Lecture Lire(sqlite3* db, const QString& sql) {
    Lecture lecture;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) {
        lecture.erreur = QString::fromUtf8(sqlite3_errmsg(db));
        return lecture;
    }
    const Instruction instruction(s);
    for (int i = 0; i < sqlite3_column_count(s); ++i) {
        lecture.colonnes.append(QString::fromUtf8(sqlite3_column_name(s, i)));
    }
    int pas = SQLITE_ROW;
    while ((pas = sqlite3_step(s)) == SQLITE_ROW) {
        QVariantList ligne;
        for (int i = 0; i < lecture.colonnes.size(); ++i) {
            ligne.append(Valeur(s, i));
        }
        lecture.lignes.append(ligne);
    }
    if (pas != SQLITE_DONE) {
        lecture.erreur = QString::fromUtf8(sqlite3_errmsg(db));
    }
    return lecture;
}

QString Forme(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return QStringLiteral("N");
    }
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QStringLiteral("I:") + QString::number(v.toLongLong());
    case QMetaType::Double:
        return QStringLiteral("R:") + QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QByteArray:
        return QStringLiteral("B:") + QString::fromLatin1(v.toByteArray().toHex());
    default:
        return QStringLiteral("T:") + v.toString();
    }
}

QStringList Texte(const Lecture& lecture) {
    QStringList texte;
    for (const QVariantList& ligne : lecture.lignes) {
        QStringList valeurs;
        for (qsizetype i = 0; i < ligne.size(); ++i) {
            valeurs.append(lecture.colonnes.value(i) + QLatin1Char('=') + Forme(ligne[i]));
        }
        texte.append(valeurs.join(QLatin1Char('|')));
    }
    return texte;
}

Base LireBase(const QString& natif) {
    Base base;
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(natif).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const Connexion connexion(db);
    if (rc != SQLITE_OK) {
        base.erreur = QString::fromUtf8(sqlite3_errmsg(db));
        return base;
    }
    sqlite3_busy_timeout(db, 10000);
    const Lecture presentes =
        Lire(db, QStringLiteral("select name from sqlite_master where type = 'table'"));
    if (!presentes.erreur.isEmpty()) {
        base.erreur = presentes.erreur; // not a base
        return base;
    }
    for (const auto& [table, ordre] : TablesPratique()) {
        if (!presentes.lignes.contains(QVariantList{table})) {
            base.absentes.append(table);
        }
        base.tables.insert(
            table, Lire(db, QStringLiteral("select * from \"%1\" order by %2").arg(table, ordre)));
    }
    return base;
}

Photo Photographier(const QString& natif, const TexteTable& texte) {
    const Base base = LireBase(natif);
    if (!base.erreur.isEmpty()) {
        return {{QStringLiteral("!erreur"), {base.erreur}}};
    }
    Photo photo;
    for (auto it = base.tables.cbegin(); it != base.tables.cend(); ++it) {
        photo.insert(it.key(), !it->erreur.isEmpty() ? QStringList{QLatin1Char('!') + it->erreur}
                               : texte               ? texte(it.key(), *it)
                                                     : Texte(*it));
    }
    return photo;
}

} // namespace photos
