#include "settings/parametres.h"

#include "platform/erreur.h"
#include "platform/profil.h"
#include "settings/fenetre.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

constexpr int TailleTampon = 255;

// The integer keys are kept as 16-bit signed integers: a value outside that range overflows.
qint16 EnEntier16(long long valeur) {
    if (valeur < std::numeric_limits<qint16>::min() ||
        valeur > std::numeric_limits<qint16>::max()) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    return static_cast<qint16>(valeur);
}

qint16 LireEntier16(const QString& section, const QString& cle, int defaut) {
    return EnEntier16(LireCleEntier(section, cle, defaut));
}

// Text to 16-bit integer as the settings reader converts TpsAttente: blanks around, an optional
// sign, digits and an optional decimal part rounded half to even; anything else is a type
// mismatch, "nan" and "inf" included (the number reader takes them, no integer holds them).
qint16 TexteEnEntier16(const QString& texte) {
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

} // namespace

Parametres& Param() {
    static Parametres p;
    return p;
}

QString LireCle(const QString& section, const QString& cle, const QString& defaut) {
    QString tampon;
    const int n = plateforme::GetPrivateProfileStringA(section, cle, defaut, tampon, TailleTampon,
                                                       Param().FichierIni);
    return tampon.left(n);
}

int LireCleEntier(const QString& section, const QString& cle, int defaut) {
    return plateforme::GetPrivateProfileIntA(section, cle, defaut, Param().FichierIni);
}

void EcrireCle(const QString& section, const QString& cle, const QString& valeur) {
    plateforme::WritePrivateProfileStringA(section, cle, valeur, Param().FichierIni);
}

void LireParametres() {
    Parametres& p = Param();
    const QString general = QStringLiteral("general");
    const QString options = QStringLiteral("options");
    const QString synchro = QStringLiteral("synchro");

    // A fixed one-character field: an empty value leaves one blank.
    const QString unite = LireCle(general, QStringLiteral("unite"), QStringLiteral("P"));
    p.unite = unite.isEmpty() ? QStringLiteral(" ") : unite.left(1);
    p.zelvanodir = LireCle(general, QStringLiteral("zelvanodir"), QStringLiteral("zelvano"));
    p.courrierdir = LireCle(general, QStringLiteral("courrierdir"));
    p.crodir = LireCle(general, QStringLiteral("crodir"));
    p.bddir = LireCle(general, QStringLiteral("bddir"), QStringLiteral("bd"));
    p.certifdir = LireCle(general, QStringLiteral("certifdir"));
    p.corresdir = LireCle(general, QStringLiteral("corresdir"));
    p.datadir = LireCle(general, QStringLiteral("datadir"));
    p.flashdir = LireCle(general, QStringLiteral("flashdir"));
    p.modeledir = LireCle(general, QStringLiteral("modeledir"));
    p.fmpathServeur =
        LireCle(QStringLiteral("serveur"), QStringLiteral("fmpath"), Parametres{}.fmpathServeur);
    // Every user of this value appends ":\" to it as a drive letter: its default is the letter
    // alone, not "C:\".
    p.fmpathClient =
        LireCle(QStringLiteral("client"), QStringLiteral("fmpath"), QStringLiteral("C"));
    p.inifile = LireCle(general, QStringLiteral("inifile"));
    p.TpsAttente =
        TexteEnEntier16(LireCle(general, QStringLiteral("TpsAttente"), QStringLiteral("10")));
    p.createlog = LireEntier16(options, QStringLiteral("createlog"), 0);
    p.messagesdebug = LireEntier16(options, QStringLiteral("messagesdebug"), 0);
    p.nowarning = LireEntier16(options, QStringLiteral("nowarning"), 0);
    p.copiesecurisee = LireEntier16(options, QStringLiteral("copiesecurisee"), 1);
    p.modifiesuniquement = LireEntier16(options, QStringLiteral("modifiesuniquement"), 1);
    p.shellsynchrone = LireEntier16(options, QStringLiteral("shellsynchrone"), 1);
    p.sauvegardes = LireEntier16(options, QStringLiteral("sauvegardes"), 5);
    p.traitementsupp = LireCle(synchro, QStringLiteral("traitementsupp"));
    p.surclient1 = LireCle(synchro, QStringLiteral("surclient1"));
    p.surclient2 = LireCle(synchro, QStringLiteral("surclient2"));
    p.surserveur1 = LireCle(synchro, QStringLiteral("surserveur1"));
    p.surserveur2 = LireCle(synchro, QStringLiteral("surserveur2"));

    const QString boutonclient = LireCle(options, QStringLiteral("boutonclient"));
    if (!boutonclient.isEmpty()) {
        FenetreCourante().DefinirLibelle(Bouton::client, boutonclient);
    }
    const QString boutonserveur = LireCle(options, QStringLiteral("boutonserveur"));
    if (!boutonserveur.isEmpty()) {
        FenetreCourante().DefinirLibelle(Bouton::serveur, boutonserveur);
    }
}
