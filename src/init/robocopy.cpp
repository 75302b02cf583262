#include "init/robocopy.h"

#include "init/attente.h"
#include "init/dates_fichier.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "settings/bilan.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "tools/vod_outils.h"

#include <QStringList>

#include <algorithm>

namespace {

QString ProgrammeRobocopy() {
    return AjouterBarreFinale(plateforme::DossierProgramme()) + QStringLiteral("robocopy.exe");
}

// Read from the settings file at each run: the options dialog may have changed it meanwhile.
QStringList Exclusions() {
    return cles::Lire(cles::nonsynchro).split(QLatin1Char(','));
}

bool Exclu(const QString& nom, const QStringList& exclusions) {
    const QString capitales = nom.toUpper();
    // SAUVEGARDES: the local safety folders are no copy of anything on the server.
    if (nom == QLatin1String(".") || nom == QLatin1String("..") ||
        capitales == QLatin1String("REF") || capitales == QLatin1String("BD") ||
        capitales == QLatin1String("SAUVEGARDES")) {
        return true;
    }
    bool exclu = false;
    for (const QString& exclusion : exclusions) {
        if (!exclusion.isEmpty() && exclusion.toUpper() == capitales) {
            exclu = true;
        }
    }
    return exclu;
}

// The folders to copy; a listing that fails leaves the names found so far.
QStringList DossiersACopier(const QString& prefixeDistant) {
    QStringList dossiers;
    QStringList exclusions;
    try {
        exclusions = Exclusions();
    } catch (const plateforme::Erreur&) {
        // no exclusion list: only the fixed names are left out
    }
    QStringList noms;
    try {
        noms = plateforme::ListerDossier(prefixeDistant + QStringLiteral("*.*"),
                                         plateforme::attr::Dossier);
    } catch (const plateforme::Erreur&) {
        return dossiers;
    }
    for (const QString& nom : noms) {
        try {
            if (!Exclu(nom, exclusions) && plateforme::DossierExiste(prefixeDistant + nom)) {
                dossiers.append(nom);
            }
        } catch (const plateforme::Erreur&) {
            // this entry is left out, the listing goes on
        }
    }
    return dossiers;
}

// The files that differ between the two trees, every level down: those ROBOCOPY copies, for the
// run's summary, since the program itself tells nothing back.
qint64 CompterDifferents(const QString& source, const QString& destination) {
    const plateforme::DossierOuvert src(source);
    const plateforme::DossierOuvert dst(destination);
    qint64 n = 0;
    for (const QString& nom : plateforme::ListerDossier(source + QStringLiteral("\\*.*"))) {
        n += FichiersDifferents(src, dst, nom) ? 1 : 0;
    }
    for (const QString& nom :
         plateforme::ListerDossier(source + QStringLiteral("\\*.*"), plateforme::attr::Dossier)) {
        const QString sous = source + QLatin1Char('\\') + nom;
        if (nom != QLatin1String(".") && nom != QLatin1String("..") &&
            plateforme::DossierExiste(sous)) {
            n += CompterDifferents(sous, destination + QLatin1Char('\\') + nom);
        }
    }
    return n;
}

} // namespace

QString AjouterBarreFinale(const QString& chemin) {
    return chemin.endsWith(QLatin1Char('\\')) ? chemin : chemin + QLatin1Char('\\');
}

bool RobocopyDisponible() {
    const Parametres& p = Param();
    if (p.copiesecurisee != 0 || p.modifiesuniquement == 0) {
        return false;
    }
    if (!plateforme::FichierExiste(ProgrammeRobocopy())) {
        return false;
    }
    const QString version = VOD_Outils().VersionWindows();
    return version.startsWith(QStringLiteral("Windows Vista")) ||
           version.startsWith(QStringLiteral("Windows XP")) ||
           version.startsWith(QStringLiteral("Windows Server 2003"));
}

bool CopierDossiersRobocopy() {
    const QString programme = ProgrammeRobocopy();
    const QString prefixeDistant = AjouterBarreFinale(RacineDistante());
    const QString prefixeLocal = AjouterBarreFinale(RacineLocale());
    EcrireJournal(QStringLiteral("Windows XP, 2003 ou Vista et ROBOCOPY détecté dans ") +
                  plateforme::DossierProgramme());
    const QStringList dossiers = DossiersACopier(prefixeDistant);
    try {
        for (const QString& nom : dossiers) {
            if (nom.isEmpty()) {
                continue;
            }
            // Unquoted paths, as ROBOCOPY has always been called here.
            const QString ligne = programme + QLatin1Char(' ') + prefixeDistant + nom +
                                  QLatin1Char(' ') + prefixeLocal + nom +
                                  QStringLiteral(" /E /R:0");
            EcrireJournal(QStringLiteral("-> Exécution de la commande : ") + ligne);
            const qint64 differents = CompterDifferents(prefixeDistant + nom, prefixeLocal + nom);
            if (plateforme::ServicesCourants().processus->Demarrer(ligne, 2) == 0) {
                EcrireJournal(QStringLiteral("ERREUR : impossible d'exécuter ROBOCOPY"));
                return false;
            }
            Progression(QStringLiteral("Copie du dossier ") + prefixeDistant + nom, 0, 0);
            AttendreProgrammeCopie(ProgrammeCopie::Robocopy);
            // What it brought: the files that differed and no longer do.
            Bilan().AjouterCopies(std::max<qint64>(
                differents - CompterDifferents(prefixeDistant + nom, prefixeLocal + nom), 0));
        }
    } catch (const plateforme::Erreur& e) {
        EcrireJournal(e.DescriptionEtNumero() + QStringLiteral(" pendant la copie avec ROBOCOPY"));
        return false;
    }
    return true;
}
