#pragma once

#include "platform/en_vigueur.h"

#include <QString>

namespace plateforme {

// A word to the user on the desktop, for what ends while nobody looks at the window (a deferred
// synchronisation in the evening).
class Notifications {
public:
    virtual ~Notifications() = default;
    // Shows `titre` and `texte` in the desktop's notifications; false when nothing shows them
    // (no session bus, no notification service, refused): nobody is told, nothing else is
    // held up.
    virtual bool Notifier(const QString& titre, const QString& texte) = 0;
};

// org.freedesktop.Notifications on the session bus.
Notifications& NotificationsCourantes();

// Replaces the notifications for its lifetime (tests keep them off the user's desktop).
class RemplacementNotifications : public Remplacement<Notifications> {
public:
    explicit RemplacementNotifications(Notifications& nouvelles);
};

} // namespace plateforme
