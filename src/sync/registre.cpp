#include "sync/registre.h"

#include "init/sauvegarde.h"
#include "platform/erreur.h"
#include "settings/journal.h"

RegistreRenumerotations& Registre() {
    static RegistreRenumerotations registre;
    return registre;
}

FichierEnregistrement& FichierEnregistrementCourant() {
    static FichierEnregistrement fichier;
    return fichier;
}

void RegistreRenumerotations::Ouvrir() {
    csv_.reset();
    enregistrements_ = 0;
    tente_ = false;
}

void RegistreRenumerotations::Creer() {
    tente_ = true;
    const QString chemin = DossierExecutionPrevu() + QStringLiteral("\\renumerotations.csv");
    try {
        DossierExecution();
        csv_ = std::make_unique<FichierCsv>(
            chemin, QStringList{QStringLiteral("table"), QStringLiteral("ancien"),
                                QStringLiteral("nouveau"), QStringLiteral("fichier_local"),
                                QStringLiteral("fichier_serveur")});
        EcrireJournal(QStringLiteral("Registre des renumérotations : ") + chemin);
    } catch (const plateforme::Erreur& e) {
        csv_.reset();
        EcrireJournal(QStringLiteral("ATTENTION : le registre des renumérotations ") + chemin +
                      QStringLiteral(" n'a pas pu être créé : ") + e.DescriptionEtNumero());
    }
}

void RegistreRenumerotations::Ajouter(const QString& table, qint64 ancien, qint64 nouveau,
                                      const QString& fichierLocal, const QString& fichierServeur) {
    ++enregistrements_;
    if (!tente_) {
        Creer();
    }
    if (!csv_) {
        return;
    }
    try {
        csv_->Ligne({table, QString::number(ancien), QString::number(nouveau), fichierLocal,
                     fichierServeur});
    } catch (const plateforme::Erreur& e) {
        Abandonner(e);
    }
}

void RegistreRenumerotations::Abandonner(const plateforme::Erreur& e) {
    csv_.reset();
    EcrireJournal(QStringLiteral("ATTENTION : le registre des renumérotations est incomplet : ") +
                  e.DescriptionEtNumero());
}

void RegistreRenumerotations::Durcir() {
    if (!csv_) {
        return;
    }
    try {
        csv_->Durcir();
    } catch (const plateforme::Erreur& e) {
        Abandonner(e);
    }
}

void RegistreRenumerotations::Valider() {
    Durcir();
}

void RegistreRenumerotations::Annuler() {
    if (!csv_) {
        return;
    }
    try {
        csv_->Ligne({QStringLiteral("SYNCHRONISATION ANNULEE : aucun de ces enregistrements n'a "
                                    "été gardé sur la base distante")});
    } catch (const plateforme::Erreur&) {
        // Durcir says it.
    }
    Durcir();
}

void RegistreRenumerotations::Fermer() {
    csv_.reset();
    tente_ = false;
}
