#include "drives/redirection.h"
#include "platform/chemins.h"
#include "platform/processus.h"
#include "platform/profil.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <functional>
#include <gtest/gtest.h>

namespace {

const QString CRLF = QStringLiteral("\r\n");

// Records the command lines; passes them to the real processes (the stand-in interpreter in
// a child) or, when `action` is set, plays them itself and reports them ended at once.
class ProcessusEspion final : public plateforme::Processus {
public:
    ProcessusEspion(factices::Horloge& horloge, factices::Ecran& ecran)
        : horloge_(horloge)
        , ecran_(ecran) {}

    qint64 Demarrer(const QString& ligne, int style) override {
        lignes.append(ligne);
        styles.append(style);
        titres.append(titreCourant ? titreCourant() : QString());
        if (action) {
            action(ligne);
            return 900000 + lignes.size();
        }
        return plateforme::ProcessusPosix().Demarrer(ligne, style);
    }
    bool Existe(qint64 pid) override {
        interroges.insert(pid);
        if (pid > 900000) {
            Finir();
            return false;
        }
        const bool existe = plateforme::ProcessusPosix().Existe(pid);
        if (!existe) {
            Finir();
        }
        return existe;
    }

    std::function<void(const QString&)> action;
    std::function<QString()> titreCourant;
    QStringList lignes;
    QList<int> styles;
    QStringList titres;
    QSet<qint64> interroges;
    QDateTime finDerniere;
    int cessionsALaFin = 0;

private:
    void Finir() {
        finDerniere = horloge_.Maintenant();
        cessionsALaFin = ecran_.cessions;
    }
    factices::Horloge& horloge_;
    factices::Ecran& ecran_;
};

struct Boite {
    QString texte;
    int style;
    QString titre;
    QDateTime moment;
    int cessions;
    int commandes;
};

class BoitesEspion final : public plateforme::BoitesMessage {
public:
    BoitesEspion(factices::Horloge& horloge, factices::Ecran& ecran, ProcessusEspion& processus)
        : horloge_(horloge)
        , ecran_(ecran)
        , processus_(processus) {}
    int Afficher(const QString& texte, int style, const QString& titre) override {
        affichees.append({texte, style, titre, horloge_.Maintenant(), ecran_.cessions,
                          static_cast<int>(processus_.lignes.size())});
        return plateforme::mb::OK;
    }
    QList<Boite> affichees;

private:
    factices::Horloge& horloge_;
    factices::Ecran& ecran_;
    ProcessusEspion& processus_;
};

// Real time passes at every yield (the fake clock ten times faster), for children that are not
// waited for.
class EcranTempsReel final : public plateforme::Ecran {
public:
    explicit EcranTempsReel(factices::Horloge& horloge)
        : horloge_(horloge) {}
    void DefinirPointeur(int) override {}
    void Ceder(bool) override {
        QThread::msleep(5);
        horloge_.Avancer(50);
    }

private:
    factices::Horloge& horloge_;
};

class Redirection : public ::testing::Test {
protected:
    void SetUp() override {
        // The stand-in interpreters as programs of this machine.
        for (const char* nom : {"CMD.EXE", "COMMAND.COM"}) {
            ASSERT_TRUE(QFile::link(factices::DossierBinaires() + "/" + nom,
                                    env.machine.DossierProgramme() + "/" + nom));
        }
        env.machine.EcrireFichier("\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb", "distante");
        env.machine.EcrireFichier("C:\\zelvano\\bd\\zelvano.mdb", "locale");
        QDir().mkpath(env.machine.Natif("\\\\serveur\\vide"));
        QDir().mkpath(env.machine.Natif("C:\\WINDOWS"));
        Param().FichierIni = QStringLiteral("C:\\WINDOWS\\synchro.ini");
        Param().TpsAttente = 3;
        processus.titreCourant = [this] {
            return env.fenetre.titre;
        };
    }

    QString Entree() const { return plateforme::Machine::EntreeLecteur(QLatin1Char('P')); }
    QString Partage(const QString& nom = QStringLiteral("zelvano")) const {
        return plateforme::Machine::DossierPartage(QStringLiteral("serveur"), nom);
    }
    QString DisqueC() const { return plateforme::Machine::EntreeLecteur(QLatin1Char('C')); }
    // The target of P's link, "" when P is no link.
    QString CibleP() const { return QFileInfo(Entree()).symLinkTarget(); }
    void LierP(const QString& cible) const { ASSERT_TRUE(QFile::link(cible, Entree())); }
    QString Cle(const QString& cle) const {
        QString valeur;
        plateforme::GetPrivateProfileStringA("synchro", cle, "(absente)", valeur, 255,
                                             Param().FichierIni);
        return valeur;
    }

