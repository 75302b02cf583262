#include "app/commandes.h"
#include "app/differee.h"
#include "app/executions_factices.h"
#include "app/fenetre_principale.h"
#include "platform/alimentation.h"
#include "platform/erreur.h"
#include "platform/notification.h"
#include "platform/qorbis32.h"
#include "settings/bilan.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "testutil/factices.h"
#include "testutil/logind_factice.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

#include <gtest/gtest.h>

namespace {

// The summary of a run that sent and copied nothing (the counter standing in for it).
const QString BilanVide = QStringLiteral(
    "Bilan : 0 enregistrement(s) envoyé(s), 0 fichier(s) envoyé(s), 0 fichier(s) copié(s) en 0:00");

class AlimentationFactice final : public plateforme::Alimentation {
public:
    explicit AlimentationFactice(const factices::Veille& veille)
        : veille_(veille) {}
    bool ArretAutorise() override {
        ++demandes;
        return true;
    }
    bool Eteindre(int& code) override {
        ++arrets;
        veillesTenuesALArret = veille_.tenus;
        code = codeErreur;
        return reussit;
    }
    int demandes = 0;
    int arrets = 0;
    int veillesTenuesALArret = -1;
    bool reussit = true;
    int codeErreur = 0;

private:
    const factices::Veille& veille_;
};

class Differee : public ::testing::Test {
protected:
    // logind's own, before the fakes take their place.
    plateforme::Alimentation& alimentationLogind = plateforme::AlimentationCourante();
    plateforme::Veille& veilleLogind = plateforme::VeilleCourante();
    factices::Environnement env;
    factices::Veille veille;
    plateforme::RemplacementVeille remplacementVeille{veille};
    AlimentationFactice alimentation{veille};
    plateforme::RemplacementAlimentation remplacement{alimentation};
    FenetrePrincipale fenetre;
    InstallationFenetre installation{fenetre};
    ExecutionsFactices executionsFactices;
    int synchronisations = 0;
    int veillesTenuesPendantLaSynchro = -1;
    QStringList titres{QStringLiteral("Bureau")};
    // The window titles the deferred run finds: those of `titres`.
    struct Titres : BibliothequeQorbis32 {
        const QStringList& titres;
        explicit Titres(const QStringList& t)
            : titres(t) {}
        qint32 ListeFenetres(QString& tampon, qint32, qint32, qint32) override {
            tampon = QStringLiteral("<#F>") + titres.join(QStringLiteral("<#F>"));
            return static_cast<qint32>(tampon.size());
        }
    } listeTitres{titres};
    RemplacementQorbis32 remplacementTitres{listeTitres};

