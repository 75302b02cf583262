#include "settings/bilan.h"

#include "platform/services.h"
#include "settings/fenetre.h"

#include <algorithm>

namespace {

struct EtatProgression {
    QString etape;
    qint64 total = -1;
    qint64 pourcentage = -1;
};

EtatProgression& Affichee() {
    static EtatProgression e;
    return e;
}

qint64 Pourcentage(qint64 fait, qint64 total) {
    return total <= 0 ? 0 : std::clamp<qint64>(fait * 100 / total, 0, 100);
}

} // namespace

BilanExecution& Bilan() {
    static BilanExecution bilan;
    return bilan;
}

void BilanExecution::Commencer() {
    *this = BilanExecution();
    debutMs_ = plateforme::ServicesCourants().horloge->TicMillisecondes();
}

void BilanExecution::AjouterEnvoyes(qint64 enregistrements, qint64 fichiers) {
    enregistrements_ += enregistrements;
    envoyes_ += fichiers;
}

void BilanExecution::AjouterCopies(qint64 fichiers) {
    copies_ += fichiers;
}

void BilanExecution::AjouterReports(qint64 champs, qint64 conflits) {
    reportes_ += champs;
    conflits_ += conflits;
}

QString BilanExecution::Ligne() const {
    const qint64 ecoule = plateforme::ServicesCourants().horloge->TicMillisecondes() - debutMs_;
    const qint64 secondes = std::max<qint64>(ecoule, 0) / 1000;
    return QStringLiteral("Bilan : ") + QString::number(enregistrements_) +
           QStringLiteral(" enregistrement(s) envoyé(s), ") + QString::number(envoyes_) +
           QStringLiteral(" fichier(s) envoyé(s), ") + QString::number(copies_) +
           QStringLiteral(" fichier(s) copié(s)") +
           (reportes_ + conflits_ > 0
                ? QStringLiteral(", ") + QString::number(reportes_) +
                      QStringLiteral(" champ(s) reporté(s), ") + QString::number(conflits_) +
                      QStringLiteral(" conflit(s)")
                : QString()) +
           QStringLiteral(" en ") + QString::number(secondes / 60) + QLatin1Char(':') +
           QStringLiteral("%1").arg(secondes % 60, 2, 10, QLatin1Char('0'));
}

void Progression(const QString& etape, qint64 fait, qint64 total) {
    EtatProgression& e = Affichee();
    const qint64 pourcentage = Pourcentage(fait, total);
    if (etape == e.etape && total == e.total && pourcentage == e.pourcentage) {
        return;
    }
    e = {etape, total, pourcentage};
    FenetreCourante().AfficherProgression(etape, fait, total);
}

void FinProgression() {
    Affichee() = {};
    FenetreCourante().MasquerProgression();
}

void EtapeTerminee() {
    if (Affichee().etape.isEmpty()) {
        return;
    }
    Affichee() = {};
    FenetreCourante().AfficherProgression({}, 0, 0);
}
