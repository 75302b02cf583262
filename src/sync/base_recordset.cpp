#include "sync/base_recordset.h"

#include "sync/base_erreurs.h"
#include "sync/jet_sql.h"

#include <QHash>
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

} // namespace

RecordsetSqlite::RecordsetSqlite(std::shared_ptr<Connexion> connexion, const QString& sqlJet,
                                 const QVariantList& parametres)
    : connexion_(std::move(connexion))
    , sqlJet_(sqlJet) {
    const RequeteTraduite requete = TraduireJet(sqlJet, GenresTexte(parametres));
    lecture_ = connexion_->Preparer(requete.sql);
    sqlite3_stmt* s = lecture_.get();
    LierTout(*connexion_, s, parametres);

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
    Avancer();
}

void RecordsetSqlite::Verifier() const {
    if (ferme_) {
        throw ErreurObjetFerme();
    }
}

void RecordsetSqlite::Avancer() {
    const int rc = sqlite3_step(lecture_.get());
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
    for (int i = 0; i < static_cast<int>(champs_.size()); ++i) {
        champs_[static_cast<size_t>(i)].SetValue(
            Lire(lecture_.get(), i, dates_[static_cast<size_t>(i)]));
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
    // Default expressions of the table's columns, evaluated at each AddNew (a default such as
    // CURRENT_TIMESTAMP takes the time of the new record).
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
    QStringList selection;
    QStringList colonnes;
    QStringList marques;
    for (const QString& colonne : colonnes_) {
        const auto it = expressions.constFind(colonne.toLower());
        if (it != expressions.constEnd()) {
            rangDefaut_.push_back(static_cast<int>(selection.size()));
            selection.append(QStringLiteral("(%1)").arg(it.value()));
        } else {
            rangDefaut_.push_back(-1);
        }
        colonnes.append(Quoter(colonne));
        marques.append(QStringLiteral("?"));
    }
    if (!selection.isEmpty()) {
        defauts_ =
            connexion_->Preparer(QStringLiteral("SELECT ") + selection.join(QStringLiteral(", ")));
    }
    insertion_ = connexion_->Preparer(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(Quoter(table_), colonnes.join(QStringLiteral(", ")),
                                               marques.join(QStringLiteral(", "))));
    ajoutPrepare_ = true;
}

void RecordsetSqlite::AddNew() {
    Verifier();
    if (table_.isEmpty()) {
        throw ErreurNonModifiable(sqlJet_);
    }
    PreparerAjout();
    if (!ajout_) {
        ligneCourante_.clear();
        for (const Field& f : champs_) {
            ligneCourante_.append(f.Value());
        }
    }
    if (defauts_) {
        const int rc = sqlite3_step(defauts_.get());
        if (rc != SQLITE_ROW) {
            const plateforme::Erreur e = ErreurSqlite(connexion_->Db(), rc, connexion_->Chemin());
            sqlite3_reset(defauts_.get());
            throw e;
        }
    }
    for (size_t i = 0; i < champs_.size(); ++i) {
        const int rang = rangDefaut_[i];
        champs_[i].SetValue(rang < 0 ? QVariant() : Lire(defauts_.get(), rang, dates_[i]));
    }
    if (defauts_) {
        sqlite3_reset(defauts_.get());
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
    sqlite3_stmt* s = insertion_.get();
    sqlite3_clear_bindings(s);
    for (size_t i = 0; i < champs_.size(); ++i) {
        Lier(*connexion_, s, static_cast<int>(i) + 1, champs_[i].Value());
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
    for (size_t i = 0; i < champs_.size() && i < static_cast<size_t>(ligneCourante_.size()); ++i) {
        champs_[i].SetValue(ligneCourante_[static_cast<qsizetype>(i)]);
    }
    ligneCourante_.clear();
    ajout_ = false;
}

void RecordsetSqlite::Close() {
    if (ferme_) {
        return;
    }
    insertion_.reset();
    defauts_.reset();
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

Field& RecordsetSqlite::Fields(const QString& nom) {
    Verifier();
    for (Field& f : champs_) {
        if (f.Name().compare(nom, Qt::CaseInsensitive) == 0) {
            return f;
        }
    }
    throw ErreurChampInconnu(nom);
}

} // namespace dao::base
