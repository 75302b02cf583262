#include "init/dates_fichier.h"

#include "platform/fichiers.h"

QDateTime DateFichierLocale(const QDateTime& tempsSysteme) {
    if (!tempsSysteme.isValid()) {
        return DateZero();
    }
    const QDateTime local = tempsSysteme.toLocalTime();
    const QDate jour = local.date();
    const QTime heure = local.time();
    const QDateTime resultat(jour, QTime(heure.hour(), heure.minute(), heure.second()));
    return resultat.isValid() ? resultat : DateZero();
}

DatesFichier LireDatesFichier(const QString& chemin) {
    DatesFichier dates;
    if (!plateforme::FichierExiste(chemin)) {
        return dates;
    }
    plateforme::TempsFichier temps;
    if (!plateforme::LireTempsFichier(chemin, temps)) {
        return dates;
    }
    dates.creation = DateFichierLocale(temps.creation);
    dates.dernierAcces = DateFichierLocale(temps.dernierAcces);
    dates.derniereEcriture = DateFichierLocale(temps.derniereEcriture);
    return dates;
}

QDateTime DerniereEcritureLocale(const QString& chemin, bool fichierListe) {
    plateforme::TempsFichier temps;
    if (!plateforme::LireTempsFichier(chemin, temps)) {
        return DateZero(); // missing, or cannot be opened for reading
    }
    if (!fichierListe && !plateforme::FichierExiste(chemin)) {
        return DateZero(); // a folder of that name
    }
    return DateFichierLocale(temps.derniereEcriture);
}
