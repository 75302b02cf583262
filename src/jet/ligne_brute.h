#pragma once

#include <QVariant>

#include <optional>
#include <vector>

struct sqlite3_stmt;
struct sqlite3_value;

// The row a record set has just read, left as SQLite holds it: a field refers to one of its
// columns and makes its QVariant only when asked, and a value copied unchanged to a new record
// is bound straight from it (see Field). Each column is asked of SQLite once per row. The row
// lives in the reading statement until the statement moves on; a record set whose row is still
// referred to from elsewhere detaches it first, the row then keeping copies of its values.
namespace dao::base {

class LigneBrute {
public:
    explicit LigneBrute(sqlite3_stmt* lecture);
    ~LigneBrute();
    LigneBrute(const LigneBrute&) = delete;
    LigneBrute& operator=(const LigneBrute&) = delete;

    // Reads the column of the statement's current row; its storage class (SQLITE_INTEGER,
    // SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL).
    int Lire(int colonne);
    // Copies the values of the current row of the statement, which may then move on.
    void Detacher();

    // What base::Lire gives for a column not declared as a date.
    QVariant Valeur(int colonne) const;
    // Binds the column to the placeholder `rang` of `instruction`, a text or blob without a copy:
    // this row must stay where it is until the statement's next step is over. SQLite's result.
    int Lier(sqlite3_stmt* instruction, int rang, int colonne) const;
    // Whether the column holds a text of no character.
    bool TexteVide(int colonne) const;
    // The column against `valeur` as QVariant's equality would find, when that can be told
    // without making the column's QVariant; nothing otherwise.
    std::optional<bool> Egale(int colonne, const QVariant& valeur) const;
    // The two columns alike (same storage class and same content); nothing when their classes
    // differ.
    std::optional<bool> Egale(int colonne, const LigneBrute& autre, int colonneAutre) const;

private:
    struct Colonne {
        int type = 0;
        int taille = 0;               // bytes of a text or blob
        const void* octets = nullptr; // of a text or blob, where SQLite keeps them
        qint64 entier = 0;
        double reel = 0;
    };
    const Colonne& At(int colonne) const { return colonnes_[static_cast<size_t>(colonne)]; }

    sqlite3_stmt* lecture_; // null once detached
    std::vector<Colonne> colonnes_;
    std::vector<sqlite3_value*> copies_;
};

} // namespace dao::base
