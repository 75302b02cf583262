#include "tools/vod_outils.h"

#include "platform/attente.h"
#include "platform/services.h"

#include <QThread>

void VOD_Outils::Attendre(qint16 sec) {
    AttendreSecondes(sec);
}

QString VOD_Outils::DateHeureEnMillisecondes() {
    return plateforme::Maintenant().toUTC().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss:zzz"));
}

void VOD_Outils::ArreterExecution(qint32 msec) {
    if (msec > 0) {
        QThread::msleep(static_cast<unsigned long>(msec));
    }
}

void VOD_Outils::WaitEnMsec(qint32 attente_globale_ms, qint32 arret_a_chaque_boucle_ms) {
    plateforme::Horloge& horloge = *plateforme::ServicesCourants().horloge;
    const qint64 depart = horloge.TicMillisecondes();
    while (horloge.TicMillisecondes() - depart < attente_globale_ms) {
        plateforme::DoEventsAttente();
        ArreterExecution(arret_a_chaque_boucle_ms);
    }
}
