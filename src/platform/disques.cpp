#include "platform/disques.h"

#include "platform/chemins.h"

#include <QFile>

#include <sys/statvfs.h>

namespace plateforme {

bool EspaceDisque(const QString& racine, quint64& octetsLibres, quint64& octetsTotal) {
    struct statvfs s {};
    if (::statvfs(QFile::encodeName(CheminNatif(racine)).constData(), &s) != 0) {
        return false;
    }
    // The blocks left to an ordinary user, as the free clusters of the drive are counted.
    octetsLibres = static_cast<quint64>(s.f_bavail) * s.f_frsize;
    octetsTotal = static_cast<quint64>(s.f_blocks) * s.f_frsize;
    return true;
}

} // namespace plateforme
