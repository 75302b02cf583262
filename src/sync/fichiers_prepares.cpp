#include "sync/fichiers_prepares.h"

#include "jet/base_connexion.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "settings/parametres.h"
#include "sync/objets.h"
#include "sync/transfert.h"
#include "sync/valeurs_champs.h"

#include <QRandomGenerator>

#include <sqlite3.h>

namespace {

QString Cle(const QString& source, const QString& dossierDistant) {
    return source.toCaseFolded() + QLatin1Char('|') + dossierDistant.toCaseFolded();
}

// The stored file names of the records of `table` above `dernierNo`.
QStringList NomsFichiers(const dao::base::Connexion& locale, const QString& table,
                         const QString& champId, qint64 dernierNo) {
    QStringList noms;
    const dao::base::Instruction rs =
        locale.Preparer(QStringLiteral("select nomfichier from ") + table +
                        QStringLiteral(" where ") + champId + QStringLiteral(" > ?"));
    sqlite3_bind_int64(rs.get(), 1, dernierNo);
    while (sqlite3_step(rs.get()) == SQLITE_ROW) {
        const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(rs.get(), 0));
        if (texte != nullptr && *texte != '\0') {
            noms.append(QString::fromUtf8(texte));
        }
    }
    return noms;
}

QString Texte(sqlite3_stmt* rs, int colonne) {
    const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(rs, colonne));
    return texte != nullptr ? QString::fromUtf8(texte) : QString();
}

} // namespace

void FichiersPrepares::Preparer(const QString& baseLocale) {
    Nettoyer();
    marque_ = QString::number(QRandomGenerator::global()->generate64(), 36);
    const Parametres& p = Param();
    try {
        // A connection of its own, outside the run's transaction: it only reads, and is closed
        // before the run opens the base.
        const dao::base::Connexion locale(baseLocale);
        const dao::base::Instruction synchro = locale.Preparer(
            QStringLiteral("select \"table\", champ_id, dernier_no from synchro order by id"));
        while (sqlite3_step(synchro.get()) == SQLITE_ROW) {
            const QString table = Texte(synchro.get(), 0);
            const QString champId = Texte(synchro.get(), 1);
            const qint64 dernierNo = sqlite3_column_int64(synchro.get(), 2);
            if (!valeurs::NomSimple(table) || !valeurs::NomSimple(champId)) {
                continue; // the walk refuses it
            }
            if (TableDocuments(table)) {
                const QString dossier = p.unite + QStringLiteral(":\\") + p.zelvanodir +
                                        QLatin1Char('\\') + DossierDocuments(table);
                for (const QString& nom : NomsFichiers(locale, table, champId, dernierNo)) {
                    PreparerFichier(CheminDocumentLocal(nom), dossier);
                }
            } else if (table == QLatin1String("objet")) {
                const QString dossier = DossierDonnees(p.unite).chopped(1);
                for (const QString& nom : NomsFichiers(locale, table, champId, dernierNo)) {
                    PreparerFichier(DossierDonnees(p.fmpathClient) + nom, dossier);
                }
            }
        }
    } catch (const plateforme::Erreur&) {
        // The run meets the same base and tells what is wrong with it.
    }
}

void FichiersPrepares::PreparerFichier(const QString& source, const QString& dossierDistant) {
    const QString cle = Cle(source, dossierDistant);
    if (source.isEmpty() || copies_.contains(cle)) {
        return;
    }
    try {
        if (!plateforme::FichierExiste(source)) {
            return; // the transfer tells nothing of a missing file either
        }
        std::shared_ptr<const plateforme::DossierOuvert>& dossier =
            dossiers_[dossierDistant.toCaseFolded()];
        if (!dossier) {
            dossier = std::make_shared<const plateforme::DossierOuvert>(dossierDistant);
        }
        const QString nom = QStringLiteral(".~synchro-envoi-") + marque_ + QLatin1Char('-') +
                            QString::number(++numero_) + QStringLiteral(".tmp");
        copies_.insert(cle, std::make_shared<plateforme::CopieEnAttente>(source, dossier, nom));
    } catch (const plateforme::Erreur&) {
        // Left to the transfer.
    }
    plateforme::DoEvents();
}

bool FichiersPrepares::Placer(const QString& source, const QString& destination) {
    const qsizetype barre = destination.lastIndexOf(QLatin1Char('\\'));
    const auto it = copies_.constFind(Cle(source, destination.left(barre)));
    if (it == copies_.constEnd()) {
        return false;
    }
    const std::shared_ptr<plateforme::CopieEnAttente> copie = *it;
    copies_.erase(it);
    try {
        copie->Placer(destination.mid(barre + 1));
        return true;
    } catch (const plateforme::Erreur&) {
        return false; // the transfer copies it itself
    }
}

void FichiersPrepares::Nettoyer() {
    copies_.clear();
    dossiers_.clear();
}

FichiersPrepares& FichiersEnvoi() {
    static FichiersPrepares fichiers;
    return fichiers;
}
