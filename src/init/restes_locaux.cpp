#include "init/restes_locaux.h"

#include "platform/chemins.h"
#include "platform/restes.h"
#include "pratique/lieux.h"
#include "settings/journal.h"
#include "settings/parametres.h"

namespace {

// The folder of the settings file; a bare or relative name is in the Windows folder.
QString DossierFichierIni() {
    const QString fichier = Param().FichierIni.trimmed();
    const bool absolu = (fichier.size() >= 2 && fichier[1] == QLatin1Char(':')) ||
                        fichier.startsWith(QLatin1Char('\\')) ||
                        fichier.startsWith(QLatin1Char('/'));
    const QString chemin =
        absolu ? fichier : plateforme::DossierWindows() + QLatin1Char('\\') + fichier;
    return chemin.left(chemin.lastIndexOf(QLatin1Char('\\')));
}

} // namespace

void SignalerResteNonRetire(const QString& chemin, const QString& raison) {
    EcrireJournal(QStringLiteral("ATTENTION : le fichier temporaire ") + chemin +
                  QStringLiteral(" laissé par une exécution interrompue n'a pas pu être "
                                 "supprimé : ") +
                  raison);
}

void RetirerRestesLocaux() {
    QList<plateforme::ResteNonRetire> restes =
        plateforme::RetirerRestes(plateforme::DossierProgramme());
    restes += plateforme::RetirerRestes(DossierFichierIni());
    restes += plateforme::RetirerRestes(RacineLocale(), true);
    restes += plateforme::RetirerRestesLecteurs();
    for (const plateforme::ResteNonRetire& reste : restes) {
        SignalerResteNonRetire(reste.chemin, reste.erreur.DescriptionEtNumero());
    }
}
