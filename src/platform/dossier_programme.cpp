#include "platform/dossier_programme.h"

#include "platform/chemins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace plateforme {

const QStringList& ProgrammesDuDossier() {
    static const QStringList noms = {QStringLiteral("CMD.EXE"), QStringLiteral("COMMAND.COM"),
                                     QStringLiteral("xcopy.exe"), QStringLiteral("robocopy.exe")};
    return noms;
}

bool PoserLien(const QString& cible, const QString& lien) {
    const QFileInfo existant(lien);
    if ((existant.exists() && !existant.isSymLink()) || !QDir().mkpath(existant.absolutePath())) {
        return false;
    }
    // Made beside, then renamed over the old link: whoever looks meanwhile finds either.
    const QString provisoire = existant.absolutePath() + QStringLiteral("/.") +
                               existant.fileName() + QStringLiteral(".lien");
    QFile::remove(provisoire);
    if (!QFile::link(cible, provisoire)) {
        return false;
    }
    if (std::rename(QFile::encodeName(provisoire).constData(),
                    QFile::encodeName(lien).constData()) != 0) {
        QFile::remove(provisoire);
        return false;
    }
    return true;
}

bool LierProgramme(const QString& cible, const QString& cheminWindows) {
    const QString lien = CheminNatif(cheminWindows);
    const QFileInfo existant(lien);
    if (existant.exists() && !existant.isSymLink()) {
        return existant.isFile(); // a program put there by hand stays
    }
    return QFileInfo(cible).isFile() && PoserLien(cible, lien);
}

QStringList PreparerDossierProgramme(const QString& dossierBinaires) {
    QStringList manquants;
    QDir().mkpath(CheminNatif(DossierProgramme()));
    for (const QString& nom : ProgrammesDuDossier()) {
        if (!LierProgramme(dossierBinaires + QLatin1Char('/') + nom,
                           DossierProgramme() + QLatin1Char('\\') + nom)) {
            manquants.append(nom);
        }
    }
    return manquants;
}

} // namespace plateforme
