#include "sync/base_connexion.h"

#include "platform/chemins.h"
#include "platform/erreur.h"
#include "sync/base_erreurs.h"
#include "sync/dao.h"
#include "sync/jet_sql.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <limits>

namespace dao::base {

void FinaliserInstruction::operator()(sqlite3_stmt* instruction) const {
    sqlite3_finalize(instruction);
}

void FermerConnexion::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

namespace {

int& Delai() {
    static int ms = 5000;
    return ms;
}

// Texts compared without regard to case, in any alphabet ('Élodie' = 'élodie'), ASCII quickly.
int ComparerSansCasse(void*, int n1, const void* p1, int n2, const void* p2) {
    const auto* a = static_cast<const unsigned char*>(p1);
    const auto* b = static_cast<const unsigned char*>(p2);
    bool ascii = true;
    for (int i = 0; i < n1 && ascii; ++i) {
        ascii = a[i] < 0x80;
    }
    for (int i = 0; i < n2 && ascii; ++i) {
        ascii = b[i] < 0x80;
    }
    if (!ascii) {
        const QString x = QString::fromUtf8(reinterpret_cast<const char*>(a), n1);
        const QString y = QString::fromUtf8(reinterpret_cast<const char*>(b), n2);
        return QString::compare(x, y, Qt::CaseInsensitive);
    }
    const int n = std::min(n1, n2);
    for (int i = 0; i < n; ++i) {
        const int x = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32 : a[i];
        const int y = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32 : b[i];
        if (x != y) {
            return x - y;
        }
    }
    return n1 - n2;
}

} // namespace

int DelaiVerrouMs() {
    return Delai();
}

void DefinirDelaiVerrouMs(int ms) {
    Delai() = ms;
}

Connexion::Connexion(const QString& cheminWindows)
    : chemin_(cheminWindows) {
    if (cheminWindows.trimmed().isEmpty()) {
        throw ErreurCheminIncorrect(cheminWindows);
    }
    const QString natif = plateforme::CheminNatif(cheminWindows);
    const QFileInfo info(natif);
    if (!info.exists()) {
        if (!QFileInfo(info.absolutePath()).isDir()) {
            throw ErreurCheminIncorrect(cheminWindows);
        }
        throw ErreurFichierIntrouvable(cheminWindows);
    }
    if (info.isDir()) {
        throw ErreurCheminIncorrect(cheminWindows);
    }
    // An empty file would open as an empty base: every table "missing". It can only be a failed
    // copy, unless a journal beside it still holds its first pages.
    if (info.size() == 0 && !QFileInfo::exists(natif + QStringLiteral("-journal"))) {
        throw ErreurFichierCorrompu(cheminWindows);
    }
    cle_ = info.canonicalFilePath();

    sqlite3* db = nullptr;
    // Never SQLITE_OPEN_CREATE: a base that is not there is an error, not a new empty base.
    const int rc =
        sqlite3_open_v2(QFile::encodeName(natif).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK) {
        Lever(rc);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, DelaiVerrouMs());
    sqlite3_create_collation(db, CollationSansCasse, SQLITE_UTF8, nullptr, ComparerSansCasse);

    // The first read checks the header and rolls back a journal left by a crashed writer.
    Executer(QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    Instruction mode = Preparer(QStringLiteral("PRAGMA journal_mode=DELETE"));
    const int pas = sqlite3_step(mode.get());
    if (pas != SQLITE_ROW) {
        Lever(pas);
    }
    const QString modeObtenu =
        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(mode.get(), 0)));
    if (modeObtenu.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
        // A base in WAL mode still used by someone else: its changes are not in the file.
        throw ErreurFichierVerrouille(cheminWindows);
    }
    mode.reset();
    Executer(QStringLiteral("PRAGMA synchronous=FULL"));
}

Instruction Connexion::Preparer(const QString& sql) const {
    VerifierTransaction();
    const QByteArray u = sql.toUtf8();
    sqlite3_stmt* s = nullptr;
    const char* reste = nullptr;
    const int rc = sqlite3_prepare_v2(Db(), u.constData(), static_cast<int>(u.size()), &s, &reste);
    Instruction instruction(s);
    if (rc != SQLITE_OK) {
        Lever(rc);
    }
    if (reste != nullptr && !QByteArray(reste).trimmed().isEmpty()) {
        throw plateforme::Erreur(errdb::ErreurSyntaxe,
                                 QStringLiteral("Erreur de syntaxe dans la requête « %1 » : une "
                                                "seule instruction est admise.")
                                     .arg(sql));
    }
    if (s == nullptr) {
        throw plateforme::Erreur(errdb::ErreurSyntaxe,
                                 QStringLiteral("La requête « %1 » est vide.").arg(sql));
    }
    return instruction;
}

void Connexion::Executer(const QString& sql) const {
    Instruction instruction = Preparer(sql);
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(instruction.get());
    }
    if (rc != SQLITE_DONE) {
        Lever(rc);
    }
}

void Connexion::ExecuterJusquAuBout(sqlite3_stmt* instruction, const QString& table) const {
    VerifierTransaction();
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(instruction);
    }
    if (rc != SQLITE_DONE) {
        // The message must be read before the reset replaces it.
        const plateforme::Erreur e = ErreurSqlite(Db(), rc, chemin_, table);
        sqlite3_reset(instruction);
        throw e;
    }
    sqlite3_reset(instruction);
}

