#include "sync/bases_ouvertes.h"

#include "platform/erreur.h"

namespace {

constexpr int VariableObjetNonDefinie = 91;

dao::Database& Ouverte(const std::shared_ptr<dao::Database>& base) {
    if (!base) {
        plateforme::Lever(VariableObjetNonDefinie,
                          QStringLiteral("Variable objet ou variable bloc With non définie"));
    }
    return *base;
}

} // namespace

std::shared_ptr<dao::Database>& BaseDistante() {
    static std::shared_ptr<dao::Database> base;
    return base;
}

std::shared_ptr<dao::Database>& BaseLocale() {
    static std::shared_ptr<dao::Database> base;
    return base;
}

dao::Database& BaseDistanteOuverte() {
    return Ouverte(BaseDistante());
}

dao::Database& BaseLocaleOuverte() {
    return Ouverte(BaseLocale());
}
