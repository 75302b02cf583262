#include "jet/base_recordset.h"

#include "jet/base_erreurs.h"
#include "jet/jet_sql.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <sqlite3.h>

namespace dao::base {

namespace {

QString Quoter(const QString& nom) {
    QString n = nom;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QList<bool> GenresTexte(const QVariantList& parametres) {
    QList<bool> texte;
    texte.reserve(parametres.size());
    for (const QVariant& v : parametres) {
        texte.append(v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QChar);
    }
    return texte;
}

// A default that is a plain literal: a number, a quoted text, a blob, NULL, TRUE or FALSE, maybe
// within parentheses. Anything else may give another value each time it is evaluated.
bool Litteral(const QString& expression) {
    QString e = expression.trimmed();
    while (e.size() >= 2 && e.front() == QLatin1Char('(') && e.back() == QLatin1Char(')')) {
        e = e.mid(1, e.size() - 2).trimmed();
    }
    static const QRegularExpression forme(
        QStringLiteral(
            "^(?:[-+]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][-+]?\\d+)?|[-+]?0[xX][0-9a-fA-F]+|"
            "'(?:[^']|'')*'|[xX]'[0-9a-fA-F]*'|NULL|TRUE|FALSE)$"),
        QRegularExpression::CaseInsensitiveOption);
    return forme.match(e).hasMatch();
}

} // namespace

RecordsetSqlite::RecordsetSqlite(std::shared_ptr<Connexion> connexion, const QString& sqlJet,
                                 const QVariantList& parametres)
    : connexion_(std::move(connexion))
    , sqlJet_(sqlJet) {
    const RequeteTraduite requete = TraduireJet(sqlJet, GenresTexte(parametres));
    lecture_ = connexion_->Preparer(requete.sql);
    sqlite3_stmt* s = lecture_.get();
    LierTout(*connexion_, s, parametres);
    // The columns are known once the statement has run: a statement prepared against a table
    // another connection has changed since is prepared again by its first step, "select *"
    // then giving the table's columns of now.
    const int premier = sqlite3_step(s);

    const int n = sqlite3_column_count(s);
    champs_.reserve(static_cast<size_t>(n));
    bool modifiable = !requete.tableUnique.isEmpty() && n > 0;
    QSet<QString> vues;
    for (int i = 0; i < n; ++i) {
        champs_.emplace_back(QString::fromUtf8(sqlite3_column_name(s, i)), QVariant());
        dates_.push_back(TypeDate(sqlite3_column_decltype(s, i)));
        const char* table = sqlite3_column_table_name(s, i);
        const char* origine = sqlite3_column_origin_name(s, i);
        const QString colonne = origine != nullptr ? QString::fromUtf8(origine) : QString();
        colonnes_.push_back(colonne);
        const bool deLaTable =
            table != nullptr && origine != nullptr &&
            QString::fromUtf8(table).compare(requete.tableUnique, Qt::CaseInsensitive) == 0;
        // The same column twice could not be inserted.
        modifiable = modifiable && deLaTable && !vues.contains(colonne.toLower());
        vues.insert(colonne.toLower());
    }
    if (modifiable) {
        table_ = QString::fromUtf8(sqlite3_column_table_name(s, 0));
    }
    ligne_ = std::make_shared<LigneBrute>(s);
    Recevoir(premier);
}

RecordsetSqlite::~RecordsetSqlite() {
    QuitterLigne(true);
}

void RecordsetSqlite::Verifier() const {
    if (ferme_) {
        throw ErreurObjetFerme();
    }
}

void RecordsetSqlite::Avancer() {
    QuitterLigne(false);
    Recevoir(sqlite3_step(lecture_.get()));
}

void RecordsetSqlite::Recevoir(int rc) {
    if (rc == SQLITE_ROW) {
        eof_ = false;
        LireLigne();
        return;
    }
    eof_ = true;
    for (Field& f : champs_) {
        f.SetValue(QVariant());
    }
    if (rc != SQLITE_DONE) {
        const plateforme::Erreur e = ErreurSqlite(connexion_->Db(), rc, connexion_->Chemin());
        sqlite3_reset(lecture_.get());
        throw e;
    }
    // Past the last row: the read lock on the file is released at once.
    sqlite3_reset(lecture_.get());
}

void RecordsetSqlite::LireLigne() {
    sqlite3_stmt* s = lecture_.get();
    for (size_t i = 0; i < champs_.size(); ++i) {
        const int colonne = static_cast<int>(i);
        if (dates_[i]) {
            LireChamp(s, colonne, true, champs_[i]);
        } else if (ligne_->Lire(colonne) == SQLITE_NULL) {
            champs_[i].SetValue(QVariant());
        } else {
            champs_[i].DefinirBrute(ligne_, colonne);
        }
    }
}

void RecordsetSqlite::QuitterLigne(bool fin) {
    if (!ligne_) {
        return;
    }
    // The fields of this record set are read again from the next row (or cleared at the end),
    // except when the statement ends: a field kept by reference may still be read then.
    long propres = 0;
    if (!fin) {
        for (const std::vector<Field>* champs : {&champs_, &ligneCourante_}) {
            for (const Field& f : *champs) {
                propres += f.LigneBrute() == ligne_.get() ? 1 : 0;
            }
        }
    }
    if (ligne_.use_count() > 1 + propres) {
        ligne_->Detacher();
        ligne_ = fin ? nullptr : std::make_shared<LigneBrute>(lecture_.get());
    }
}

void RecordsetSqlite::MoveNext() {
    Verifier();
    if (ajout_) {
        CancelUpdate();
    }
    if (eof_) {
        throw ErreurAucunEnregistrement();
    }
    Avancer();
}

void RecordsetSqlite::PreparerAjout() {
    if (ajoutPrepare_) {
        return;
    }
    QHash<QString, QString> expressions;
    Instruction info =
        connexion_->Preparer(QStringLiteral("PRAGMA table_info(%1)").arg(Quoter(table_)));
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
        const QString nom =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1)));
        if (sqlite3_column_type(info.get(), 4) != SQLITE_NULL) {
            expressions.insert(nom.toLower(), QString::fromUtf8(reinterpret_cast<const char*>(
                                                  sqlite3_column_text(info.get(), 4))));
        }
    }
    if (rc != SQLITE_DONE) {
        connexion_->Lever(rc);
    }
    // A literal default is evaluated once; any other (CURRENT_TIMESTAMP, a function) at each
    // AddNew, so that the new record takes its own time.
    QStringList constantes;
    QStringList variables;
    QStringList colonnes;
    QStringList marques;
    for (const QString& colonne : colonnes_) {
        const auto it = expressions.constFind(colonne.toLower());
        if (it == expressions.constEnd()) {
            defauts_.push_back({GenreDefaut::Aucun, -1});
        } else if (Litteral(it.value())) {
            defauts_.push_back({GenreDefaut::Constant, static_cast<int>(constantes.size())});
            constantes.append(QStringLiteral("(%1)").arg(it.value()));
        } else {
            defauts_.push_back({GenreDefaut::Variable, static_cast<int>(variables.size())});
            variables.append(QStringLiteral("(%1)").arg(it.value()));
        }
        colonnes.append(Quoter(colonne));
        marques.append(QStringLiteral("?"));
    }
    if (!constantes.isEmpty()) {
        Instruction une =
            connexion_->Preparer(QStringLiteral("SELECT ") + constantes.join(QStringLiteral(", ")));
        rc = sqlite3_step(une.get());
        if (rc != SQLITE_ROW) {
            connexion_->Lever(rc);
        }
        for (size_t i = 0; i < defauts_.size(); ++i) {
            if (defauts_[i].genre == GenreDefaut::Constant) {
                constantes_.emplace_back(champs_[i].Name(), QVariant());
                LireChamp(une.get(), defauts_[i].rang, dates_[i], constantes_.back());
                defauts_[i].rang = static_cast<int>(constantes_.size()) - 1;
            }
        }
    }
    if (!variables.isEmpty()) {
        variables_ =
            connexion_->Preparer(QStringLiteral("SELECT ") + variables.join(QStringLiteral(", ")));
    }
    insertion_ = connexion_->Preparer(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(Quoter(table_), colonnes.join(QStringLiteral(", ")),
                                               marques.join(QStringLiteral(", "))));
    ligneCourante_ = champs_;
    textes_.resize(champs_.size());
    ajoutPrepare_ = true;
}

