#include "testutil/logind_factice.h"

#include <QDBusArgument>
#include <QDeadlineTimer>
#include <QThread>

LogindFactice::LogindFactice(Service service)
    : ServiceFactice({"logind", "org.freedesktop.login1", "/org/freedesktop/login1",
                      "org.freedesktop.login1.Manager", true},
                     service) {}

QList<QStringList> LogindFactice::Inhibiteurs() {
    QList<QStringList> liste;
    const QDBusMessage reponse =
        Appeler(QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    if (reponse.type() != QDBusMessage::ReplyMessage || reponse.arguments().isEmpty()) {
        return liste;
    }
    // a(ssssuu): what, who, why, mode, uid, pid.
    const auto tableau = reponse.arguments().constFirst().value<QDBusArgument>();
    tableau.beginArray();
    while (!tableau.atEnd()) {
        QString quoi, qui, pourquoi, mode;
        uint uid = 0, pid = 0;
        tableau.beginStructure();
        tableau >> quoi >> qui >> pourquoi >> mode >> uid >> pid;
        tableau.endStructure();
        liste.append({quoi, qui, pourquoi, mode});
    }
    tableau.endArray();
    return liste;
}

bool LogindFactice::AttendreInhibiteurs(int nombre) {
    const QDeadlineTimer delai(5000);
    while (Inhibiteurs().size() != nombre) {
        if (delai.hasExpired()) {
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}
