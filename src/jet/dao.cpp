#include "jet/dao.h"

#include "jet/base_connexion.h"
#include "jet/base_erreurs.h"
#include "jet/base_recordset.h"
#include "jet/jet_sql.h"
#include "jet/ligne_brute.h"
#include "platform/chemins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace dao {

void Field::DefinirDateStockee(std::string_view texte) {
    longueurDate_ = static_cast<unsigned char>(std::min(texte.size(), date_.size()));
    std::copy_n(texte.begin(), longueurDate_, date_.begin());
    etat_ = Etat::Date;
    converti_ = false;
    if (ligne_) {
        ligne_.reset();
    }
}

void Field::Convertir() const {
    valeur_ =
        etat_ == Etat::Date ? base::ValeurDateStockee(DateStockee()) : ligne_->Valeur(colonne_);
    converti_ = true;
}

bool Field::TexteVide() const {
    switch (etat_) {
    case Etat::Valeur:
        return valeur_.typeId() == QMetaType::QString &&
               static_cast<const QString*>(valeur_.constData())->isEmpty();
    case Etat::Date:
        return false;
    case Etat::Brute:
        break;
    }
    return ligne_->TexteVide(colonne_);
}

bool Field::MemeValeur(const Field& autre) const {
    std::optional<bool> egales;
    if (ligne_ && autre.ligne_) {
        egales = ligne_->Egale(colonne_, *autre.ligne_, autre.colonne_);
    } else if (ligne_ && autre.etat_ == Etat::Valeur) {
        egales = ligne_->Egale(colonne_, autre.valeur_);
    } else if (autre.ligne_ && etat_ == Etat::Valeur) {
        egales = autre.ligne_->Egale(autre.colonne_, valeur_);
    }
    return egales ? *egales : Value() == autre.Value();
}

// The conversion already made is not copied: a copy that is only written never needs it.
void Field::CopierValeur(const Field& source) {
    switch (source.etat_) {
    case Etat::Valeur:
        SetValue(source.valeur_);
        return;
    case Etat::Date:
        date_ = source.date_;
        longueurDate_ = source.longueurDate_;
        if (ligne_) {
            ligne_.reset();
        }
        break;
    case Etat::Brute:
        if (ligne_ != source.ligne_) {
            ligne_ = source.ligne_;
        }
        colonne_ = source.colonne_;
        break;
    }
    etat_ = source.etat_;
    converti_ = false;
}

void Field::EchangerValeur(Field& autre) {
    // A QVariant that holds nothing of use on either side is left where it is.
    if (etat_ == Etat::Valeur || converti_ || autre.etat_ == Etat::Valeur || autre.converti_) {
        valeur_.swap(autre.valeur_);
    }
    if (etat_ == Etat::Date || autre.etat_ == Etat::Date) {
        std::swap(date_, autre.date_);
        std::swap(longueurDate_, autre.longueurDate_);
    }
    ligne_.swap(autre.ligne_);
    std::swap(colonne_, autre.colonne_);
    std::swap(etat_, autre.etat_);
    std::swap(converti_, autre.converti_);
}

namespace {

using base::Connexion;

class DatabaseSqlite final : public Database {
public:
    DatabaseSqlite(QString nom, std::shared_ptr<Connexion> connexion)
        : nom_(std::move(nom))
        , connexion_(std::move(connexion)) {}

    QString Name() const override { return nom_; }

    std::unique_ptr<Recordset> OpenRecordset(const QString& sql,
                                             const QVariantList& parametres) override {
        return std::make_unique<base::RecordsetSqlite>(Ouverte(), sql, parametres);
    }

    void Execute(const QString& sql, const QVariantList& parametres) override {
        const std::shared_ptr<Connexion>& c = Ouverte();
        QList<bool> texte;
        for (const QVariant& v : parametres) {
            texte.append(v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QChar);
        }
        base::Instruction instruction = c->Preparer(TraduireJet(sql, texte).sql);
        if (sqlite3_column_count(instruction.get()) > 0 &&
            sqlite3_stmt_readonly(instruction.get())) {
            throw plateforme::Erreur(errdb::ExecuteSelection,
                                     QStringLiteral("Impossible d'exécuter la requête de sélection "
                                                    "« %1 » : ouvrez-la comme un jeu "
                                                    "d'enregistrements.")
                                         .arg(sql));
        }
        base::LierTout(*c, instruction.get(), parametres);
        c->ExecuterJusquAuBout(instruction.get());
    }

    // The connection itself stays open as long as a record set or the engine's transaction
    // still uses it.
    void Close() override { connexion_.reset(); }