    factices::Environnement env;
    ProcessusEspion processus{env.horloge, env.ecran};
    BoitesEspion boites{env.horloge, env.ecran, processus};
    plateforme::RemplacementServices services_{
        plateforme::Services{nullptr, &boites, nullptr, nullptr, &processus}};

    const QString N = QStringLiteral("CMD.EXE /c net use P: /d /yes");
    const QString U = QStringLiteral("CMD.EXE /c subst P: /d");
    const QString Locale = QStringLiteral("CMD.EXE /c subst P: C:\\");
    const QString Distante = QStringLiteral("CMD.EXE /c net use P: \\\\serveur\\zelvano /yes");
    const QString TitreSansEtat = QStringLiteral("Module de synchronisation Zelvano v7.15.4");
};

} // namespace

TEST_F(Redirection, BaseLocaleParLesCommandesIntegrees) {
    LierP(Partage());
    ASSERT_TRUE(ConnecterBaseLocale());

    EXPECT_EQ(CibleP(), DisqueC());
    EXPECT_EQ(env.machine.LireFichier("P:\\zelvano\\bd\\zelvano.mdb"), "locale");
    EXPECT_EQ(processus.lignes, (QStringList{N, U, Locale}));
    EXPECT_EQ(processus.styles, (QList<int>{0, 0, 0}));
    EXPECT_EQ(Cle("autosurclient1"), N);
    EXPECT_EQ(Cle("autosurserveur1"), U);
    EXPECT_EQ(Cle("autosurclient2"), Locale);
    EXPECT_EQ(Cle("autosurserveur2"), "(absente)");
    // "?" while it runs, nothing at the end; hourglass then the default pointer.
    EXPECT_EQ(processus.titres.value(0), TitreSansEtat + " <<Changement de base en cours>>");
    EXPECT_EQ(env.fenetre.titre, TitreSansEtat);
    EXPECT_TRUE(EtatBase().isEmpty());
    EXPECT_EQ(env.ecran.pointeurs,
              (QList<int>{plateforme::pointeur::Sablier, plateforme::pointeur::Defaut}));
    EXPECT_TRUE(boites.affichees.isEmpty());
}

TEST_F(Redirection, BaseDistanteParLesCommandesIntegrees) {
    LierP(DisqueC());
    ASSERT_TRUE(ConnecterBaseDistante());

    EXPECT_EQ(CibleP(), Partage());
    EXPECT_EQ(env.machine.LireFichier("P:\\zelvano\\bd\\zelvano.mdb"), "distante");
    EXPECT_EQ(processus.lignes, (QStringList{U, N, Distante}));
    EXPECT_EQ(Cle("autosurclient1"), U);
    EXPECT_EQ(Cle("autosurserveur1"), N);
    EXPECT_EQ(Cle("autosurserveur2"), Distante);
    EXPECT_EQ(Cle("autosurclient2"), "(absente)");
    EXPECT_TRUE(boites.affichees.isEmpty());
}

TEST_F(Redirection, InterpreteurCommandCom) {
    Param().Interpreteur = QStringLiteral("COMMAND.COM");
    ASSERT_TRUE(ConnecterBaseDistante());
    EXPECT_EQ(CibleP(), Partage());
    EXPECT_EQ(processus.lignes.value(2), "COMMAND.COM /c net use P: \\\\serveur\\zelvano /yes");
    ASSERT_TRUE(ConnecterBaseLocale());
    EXPECT_EQ(CibleP(), DisqueC());
    EXPECT_EQ(processus.lignes.mid(3),
              (QStringList{"COMMAND.COM /c net use P: /d /yes", "COMMAND.COM /c subst P: /d",
                           "COMMAND.COM /c subst P: C:\\"}));
}

TEST_F(Redirection, DeconnexionRepriseEnSilence) {
    // The letter lets go only on the second attempt.
    QDir().mkpath(Entree() + "/occupe");
    processus.action = [this](const QString& ligne) {
        if (processus.lignes.size() == 3) {
            QDir(Entree()).removeRecursively();
        }
        if (ligne == Locale) {
            QFile::link(DisqueC(), Entree());
        }
    };
    ASSERT_TRUE(ConnecterBaseLocale());
    EXPECT_EQ(processus.lignes, (QStringList{N, U, N, U, Locale}));
    EXPECT_TRUE(boites.affichees.isEmpty());
    EXPECT_EQ(CibleP(), DisqueC());
}

