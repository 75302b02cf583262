#include "sync/parcours.h"

#include "settings/journal.h"
#include "sync/bases_ouvertes.h"
#include "sync/correspondances.h"
#include "sync/transfert.h"
#include "sync/valeurs_champs.h"

#include <optional>

namespace {

// The initialisation writes the largest identifier of each table, never below 0. Below it,
// every record of the table, those that came from the server too, would be sent again as new:
// the whole table duplicated on the server.
std::optional<plateforme::Erreur> DernierNoIncorrect(const QString& table, qint32 dernierNo) {
    if (dernierNo >= 0) {
        return std::nullopt;
    }
    return plateforme::Erreur(
        NomIncorrectSynchro,
        QStringLiteral("Dernier numéro négatif (%1) pour la table %2 dans la table synchro : "
                       "la base locale doit être initialisée à nouveau")
            .arg(dernierNo)
            .arg(table));
}

} // namespace

bool ParcourirTableSynchro() {
    TableCorrespondances().Vider();
    FichiersEcritsSurServeur().clear();
    try {
        const auto rs =
            BaseLocaleOuverte().OpenRecordset(QStringLiteral("select * from synchro order by id"));
        while (!rs->Eof()) {
            const QString table = valeurs::TexteNonNul(rs->Fields(QStringLiteral("table")).Value());
            const QString champId =
                valeurs::TexteNonNul(rs->Fields(QStringLiteral("champ_id")).Value());
            const QString champIdDossier =
                valeurs::TexteNonNul(rs->Fields(QStringLiteral("champ_id_dossier")).Value());
            const qint32 dernierNo =
                valeurs::EntierLong(rs->Fields(QStringLiteral("dernier_no")).Value());
            std::optional<plateforme::Erreur> erreur = DernierNoIncorrect(table, dernierNo);
            if (erreur || !TransfererNouveauxEnregistrements(table, champId, champIdDossier,
                                                             dernierNo, &erreur)) {
                EcrireJournal(LigneErreur(*erreur));
                return false;
            }
            rs->MoveNext();
        }
        return true;
    } catch (const plateforme::Erreur& e) {
        EcrireJournal(LigneErreur(e));
        return false;
    }
}
