#include "tools/vod_outils.h"

#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/occupation.h"
#include "platform/services.h"
#include "settings/journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

QString AvecBarreFinale(const QString& dossier) {
    return dossier.endsWith(QLatin1Char('\\')) ? dossier : dossier + QLatin1Char('\\');
}

// `chemins` holds the folders being counted, from the first call down, so that a link back to
// one of them is not followed round and round.
void Compter(const QString& filepath, qint32& nbfic, qint32& nbdir, QSet<QString>& chemins) {
    using namespace plateforme;
    if (!DossierExiste(filepath)) {
        return;
    }
    const QString dossier = AvecBarreFinale(filepath);
    const QString reel = QFileInfo(CheminNatif(dossier)).canonicalFilePath();
    if (chemins.contains(reel)) {
        return;
    }
    chemins.insert(reel);
    try {
        QStringList sousDossiers;
        for (const QString& nom : ListerDossier(dossier + QStringLiteral("*.*"), attr::Dossier)) {
            if (nom != QLatin1String(".") && nom != QLatin1String("..") &&
                DossierExiste(dossier + nom)) {
                sousDossiers.append(nom);
            }
        }
        for (const QString& nom : sousDossiers) {
            ++nbdir;
            Compter(dossier + nom, nbfic, nbdir, chemins);
        }
        const int fichiers =
            attr::Normal | attr::LectureSeule | attr::Cache | attr::Systeme | attr::Archive;
        nbfic +=
            static_cast<qint32>(ListerDossier(dossier + QStringLiteral("*.*"), fichiers).size());
    } catch (const Erreur& e) {
        if (e.Number() == err::NomFichierIncorrect) {
            --nbdir;
        }
    }
    chemins.remove(reel);
}

} // namespace

void VOD_Outils::AjouterAuJournal(const QString& msg, const QString& LogFile, bool AjouterHeure,
                                  qint16 /*FileNoToUse*/) {
    QString prefixe;
    if (AjouterHeure) {
        // The date and the time as the journal writes them, without its " : ".
        prefixe = LigneJournal(plateforme::Maintenant(), QString());
        prefixe.chop(3);
    }
    // Each step goes on whatever the previous one gave: a file that cannot be opened just
    // receives nothing.
    QFile fichier(plateforme::CheminNatif(LogFile));
    if (fichier.open(QIODevice::WriteOnly | QIODevice::Append)) {
        const QString ligne = msg.isEmpty() ? QString() : prefixe + msg;
        fichier.write((ligne + QStringLiteral("\r\n")).toUtf8());
        fichier.close();
    }
}

void VOD_Outils::CompterFichiers(const QString& filepath, qint32& nbfic, qint32& nbdir) {
    QSet<QString> chemins;
    Compter(filepath, nbfic, nbdir, chemins);
}

bool VOD_Outils::EnCoursUtilisation(const QString& fichier, qint16 /*FileNoToUse*/) {
    try {
        return plateforme::FichierOccupe(fichier);
    } catch (const plateforme::Erreur&) {
        return true;
    }
}

void VOD_Outils::SuppressionDossier(const QString& Dossier) {
    // An empty name would stand for the current folder.
    if (Dossier.trimmed().isEmpty()) {
        return;
    }
    try {
        QDir(plateforme::CheminNatif(Dossier)).removeRecursively();
    } catch (const plateforme::Erreur&) {
        // every error is ignored
    }
}

QByteArray VOD_Outils::LireFichierBinaire(const QString& FileName, qint16 /*FileHandle*/) {
    const QString natif = plateforme::CheminNatif(FileName);
    QFile fichier(natif);
    if (!fichier.open(QIODevice::ReadOnly)) {
        const QFileInfo info(natif);
        if (info.exists()) {
            plateforme::Lever(plateforme::err::ErreurAccesChemin);
        }
        plateforme::Lever(info.dir().exists() ? plateforme::err::FichierIntrouvable
                                              : plateforme::err::CheminIntrouvable);
    }
    QByteArray contenu = fichier.readAll();
    if (fichier.error() != QFileDevice::NoError) {
        plateforme::Lever(plateforme::err::ErreurEntreeSortie);
    }
    return contenu;
}
