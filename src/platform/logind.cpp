#include "platform/logind.h"

#include "platform/alimentation.h"
#include "platform/bus.h"

#include <QDBusError>

namespace plateforme::logind {

namespace {

// A stuck logind must not hold a run up: its calls answer at once when it works.
constexpr int DelaiAppelMs = 2000;

const bus::Destinataire Gestionnaire{QStringLiteral("org.freedesktop.login1"),
                                     QStringLiteral("/org/freedesktop/login1"),
                                     QStringLiteral("org.freedesktop.login1.Manager")};

} // namespace

QDBusMessage Appeler(const QString& methode, const QVariantList& arguments) {
    return bus::Appeler(bus::AdresseSysteme(), Gestionnaire, methode, arguments, DelaiAppelMs);
}

int CodeErreur(const QDBusMessage& reponse) {
    if (reponse.type() != QDBusMessage::ErrorMessage) {
        return 0;
    }
    switch (QDBusError(reponse).type()) {
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
    case QDBusError::ServiceUnknown:
        return arret::ServiceAbsent;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return arret::DelaiDepasse;
    case QDBusError::AccessDenied:
        return arret::Refuse;
    default:
        // polkit would have asked for a password, which nobody types during an unattended run.
        return reponse.errorName() ==
                       QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")
                   ? arret::Refuse
                   : arret::Echec;
    }
}

} // namespace plateforme::logind
