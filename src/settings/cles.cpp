#include "settings/cles.h"

#include "platform/erreur.h"
#include "settings/parametres.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace cles {

namespace {

// A 16-bit field: a value outside its range overflows.
int EnEntier16(long long valeur) {
    if (valeur < std::numeric_limits<qint16>::min() ||
        valeur > std::numeric_limits<qint16>::max()) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    return static_cast<int>(valeur);
}

// Text to 16-bit integer: blanks around, an optional sign, digits and an optional decimal part
// rounded half to even; anything else is a type mismatch, "nan" and "inf" included (the number
// reader takes them, no integer holds them).
int TexteEnEntier16(const QString& texte) {
    const QString t = texte.trimmed();
    bool ok = false;
    const double valeur = QLocale::c().toDouble(t, &ok);
    if (!ok || t.isEmpty() || !std::isfinite(valeur)) {
        plateforme::Lever(plateforme::err::IncompatibiliteType);
    }
    if (valeur < -32768.5 || valeur >= 32767.5) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    return EnEntier16(static_cast<long long>(std::nearbyint(valeur)));
}

QString Section(const Cle& c) {
    return QString::fromLatin1(c.section);
}

QString Nom(const Cle& c) {
    return QString::fromLatin1(c.nom);
}

} // namespace

const QList<const Cle*>& Toutes() {
    static const QList<const Cle*> toutes = {&unite,
                                             &zelvanodir,
                                             &courrierdir,
                                             &crodir,
                                             &bddir,
                                             &certifdir,
                                             &corresdir,
                                             &datadir,
                                             &flashdir,
                                             &modeledir,
                                             &inifile,
                                             &TpsAttente,
                                             &fmpathServeur,
                                             &fmpathClient,
                                             &createlog,
                                             &messagesdebug,
                                             &nowarning,
                                             &copiesecurisee,
                                             &modifiesuniquement,
                                             &shellsynchrone,
                                             &sauvegardes,
                                             &reporter,
                                             &boutonclient,
                                             &boutonserveur,
                                             &nonsynchro,
                                             &synchrodifferee,
                                             &synchrodiffereelea,
                                             &synchrodiffereearret,
                                             &synchrodiffereetimer,
                                             &traitementsupp,
                                             &surclient1,
                                             &surclient2,
                                             &surserveur1,
                                             &surserveur2,
                                             &autosurclient1,
                                             &autosurclient2,
                                             &autosurserveur1,
                                             &autosurserveur2,
                                             &left,
                                             &top,
                                             &windowstate};
    return toutes;
}

QString Lire(const Cle& cle) {
    return Garder(cle, LireCle(Section(cle), Nom(cle), cle.Defaut()));
}

int LireEntier(const Cle& cle) {
    if (cle.type == Type::Nombre) {
        return TexteEnEntier16(LireCle(Section(cle), Nom(cle), cle.Defaut()));
    }
    const int valeur = LireCleEntier(Section(cle), Nom(cle), cle.DefautEntier());
    switch (cle.regle) {
    case Regle::Entier16:
        return EnEntier16(valeur);
    case Regle::Intervalle:
        if (valeur < 0 || valeur > 65535) {
            plateforme::Lever(380, QStringLiteral("Valeur de propriété non valide"));
        }
        return valeur;
    default:
        return valeur;
    }
}

void Ecrire(const Cle& cle, const QString& valeur) {
    EcrireCle(Section(cle), Nom(cle), valeur);
}

void Ecrire(const Cle& cle, int valeur) {
    Ecrire(cle, QString::number(valeur));
}

QString Garder(const Cle& cle, const QString& texte) {
    if (cle.regle != Regle::LettreFixe) {
        return texte;
    }
    return texte.isEmpty() ? QStringLiteral(" ") : texte.left(1);
}

QString Regler(const Cle& cle, const QString& texte) {
    if (cle.regle != Regle::Lettre && cle.regle != Regle::LettreFixe) {
        return texte;
    }
    return LettreUnite(texte, cle.Defaut());
}

} // namespace cles

QString LettreUnite(const QString& texte, const QString& remplacement) {
    const QString t = texte.toUpper();
    if (t > QLatin1String("Z") || t < QLatin1String("A")) {
        return remplacement;
    }
    return t;
}