TEST_F(Redirection, LettreQuiNeSeLibereJamais) {
    // A local disk under P: both built-in commands refuse it.
    QDir().mkpath(Entree() + "/occupe");
    EXPECT_FALSE(ConnecterBaseLocale());
    EXPECT_EQ(processus.lignes, (QStringList{N, U, N, U}));
    ASSERT_EQ(boites.affichees.size(), 1);
    EXPECT_EQ(boites.affichees[0].texte,
              "Impossible de déconnecter l'unité P: pour l'instant." + CRLF + CRLF +
                  "Zelvano est en cours d'arrêt d'arrêt sur cette unité, " + CRLF +
                  "ou des fichiers sont peut-être en cours d'utilisation." + CRLF + CRLF +
                  "Patientez quelques secondes et réessayez.");
    EXPECT_EQ(boites.affichees[0].style, plateforme::mb::Exclamation);
    EXPECT_EQ(boites.affichees[0].titre, "Module de synchronisation Zelvano");
    EXPECT_TRUE(QFileInfo(Entree()).isDir());
    EXPECT_TRUE(EtatBase().isEmpty());
    EXPECT_EQ(env.fenetre.titre, TitreSansEtat);
    EXPECT_EQ(env.ecran.pointeurs.value(env.ecran.pointeurs.size() - 1),
              plateforme::pointeur::Defaut);
}

TEST_F(Redirection, PartageVideEchoueApresTpsAttente) {
    Param().fmpathServeur = QStringLiteral("\\\\serveur\\vide");
    Param().TpsAttente = 10;
    EXPECT_FALSE(ConnecterBaseDistante());
    // The share was mapped, but a root without entries is no connected letter.
    EXPECT_EQ(CibleP(), Partage("vide"));
    ASSERT_EQ(boites.affichees.size(), 1);
    EXPECT_EQ(boites.affichees[0].texte, "Impossible de connecter l'unité P: pour l'instant." +
                                             CRLF + "Patientez quelques secondes et réessayez.");
    EXPECT_EQ(boites.affichees[0].titre, "Module de synchronisation Zelvano");
    const qint64 attente = processus.finDerniere.msecsTo(boites.affichees[0].moment);
    EXPECT_GT(attente, 9000);
    EXPECT_LE(attente, 10000);
    EXPECT_TRUE(EtatBase().isEmpty());
}

TEST_F(Redirection, TpsAttenteNulUneSeuleTentative) {
    Param().TpsAttente = 0;
    processus.action = [](const QString&) {
    }; // nothing ever appears under P
    EXPECT_FALSE(ConnecterBaseDistante());
    ASSERT_EQ(boites.affichees.size(), 1);
    EXPECT_TRUE(boites.affichees[0].texte.startsWith("Impossible de connecter"));
    EXPECT_EQ(boites.affichees[0].cessions - processus.cessionsALaFin, 1);
    EXPECT_EQ(processus.lignes, (QStringList{U, N, Distante}));
}

TEST_F(Redirection, AttendreEtatUniteRacineVide) {
    QDir().mkpath(env.machine.Natif("C:\\vide"));
    LierP(env.machine.Natif("C:\\vide"));
    // Disconnected at the first attempt, connected never.
    const int avant = env.ecran.cessions;
    EXPECT_TRUE(AttendreEtatUnite(false, true));
    EXPECT_EQ(env.ecran.cessions - avant, 1);
    const QDateTime debut = env.horloge.Maintenant();
    EXPECT_FALSE(AttendreEtatUnite(true, false));
    EXPECT_GE(debut.msecsTo(env.horloge.Maintenant()), 2000);
    EXPECT_TRUE(boites.affichees.isEmpty());
    env.machine.EcrireFichier("C:\\vide\\f.txt", "x");
    EXPECT_TRUE(AttendreEtatUnite(true, true));
}

TEST_F(Redirection, PersonnaliseSeulementConnexionLocale) {
    Param().surclient2 = Locale;
    ASSERT_TRUE(ConnecterBaseLocale());
    EXPECT_EQ(processus.lignes, QStringList{Locale});
    EXPECT_EQ(CibleP(), DisqueC());
    // The record keys belong to the built-in mode.
    EXPECT_EQ(Cle("autosurclient1"), "(absente)");
    EXPECT_EQ(Cle("autosurclient2"), "(absente)");
}

TEST_F(Redirection, PersonnaliseSeulementDeconnexionLocale) {
    LierP(Partage());
    Param().surclient1 = N;
    ASSERT_TRUE(ConnecterBaseLocale());
    EXPECT_EQ(processus.lignes, QStringList{N});
    EXPECT_FALSE(QFileInfo(Entree()).exists() || QFileInfo(Entree()).isSymLink());
    EXPECT_TRUE(boites.affichees.isEmpty());
}

