#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>

// The database engine the module was written against, rebuilt over SQLite 3: an engine object
// kept for the program's life, bases opened shared read-write, record sets over queries, and one
// transaction spanning every open base. The callers pass their SQL in the Jet dialect; the
// layer translates it (see jet_sql.h). Every failure raises plateforme::Erreur with Jet's
// numbers: 3078 missing table or query, 3024 missing file, 3044 bad path, 3051 or 3045 file
// that cannot be opened or is locked, 3265 unknown field, 3022 duplicate key, 3049 corrupted
// file; any other SQLite failure keeps a number of its own and SQLite's text.
//
// Values are QVariant: Null is a null QVariant; integers stay integers (qint64 in the variant,
// identifiers are 32-bit in the callers), texts are QString, dates QDateTime.
namespace dao {

namespace errdb {
constexpr int FichierIntrouvable = 3024;
constexpr int CheminIncorrect = 3044;
constexpr int FichierVerrouille = 3045;
constexpr int OuvertureImpossible = 3051;
constexpr int CleEnDouble = 3022;
constexpr int FichierCorrompu = 3049;
constexpr int TableIntrouvable = 3078;
constexpr int ChampInconnu = 3265;
constexpr int NonModifiable = 3027;
constexpr int TransactionImbriquee = 3003; // BeginTrans inside a transaction
constexpr int UpdateSansAddNew = 3020;
constexpr int AucunEnregistrement = 3021; // MoveNext past the last row
constexpr int SansTransaction = 3034;     // CommitTrans outside a transaction (Rollback: no-op)
constexpr int NombreParametres = 3061;    // values given do not match the "?" of the query
constexpr int ExecuteSelection = 3065;    // Execute of a query that returns rows
constexpr int ErreurSyntaxe = 3075;
constexpr int BaseExisteDeja = 3204; // CompactDatabase onto an existing file
constexpr int ObjetFerme = 3420;     // use of a closed base or record set
// Any other SQLite failure: ErreurSqlite + SQLite's primary result code (3901 SQLITE_ERROR,
// 3910 SQLITE_IOERR, 3913 SQLITE_FULL, 3919 SQLITE_CONSTRAINT...), with SQLite's text.
constexpr int ErreurSqlite = 3900;
} // namespace errdb

class Field {
public:
    Field(QString nom, QVariant valeur)
        : nom_(std::move(nom))
        , valeur_(std::move(valeur)) {}
    const QString& Name() const { return nom_; }
    const QVariant& Value() const { return valeur_; }
    void SetValue(const QVariant& valeur) { valeur_ = valeur; }
    bool IsNull() const { return valeur_.isNull(); }

private:
    QString nom_;
    QVariant valeur_;
};

class Recordset {
public:
    virtual ~Recordset() = default;
    // True past the last row (and on an empty result).
    virtual bool Eof() const = 0;
    virtual void MoveNext() = 0;
    // Starts a new record whose fields hold the columns' default values (Null where none).
    // Raises 3027 when the record set is not over one table.
    virtual void AddNew() = 0;
    // Inserts the record started by AddNew into the table.
    virtual void Update() = 0;
    // Drops a record started by AddNew.
    virtual void CancelUpdate() = 0;
    virtual void Close() = 0;
    virtual int FieldsCount() const = 0;
    // By position, in the column order of "select *".
    virtual Field& Fields(int position) = 0;
    // By name, without regard to case; 3265 when unknown.
    virtual Field& Fields(const QString& nom) = 0;
};

class Database {
public:
    virtual ~Database() = default;
    // The path given to OpenDatabase.
    virtual QString Name() const = 0;
    // Values bound to the "?" placeholders of `sql`, in order.
    virtual std::unique_ptr<Recordset> OpenRecordset(const QString& sql,
                                                     const QVariantList& parametres = {}) = 0;
    virtual void Execute(const QString& sql, const QVariantList& parametres = {}) = 0;
    virtual void Close() = 0;
};

class DBEngine {
public:
    // Created on first use, kept for the program's life.
    static DBEngine& Instance();
    virtual ~DBEngine() = default;

    // Shared, read-write; a Windows path (translated by the platform layer). A base opened
    // while a transaction is open joins it.
    virtual std::shared_ptr<Database> OpenDatabase(const QString& chemin) = 0;
    // A compacted copy of `source` at `destination`; refuses an existing destination.
    virtual void CompactDatabase(const QString& source, const QString& destination) = 0;

    // One transaction over every open base. CommitTrans commits the bases one after the other
    // in the order they were opened; Rollback rolls them all back.
    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void Rollback() = 0;
    virtual bool EnTransaction() const = 0;
};

} // namespace dao
