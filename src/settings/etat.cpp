#include "settings/etat.h"

#include "platform/services.h"
#include "settings/fenetre.h"

QString& EtatBase() {
    static QString etat;
    return etat;
}

QString TitreFenetre() {
    const QString etat = EtatBase().toUpper();
    QString suffixe;
    if (etat == QLatin1String("D")) {
        suffixe = QStringLiteral(" [Base distante]");
    } else if (etat == QLatin1String("L")) {
        suffixe = QStringLiteral(" [Base locale]");
    } else if (etat == QLatin1String("?")) {
        suffixe = QStringLiteral(" <<Changement de base en cours>>");
    } else if (etat == QLatin1String("LEC")) {
        suffixe = QStringLiteral(" <<Lancement de Zelvano local en cours>>");
    } else if (etat == QLatin1String("DEC")) {
        suffixe = QStringLiteral(" <<Lancement de Zelvano distant en cours>>");
    }
    return TitreModule +
           QStringLiteral(" v%1.%2.%3")
               .arg(VersionMajeure)
               .arg(VersionMineure)
               .arg(VersionRevision) +
           suffixe;
}

void AfficherEtat() {
    FenetreCourante().DefinirTitre(TitreFenetre());
    plateforme::DoEvents();
}
