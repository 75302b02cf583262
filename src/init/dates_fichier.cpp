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

namespace {

QDateTime LocaleDepuisSecondes(qint64 secondes) {
    return DateFichierLocale(QDateTime::fromSecsSinceEpoch(secondes, Qt::UTC));
}

} // namespace

bool FichiersDifferents(const plateforme::DossierOuvert& source,
                        const plateforme::DossierOuvert& destination, const QString& nom) {
    qint64 s = 0;
    qint64 d = 0;
    qint64 tailleSource = 0;
    qint64 tailleDestination = 0;
    const bool lueSource = source.SecondeEcriture(nom, s, &tailleSource);
    const bool lueDestination = destination.SecondeEcriture(nom, d, &tailleDestination);
    if (lueSource && lueDestination && tailleSource != tailleDestination) {
        return true;
    }
    if (lueSource != lueDestination) {
        // The zero date against a real time (unless that one cannot be converted either).
        return LocaleDepuisSecondes(lueSource ? s : d) != DateZero();
    }
    if (!lueSource || s == d) {
        return false; // the same second in universal time is the same second in local time
    }
    // Different instants may still read alike in local time (the hour repeated when the clocks
    // go back): compare as the times are shown.
    return LocaleDepuisSecondes(s) != LocaleDepuisSecondes(d);
}