    void VerrouillerEcriture(int attenteMs) override { Ouverte()->VerrouillerEcriture(attenteMs); }

private:
    const std::shared_ptr<Connexion>& Ouverte() const {
        if (!connexion_) {
            throw base::ErreurObjetFerme();
        }
        return connexion_;
    }

    QString nom_;
    std::shared_ptr<Connexion> connexion_;
};

// Every OpenDatabase opens a connection of its own, even to a file already open: a record set
// that reads a table must never see the rows that another handle adds to it meanwhile.
class MoteurSqlite final : public DBEngine {
public:
    std::shared_ptr<Database> OpenDatabase(const QString& chemin) override {
        auto connexion = std::make_shared<Connexion>(chemin);
        if (enTransaction_) {
            connexion->Commencer();
            transaction_.push_back(connexion);
        }
        Oublier();
        ouvertes_.push_back(connexion);
        return std::make_shared<DatabaseSqlite>(chemin, std::move(connexion));
    }

    void CompactDatabase(const QString& source, const QString& destination) override;

    void BeginTrans() override {
        if (enTransaction_) {
            throw plateforme::Erreur(errdb::TransactionImbriquee,
                                     QStringLiteral("Une transaction est déjà en cours."));
        }
        Oublier();
        try {
            for (const auto& faible : ouvertes_) {
                if (auto connexion = faible.lock()) {
                    connexion->Commencer();
                    transaction_.push_back(std::move(connexion));
                }
            }
        } catch (...) {
            AnnulerTout();
            throw;
        }
        enTransaction_ = true;
    }

    // The bases are committed one after the other in the order they joined. When one fails, the
    // ones before it are committed, the others still in the transaction: Rollback undoes them.
    void CommitTrans() override {
        if (!enTransaction_) {
            throw plateforme::Erreur(errdb::SansTransaction,
                                     QStringLiteral("Aucune transaction n'est en cours."));
        }
        while (!transaction_.empty()) {
            const std::shared_ptr<Connexion>& connexion = transaction_.front();
            // Raises for a base whose transaction the engine gave up: its changes are lost.
            connexion->Valider();
            transaction_.erase(transaction_.begin());
        }
        enTransaction_ = false;
    }

    // Outside a transaction there is nothing to undo: error paths may call it unconditionally.
    void Rollback() override {
        if (!enTransaction_) {
            return;
        }
        AnnulerTout();
    }

    bool EnTransaction() const override { return enTransaction_; }

private:
    void AnnulerTout() {
        std::optional<plateforme::Erreur> premiere;
        for (const auto& connexion : transaction_) {
            try {
                connexion->Annuler();
            } catch (const plateforme::Erreur& e) {
                if (!premiere) {
                    premiere = e;
                }
            }
        }
        transaction_.clear();
        enTransaction_ = false;
        if (premiere) {
            throw *premiere;
        }
    }

    void Oublier() {
        std::erase_if(ouvertes_, [](const std::weak_ptr<Connexion>& c) { return c.expired(); });
    }

    std::vector<std::weak_ptr<Connexion>> ouvertes_; // in the order of opening
    std::vector<std::shared_ptr<Connexion>> transaction_;
    bool enTransaction_ = false;
};

// The copy is written under a temporary name beside the destination, then renamed: an
// interrupted compaction never leaves a half-written base under the real name.
void MoteurSqlite::CompactDatabase(const QString& source, const QString& destination) {
    const QString natif = base::DestinationNouvelle(destination);
    const QFileInfo info(natif);
    const QString provisoire = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                               QStringLiteral(".compactage");
    QFile::remove(provisoire);
    QFile::remove(provisoire + QStringLiteral("-journal"));
    {
        Connexion connexion(source);
        base::Instruction vacuum = connexion.Preparer(QStringLiteral("VACUUM INTO ?"));
        base::Lier(connexion, vacuum.get(), 1, provisoire);
        try {
            connexion.ExecuterJusquAuBout(vacuum.get());
        } catch (...) {
            QFile::remove(provisoire);
            throw;
        }
    }
    // QFile::rename never replaces: a destination created meanwhile is refused too.
    if (!QFile::rename(provisoire, natif)) {
        QFile::remove(provisoire);
        if (QFileInfo::exists(natif)) {
            throw base::ErreurBaseExisteDeja(destination);
        }
        throw base::ErreurOuvertureImpossible(destination);
    }
}

} // namespace

std::shared_ptr<Database> OuvrirHorsTransaction(const QString& chemin) {
    return std::make_shared<DatabaseSqlite>(chemin, std::make_shared<Connexion>(chemin));
}

DBEngine& DBEngine::Instance() {
    static MoteurSqlite moteur;
    return moteur;
}

} // namespace dao