    void SetUp() override {
        executionsFactices.synchronisation = [this] {
            ++synchronisations;
            veillesTenuesPendantLaSynchro = veille.tenus;
        };
        Armer(QStringLiteral("07/12/2026 20:00"), 0);
        fenetre.Timersynchro().start();
    }
    void Armer(const QString& quand, int arret) {
        env.machine.EcrireFichier(
            QStringLiteral("C:\\WINDOWS\\synchro.ini"),
            "[options]\r\nsynchrodifferee=1\r\nsynchrodiffereelea=" + quand.toUtf8() +
                "\r\nsynchrodiffereearret=" + QByteArray::number(arret) + "\r\n");
    }
    void A(int heures, int minutes, int secondes) {
        env.horloge.Definir(QDateTime(QDate(2026, 12, 7), QTime(heures, minutes, secondes)));
    }
    int Arme() const {
        return LireCleEntier(QStringLiteral("options"), QStringLiteral("synchrodifferee"), -1);
    }
    QStringList Messages() const {
        QStringList m;
        for (int i = 0; i < fenetre.listsynchro()->count(); ++i) {
            const QString ligne = fenetre.listsynchro()->item(i)->text();
            m.append(ligne.mid(ligne.indexOf(QStringLiteral(" : ")) + 3));
        }
        return m;
    }
    QByteArray Log() const {
        QFile f(env.machine.DossierProgramme() + QStringLiteral("/synchro.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

struct Notification {
    QString titre;
    QString texte;
    bool operator==(const Notification&) const = default;
};

class NotificationsNotees final : public plateforme::Notifications {
public:
    bool Notifier(const QString& titre, const QString& texte) override {
        notees.append({titre, texte});
        return true;
    }
    QList<Notification> notees;
};

// The end of the run is told on the desktop, with the figures of its summary: done when the
// synchronisation and the initialisation after it both ended correctly, failed otherwise.
TEST_F(Differee, LaFinEstNotifieeAvecLeBilan) {
    NotificationsNotees bureau;
    const plateforme::RemplacementNotifications remplacementBureau{bureau};
    executionsFactices.synchronisation = [] {
        Bilan().AjouterEnvoyes(3, 1);
        EcrireJournal(QStringLiteral("SYNCHRONISATION TERMINEE CORRECTEMENT ++++"));
        Bilan().AjouterCopies(12);
        EcrireJournal(QStringLiteral("INITIALISATION TERMINEE CORRECTEMENT ++++"));
    };
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    const QString bilan = QStringLiteral("Bilan : 3 enregistrement(s) envoyé(s), 1 fichier(s) "
                                         "envoyé(s), 12 fichier(s) copié(s) en 0:00");
    ASSERT_TRUE(Messages().contains(bilan));
    EXPECT_EQ(bureau.notees,
              (QList<Notification>{{QStringLiteral("Synchronisation différée terminée"), bilan}}));

    // The initialisation after the synchronisation failed: the run failed.
    bureau.notees.clear();
    executionsFactices.synchronisation = [] {
        Bilan().AjouterEnvoyes(3, 1);
        EcrireJournal(QStringLiteral("SYNCHRONISATION TERMINEE CORRECTEMENT ++++"));
        EcrireJournal(QStringLiteral("INFORMATION TRES IMPORTANTE"));
    };
    Armer(QStringLiteral("07/12/2026 20:00"), 0);
    fenetre.Timersynchro().start();
    Timersynchro_Timer(fenetre);
    ASSERT_EQ(bureau.notees.size(), 1);
    EXPECT_EQ(bureau.notees[0].titre, QStringLiteral("Échec de la synchronisation différée"));
    EXPECT_TRUE(bureau.notees[0].texte.startsWith(
        QStringLiteral("Bilan : 3 enregistrement(s) envoyé(s), 1 fichier(s) envoyé(s), 0 "
                       "fichier(s) copié(s)")))
        << bureau.notees[0].texte.toStdString();
    EXPECT_TRUE(bureau.notees[0].texte.contains(QStringLiteral("journal")));

    // A tick that only waits, or abandons, tells nothing on the desktop.
    bureau.notees.clear();
    A(20, 30, 0);
    Armer(QStringLiteral("07/12/2026 20:00"), 0);
    fenetre.Timersynchro().start();
    Timersynchro_Timer(fenetre);
    EXPECT_TRUE(bureau.notees.isEmpty());
}

TEST_F(Differee, AvantLHeureRienNeSePasse) {
    A(19, 59, 40);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 0);
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Arme(), 1);
    EXPECT_TRUE(fenetre.Timersynchro().isActive());
    EXPECT_EQ(Param().createlog, 0); // put back by the waiting tick too
}

TEST_F(Differee, DixSecondesApresLaSynchroDemarre) {
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 1);
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral(">>>Démarrage de la synchro différée>>>"),
                                       BilanVide, QStringLiteral("<<<")}));
    EXPECT_EQ(Arme(), 0);
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
    EXPECT_TRUE(fenetre.EstDepliee());
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::synchro));
    // createlog forced during the run, then put back.
    EXPECT_TRUE(QString::fromUtf8(Log()).contains(
        QStringLiteral(">>>Démarrage de la synchro différée>>>")));
    EXPECT_EQ(Param().createlog, 0);
    EXPECT_EQ(alimentation.arrets, 0);
    EXPECT_EQ(veillesTenuesPendantLaSynchro, 1);
    EXPECT_EQ(veille.raisons, QStringList{RaisonVeilleSynchronisation});
    EXPECT_EQ(veille.tenus, 0);
}

TEST_F(Differee, ExactementDixMinutesApresLaSynchroDemarre) {
    A(20, 10, 0);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 1);
}

TEST_F(Differee, HeureDepasseeAbandonneEtDesarme) {
    A(20, 10, 1);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 0);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral(
                              "Heure de synchronisation dépassée ... abandon de la synchro")});
    EXPECT_EQ(Arme(), 0);
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
    EXPECT_TRUE(Log().contains("abandon de la synchro"));
}

