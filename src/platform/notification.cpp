#include "platform/notification.h"

#include "platform/bus.h"

#include <QStringList>
#include <QVariantMap>

namespace plateforme {

namespace {

// A desktop without a notification service answers at once; one that hangs must not hold the
// end of a run (and the power-off after it) for long.
constexpr int DelaiAppelMs = 2000;

const bus::Destinataire Service{QStringLiteral("org.freedesktop.Notifications"),
                                QStringLiteral("/org/freedesktop/Notifications"),
                                QStringLiteral("org.freedesktop.Notifications")};

class BureauFreedesktop final : public Notifications {
public:
    bool Notifier(const QString& titre, const QString& texte) override {
        // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout);
        // the icon and the desktop entry are the menu entry's.
        const QVariantList arguments{
            QStringLiteral("Synchronisation Zelvano"),
            0U,
            QStringLiteral("synchro"),
            titre,
            texte,
            QStringList(),
            QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("synchro")}},
            -1};
        return bus::Appeler(bus::AdresseSession(), Service, QStringLiteral("Notify"), arguments,
                            DelaiAppelMs)
                   .type() == QDBusMessage::ReplyMessage;
    }
};

} // namespace

Notifications& NotificationsCourantes() {
    return *EnVigueur<Notifications, BureauFreedesktop>();
}

RemplacementNotifications::RemplacementNotifications(Notifications& nouvelles)
    : Remplacement(EnVigueur<Notifications, BureauFreedesktop>(), nouvelles) {}

} // namespace plateforme