void RecordsetSqlite::AddNew() {
    Verifier();
    if (table_.isEmpty()) {
        throw ErreurNonModifiable(sqlJet_);
    }
    PreparerAjout();
    if (variables_) {
        const int rc = sqlite3_step(variables_.get());
        if (rc != SQLITE_ROW) {
            const plateforme::Erreur e = ErreurSqlite(connexion_->Db(), rc, connexion_->Chemin());
            sqlite3_reset(variables_.get());
            throw e;
        }
    }
    // The current row is set aside, without copying, until Update or CancelUpdate.
    if (!ajout_) {
        for (size_t i = 0; i < champs_.size(); ++i) {
            ligneCourante_[i].EchangerValeur(champs_[i]);
        }
    }
    for (size_t i = 0; i < champs_.size(); ++i) {
        const Defaut& defaut = defauts_[i];
        switch (defaut.genre) {
        case GenreDefaut::Aucun:
            champs_[i].SetValue(QVariant());
            break;
        case GenreDefaut::Constant:
            champs_[i].CopierValeur(constantes_[static_cast<size_t>(defaut.rang)]);
            break;
        case GenreDefaut::Variable:
            LireChamp(variables_.get(), defaut.rang, dates_[i], champs_[i]);
            break;
        }
    }
    if (variables_) {
        sqlite3_reset(variables_.get());
    }
    ajout_ = true;
}

