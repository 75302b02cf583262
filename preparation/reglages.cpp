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

void EcrireCleIni(const cles::Cle& cle, const QString& valeur, const QString& fichier) {
    EcrireCleIni(QString::fromLatin1(cle.section), QString::fromLatin1(cle.nom), valeur, fichier);
}

void EcrireReglages(const ReglagesPratique& r, const QString& fichierIni) {
    EcrireCleIni(cles::unite, r.unite, fichierIni);
    EcrireCleIni(cles::zelvanodir, r.zelvanodir, fichierIni);
    EcrireCleIni(cles::bddir, r.bddir, fichierIni);
    for (const auto& [cle, dossier] : r.documents) {
        EcrireCleIni(*cle, dossier, fichierIni);
    }
    EcrireCleIni(cles::inifile, r.inifile, fichierIni);
    EcrireCleIni(cles::fmpathServeur, r.partage, fichierIni);
    EcrireCleIni(cles::fmpathClient, QStringLiteral("C"), fichierIni);
}

} // namespace preparation
