#include "pratique/lieux.h"

#include "settings/parametres.h"

namespace {

QString Dans(const QString& dossier, const QString& nom) {
    return dossier + QLatin1Char('\\') + nom;
}

} // namespace

QString RacinePratique(const QString& lecteur) {
    return lecteur + QStringLiteral(":\\") + Param().zelvanodir;
}

QString RacineLocale() {
    return RacinePratique(Param().fmpathClient);
}

QString RacineDistante() {
    return RacinePratique(Param().unite);
}

QString DossierPratique(const QString& lecteur, const QString& dossier) {
    return Dans(RacinePratique(lecteur), dossier);
}

QString DossierBaseLocale() {
    return DossierPratique(Param().fmpathClient, Param().bddir);
}

QString CheminBaseLocale() {
    return Dans(DossierBaseLocale(), QStringLiteral("zelvano.mdb"));
}

QString CheminBaseDistante() {
    return Dans(DossierPratique(Param().unite, Param().bddir), QStringLiteral("zelvano.mdb"));
}

QString RacineParLePartage() {
    QString partage = Param().fmpathServeur;
    while (partage.endsWith(QLatin1Char('\\'))) {
        partage.chop(1);
    }
    return Dans(partage, Param().zelvanodir);
}

QString CheminBaseDistanteParLePartage() {
    return Dans(Dans(RacineParLePartage(), Param().bddir), QStringLiteral("zelvano.mdb"));
}

QString ParLePartage(const QString& cheminSurLUnite) {
    const QString racine = RacineDistante() + QLatin1Char('\\');
    if (!cheminSurLUnite.startsWith(racine, Qt::CaseInsensitive)) {
        return cheminSurLUnite;
    }
    return Dans(RacineParLePartage(), cheminSurLUnite.mid(racine.size()));
}

QString DossierDonnees(const QString& lecteur) {
    return DossierPratique(lecteur, Param().datadir) + QLatin1Char('\\');
}

bool TableDocuments(const QString& table) {
    return table == QLatin1String("courrier") || table == QLatin1String("cro") ||
           table == QLatin1String("correspondance");
}

QString DossierDocuments(const QString& table) {
    if (table == QLatin1String("courrier")) {
        return Param().courrierdir;
    }
    if (table == QLatin1String("cro")) {
        return Param().crodir;
    }
    if (table == QLatin1String("correspondance")) {
        return Param().corresdir;
    }
    return {};
}

QString CheminDocumentLocal(const QString& nomFichier) {
    // The stored path starts with its drive ("P:\"): nothing after it, no file to bring.
    constexpr int LongueurLecteur = 3;
    if (nomFichier.size() <= LongueurLecteur) {
        return {};
    }
    return Param().fmpathClient + QStringLiteral(":\\") + nomFichier.mid(LongueurLecteur);
}

QString DossierSauvegardes() {
    return Dans(RacineLocale(), QStringLiteral("sauvegardes"));
}
