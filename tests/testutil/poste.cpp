#include "testutil/poste.h"

#include "platform/chemins.h"
#include "platform/fichiers.h"
#include "testutil/copies_en_panne.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace factices {

void Poste::Ecrire(const QString& cheminWindows, const QByteArray& contenu,
                   const QDateTime& ecriture) const {
    env.machine.EcrireFichier(cheminWindows, contenu);
    if (ecriture.isValid()) {
        DefinirEcriture(cheminWindows, ecriture);
    }
}

void Poste::DefinirEcriture(const QString& cheminWindows, const QDateTime& ecriture) const {
    plateforme::DefinirDerniereEcriture(cheminWindows, ecriture.toUTC());
}

bool Poste::Existe(const QString& cheminWindows) const {
    return QFileInfo::exists(Natif(cheminWindows));
}

bool Poste::EstFichier(const QString& cheminWindows) const {
    return QFileInfo(Natif(cheminWindows)).isFile();
}

bool Poste::RelierLecteurP() const {
    const QString lecteur = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
    QDir().mkpath(DossierPartage());
    QDir().mkpath(QFileInfo(lecteur).absolutePath());
    return QFile::link(DossierPartage(), lecteur);
}

} // namespace factices
