#include "app/modprivilige.h"

#include "platform/alimentation.h"

bool AjusterPrivilege(const QString& privilege, bool activer) {
    if (privilege != QLatin1String("SeShutdownPrivilege")) {
        return false; // the privilege name is not known on this system
    }
    if (!activer) {
        return true;
    }
    return plateforme::AlimentationCourante().ArretAutorise();
}
