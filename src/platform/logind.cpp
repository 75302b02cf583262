#include "platform/logind.h"

#include "platform/alimentation.h"

#include <QAtomicInt>
#include <QDBusConnection>
#include <QDBusError>

namespace plateforme::logind {

namespace {

// A stuck logind must not hold a run up: its calls answer at once when it works.
constexpr int DelaiAppelMs = 2000;

const QString Service = QStringLiteral("org.freedesktop.login1");
const QString Objet = QStringLiteral("/org/freedesktop/login1");
const QString Interface = QStringLiteral("org.freedesktop.login1.Manager");

QString AdresseBusSysteme() {
    const QString adresse = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return adresse.isEmpty() ? QStringLiteral("unix:path=/var/run/dbus/system_bus_socket")
                             : adresse;
}

// A connection of its own for each call, to the bus named now: Qt's shared system bus connection
// would keep the first address it saw, and stay dead once the bus has gone away.
class ConnexionSysteme {
public:
    ConnexionSysteme()
        : nom_(QStringLiteral("synchro-logind-%1").arg(compteur_.fetchAndAddRelaxed(1)))
        , connexion_(QDBusConnection::connectToBus(AdresseBusSysteme(), nom_)) {}
    ~ConnexionSysteme() { QDBusConnection::disconnectFromBus(nom_); }
    ConnexionSysteme(const ConnexionSysteme&) = delete;
    ConnexionSysteme& operator=(const ConnexionSysteme&) = delete;

    QDBusConnection& Connexion() { return connexion_; }

private:
    static inline QAtomicInt compteur_;
    QString nom_;
    QDBusConnection connexion_;
};

} // namespace

QDBusMessage Appeler(const QString& methode, const QVariantList& arguments) {
    ConnexionSysteme systeme;
    if (!systeme.Connexion().isConnected()) {
        return QDBusMessage::createError(QDBusError::NoServer,
                                         systeme.Connexion().lastError().message());
    }
    QDBusMessage appel = QDBusMessage::createMethodCall(Service, Objet, Interface, methode);
    appel.setArguments(arguments);
    return systeme.Connexion().call(appel, QDBus::Block, DelaiAppelMs);
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
