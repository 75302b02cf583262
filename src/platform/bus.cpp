#include "platform/bus.h"

#include <QAtomicInt>
#include <QDBusConnection>
#include <QDBusError>
#include <QFileInfo>

namespace plateforme::bus {

namespace {

// Qt's shared bus connections would keep the first address they saw, and stay dead once the bus
// has gone away.
class Connexion {
public:
    explicit Connexion(const QString& adresse)
        : nom_(QStringLiteral("synchro-bus-%1").arg(compteur_.fetchAndAddRelaxed(1)))
        , connexion_(QDBusConnection::connectToBus(adresse, nom_)) {}
    ~Connexion() { QDBusConnection::disconnectFromBus(nom_); }
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    QDBusConnection& Bus() { return connexion_; }

private:
    static inline QAtomicInt compteur_;
    QString nom_;
    QDBusConnection connexion_;
};

} // namespace

QString AdresseSysteme() {
    const QString adresse = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return adresse.isEmpty() ? QStringLiteral("unix:path=/var/run/dbus/system_bus_socket")
                             : adresse;
}

QString AdresseSession() {
    const QString adresse = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!adresse.isEmpty()) {
        return adresse;
    }
    const QString execution = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = execution + QStringLiteral("/bus");
    return !execution.isEmpty() && QFileInfo::exists(socket) ? QStringLiteral("unix:path=") + socket
                                                             : QString();
}

QDBusMessage Appeler(const QString& adresse, const Destinataire& destinataire,
                     const QString& methode, const QVariantList& arguments, int delaiMs) {
    if (adresse.isEmpty()) {
        return QDBusMessage::createError(QDBusError::NoServer, QStringLiteral("no bus address"));
    }
    Connexion connexion(adresse);
    if (!connexion.Bus().isConnected()) {
        return QDBusMessage::createError(QDBusError::NoServer,
                                         connexion.Bus().lastError().message());
    }
    QDBusMessage appel = QDBusMessage::createMethodCall(destinataire.service, destinataire.objet,
                                                        destinataire.interface, methode);
    appel.setArguments(arguments);
    return connexion.Bus().call(appel, QDBus::Block, delaiMs);
}

} // namespace plateforme::bus
