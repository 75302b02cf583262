#include "sync/fichiers_prepares.h"

#include "init/fichiers_synchronises.h"
#include "init/restes_locaux.h"
#include "jet/base_connexion.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/fichiers_durables.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "pratique/table_synchro.h"
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

const QString PrefixeEnvoi = QStringLiteral(".~synchro-envoi-");

// A line of the list: a temporary of ours under the drive's root, never a way out of it.
bool LigneValide(const QString& relatif) {
    const QStringList parties = relatif.split(QLatin1Char('\\'));
    return parties.size() > 1 && parties.last().startsWith(PrefixeEnvoi) &&
           !parties.contains(QStringLiteral("..")) && !parties.first().isEmpty() &&
           !relatif.contains(QLatin1Char(':'));
}

QStringList LireEnAttente() {
    QStringList liste;
    for (const QString& relatif : LireListe(CheminEnvoisEnAttente())) {
        if (LigneValide(relatif) && !liste.contains(relatif)) {
            liste.append(relatif);
        }
    }
    return liste;
}

void EcrireEnAttente(const QStringList& liste) {
    if (liste.isEmpty()) {
        plateforme::SupprimerFichierDurable(CheminEnvoisEnAttente());
    } else {
        plateforme::EcrireFichierDurable(
            CheminEnvoisEnAttente(),
            (liste.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    }
}

QString RacineLecteur() {
    return Param().unite + QStringLiteral(":\\");
}

} // namespace

QString CheminEnvoisEnAttente() {
    return CheminBaseLocale() + QStringLiteral(".envois-en-attente");
}

void FichiersPrepares::RetirerRestes() {
    QStringList liste;
    try {
        liste = LireEnAttente();
    } catch (const plateforme::Erreur& e) {
        SignalerResteNonRetire(CheminEnvoisEnAttente(), e.DescriptionEtNumero());
        return;
    }
    QStringList restes;
    for (const QString& relatif : std::as_const(liste)) {
        const QString chemin = RacineLecteur() + relatif;
        try {
            plateforme::SupprimerFichierDurable(chemin); // a file already gone is no error
        } catch (const plateforme::Erreur& e) {
            SignalerResteNonRetire(chemin, e.DescriptionEtNumero());
            restes.append(relatif);
        }
    }
    if (restes.size() != liste.size()) {
        try {
            EcrireEnAttente(restes);
        } catch (const plateforme::Erreur&) {
            // Read again next time: the files removed are found gone.
        }
    }
}

void FichiersPrepares::Preparer(const QString& baseLocale,
                                const QList<QPair<QString, QString>>& autres) {
    Nettoyer();
    marque_ = QString::number(QRandomGenerator::global()->generate64(), 36);
    numero_ = 0;
    const Parametres& p = Param();
    try {
        // A connection of its own, outside the run's transaction: it only reads, and is closed
        // before the run opens the base.
        const dao::base::Connexion locale(baseLocale);
        QList<pratique::LigneSynchro> lignes;
        const dao::base::Instruction synchro = locale.Preparer(
            QStringLiteral("select \"table\", champ_id, dernier_no from synchro order by id"));
        while (sqlite3_step(synchro.get()) == SQLITE_ROW) {
            pratique::LigneSynchro ligne;
            ligne.table = dao::base::TexteColonne(synchro.get(), 0);
            ligne.champId = dao::base::TexteColonne(synchro.get(), 1);
            ligne.dernierNo = sqlite3_column_int64(synchro.get(), 2);
            lignes.append(ligne);
        }
        if (lignes.size() != 6 && lignes.size() != 7) {
            return; // a table the run refuses: nothing goes
        }
        for (const pratique::LigneSynchro& ligne : std::as_const(lignes)) {
            if (!valeurs::NomSimple(ligne.table) || !valeurs::NomSimple(ligne.champId)) {
                continue; // the walk refuses it
            }
            if (TableDocuments(ligne.table)) {
                const QString dossier = DossierPratique(p.unite, DossierDocuments(ligne.table));
                for (const QString& nom :
                     NomsFichiers(locale, ligne.table, ligne.champId, ligne.dernierNo)) {
                    Planifier(CheminDocumentLocal(nom), dossier);
                }
            } else if (ligne.table == QLatin1String("objet")) {
                const QString dossier = DossierDonnees(p.unite).chopped(1);
                for (const QString& nom :
                     NomsFichiers(locale, ligne.table, ligne.champId, ligne.dernierNo)) {
                    Planifier(DossierDonnees(p.fmpathClient) + nom, dossier);
                }
            }
        }
    } catch (const plateforme::Erreur&) {
        // The run meets the same base and tells what is wrong with it.
        preparees_.clear();
        return;
    }
    for (const auto& [source, destination] : autres) {
        Planifier(source, destination.left(destination.lastIndexOf(QLatin1Char('\\'))));
    }
    if (preparees_.isEmpty()) {
        return;
    }
    // On the list before the first file is made: nothing of this run may reach the server
    // without the next run knowing where.
    try {
        QStringList liste = LireEnAttente();
        for (const Preparee& preparee : std::as_const(preparees_)) {
            liste.append(preparee.relatif);
        }
        EcrireEnAttente(liste);
        listee_ = true;
    } catch (const plateforme::Erreur&) {
        preparees_.clear(); // the transfer copies them itself
        return;
    }
    for (Preparee& preparee : preparees_) {
        try {
            std::shared_ptr<const plateforme::DossierOuvert>& dossier =
                dossiers_[preparee.dossierDistant.toCaseFolded()];
            if (!dossier) {
                dossier =
                    std::make_shared<const plateforme::DossierOuvert>(preparee.dossierDistant);
            }
            preparee.dossier = dossier;
            preparee.copie = std::make_shared<plateforme::CopieEnAttente>(preparee.source, dossier,
                                                                          preparee.nom);
        } catch (const plateforme::Erreur&) {
            // Left to the transfer.
        }
        plateforme::DoEvents();
    }
}

void FichiersPrepares::Planifier(const QString& source, const QString& dossierDistant) {
    const QString cle = Cle(source, dossierDistant);
    if (source.isEmpty() || preparees_.contains(cle)) {
        return;
    }
    try {
        if (!plateforme::FichierExiste(source)) {
            return; // the transfer tells nothing of a missing file either
        }
    } catch (const plateforme::Erreur&) {
        return; // left to the transfer
    }
    Preparee preparee;
    preparee.source = source;
    preparee.dossierDistant = dossierDistant;
    preparee.nom = PrefixeEnvoi + marque_ + QLatin1Char('-') + QString::number(++numero_) +
                   QStringLiteral(".tmp");
    preparee.relatif = dossierDistant.mid(dossierDistant.indexOf(QLatin1String(":\\")) + 2) +
                       QLatin1Char('\\') + preparee.nom;
    preparees_.insert(cle, preparee);
}

bool FichiersPrepares::Placer(const QString& source, const QString& destination) {
    const qsizetype barre = destination.lastIndexOf(QLatin1Char('\\'));
    const auto it = preparees_.find(Cle(source, destination.left(barre)));
    if (it == preparees_.end() || !it->copie) {
        return false;
    }
    // Taken whatever comes: a copy that cannot take its name is removed now.
    const std::shared_ptr<plateforme::CopieEnAttente> copie = std::move(it->copie);
    try {
        copie->Placer(destination.mid(barre + 1));
        it->placee = true;
        return true;
    } catch (const plateforme::Erreur&) {
        return false; // the transfer copies it itself
    }
}

void FichiersPrepares::Nettoyer() {
    QStringList partis;
    for (Preparee& preparee : preparees_) {
        preparee.copie.reset(); // removes it
        qint64 seconde = 0;
        if (preparee.placee || !preparee.dossier ||
            !preparee.dossier->SecondeEcriture(preparee.nom, seconde)) {
            partis.append(preparee.relatif);
        }
    }
    preparees_.clear();
    dossiers_.clear();
    if (!listee_) {
        return;
    }
    listee_ = false;
    try {
        QStringList liste = LireEnAttente();
        for (const QString& relatif : std::as_const(partis)) {
            liste.removeAll(relatif);
        }
        EcrireEnAttente(liste);
    } catch (const plateforme::Erreur&) {
        // Left on the list: the next run finds them gone.
    }
}

FichiersPrepares& FichiersEnvoi() {
    static FichiersPrepares fichiers;
    return fichiers;
}
