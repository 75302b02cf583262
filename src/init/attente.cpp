#include "init/attente.h"

#include "platform/services.h"

namespace {

bool TacheEnCours(const QString& programme) {
    const qint16 nombre = ChargerListeTaches();
    bool trouve = false;
    for (qint16 i = 1; i <= nombre; ++i) {
        if (qb32_TabTaskList[i].ItemB.toUpper().contains(programme)) {
            trouve = true;
        }
    }
    return trouve;
}

} // namespace

bool XcopyEnCours() {
    return TacheEnCours(QStringLiteral("XCOPY"));
}

bool RobocopyEnCours() {
    return TacheEnCours(QStringLiteral("ROBOCOPY"));
}

void AttendreProgrammeCopie(ProgrammeCopie programme) {
    const bool xcopy = programme == ProgrammeCopie::Xcopy;
    AttendreSecondes(xcopy ? 5 : 3);
    while (xcopy ? XcopyEnCours() : RobocopyEnCours()) {
        plateforme::DoEventsAttente();
    }
}
