#include "drives/lancement.h"

#include "platform/attente.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/qorbis32.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "pratique/table_synchro.h"
#include "settings/etat.h"
#include "settings/parametres.h"

#include <algorithm>

namespace {

// Characters of the task listing read for the practice application: every task of a busy
// machine, however long ago it started.
constexpr qint32 TailleListeTaches = 1 << 20;

const QString CRLF = QStringLiteral("\r\n");

void Avertir(const QString& texte) {
    plateforme::MsgBox(texte, plateforme::mb::Exclamation | plateforme::mb::OKOnly, TitreModule);
}

QString DossierBase() {
    return DossierPratique(Param().unite, Param().bddir);
}

// The state the checked base gives: a remote base holds no journal rows, an initialised local
// base holds some.
QString EtatSelonBase(const QString& mode, const QString& cheminBase) {
    const QString m = mode.toUpper();
    if (m != QLatin1String("D") && m != QLatin1String("L")) {
        return {};
    }
    const int lignes = pratique::CompterSynchro(cheminBase);
    if (m == QLatin1String("D")) {
        return lignes == 0 ? QStringLiteral("D") : QString();
    }
    return lignes != 0 ? QStringLiteral("L") : QString();
}

} // namespace

bool ZelvanoEstDemarre() {
    QString tampon(65000, QLatin1Char(' '));
    const bool fenetresLues = qorbis32_ListeFenetres(tampon, 65000, 1, 1) >= 0;
    if (fenetresLues && tampon.contains(QLatin1String("ZELVANO - Poste"))) {
        return true;
    }
    // A window may be on another display, or not drawn at all: the practice application's
    // process tells too. The whole list is read: the application was often started long before.
    qint16 taches = 0;
    const bool tachesLues = LireListeTaches(TailleListeTaches, taches);
    for (qint16 i = 1; i <= taches; ++i) {
        const QString& programme = qb32_TabTaskList[i].ItemB;
        const QString nom = programme.mid(std::max(programme.lastIndexOf(QLatin1Char('/')),
                                                   programme.lastIndexOf(QLatin1Char('\\'))) +
                                          1);
        if (nom.compare(QLatin1String("zelvano.exe"), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    if (!fenetresLues && !tachesLues) {
        plateforme::Lever(ErreurListeFenetres,
                          QStringLiteral("La liste des fenêtres ouvertes et celle des tâches n'ont "
                                         "pas pu être lues : impossible de savoir si Zelvano est "
                                         "démarré."));
    }
    return false;
}

void LancerZelvano(const QString& mode) {
    EtatBase() = mode == QLatin1String("L") ? QStringLiteral("LEC") : QStringLiteral("DEC");
    AfficherEtat();
    const QString dossier = DossierBase();
    if (plateforme::ListerDossier(dossier + QStringLiteral("\\*.mdb")).isEmpty()) {
        Avertir(QStringLiteral("Lancement de Zelvano impossible : il n'y a pas de base de données "
                               "dans le dossier ") +
                dossier + CRLF +
                QStringLiteral("Attentez quelques secondes et recommencez l'opération."));
        EtatBase().clear();
        AfficherEtat();
        return;
    }
    const QString base = dossier + QStringLiteral("\\zelvano.mdb");
    try {
        EtatBase() = EtatSelonBase(mode, base);
    } catch (const plateforme::Erreur& erreur) {
        // Nothing is started on a base that cannot be opened.
        Avertir(QStringLiteral("Lancement de Zelvano impossible : la base de données ") + base +
                QStringLiteral(" ne peut pas être ouverte.") + CRLF + erreur.DescriptionEtNumero());
        EtatBase().clear();
        AfficherEtat();
        return;
    }
    const Parametres& p = Param();
    const QString programme = RacineLocale() + QStringLiteral("\\zelvano.exe");
    const qint64 pid = plateforme::ServicesCourants().processus->Demarrer(
        programme + QLatin1Char(' ') + p.inifile, 1);
    if (pid == 0) {
        Avertir(QStringLiteral("Lancement de Zelvano impossible : le programme ") + programme +
                QStringLiteral(" est introuvable."));
    }
    AfficherEtat();
}
