#include "tools/vod_outils.h"

#include "platform/erreur.h"
#include "platform/services.h"

namespace {

QString NomPlateforme9x(const plateforme::VersionOs& v) {
    switch (v.mineure) {
    case 0:
        return QStringLiteral("Windows 95");
    case 10:
        return (v.build & 0xFFFF) == 2222 ? QStringLiteral("Windows 98SE")
                                          : QStringLiteral("Windows 98");
    case 90:
        return QStringLiteral("Windows Me");
    default:
        return {};
    }
}

QString NomPlateformeNt(const plateforme::VersionOs& v) {
    switch (v.majeure) {
    case 3:
        return QStringLiteral("Windows NT 3.51");
    case 4:
        return QStringLiteral("Windows NT 4.0");
    case 5:
        switch (v.mineure) {
        case 0:
            return QStringLiteral("Windows 2000");
        case 1:
            return QStringLiteral("Windows XP");
        case 2:
            return QStringLiteral("Windows Server 2003");
        default:
            return {};
        }
    case 6:
        return QStringLiteral("Windows Vista");
    default:
        return {};
    }
}

} // namespace

qint64 VOD_Outils::ExecutionSynchrone(const QString& pathname, int windowsstyle) {
    if (pathname.trimmed().isEmpty()) {
        plateforme::Lever(plateforme::err::ArgumentIncorrect);
    }
    plateforme::Processus& processus = *plateforme::ServicesCourants().processus;
    const qint64 pid = processus.Demarrer(pathname, windowsstyle);
    if (pid == 0) {
        plateforme::Lever(plateforme::err::FichierIntrouvable);
    }
    do {
        plateforme::DoEventsAttente();
    } while (processus.Existe(pid));
    return pid;
}

QString VOD_Outils::VersionWindows() {
    const plateforme::VersionOs v = plateforme::ServicesCourants().systeme->Version();
    QString nom;
    switch (v.plateforme) {
    case 0:
        nom = QStringLiteral("Windows 3.1");
        break;
    case 1:
        nom = NomPlateforme9x(v);
        break;
    case 2:
        nom = NomPlateformeNt(v);
        break;
    default:
        nom = QStringLiteral("Inconnu");
        break;
    }
    if (v.servicePackMajeur != 0) {
        nom +=
            QStringLiteral(" Service Pack %1.%2").arg(v.servicePackMajeur).arg(v.servicePackMineur);
    }
    return nom;
}
