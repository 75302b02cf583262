#include "platform/alimentation.h"

#include "platform/logind.h"

namespace plateforme {

namespace {

class Logind final : public Alimentation {
public:
    bool ArretAutorise() override {
        const QDBusMessage reponse = logind::Appeler(QStringLiteral("CanPowerOff"));
        if (logind::CodeErreur(reponse) != 0 || reponse.arguments().isEmpty()) {
            return false;
        }
        const QString permis = reponse.arguments().constFirst().toString();
        return permis == QLatin1String("yes") || permis == QLatin1String("challenge");
    }

    bool Eteindre(int& codeErreur) override {
        // Not interactive: the power-off follows an unattended run, where a password dialog
        // would wait for nobody (and power the machine off hours later if answered).
        codeErreur = logind::CodeErreur(logind::Appeler(QStringLiteral("PowerOff"), {false}));
        return codeErreur == 0;
    }
};

} // namespace

Alimentation& AlimentationCourante() {
    return *EnVigueur<Alimentation, Logind>();
}

RemplacementAlimentation::RemplacementAlimentation(Alimentation& nouvelle)
    : Remplacement(EnVigueur<Alimentation, Logind>(), nouvelle) {}

} // namespace plateforme
