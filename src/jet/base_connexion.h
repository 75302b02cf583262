#pragma once

#include "jet/dao.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// One SQLite connection to one practice base, as the engine of dao.h uses it: an existing file
// opened read-write (never created), rollback journal beside the file (journal_mode DELETE:
// the journal must be seen by whoever opens the base next, from any workstation; synchronous
// EXTRA: a commit is on the disk, the journal's deletion included, once it returns), a busy
// timeout, and the collation of texts without regard to case.
namespace dao::base {

struct FinaliserInstruction {
    void operator()(sqlite3_stmt* instruction) const;
};
using Instruction = std::unique_ptr<sqlite3_stmt, FinaliserInstruction>;

struct FermerConnexion {
    void operator()(sqlite3* db) const;
};

// How long a call waits for another process's lock before it reports the file as locked
// (5 s; tests shorten it). Applies to the connections opened afterwards.
int DelaiVerrouMs();
void DefinirDelaiVerrouMs(int ms);

class Connexion {
public:
    // Raises 3044 (bad path), 3024 (no such file), 3049 (not a base), 3045 (locked), 3051.
    explicit Connexion(const QString& cheminWindows);
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    sqlite3* Db() const { return db_.get(); }
    // The path as the caller gave it (for the error texts) and the file's canonical native path.
    const QString& Chemin() const { return chemin_; }
    const QString& Cle() const { return cle_; }

    // One statement of SQLite text; raises the mapped error.
    Instruction Preparer(const QString& sql) const;
    void Executer(const QString& sql) const;
    // Steps a statement that returns no row to its end.
    void ExecuterJusquAuBout(sqlite3_stmt* instruction, const QString& table = {}) const;
    [[noreturn]] void Lever(int code, const QString& table = {}) const;

    void Commencer() const;
    // Within the transaction begun by Commencer and before anything was written: the write lock
    // taken at once (BEGIN IMMEDIATE), waiting up to `attenteMs` for other writers; 3045 after.
    void VerrouillerEcriture(int attenteMs) const;
    // Raises when SQLite gave the transaction up after an error (see Commencer).
    void Valider() const;
    // Rolls back whatever is pending (nothing when SQLite already rolled back by itself).
    void Annuler() const;
    bool EnTransaction() const;

private:
    // Between Commencer and Valider or Annuler. SQLite rolls a transaction back by itself after
    // some errors (disk full, I/O error), even when the caller swallows them; the statements
    // after would then be committed one by one, outside the transaction. Any statement on the
    // connection raises instead, until Annuler.
    void VerifierTransaction() const;
    mutable bool transactionOuverte_ = false;

    QString chemin_;
    QString cle_;
    std::unique_ptr<sqlite3, FermerConnexion> db_;
};

// Binds `valeur` to the placeholder of rank `rang` (from 1). Integers as 64-bit integers (an
// unsigned one beyond the 64-bit range raises 6), texts as UTF-8, dates as ISO texts.
void Lier(const Connexion& connexion, sqlite3_stmt* instruction, int rang, const QVariant& valeur);
// Values of the "?" in order; raises 3061 when their number differs.
void LierTout(const Connexion& connexion, sqlite3_stmt* instruction, const QVariantList& valeurs);

// A column of the current row as text (UTF-8), Null giving "".
QString TexteColonne(sqlite3_stmt* instruction, int colonne);

// A column of the current row: Null, qint64, double, QString, QByteArray, or a QDateTime for a
// text in a column declared as a date (the text itself when it is no date).
QVariant Lire(sqlite3_stmt* instruction, int colonne, bool colonneDate);
// The same into a field; a date in the stored form is kept as its text until the field's value
// is asked for (see Field::Value).
void LireChamp(sqlite3_stmt* instruction, int colonne, bool colonneDate, Field& champ);
// Binds the field's value; a value of the base not changed since it was read, as it was read (a
// stored date as its text). Texts are bound without a copy, from the field, its row or
// `tampon`: they must all stay as they are until the statement's next step is over.
void LierChamp(const Connexion& connexion, sqlite3_stmt* instruction, int rang, const Field& champ,
               QByteArray& tampon);
bool TypeDate(const char* typeDeclare);

// The text form dates are stored in.
QString TexteDate(const QDateTime& date);
// Whether `texte` has one of the forms dates are stored in, "yyyy-MM-dd HH:mm:ss" (what
// TexteDate writes) or "yyyy-MM-dd" (a day alone), digits where digits go; says nothing of the
// ranges.
bool FormeDateStockee(std::string_view texte);
// The value read from a date in one of those forms, as Lire gives it.
QVariant ValeurDateStockee(std::string_view texte);

} // namespace dao::base
