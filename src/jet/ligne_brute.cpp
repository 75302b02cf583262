#include "jet/ligne_brute.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <cstring>
#include <new>

namespace dao::base {

LigneBrute::LigneBrute(sqlite3_stmt* lecture)
    : lecture_(lecture)
    , colonnes_(static_cast<size_t>(sqlite3_column_count(lecture))) {}

LigneBrute::~LigneBrute() {
    for (sqlite3_value* v : copies_) {
        sqlite3_value_free(v);
    }
}

int LigneBrute::Lire(int colonne) {
    Colonne& c = colonnes_[static_cast<size_t>(colonne)];
    c.type = sqlite3_column_type(lecture_, colonne);
    switch (c.type) {
    case SQLITE_INTEGER:
        c.entier = sqlite3_column_int64(lecture_, colonne);
        break;
    case SQLITE_FLOAT:
        c.reel = sqlite3_column_double(lecture_, colonne);
        break;
    case SQLITE_TEXT:
        c.octets = sqlite3_column_text(lecture_, colonne);
        c.taille = sqlite3_column_bytes(lecture_, colonne);
        break;
    case SQLITE_BLOB:
        c.octets = sqlite3_column_blob(lecture_, colonne);
        c.taille = sqlite3_column_bytes(lecture_, colonne);
        break;
    default:
        break;
    }
    return c.type;
}

void LigneBrute::Detacher() {
    if (lecture_ == nullptr) {
        return;
    }
    copies_.reserve(colonnes_.size());
    for (size_t i = 0; i < colonnes_.size(); ++i) {
        sqlite3_value* copie =
            sqlite3_value_dup(sqlite3_column_value(lecture_, static_cast<int>(i)));
        if (copie == nullptr) {
            throw std::bad_alloc();
        }
        copies_.push_back(copie);
        Colonne& c = colonnes_[i];
        c.type = sqlite3_value_type(copie);
        c.entier = c.type == SQLITE_INTEGER ? sqlite3_value_int64(copie) : 0;
        c.reel = c.type == SQLITE_FLOAT ? sqlite3_value_double(copie) : 0;
        c.octets = c.type == SQLITE_TEXT   ? static_cast<const void*>(sqlite3_value_text(copie))
                   : c.type == SQLITE_BLOB ? sqlite3_value_blob(copie)
                                           : nullptr;
        c.taille = c.octets != nullptr ? sqlite3_value_bytes(copie) : 0;
    }
    lecture_ = nullptr;
}

int LigneBrute::Lier(sqlite3_stmt* instruction, int rang, int colonne) const {
    const Colonne& c = At(colonne);
    switch (c.type) {
    case SQLITE_INTEGER:
        return sqlite3_bind_int64(instruction, rang, c.entier);
    case SQLITE_FLOAT:
        return sqlite3_bind_double(instruction, rang, c.reel);
    case SQLITE_TEXT:
        return sqlite3_bind_text64(instruction, rang, static_cast<const char*>(c.octets),
                                   static_cast<sqlite3_uint64>(c.taille), SQLITE_STATIC,
                                   SQLITE_UTF8);
    case SQLITE_BLOB:
        // SQLite gives no pointer for an empty blob, and a null pointer would bind Null.
        return c.taille == 0
                   ? sqlite3_bind_zeroblob(instruction, rang, 0)
                   : sqlite3_bind_blob64(instruction, rang, c.octets,
                                         static_cast<sqlite3_uint64>(c.taille), SQLITE_STATIC);
    default:
        return sqlite3_bind_null(instruction, rang);
    }
}

QVariant LigneBrute::Valeur(int colonne) const {
    const Colonne& c = At(colonne);
    switch (c.type) {
    case SQLITE_INTEGER:
        return QVariant(c.entier);
    case SQLITE_FLOAT:
        return QVariant(c.reel);
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(static_cast<const char*>(c.octets), c.taille));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(c.octets), c.taille));
    default:
        return {};
    }
}

bool LigneBrute::TexteVide(int colonne) const {
    const Colonne& c = At(colonne);
    return c.type == SQLITE_TEXT && c.taille == 0;
}

std::optional<bool> LigneBrute::Egale(int colonne, const QVariant& valeur) const {
    const Colonne& c = At(colonne);
    switch (c.type) {
    case SQLITE_INTEGER:
        if (valeur.typeId() == QMetaType::LongLong) {
            return c.entier == *static_cast<const qint64*>(valeur.constData());
        }
        break;
    case SQLITE_TEXT:
        if (valeur.typeId() == QMetaType::QString) {
            const auto& texte = *static_cast<const QString*>(valeur.constData());
            if (c.taille == 0 || texte.isEmpty()) {
                return c.taille == 0 && texte.isEmpty();
            }
            return QAnyStringView::equal(
                QUtf8StringView(static_cast<const char*>(c.octets), c.taille), texte);
        }
        break;
    case SQLITE_BLOB:
        if (valeur.typeId() == QMetaType::QByteArray) {
            const auto& octets = *static_cast<const QByteArray*>(valeur.constData());
            return c.taille == octets.size() &&
                   (c.taille == 0 ||
                    std::memcmp(c.octets, octets.constData(), static_cast<size_t>(c.taille)) == 0);
        }
        break;
    default:
        break;
    }
    return std::nullopt;
}

std::optional<bool> LigneBrute::Egale(int colonne, const LigneBrute& autre,
                                      int colonneAutre) const {
    const Colonne& a = At(colonne);
    const Colonne& b = autre.At(colonneAutre);
    if (a.type != b.type) {
        return std::nullopt;
    }
    switch (a.type) {
    case SQLITE_INTEGER:
        return a.entier == b.entier;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
        return a.taille == b.taille &&
               (a.taille == 0 ||
                std::memcmp(a.octets, b.octets, static_cast<size_t>(a.taille)) == 0);
    default:
        return std::nullopt;
    }
}

} // namespace dao::base
