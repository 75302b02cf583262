#include "init/sauvegarde.h"

#include "jet/dao.h"
#include "jet/sauvegarde_base.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

using plateforme::Erreur;

QString& Courant() {
    static QString dossier;
    return dossier;
}

QString Dans(const QString& dossier, const QString& nom) {
    return dossier + QLatin1Char('\\') + nom;
}

int NombreGarde() {
    return std::max<int>(Param().sauvegardes, 0);
}

// The run folders, oldest first (their names sort as their times).
QStringList DossiersExistants() {
    static const QRegularExpression forme(QStringLiteral("^\\d{8}-\\d{6}(-\\d+)?$"));
    QStringList noms;
    for (const QString& nom : plateforme::ListerDossier(
             Dans(DossierSauvegardes(), QStringLiteral("*.*")), plateforme::attr::Dossier)) {
        if (forme.match(nom).hasMatch() &&
            plateforme::DossierExiste(Dans(DossierSauvegardes(), nom))) {
            noms.append(nom);
        }
    }
    std::sort(noms.begin(), noms.end(), [](const QString& a, const QString& b) {
        // "20261208-101500-2" after "20261208-101500".
        return a.left(15) != b.left(15) ? a < b
               : a.size() != b.size()   ? a.size() < b.size()
                                        : a < b;
    });
    return noms;
}

// Leaves the newest folders, the current one always among them.
void Elaguer(const QString& courant) {
    QStringList noms = DossiersExistants();
    noms.removeAll(courant);
    const qsizetype garder = std::max(NombreGarde(), 1) - 1;
    for (qsizetype i = 0; i + garder < noms.size(); ++i) {
        try {
            plateforme::SupprimerArborescence(Dans(DossierSauvegardes(), noms[i]));
        } catch (const Erreur& e) {
            EcrireJournal(QStringLiteral("ATTENTION : l'ancienne sauvegarde ") +
                          Dans(DossierSauvegardes(), noms[i]) +
                          QStringLiteral(" n'a pas pu être supprimée : ") +
                          e.DescriptionEtNumero());
        }
    }
}

QString CheminBaseLocale() {
    const Parametres& p = Param();
    return p.fmpathClient + QStringLiteral(":\\") + p.zelvanodir + QLatin1Char('\\') + p.bddir +
           QStringLiteral("\\zelvano.mdb");
}

void JournaliserEchec(const QString& dossier, const Erreur& e) {
    EcrireJournal(QStringLiteral("ERREUR : la sauvegarde de la base locale ") + CheminBaseLocale() +
                  QStringLiteral(" dans ") + dossier + QStringLiteral(" a échoué : ") +
                  e.DescriptionEtNumero() +
                  QStringLiteral(". La base locale n'a pas été remplacée. Libérez de la place "
                                 "sur le disque, ou mettez sauvegardes=0 dans la section "
                                 "[options] de ") +
                  Param().FichierIni + QStringLiteral(" pour initialiser sans sauvegarde."));
}

} // namespace

QString DossierSauvegardes() {
    const Parametres& p = Param();
    return p.fmpathClient + QStringLiteral(":\\") + p.zelvanodir + QStringLiteral("\\sauvegardes");
}

QString DossierSauvegardesPrepare() {
    const QString dossier = DossierSauvegardes();
    if (!plateforme::DossierExiste(dossier)) {
        plateforme::CreerDossier(dossier);
    }
    return dossier;
}

QString DossierExecution() {
    if (!Courant().isEmpty()) {
        return Dans(DossierSauvegardes(), Courant());
    }
    DossierSauvegardesPrepare();
    const QString horodatage = plateforme::Maintenant().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString nom = horodatage;
    for (int n = 2; plateforme::DossierExiste(Dans(DossierSauvegardes(), nom)); ++n) {
        nom = horodatage + QLatin1Char('-') + QString::number(n);
    }
    plateforme::CreerDossier(Dans(DossierSauvegardes(), nom));
    Courant() = nom;
    Elaguer(nom);
    return Dans(DossierSauvegardes(), nom);
}

void FinExecution() {
    Courant().clear();
}

bool SauvegarderBaseLocale() {
    const QString base = CheminBaseLocale();
    QString dossier = DossierSauvegardes();
    try {
        if (NombreGarde() == 0 || !plateforme::FichierExiste(base)) {
            return true;
        }
        dossier = DossierExecution();
        EcrireJournal(QStringLiteral("Sauvegarde de la base locale dans ") + dossier);
        const QString copie = Dans(dossier, QStringLiteral("zelvano.mdb"));
        try {
            dao::SauvegarderBase(base, copie);
        } catch (const Erreur& e) {
            if (e.Number() != dao::errdb::FichierCorrompu) {
                throw;
            }
            // Not readable as a base: kept as it is, byte for byte, which is all it can be.
            plateforme::CopierFichier(base, copie);
        }
        return true;
    } catch (const Erreur& e) {
        JournaliserEchec(dossier, e);
        return false;
    }
}
