#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The demo writes its bases straight through SQLite, in one transaction per base: a practice of
// twenty thousand patients is built in seconds. (The module itself never creates a base.)
namespace demo {

struct FermerBase {
    void operator()(sqlite3* db) const;
};

class BaseSqlite {
public:
    // Opens a base; with `creer`, a new file (which must not exist).
    BaseSqlite(const QString& fichierNatif, bool creer);
    BaseSqlite(const BaseSqlite&) = delete;
    BaseSqlite& operator=(const BaseSqlite&) = delete;

    void Executer(const QString& sql);
    // First column of the first row of `sql` as an integer, 0 when Null.
    qint64 Entier(const QString& sql);
    sqlite3* Db() const { return db_.get(); }
    [[noreturn]] void Echouer(int code) const;

private:
    QString fichier_;
    std::unique_ptr<sqlite3, FermerBase> db_;
};

// One prepared INSERT of the given columns, reused for every row.
class Insertion {
public:
    Insertion(BaseSqlite& base, const QString& table, const QStringList& colonnes);
    ~Insertion();
    Insertion(const Insertion&) = delete;
    Insertion& operator=(const Insertion&) = delete;

    void Ajouter(const QVariantList& valeurs);
    int Lignes() const { return lignes_; }

private:
    BaseSqlite& base_;
    sqlite3_stmt* instruction_ = nullptr;
    int lignes_ = 0;
};

} // namespace demo
