#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <array>
#include <memory>
#include <string_view>
#include <utility>

// The database engine the module was written against, rebuilt over SQLite 3: an engine object
// kept for the program's life, bases opened shared read-write, record sets over queries, and one
// transaction spanning every open base. The callers pass their SQL in the Jet dialect; the
// layer translates it (see jet_sql.h). Every failure raises plateforme::Erreur with Jet's
// numbers: 3078 missing table or query, 3024 missing file, 3044 bad path, 3051 or 3045 file
// that cannot be opened or is locked, 3265 unknown field, 3022 duplicate key, 3049 corrupted
// file; any other SQLite failure keeps a number of its own and SQLite's text.
//
// Values are QVariant: Null is a null QVariant; integers stay integers (qint64 in the variant,
// identifiers are 32-bit in the callers), texts are QString, dates QDateTime (local time).
namespace dao {

namespace base {
class LigneBrute;
}

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
    // A value read from the base becomes a QVariant on first use only: going through the local
    // time zone for a date, or through UTF-16 for a text, is by far the dearest part of reading
    // a record, and a value that is only copied to another record never needs it.
    const QVariant& Value() const {
        if (etat_ != Etat::Valeur && !converti_) {
            Convertir();
        }
        return valeur_;
    }
    void SetValue(const QVariant& valeur) {
        if (valeur.isValid() || valeur_.isValid()) {
            valeur_ = valeur;
        }
        etat_ = Etat::Valeur;
        if (ligne_) {
            ligne_.reset();
        }
    }
    bool IsNull() const { return etat_ == Etat::Valeur && valeur_.isNull(); }
    // The value is a text of no character (a stored date never is).
    bool TexteVide() const;
    // Value() == autre.Value(), without making either QVariant when the base's own values tell.
    bool MemeValeur(const Field& autre) const;
    // Gives this field the value of `source`, as SetValue(source.Value()) does, but a value read
    // from the base and not changed since goes on as it was read: written back, it is the same.
    void CopierValeur(const Field& source);
    // Exchanges the values of the two fields, names left as they are.
    void EchangerValeur(Field& autre);

    // For the database layer. Takes a date in one of the forms dates are stored in,
    // "yyyy-MM-dd HH:mm:ss" or "yyyy-MM-dd", as read from a column declared as a date.
    static constexpr int LongueurDateMax = 19;
    void DefinirDateStockee(std::string_view texte);
    // The stored text of a date read from the base and not changed since; empty otherwise.
    std::string_view DateStockee() const {
        return {date_.data(), etat_ == Etat::Date ? size_t{longueurDate_} : size_t{0}};
    }
    // For the database layer: the value is column `colonne` (not Null, not declared as a date)
    // of a row just read.
    void DefinirBrute(const std::shared_ptr<const base::LigneBrute>& ligne, int colonne) {
        if (ligne_ != ligne) {
            ligne_ = ligne;
        }
        colonne_ = colonne;
        etat_ = Etat::Brute;
        converti_ = false;
    }
    // The row and column of a value read from the base and not changed since; null otherwise.
    const base::LigneBrute* LigneBrute() const { return ligne_.get(); }
    int ColonneBrute() const { return colonne_; }

private:
    // Where the value is: valeur_, date_, or column colonne_ of ligne_ (valeur_ then holds its
    // conversion once converti_).
    enum class Etat : unsigned char { Valeur, Date, Brute };

    void Convertir() const;

    QString nom_;
    mutable QVariant valeur_;
    std::shared_ptr<const base::LigneBrute> ligne_; // set in the state Brute only
    int colonne_ = 0;
    std::array<char, LongueurDateMax> date_{};
    unsigned char longueurDate_ = 0;
    Etat etat_ = Etat::Valeur;
    mutable bool converti_ = false;
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
    // Inside the engine's transaction, before this base is read: takes its write lock now, so
    // that nothing another process writes can come between this transaction's reads and its
    // writes. Waits for other writers up to `attenteMs` (the window kept alive), then raises
    // 3045. Raises 3034 outside a transaction.
    virtual void VerrouillerEcriture(int attenteMs) = 0;
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

// A base of the module's own (a reference copy) read beside the engine's transaction: its own
// connection, which never joins it. Raises the engine's errors.
std::shared_ptr<Database> OuvrirHorsTransaction(const QString& chemin);

} // namespace dao