TEST_F(Differee, DatesAbsentesOuInvalides) {
    const struct {
        const char* valeur;
        const char* message;
    } cas[] = {{"", "La date de synchronisation est absente ... abandon de la synchro"},
               {"demain 20h", "La date de synchronisation est invalide ... abandon de la synchro"},
               {"20:00", "Heure de synchronisation dépassée ... abandon de la synchro"}};
    for (const auto& c : cas) {
        Armer(QString::fromUtf8(c.valeur), 0);
        fenetre.Timersynchro().start();
        fenetre.ViderJournal();
        A(20, 0, 5);
        Timersynchro_Timer(fenetre);
        EXPECT_EQ(Messages(), QStringList{QString::fromUtf8(c.message)}) << c.valeur;
        EXPECT_EQ(Arme(), 0) << c.valeur;
        EXPECT_FALSE(fenetre.Timersynchro().isActive());
    }
    EXPECT_EQ(synchronisations, 0);
}

TEST_F(Differee, DesarmeeLaMinuterieSArrete) {
    env.machine.EcrireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"),
                              "[options]\r\nsynchrodifferee=0\r\n");
    Timersynchro_Timer(fenetre);
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(Differee, ZelvanoOuvertAbandonneSansReporter) {
    titres.append(QStringLiteral("ZELVANO - Poste A"));
    A(20, 0, 30);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 0);
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("Zelvano est lancé ... abandon de la synchro")});
    EXPECT_EQ(Arme(), 0);
    EXPECT_TRUE(veille.raisons.isEmpty());
}

TEST_F(Differee, UneCommandeEnCoursFaitAttendre) {
    fenetre.ActiverBoutons(false, false, false, false, false, false);
    A(20, 1, 0);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 0);
    EXPECT_EQ(Arme(), 1);
    EXPECT_TRUE(fenetre.Timersynchro().isActive());
    // Still running past the window: the next tick abandons.
    A(20, 11, 0);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral(
                              "Heure de synchronisation dépassée ... abandon de la synchro")});
}

TEST_F(Differee, ArretDemandeEtReussi) {
    Armer(QStringLiteral("07/12/2026 20:00"), 1);
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 1);
    EXPECT_EQ(alimentation.demandes, 1);
    EXPECT_EQ(alimentation.arrets, 1);
    EXPECT_EQ(Messages().last(), QStringLiteral("<<<"));
    EXPECT_EQ(alimentation.veillesTenuesALArret, 0) << "the machine may sleep before it goes off";
}

// A run that fails releases the machine and powers nothing off.
TEST_F(Differee, SynchroEnErreurRelacheLaVeilleSansArret) {
    Armer(QStringLiteral("07/12/2026 20:00"), 1);
    executionsFactices.synchronisation = [] {
        throw plateforme::Erreur(plateforme::err::DisquePlein, QStringLiteral("panne"));
    };
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(veille.raisons.size(), 1);
    EXPECT_EQ(veille.tenus, 0);
    EXPECT_EQ(alimentation.arrets, 0);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.contains(QStringLiteral("panne")));
}

// The run against a logind stand-in: held during the run, released before the power-off, which
// is asked over the bus (the stand-in refuses it while an inhibitor is still held).
TEST_F(Differee, ArretDemandeALogindUneFoisLaVeilleRelachee) {
    LogindFactice logind;
    ASSERT_TRUE(logind.Panne().isEmpty()) << qPrintable(logind.Panne());
    ASSERT_TRUE(logind.Remplacer(
        QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
        QStringLiteral(
            "if globals().get('inhibitors'): raise dbus.exceptions.DBusException("
            "'inhibiteur tenu', name='org.freedesktop.login1.BlockedByInhibitorLock')")));
    const plateforme::RemplacementVeille veilleReelle{veilleLogind};
    const plateforme::RemplacementAlimentation alimentationReelle{alimentationLogind};
    QList<QStringList> pendant;
    executionsFactices.synchronisation = [&] {
        ++synchronisations;
        pendant = logind.Inhibiteurs();
    };
    Armer(QStringLiteral("07/12/2026 20:00"), 1);
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 1);
    EXPECT_EQ(pendant,
              (QList<QStringList>{{QStringLiteral("sleep:handle-lid-switch"),
                                   QStringLiteral("Synchronisation Zelvano"),
                                   RaisonVeilleSynchronisation, QStringLiteral("block")}}));
    EXPECT_EQ(logind.Appels(QStringLiteral("PowerOff")), (QList<QVariantList>{{false}}));
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral(">>>Démarrage de la synchro différée>>>"),
                                       BilanVide, QStringLiteral("<<<")}));
    EXPECT_TRUE(logind.Inhibiteurs().isEmpty());
}

