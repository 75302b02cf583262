#include "base_sqlite.h"

#include "jet/dao.h"
#include "platform/erreur.h"

#include <QDateTime>
#include <QFileInfo>

#include <sqlite3.h>

namespace demo {

BaseSqlite::BaseSqlite(const QString& fichierNatif, bool creer)
    : fichier_(fichierNatif) {
    if (creer && QFileInfo::exists(fichierNatif)) {
        plateforme::Lever(plateforme::err::FichierExisteDeja,
                          QStringLiteral("Le fichier « %1 » existe déjà.").arg(fichierNatif));
    }
    const int drapeaux = SQLITE_OPEN_READWRITE | (creer ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(fichierNatif.toUtf8().constData(), &db, drapeaux, nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK) {
        Echouer(rc);
    }
    Executer(QStringLiteral("PRAGMA journal_mode=DELETE"));
    Executer(QStringLiteral("PRAGMA synchronous=FULL"));
}

void FermerBase::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

void BaseSqlite::Echouer(int code) const {
    const QString message =
        QString::fromUtf8(db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(code));
    throw plateforme::Erreur(
        dao::errdb::ErreurSqlite + (code & 0xff),
        QStringLiteral("Erreur de la base de données « %1 » : %2").arg(fichier_, message));
}

void BaseSqlite::Executer(const QString& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_.get(), sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) {
        Echouer(rc);
    }
}

qint64 BaseSqlite::Entier(const QString& sql) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_.get(), sql.toUtf8().constData(), -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        Echouer(rc);
    }
    rc = sqlite3_step(s);
    const qint64 valeur = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        Echouer(rc);
    }
    return valeur;
}

Insertion::Insertion(BaseSqlite& base, const QString& table, const QStringList& colonnes)
    : base_(base) {
    QStringList noms;
    QStringList marques;
    for (const QString& c : colonnes) {
        noms.append(QLatin1Char('"') + c + QLatin1Char('"'));
        marques.append(QStringLiteral("?"));
    }
    const QString sql =
        QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
            .arg(table, noms.join(QStringLiteral(", ")), marques.join(QStringLiteral(", ")));
    const int rc =
        sqlite3_prepare_v2(base.Db(), sql.toUtf8().constData(), -1, &instruction_, nullptr);
    if (rc != SQLITE_OK) {
        base.Echouer(rc);
    }
}

Insertion::~Insertion() {
    sqlite3_finalize(instruction_);
}

void Insertion::Ajouter(const QVariantList& valeurs) {
    for (int i = 0; i < valeurs.size(); ++i) {
        const QVariant& v = valeurs[i];
        const int rang = i + 1;
        if (!v.isValid() || v.isNull()) {
            sqlite3_bind_null(instruction_, rang);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(instruction_, rang, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            sqlite3_bind_double(instruction_, rang, v.toDouble());
        } else {
            QString texte = v.toString();
            if (v.typeId() == QMetaType::QDateTime) {
                texte = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            } else if (v.typeId() == QMetaType::QDate) {
                texte = v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
            }
            sqlite3_bind_text(instruction_, rang, texte.toUtf8().constData(), -1, SQLITE_TRANSIENT);
        }
    }
    const int rc = sqlite3_step(instruction_);
    sqlite3_reset(instruction_);
    if (rc != SQLITE_DONE) {
        base_.Echouer(rc);
    }
    ++lignes_;
}

} // namespace demo
