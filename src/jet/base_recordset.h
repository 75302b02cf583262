#pragma once

#include "jet/base_connexion.h"
#include "jet/dao.h"
#include "jet/ligne_brute.h"

#include <memory>
#include <utility>
#include <vector>

// A record set over one SQLite statement: rows are read one at a time as MoveNext asks (a table
// is never loaded whole), and a record set whose columns all belong to one table can add rows
// to it.
namespace dao::base {

class RecordsetSqlite final : public Recordset {
public:
    RecordsetSqlite(std::shared_ptr<Connexion> connexion, const QString& sqlJet,
                    const QVariantList& parametres);
    ~RecordsetSqlite() override;
    RecordsetSqlite(const RecordsetSqlite&) = delete;
    RecordsetSqlite& operator=(const RecordsetSqlite&) = delete;

    bool Eof() const override { return eof_; }
    void MoveNext() override;
    void AddNew() override;
    void Update() override;
    void CancelUpdate() override;
    void Close() override;
    int FieldsCount() const override;
    Field& Fields(int position) override;
    Field& Fields(const QString& nom) override;

private:
    void Verifier() const;
    void Avancer();
    // What a step of the reading statement gave: the next row, the end, or an error.
    void Recevoir(int rc);
    void LireLigne();
    // Before the reading statement moves on (or, with `fin`, ends): a row still referred to from
    // elsewhere than the fields this record set reads again keeps copies of its values.
    void QuitterLigne(bool fin);
    void PreparerAjout();
    void RestaurerLigne();

    std::shared_ptr<Connexion> connexion_;
    QString sqlJet_;
    QString table_; // empty when rows cannot be added
    Instruction lecture_;
    std::shared_ptr<LigneBrute> ligne_; // the row of lecture_ the fields refer to
    std::vector<Field> champs_;         // never resized: callers keep references to fields
    std::vector<bool> dates_;
    std::vector<QString> colonnes_; // the table column behind each field

    bool ajoutPrepare_ = false;
    enum class GenreDefaut { Aucun, Constant, Variable };
    struct Defaut {
        GenreDefaut genre;
        int rang; // in constantes_, or column of variables_
    };
    std::vector<Defaut> defauts_;    // for each field
    std::vector<Field> constantes_;  // values of the literal defaults
    Instruction variables_;          // SELECT of the other default expressions
    std::vector<QByteArray> textes_; // texts bound to insertion_, kept until the next Update
    Instruction insertion_;
    std::vector<Field> ligneCourante_; // the current row, kept while a new record is edited

    static constexpr size_t NomsConnusMax = 16;
    std::vector<std::pair<QString, size_t>> nomsConnus_; // names asked for, as written

    bool eof_ = true;
    bool ajout_ = false;
    bool ferme_ = false;
};

} // namespace dao::base
