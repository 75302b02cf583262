#include "tools/vod_outils.h"

#include "platform/associations.h"
#include "platform/chemins.h"
#include "platform/disques.h"
#include "platform/erreur.h"
#include "platform/services.h"

#include <cmath>

namespace {

// Format(x, "0") and Format(x, "0.00"): halves rounded away from zero.
double Arrondi(double x, int decimales) {
    const double echelle = std::pow(10.0, decimales);
    return std::round(x * echelle) / echelle;
}

} // namespace

bool VOD_Outils::CalculerEspaceLibre(const QString& lettredisque, double& Klibre, double& Mlibre,
                                     double& Glibre, double& Ktotal, double& Mtotal,
                                     double& Gtotal) {
    if (lettredisque.isEmpty()) {
        return false;
    }
    quint64 libres = 0;
    quint64 total = 0;
    try {
        if (!plateforme::EspaceDisque(lettredisque.left(1) + QStringLiteral(":\\"), libres,
                                      total)) {
            return false;
        }
    } catch (const plateforme::Erreur&) {
        return false;
    }
    Klibre = Arrondi(static_cast<double>(libres) / 1024.0, 0);
    Ktotal = Arrondi(static_cast<double>(total) / 1024.0, 0);
    Mlibre = Arrondi(Klibre / 1024.0, 2);
    Mtotal = Arrondi(Ktotal / 1024.0, 2);
    Glibre = Arrondi(Mlibre / 1024.0, 2);
    Gtotal = Arrondi(Mtotal / 1024.0, 2);
    return true;
}

QString VOD_Outils::DossierMesDocuments() {
    return Buffer2String(plateforme::DossierMesDocuments());
}

QString VOD_Outils::DossierWindows() {
    return Buffer2String(plateforme::DossierWindows());
}

QString VOD_Outils::DossierWindowsSystem() {
    return Buffer2String(plateforme::DossierSysteme());
}

QString VOD_Outils::DossierWindowsTemp() {
    return Buffer2String(plateforme::DossierTemporaire());
}

QString VOD_Outils::ProgrammeAssocie(const QString& filesource) {
    return Buffer2String(plateforme::ProgrammeAssocie(filesource.trimmed()));
}

bool VOD_Outils::SousWindowsNT() {
    constexpr int PlateformeNt = 2;
    return plateforme::ServicesCourants().systeme->Version().plateforme == PlateformeNt;
}
