#include "sync/parcours.h"

#include "settings/journal.h"
#include "sync/bases_ouvertes.h"
#include "sync/correspondances.h"
#include "sync/transfert.h"
#include "sync/valeurs_champs.h"

#include <optional>

bool ParcourirTableSynchro() {
    TableCorrespondances().Vider();
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
            std::optional<plateforme::Erreur> erreur;
            if (!TransfererNouveauxEnregistrements(table, champId, champIdDossier, dernierNo,
                                                   &erreur)) {
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