void Connexion::Lever(int code, const QString& table) const {
    throw ErreurSqlite(Db(), code, chemin_, table);
}

void Connexion::Commencer() const {
    Executer(QStringLiteral("BEGIN"));
    transactionOuverte_ = true;
}

void Connexion::Valider() const {
    if (!EnTransaction() && !transactionOuverte_) {
        return;
    }
    Executer(QStringLiteral("COMMIT"));
    transactionOuverte_ = false;
}

void Connexion::Annuler() const {
    transactionOuverte_ = false;
    if (EnTransaction()) {
        Executer(QStringLiteral("ROLLBACK"));
    }
}

void Connexion::VerifierTransaction() const {
    if (transactionOuverte_ && !EnTransaction()) {
        throw plateforme::Erreur(
            errdb::ErreurSqlite + SQLITE_ABORT,
            QStringLiteral("La transaction en cours sur la base %1 a été annulée par le moteur "
                           "de base de données après une erreur : aucune de ses modifications "
                           "n'a été enregistrée.")
                .arg(chemin_));
    }
}

bool Connexion::EnTransaction() const {
    return sqlite3_get_autocommit(Db()) == 0;
}

QString TexteDate(const QDateTime& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void Lier(const Connexion& connexion, sqlite3_stmt* s, int rang, const QVariant& v) {
    int rc = SQLITE_OK;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(s, rang);
    } else {
        switch (v.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(s, rang, v.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            rc = sqlite3_bind_int64(s, rang, v.toLongLong());
            break;
        case QMetaType::ULongLong: {
            const qulonglong u = v.toULongLong();
            if (u > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
                plateforme::Lever(plateforme::err::DepassementCapacite);
            }
            rc = sqlite3_bind_int64(s, rang, static_cast<qint64>(u));
            break;
        }
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(s, rang, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob64(s, rang, b.constData(), static_cast<sqlite3_uint64>(b.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime:
            rc = sqlite3_bind_text(s, rang, TexteDate(v.toDateTime()).toUtf8().constData(), -1,
                                   SQLITE_TRANSIENT);
            break;
        case QMetaType::QDate:
            rc = sqlite3_bind_text(
                s, rang, v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8().constData(), -1,
                SQLITE_TRANSIENT);
            break;
        case QMetaType::QTime:
            rc = sqlite3_bind_text(
                s, rang, v.toTime().toString(QStringLiteral("HH:mm:ss")).toUtf8().constData(), -1,
                SQLITE_TRANSIENT);
            break;
        default: {
            if (v.typeId() != QMetaType::QString && !v.canConvert<QString>()) {
                plateforme::Lever(plateforme::err::IncompatibiliteType);
            }
            const QByteArray u = v.toString().toUtf8();
            rc = sqlite3_bind_text64(s, rang, u.constData(), static_cast<sqlite3_uint64>(u.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
    }
    if (rc != SQLITE_OK) {
        connexion.Lever(rc);
    }
}

void LierTout(const Connexion& connexion, sqlite3_stmt* s, const QVariantList& valeurs) {
    const int attendus = sqlite3_bind_parameter_count(s);
    if (attendus != valeurs.size()) {
        throw plateforme::Erreur(errdb::NombreParametres,
                                 QStringLiteral("La requête attend %1 valeur(s) pour ses "
                                                "paramètres « ? » et en a reçu %2.")
                                     .arg(attendus)
                                     .arg(valeurs.size()));
    }
    for (int i = 0; i < attendus; ++i) {
        Lier(connexion, s, i + 1, valeurs[i]);
    }
}

bool TypeDate(const char* typeDeclare) {
    if (typeDeclare == nullptr) {
        return false;
    }
    const QByteArray t = QByteArray(typeDeclare).toUpper();
    return t.contains("DATE") || t.contains("TIME");
}

namespace {

QVariant LireDate(const QString& texte) {
    QDateTime d = QDateTime::fromString(texte, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!d.isValid()) {
        d = QDateTime::fromString(texte, Qt::ISODate);
    }
    if (!d.isValid()) {
        const QDate jour = QDate::fromString(texte, QStringLiteral("yyyy-MM-dd"));
        if (jour.isValid()) {
            d = jour.startOfDay();
        }
    }
    return d.isValid() ? QVariant(d) : QVariant(texte);
}

} // namespace

QVariant Lire(sqlite3_stmt* s, int colonne, bool colonneDate) {
    switch (sqlite3_column_type(s, colonne)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qint64>(sqlite3_column_int64(s, colonne)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, colonne));
    case SQLITE_TEXT: {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, colonne));
        const QString texte = QString::fromUtf8(t, sqlite3_column_bytes(s, colonne));
        return colonneDate ? LireDate(texte) : QVariant(texte);
    }
    case SQLITE_BLOB: {
        const auto* b = static_cast<const char*>(sqlite3_column_blob(s, colonne));
        return QVariant(QByteArray(b, sqlite3_column_bytes(s, colonne)));
    }
    default:
        return {};
    }
}

} // namespace dao::base