void RecordsetSqlite::Update() {
    Verifier();
    if (!ajout_) {
        throw plateforme::Erreur(errdb::UpdateSansAddNew,
                                 QStringLiteral("Update impossible : aucun nouvel enregistrement "
                                                "n'est en cours (AddNew manquant)."));
    }
    // Every placeholder is bound again: no need to clear the last record's values.
    sqlite3_stmt* s = insertion_.get();
    for (size_t i = 0; i < champs_.size(); ++i) {
        LierChamp(*connexion_, s, static_cast<int>(i) + 1, champs_[i], textes_[i]);
    }
    // On failure the new record stays pending, as the caller left it.
    connexion_->ExecuterJusquAuBout(s, table_);
    RestaurerLigne();
}

void RecordsetSqlite::CancelUpdate() {
    Verifier();
    if (ajout_) {
        RestaurerLigne();
    }
}

void RecordsetSqlite::RestaurerLigne() {
    for (size_t i = 0; i < champs_.size() && i < ligneCourante_.size(); ++i) {
        champs_[i].EchangerValeur(ligneCourante_[i]);
        // The record just written or dropped is never read again: it lets go of the rows its
        // values came from, so that their record sets need not copy them when they move on.
        if (ligneCourante_[i].LigneBrute() != nullptr) {
            ligneCourante_[i].SetValue(QVariant());
        }
    }
    ajout_ = false;
}

void RecordsetSqlite::Close() {
    if (ferme_) {
        return;
    }
    insertion_.reset();
    variables_.reset();
    QuitterLigne(true);
    lecture_.reset();
    connexion_.reset();
    ferme_ = true;
    ajout_ = false;
    eof_ = true;
}

int RecordsetSqlite::FieldsCount() const {
    Verifier();
    return static_cast<int>(champs_.size());
}

Field& RecordsetSqlite::Fields(int position) {
    Verifier();
    if (position < 0 || position >= static_cast<int>(champs_.size())) {
        throw ErreurChampInconnu(QString::number(position));
    }
    return champs_[static_cast<size_t>(position)];
}

// The callers ask for the same few names at every record: each name once found is remembered as
// written, and then compared exactly, which is cheap.
Field& RecordsetSqlite::Fields(const QString& nom) {
    Verifier();
    for (const auto& [connu, position] : nomsConnus_) {
        if (connu == nom) {
            return champs_[position];
        }
    }
    for (size_t i = 0; i < champs_.size(); ++i) {
        if (champs_[i].Name().compare(nom, Qt::CaseInsensitive) == 0) {
            if (nomsConnus_.size() < NomsConnusMax) {
                nomsConnus_.emplace_back(nom, i);
            }
            return champs_[i];
        }
    }
    throw ErreurChampInconnu(nom);
}

} // namespace dao::base
