#include "tools/fenetres_outils.h"

namespace {

// Without a screen (tests, batch use) no window is loaded.
class SansFenetres final : public FenetresProgramme {
public:
    QStringList NomsChargees() const override { return {}; }
};

FenetresProgramme*& courantes() {
    static SansFenetres sans;
    static FenetresProgramme* f = &sans;
    return f;
}

} // namespace

FenetresProgramme& FenetresCourantes() {
    return *courantes();
}

InstallationFenetresProgramme::InstallationFenetresProgramme(FenetresProgramme& fenetres)
    : ancienne_(courantes()) {
    courantes() = &fenetres;
}

InstallationFenetresProgramme::~InstallationFenetresProgramme() {
    courantes() = ancienne_;
}
