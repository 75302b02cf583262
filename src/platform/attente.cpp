#include "platform/attente.h"

#include "platform/qorbis32.h"
#include "platform/services.h"

#include <QDateTime>

QList<TacheQb32> qb32_TabTaskList(1);

namespace {

constexpr qint32 TailleTampon = 30000;

// The clock as the waits read it: to the whole second.
QDateTime MaintenantALaSeconde() {
    const QDateTime t = plateforme::Maintenant();
    return t.addMSecs(-t.time().msec());
}

} // namespace

qint16 ChargerListeTaches() {
    qint16 nombre = 0;
    LireListeTaches(TailleTampon, nombre);
    return nombre;
}

bool LireListeTaches(qint32 taille, qint16& nombre) {
    nombre = 0;
    QString tampon(taille, QLatin1Char(' '));
    if (qorbis32_ListeFenetres(tampon, taille, -1, -1) < 0) {
        return false;
    }
    tampon.truncate(taille); // the exchange buffer holds no more
    qb32_TabTaskList = QList<TacheQb32>(1);
    qint16 i = 1;
    bool attendA = true;
    qsizetype courant = tampon.indexOf(MarqueurQorbis32);
    if (courant < 0) {
        return true;
    }
    for (;;) {
        const qsizetype debut = courant + MarqueurQorbis32.size();
        const qsizetype suivant = tampon.indexOf(MarqueurQorbis32, debut);
        if (suivant < 0) {
            break;
        }
        const QString item = tampon.mid(debut, suivant - debut);
        if (qb32_TabTaskList.size() < i + 1) {
            qb32_TabTaskList.resize(i + 1);
        }
        if (attendA) {
            qb32_TabTaskList[i].ItemA = item;
        } else {
            qb32_TabTaskList[i].ItemB = item;
            ++i;
        }
        attendA = !attendA;
        courant = suivant;
    }
    nombre = static_cast<qint16>(i - 1);
    return true;
}

void AttendreSecondes(qint16 secondes) {
    const QDateTime cible = MaintenantALaSeconde().addSecs(secondes);
    do {
        plateforme::DoEventsAttente();
    } while (MaintenantALaSeconde() < cible);
}
