#include "testutil/conditions.h"

#include <ctime>

namespace essais {

plateforme::Erreur ErreurDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const plateforme::Erreur& e) {
        return e;
    }
    return plateforme::Erreur(0, QStringLiteral("aucune erreur"));
}

Fuseau::Fuseau(const char* tz)
    : avait_(qEnvironmentVariableIsSet("TZ"))
    , ancien_(qgetenv("TZ")) {
    qputenv("TZ", tz);
    ::tzset();
}

Fuseau::~Fuseau() {
    if (avait_) {
        qputenv("TZ", ancien_);
    } else {
        qunsetenv("TZ");
    }
    ::tzset();
}

DisquePleinSimule::DisquePleinSimule(rlim_t octets) {
    lue_ = ::getrlimit(RLIMIT_FSIZE, &avant_) == 0;
    if (!lue_) {
        return;
    }
    ancienSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limite = avant_;
    limite.rlim_cur = octets;
    pose_ = ::setrlimit(RLIMIT_FSIZE, &limite) == 0;
}

DisquePleinSimule::~DisquePleinSimule() {
    if (!lue_) {
        return;
    }
    ::setrlimit(RLIMIT_FSIZE, &avant_);
    std::signal(SIGXFSZ, ancienSignal_);
}

} // namespace essais
