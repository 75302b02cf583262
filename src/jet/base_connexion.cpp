#include "jet/base_connexion.h"

#include "jet/base_erreurs.h"
#include "jet/dao.h"
#include "jet/jet_sql.h"
#include "jet/ligne_brute.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/services.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
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
    // A connection is used by one thread at a time: no mutex around each call (NOMUTEX).
    const int rc = sqlite3_open_v2(QFile::encodeName(natif).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
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
    // EXTRA also flushes the folder once the journal is deleted: until then a power cut may
    // bring the journal back, and the next opening rolls back a commit already acted upon (the
    // local table synchro emptied, the run reported ended).
    Executer(QStringLiteral("PRAGMA synchronous=EXTRA"));
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

void Connexion::VerrouillerEcriture(int attenteMs) const {
    if (!transactionOuverte_) {
        throw plateforme::Erreur(errdb::SansTransaction,
                                 QStringLiteral("Aucune transaction n'est en cours."));
    }
    VerifierTransaction();
    if (sqlite3_txn_state(Db(), nullptr) == SQLITE_TXN_WRITE) {
        return;
    }
    // Nothing written yet: the transaction starts again, holding the lock from its first read.
    transactionOuverte_ = false;
    Executer(QStringLiteral("ROLLBACK"));
    // Short waits inside SQLite, the window kept alive between them.
    constexpr int PasMs = 50;
    QElapsedTimer attente;
    attente.start();
    int rc = SQLITE_BUSY;
    for (;;) {
        sqlite3_busy_timeout(Db(),
                             std::clamp(attenteMs - static_cast<int>(attente.elapsed()), 0, PasMs));
        rc = sqlite3_exec(Db(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if ((rc & 0xff) != SQLITE_BUSY || attente.elapsed() >= attenteMs) {
            break;
        }
        plateforme::DoEventsAttente();
    }
    sqlite3_busy_timeout(Db(), DelaiVerrouMs());
    if (rc == SQLITE_OK) {
        transactionOuverte_ = true;
        return;
    }
    // The engine's transaction goes on without the lock until the caller rolls it back.
    const plateforme::Erreur erreur =
        (rc & 0xff) == SQLITE_BUSY
            ? plateforme::Erreur(errdb::FichierVerrouille,
                                 QStringLiteral("La base de données %1 est en cours d'écriture par "
                                                "un autre poste depuis plus de %2 seconde(s).")
                                     .arg(chemin_)
                                     .arg(attenteMs / 1000))
            : ErreurSqlite(Db(), rc, chemin_);
    Commencer();
    throw erreur;
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

namespace {

// "yyyy-MM-dd HH:mm:ss" and "yyyy-MM-dd".
constexpr size_t LongueurDate = Field::LongueurDateMax;
constexpr size_t LongueurJour = 10;

void Chiffres(char* destination, int valeur, int nombre) {
    for (int i = nombre - 1; i >= 0; --i) {
        destination[i] = static_cast<char>('0' + valeur % 10);
        valeur /= 10;
    }
}

// The stored form of `date` written by hand: QDateTime::toString goes through the locale's
// formatting for every field. False for what only toString knows how to write (no date, a year
// outside 1 to 9999).
bool EcrireDate(const QDateTime& date, char (&texte)[LongueurDate]) {
    if (!date.isValid()) {
        return false;
    }
    const QDate jour = date.date();
    const QTime heure = date.time();
    if (jour.year() < 1 || jour.year() > 9999) {
        return false;
    }
    Chiffres(texte, jour.year(), 4);
    texte[4] = '-';
    Chiffres(texte + 5, jour.month(), 2);
    texte[7] = '-';
    Chiffres(texte + 8, jour.day(), 2);
    texte[10] = ' ';
    Chiffres(texte + 11, heure.hour(), 2);
    texte[13] = ':';
    Chiffres(texte + 14, heure.minute(), 2);
    texte[16] = ':';
    Chiffres(texte + 17, heure.second(), 2);
    return true;
}

int Nombre(std::string_view texte, size_t debut, size_t longueur) {
    int n = 0;
    for (size_t i = debut; i < debut + longueur; ++i) {
        n = n * 10 + (texte[i] - '0');
    }
    return n;
}

QDate Jour(std::string_view texte) {
    return {Nombre(texte, 0, 4), Nombre(texte, 5, 2), Nombre(texte, 8, 2)};
}

} // namespace

QString TexteDate(const QDateTime& date) {
    char texte[LongueurDate];
    if (EcrireDate(date, texte)) {
        return QString::fromLatin1(texte, LongueurDate);
    }
    return date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool FormeDateStockee(std::string_view texte) {
    if (texte.size() != LongueurDate && texte.size() != LongueurJour) {
        return false;
    }
    static constexpr char Modele[] = "0000-00-00 00:00:00";
    for (size_t i = 0; i < texte.size(); ++i) {
        const char c = texte[i];
        if (Modele[i] == '0' ? (c < '0' || c > '9') : c != Modele[i]) {
            return false;
        }
    }
    return true;
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
        case QMetaType::QDateTime: {
            char texte[LongueurDate];
            const QDateTime date = v.toDateTime();
            if (EcrireDate(date, texte)) {
                rc = sqlite3_bind_text(s, rang, texte, LongueurDate, SQLITE_TRANSIENT);
            } else {
                rc = sqlite3_bind_text(s, rang, TexteDate(date).toUtf8().constData(), -1,
                                       SQLITE_TRANSIENT);
            }
            break;
        }
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

void LierChamp(const Connexion& connexion, sqlite3_stmt* s, int rang, const Field& champ,
               QByteArray& tampon) {
    const std::string_view date = champ.DateStockee();
    int rc = SQLITE_OK;
    if (const LigneBrute* ligne = champ.LigneBrute()) {
        // Unchanged since it was read: bound as it was read, from where it was read.
        rc = ligne->Lier(s, rang, champ.ColonneBrute());
    } else if (date.size() == LongueurDate) {
        // The text it was read from is the text the date would be written as.
        rc = sqlite3_bind_text(s, rang, date.data(), static_cast<int>(date.size()), SQLITE_STATIC);
    } else if (date.empty() && champ.Value().typeId() == QMetaType::QString) {
        tampon = static_cast<const QString*>(champ.Value().constData())->toUtf8();
        rc = sqlite3_bind_text64(s, rang, tampon.constData(),
                                 static_cast<sqlite3_uint64>(tampon.size()), SQLITE_STATIC,
                                 SQLITE_UTF8);
    } else if (date.empty() && champ.Value().typeId() == QMetaType::LongLong) {
        rc = sqlite3_bind_int64(s, rang, *static_cast<const qint64*>(champ.Value().constData()));
    } else if (date.empty() && champ.Value().typeId() == QMetaType::Int) {
        // A new identifier or link, as the callers set them.
        rc = sqlite3_bind_int64(s, rang, *static_cast<const int*>(champ.Value().constData()));
    } else {
        // A day alone is written with the time its date reads as (midnight, unless the clocks
        // skip it that day).
        Lier(connexion, s, rang, champ.Value());
        return;
    }
    if (rc != SQLITE_OK) {
        connexion.Lever(rc);
    }
}

namespace {

// Every form a date column may hold, as the engine accepted it: the stored forms, ISO 8601; the
// text itself when it is no date of this time zone.
QVariant LireAutreDate(const QString& texte) {
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

// QDateTime::fromString parses through the locale's machinery, many times dearer than the local
// time conversion itself: the stored forms are read by hand. What the hand reading refuses (a day
// that does not exist, an hour the clocks skip, hour 24) is read as before.
QVariant ValeurDateStockee(std::string_view texte) {
    const QDate jour = Jour(texte);
    if (jour.isValid()) {
        if (texte.size() == LongueurJour) {
            return QVariant(jour.startOfDay());
        }
        const QTime heure(Nombre(texte, 11, 2), Nombre(texte, 14, 2), Nombre(texte, 17, 2));
        if (heure.isValid()) {
            const QDateTime date(jour, heure);
            if (date.isValid()) {
                return QVariant(date);
            }
        }
    }
    return LireAutreDate(QString::fromLatin1(texte.data(), static_cast<qsizetype>(texte.size())));
}

QString TexteColonne(sqlite3_stmt* s, int colonne) {
    const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(s, colonne));
    return texte != nullptr ? QString::fromUtf8(texte) : QString();
}

QVariant Lire(sqlite3_stmt* s, int colonne, bool colonneDate) {
    switch (sqlite3_column_type(s, colonne)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qint64>(sqlite3_column_int64(s, colonne)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, colonne));
    case SQLITE_TEXT: {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, colonne));
        const int n = sqlite3_column_bytes(s, colonne);
        if (colonneDate) {
            const std::string_view texte(t, static_cast<size_t>(n));
            return FormeDateStockee(texte) ? ValeurDateStockee(texte)
                                           : LireAutreDate(QString::fromUtf8(t, n));
        }
        return QVariant(QString::fromUtf8(t, n));
    }
    case SQLITE_BLOB: {
        const auto* b = static_cast<const char*>(sqlite3_column_blob(s, colonne));
        return QVariant(QByteArray(b, sqlite3_column_bytes(s, colonne)));
    }
    default:
        return {};
    }
}

void LireChamp(sqlite3_stmt* s, int colonne, bool colonneDate, Field& champ) {
    if (colonneDate && sqlite3_column_type(s, colonne) == SQLITE_TEXT) {
        const std::string_view texte(reinterpret_cast<const char*>(sqlite3_column_text(s, colonne)),
                                     static_cast<size_t>(sqlite3_column_bytes(s, colonne)));
        if (FormeDateStockee(texte)) {
            champ.DefinirDateStockee(texte);
            return;
        }
    }
    champ.SetValue(Lire(s, colonne, colonneDate));
}

} // namespace dao::base
