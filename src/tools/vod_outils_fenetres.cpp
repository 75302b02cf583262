#include "tools/vod_outils.h"

#include "platform/erreur.h"
#include "platform/services.h"

#include <cmath>

namespace {

// A value rounded to an integer before an integer division: halves go to the even integer.
int Entier(double valeur) {
    return static_cast<int>(std::nearbyint(valeur));
}

} // namespace

void VOD_Outils::AfficherErreur(const plateforme::Erreur* erreur) {
    if (erreur == nullptr || erreur->Number() == 0) {
        return;
    }
    plateforme::MsgBox(
        QStringLiteral("Erreur %1 : %2").arg(erreur->Number()).arg(erreur->Description()),
        plateforme::mb::Exclamation | plateforme::mb::OKOnly,
        QStringLiteral("Une erreur s'est produite"));
}

void VOD_Outils::CentrerForm(FenetreOutils& frm) {
    const QRect fenetre = frm.Geometrie();
    const QSize ecran = frm.TailleEcran();
    const int haut = Entier(ecran.height() * 0.85) / 2 - fenetre.height() / 2;
    const int gauche = ecran.width() / 2 - fenetre.width() / 2;
    frm.Deplacer(gauche, haut);
}

bool VOD_Outils::FormEstOuverte(const QString& FormName) {
    return FenetresCourantes().NomsChargees().contains(FormName, Qt::CaseSensitive);
}

void VOD_Outils::FormAuPremierPlan(FenetreOutils& frm, bool ToujoursAuPremierPlan) {
    frm.PremierPlan(true);
    if (!ToujoursAuPremierPlan) {
        // Taken out of the topmost band again, it stays in front of the ordinary windows.
        frm.PremierPlan(false);
    }
}
