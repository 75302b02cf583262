#include "tools/fenetres_outils.h"

namespace {

// Without a screen (tests, batch use) no window is loaded.
class SansFenetres final : public FenetresProgramme {
public:
    QStringList NomsChargees() const override { return {}; }
};

FenetresProgramme*& courantes() {
    return plateforme::EnVigueur<FenetresProgramme, SansFenetres>();
}

} // namespace

FenetresProgramme& FenetresCourantes() {
    return *courantes();
}

InstallationFenetresProgramme::InstallationFenetresProgramme(FenetresProgramme& fenetres)
    : Remplacement(courantes(), fenetres) {}