// A container: no system bus. The run goes on without a word about it; the power-off fails and
// says so.
TEST_F(Differee, SansBusSystemeLaSynchroPasseEtLArretEchoue) {
    const plateforme::RemplacementVeille veilleReelle{veilleLogind};
    const plateforme::RemplacementAlimentation alimentationReelle{alimentationLogind};
    Armer(QStringLiteral("07/12/2026 20:00"), 1);
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 1);
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral(">>>Démarrage de la synchro différée>>>"),
                                       BilanVide, QStringLiteral("<<<"),
                                       QStringLiteral("<<<Erreur lors de l'arret :  2")}));
    EXPECT_TRUE(Log().contains("<<<Erreur lors de l'arret :  2"));
    EXPECT_TRUE(env.boites.affichees.isEmpty());
}

TEST_F(Differee, ArretRefuseEcritLeCodeDErreur) {
    Armer(QStringLiteral("07/12/2026 20:00"), 1);
    alimentation.reussit = false;
    alimentation.codeErreur = 5;
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(alimentation.arrets, 1);
    EXPECT_EQ(Messages().last(), QStringLiteral("<<<Erreur lors de l'arret :  5"));
    EXPECT_TRUE(Log().contains("<<<Erreur lors de l'arret :  5"));
}

TEST_F(Differee, ArretEchoueSansCodeToujoursSignale) {
    Armer(QStringLiteral("07/12/2026 20:00"), 1);
    alimentation.reussit = false;
    alimentation.codeErreur = 0;
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(Messages().last(), QStringLiteral("<<<Erreur lors de l'arret :  0"));
}

// synchro.log cannot be written (a folder stands in its place): the forced journal file fails.
class DiffereeJournalIllisible : public Differee {
protected:
    void SetUp() override {
        Differee::SetUp();
        ASSERT_TRUE(QDir().mkpath(env.machine.DossierProgramme() + QStringLiteral("/synchro.log")));
    }
    bool Boutons(bool actifs) const {
        for (int i = 0; i < 6; ++i) {
            if (fenetre.BoutonActif(static_cast<Bouton>(i)) != actifs) {
                return false;
            }
        }
        return true;
    }
};

TEST_F(DiffereeJournalIllisible, AbandonPendantUneCommandeLaisseSesBoutons) {
    // A manual command is running (busy state) when a late tick abandons.
    fenetre.ActiverBoutons(false, false, false, false, false, false);
    A(20, 30, 0);
    Timersynchro_Timer(fenetre);
    EXPECT_TRUE(Boutons(false)) << "the running command's busy state is not the tick's to end";
    EXPECT_EQ(Arme(), 0);
    EXPECT_FALSE(fenetre.Timersynchro().isActive());
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(QStringLiteral("Erreur ")));
    EXPECT_EQ(Param().createlog, 0);
}

TEST_F(DiffereeJournalIllisible, LaSynchroInterrompueRendLesBoutonsQuElleAPris) {
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 0);
    EXPECT_TRUE(Boutons(true));
    EXPECT_EQ(Arme(), 0);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(QStringLiteral("Erreur ")));
}

TEST_F(Differee, FermetureRefuseePendantLaSynchroDifferee) {
    bool fermee = true;
    fenetre.show();
    executionsFactices.synchronisation = [this, &fermee] {
        ++synchronisations;
        fermee = fenetre.close();
    };
    A(20, 0, 10);
    Timersynchro_Timer(fenetre);
    EXPECT_EQ(synchronisations, 1);
    EXPECT_FALSE(fermee);
    EXPECT_TRUE(fenetre.isVisible());
    EXPECT_EQ(Messages().last(), QStringLiteral("<<<"));
}

} // namespace
