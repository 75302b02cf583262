#pragma once

#include <QDBusMessage>
#include <QString>
#include <QVariantList>

// D-Bus calls of the platform (logind on the system bus, the desktop's notifications on the
// session bus), each on a connection of its own to the bus named at the time of the call.
namespace plateforme::bus {

struct Destinataire {
    QString service;
    QString objet;
    QString interface;
};

// The system bus: $DBUS_SYSTEM_BUS_ADDRESS, else the standard socket.
QString AdresseSysteme();
// The user's session bus: $DBUS_SESSION_BUS_ADDRESS, else the bus of the user's systemd
// session; empty when there is neither.
QString AdresseSession();

// Calls `destinataire`.<methode> on the bus at `adresse` and returns its reply, or the error
// that stands for it: no bus (an empty address included), no such service, or no answer within
// `delaiMs`. Never waits longer than that.
QDBusMessage Appeler(const QString& adresse, const Destinataire& destinataire,
                     const QString& methode, const QVariantList& arguments, int delaiMs);

} // namespace plateforme::bus
