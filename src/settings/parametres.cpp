#include "settings/parametres.h"

#include "platform/profil.h"
#include "settings/fenetre.h"

namespace {

constexpr int TailleTampon = 255;

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

const QList<ChampParametres>& ChampsParametres() {
    using P = Parametres;
    static const QList<ChampParametres> champs = {
        {&cles::unite, &P::unite},
        {&cles::zelvanodir, &P::zelvanodir},
        {&cles::courrierdir, &P::courrierdir},
        {&cles::crodir, &P::crodir},
        {&cles::bddir, &P::bddir},
        {&cles::certifdir, &P::certifdir},
        {&cles::corresdir, &P::corresdir},
        {&cles::datadir, &P::datadir},
        {&cles::flashdir, &P::flashdir},
        {&cles::modeledir, &P::modeledir},
        {&cles::fmpathServeur, &P::fmpathServeur},
        {&cles::fmpathClient, &P::fmpathClient},
        {&cles::inifile, &P::inifile},
        {&cles::TpsAttente, nullptr, &P::TpsAttente},
        {&cles::createlog, nullptr, &P::createlog},
        {&cles::messagesdebug, nullptr, &P::messagesdebug},
        {&cles::nowarning, nullptr, &P::nowarning},
        {&cles::copiesecurisee, nullptr, &P::copiesecurisee},
        {&cles::modifiesuniquement, nullptr, &P::modifiesuniquement},
        {&cles::shellsynchrone, nullptr, &P::shellsynchrone},
        {&cles::sauvegardes, nullptr, &P::sauvegardes},
        {&cles::reporter, nullptr, &P::reporter},
        {&cles::traitementsupp, &P::traitementsupp},
        {&cles::surclient1, &P::surclient1},
        {&cles::surclient2, &P::surclient2},
        {&cles::surserveur1, &P::surserveur1},
        {&cles::surserveur2, &P::surserveur2},
    };
    return champs;
}

const ChampParametres* ChampDe(const cles::Cle& cle) {
    for (const ChampParametres& champ : ChampsParametres()) {
        if (champ.cle == &cle) {
            return &champ;
        }
    }
    return nullptr;
}

void LireParametres() {
    Parametres& p = Param();
    // A number out of its range raises: the fields read before it keep their new values.
    for (const ChampParametres& champ : ChampsParametres()) {
        if (champ.texte != nullptr) {
            p.*champ.texte = cles::Lire(*champ.cle);
        } else {
            p.*champ.entier = static_cast<qint16>(cles::LireEntier(*champ.cle));
        }
    }
    const QString boutonclient = cles::Lire(cles::boutonclient);
    if (!boutonclient.isEmpty()) {
        FenetreCourante().DefinirLibelle(Bouton::client, boutonclient);
    }
    const QString boutonserveur = cles::Lire(cles::boutonserveur);
    if (!boutonserveur.isEmpty()) {
        FenetreCourante().DefinirLibelle(Bouton::serveur, boutonserveur);
    }
}