TEST_F(Redirection, PersonnaliseDistanteOrdreEtMessages) {
    Param().messagesdebug = 1;
    Param().surclient1 = QStringLiteral("client1");
    Param().surserveur1 = QStringLiteral("serveur1");
    Param().surserveur2 = QStringLiteral("serveur2");
    Param().surclient2 = QStringLiteral("client2 (pas pour la base distante)");
    processus.action = [this](const QString& ligne) {
        if (ligne == "serveur2") {
            QFile::link(Partage(), Entree());
        }
    };
    ASSERT_TRUE(ConnecterBaseDistante());
    EXPECT_EQ(processus.lignes, (QStringList{"serveur1", "client1", "serveur2"}));
    ASSERT_EQ(boites.affichees.size(), 2);
    EXPECT_EQ(boites.affichees[0].texte, "Veuillez vérifier que les commandes :" + CRLF + CRLF +
                                             "client1" + CRLF + "serveur1" + CRLF + CRLF +
                                             "ont bien déconnecté l'unité P: et appuyez sur OK "
                                             "pour continuer...");
    EXPECT_EQ(boites.affichees[1].texte, "Veuillez vérifier que la commande :" + CRLF + CRLF +
                                             "serveur2" + CRLF + CRLF +
                                             "a bien connecté l'unité P: et appuyez sur OK pour "
                                             "continuer...");
}

TEST_F(Redirection, MessagesDeMiseAuPointAvantChaqueAttente) {
    Param().messagesdebug = 1;
    processus.action = [this](const QString& ligne) {
        if (ligne == Locale) {
            QFile::link(DisqueC(), Entree());
        }
    };
    ASSERT_TRUE(ConnecterBaseLocale());
    ASSERT_EQ(boites.affichees.size(), 2);
    const Boite& d = boites.affichees[0];
    EXPECT_EQ(d.texte, "Veuillez vérifier que les commandes :" + CRLF + CRLF + N + CRLF + U + CRLF +
                           CRLF +
                           "ont bien déconnecté l'unité P: et appuyez sur OK pour continuer...");
    EXPECT_EQ(d.style, plateforme::mb::Exclamation | plateforme::mb::OKOnly);
    EXPECT_EQ(d.titre, "Message de mise au point");
    EXPECT_EQ(d.commandes, 2);
    const Boite& c = boites.affichees[1];
    EXPECT_EQ(c.texte, "Veuillez vérifier que la commande :" + CRLF + CRLF + Locale + CRLF + CRLF +
                           "a bien connecté l'unité P: et appuyez sur OK pour continuer...");
    EXPECT_EQ(c.titre, "Message de mise au point");
    EXPECT_EQ(c.commandes, 3);
    // Shown as soon as the command ended, before the first poll of the letter.
    EXPECT_EQ(c.cessions, processus.cessionsALaFin);
}

TEST_F(Redirection, SansShellSynchroneRienNEstAttendu) {
    Param().shellsynchrone = 0;
    Param().TpsAttente = 30;
    EcranTempsReel ecran(env.horloge);
    plateforme::RemplacementServices temps({nullptr, nullptr, &ecran, nullptr, nullptr});
    LierP(Partage());
    ASSERT_TRUE(ConnecterBaseLocale());
    EXPECT_EQ(processus.lignes, (QStringList{N, U, Locale}));
    EXPECT_TRUE(processus.interroges.isEmpty());
    EXPECT_EQ(CibleP(), DisqueC());
}

TEST_F(Redirection, CommandeImpossibleADemarrer) {
    for (const qint16 synchrone : {qint16(1), qint16(0)}) {
        boites.affichees.clear();
        Param().shellsynchrone = synchrone;
        Param().Interpreteur = QStringLiteral("INTROUVABLE.EXE");
        EXPECT_FALSE(ConnecterBaseDistante());
        ASSERT_EQ(boites.affichees.size(), 1) << synchrone;
        EXPECT_TRUE(boites.affichees[0].texte.contains("53"));
        EXPECT_TRUE(boites.affichees[0].texte.contains("Fichier introuvable"));
        EXPECT_TRUE(EtatBase().isEmpty());
        EXPECT_EQ(env.fenetre.titre, TitreSansEtat);
        EXPECT_EQ(env.ecran.pointeurs.value(env.ecran.pointeurs.size() - 1),
                  plateforme::pointeur::Defaut);
    }
}
