#include "preparation/reglages.h"

#include "platform/erreur.h"
#include "platform/profil.h"

namespace preparation {

void EcrireCleIni(const QString& section, const QString& cle, const QString& valeur,
                  const QString& fichier) {
    if (!plateforme::WritePrivateProfileStringA(section, cle, valeur, fichier)) {
        plateforme::Lever(plateforme::err::PermissionRefusee,
                          QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(fichier));
    }
}

void EcrireReglages(const ReglagesPratique& r, const QString& fichierIni) {
    const QString general = QStringLiteral("general");
    EcrireCleIni(general, QStringLiteral("unite"), r.unite, fichierIni);
    EcrireCleIni(general, QStringLiteral("zelvanodir"), r.zelvanodir, fichierIni);
    EcrireCleIni(general, QStringLiteral("bddir"), r.bddir, fichierIni);
    for (const auto& [cle, dossier] : r.documents) {
        EcrireCleIni(general, cle, dossier, fichierIni);
    }
    EcrireCleIni(general, QStringLiteral("inifile"), r.inifile, fichierIni);
    EcrireCleIni(QStringLiteral("serveur"), QStringLiteral("fmpath"), r.partage, fichierIni);
    EcrireCleIni(QStringLiteral("client"), QStringLiteral("fmpath"), QStringLiteral("C"),
                 fichierIni);
}

} // namespace preparation
