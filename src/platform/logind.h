#pragma once

#include <QDBusMessage>
#include <QString>
#include <QVariantList>

// Calls to logind's manager on the system bus, shared by the power-off and the sleep inhibitor.
namespace plateforme::logind {

// Calls org.freedesktop.login1.Manager.<methode> on the system bus ($DBUS_SYSTEM_BUS_ADDRESS, else
// the standard socket) and returns its reply, or the error that stands for it: no bus, no
// logind, or no answer within a couple of seconds. Never waits longer than that.
QDBusMessage Appeler(const QString& methode, const QVariantList& arguments = {});

// The error code of a power-off, as the journal shows it, for a reply that is an error (see
// arret:: in alimentation.h); 0 for a normal reply.
int CodeErreur(const QDBusMessage& reponse);

} // namespace plateforme::logind
