#include "app/commandes.h"
#include "app/executions_factices.h"
#include "app/fenetre_principale.h"
#include "platform/erreur.h"
#include "platform/qorbis32.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "sync/report.h"
#include "testutil/factices.h"
#include "testutil/qorbis32_factice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <new>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using plateforme::mb::DefaultButton2;
using plateforme::mb::No;
using plateforme::mb::Question;
using plateforme::mb::Yes;
using plateforme::mb::YesNo;

class ProcessusCompteur final : public plateforme::Processus {
public:
    qint64 Demarrer(const QString& ligne, int style) override {
        lignes.append(ligne);
        styles.append(style);
        return ligne.contains(QLatin1String("zelvano.exe")) ? pidZelvano : 777;
    }
    bool Existe(qint64) override { return false; }
    qint64 pidZelvano = 777; // 0: the practice application cannot be started
    QStringList lignes;
    QList<int> styles;
    // The practice application was started (only drive commands otherwise).
    bool ZelvanoLance() const {
        return std::any_of(lignes.cbegin(), lignes.cend(), [](const QString& l) {
            return l.contains(QLatin1String("zelvano.exe"));
        });
    }
};

// Window titles the utility library lists.
void Fenetres(const QStringList& titres) {
    DefinirListeFenetresQorbis32ForTests([titres](QString& tampon, qint32 taille, qint32, qint32) {
        QString liste;
        for (const QString& t : titres) {
            liste += QStringLiteral("<#F>") + t;
        }
        tampon = liste.left(taille);
        return static_cast<qint32>(tampon.size());
    });
}

class Commandes : public ::testing::Test {
protected:
    factices::Environnement env;
    ProcessusCompteur processus;
    plateforme::RemplacementServices services{{nullptr, nullptr, nullptr, nullptr, &processus}};
    FenetrePrincipale fenetre;
    InstallationFenetre installation{fenetre};
    factices::Veille veille;
    plateforme::RemplacementVeille remplacementVeille{veille};
    int synchronisations = 0;
    int initialisations = 0;
    int tenusPendantLExecution = -1;
    ExecutionsFactices executionsFactices;

    void SetUp() override {
        Fenetres({QStringLiteral("Bureau")});
        executionsFactices.synchronisation = [this] {
            ++synchronisations;
            EXPECT_FALSE(fenetre.BoutonActif(Bouton::synchro));
            tenusPendantLExecution = veille.tenus;
        };
        executionsFactices.initialisation = [this] {
            ++initialisations;
            tenusPendantLExecution = veille.tenus;
        };
        fenetre.AjouterLigneJournal(QStringLiteral("ligne précédente"));
        Param().inifile = QStringLiteral("C:\\zelvano\\zelvano.ini");
    }
    void TearDown() override { DefinirListeFenetresQorbis32ForTests({}); }
    QStringList Liste() const {
        QStringList l;
        for (int i = 0; i < fenetre.listsynchro()->count(); ++i) {
            l.append(fenetre.listsynchro()->item(i)->text());
        }
        return l;
    }
    // A local base C:\zelvano\bd\zelvano.mdb whose synchro table holds `lignes` rows, and P
    // already substituted for C.
    void BaseLocale(int lignes) {
        const QString chemin = env.machine.Natif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"));
        QDir().mkpath(QFileInfo(chemin).absolutePath());
        sqlite3* base = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(chemin).constData(), &base), SQLITE_OK);
        QByteArray sql =
            "create table synchro(id integer primary key autoincrement, \"table\" text, "
            "champ_id text, champ_id_dossier text, dernier_no integer);";
        for (int i = 0; i < lignes; ++i) {
            sql += "insert into synchro(\"table\", champ_id, champ_id_dossier, dernier_no) values "
                   "('t', 'id', 'id', 0);";
        }
        ASSERT_EQ(sqlite3_exec(base, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(base);
        QFile::link(env.machine.Natif(QStringLiteral("C:\\")),
                    env.machine.Racine() + QStringLiteral("/drives/P"));
    }
    bool BoutonsActifs() const {
        for (int i = 0; i < 6; ++i) {
            if (!fenetre.BoutonActif(static_cast<Bouton>(i))) {
                return false;
            }
        }
        return true;
    }
    QStringList TextesAffiches() const {
        QStringList t;
        for (const auto& b : env.boites.affichees) {
            t.append(b.texte);
        }
        return t;
    }
};

TEST_F(Commandes, SynchroniserRefuseQuandZelvanoEstOuvert) {
    Fenetres({QStringLiteral("ZELVANO - Poste B")});
    btnsynchro_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(
        env.boites.affichees[0].texte,
        QStringLiteral("Opération impossible : vous devez sortir de Zelvano avant de lancer une "
                       "synchronisation."));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Exclamation);
    EXPECT_EQ(synchronisations, 0);
    EXPECT_EQ(Liste(), QStringList{QStringLiteral("ligne précédente")});
    EXPECT_TRUE(veille.raisons.isEmpty());
}

TEST_F(Commandes, SynchroniserSansListeDesFenetresNeDemarreRien) {
    DefinirListeFenetresQorbis32ForTests([](QString&, qint32, qint32, qint32) { return -1; });
    btnsynchro_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.contains(
        QStringLiteral("impossible de savoir si Zelvano est démarré")));
    EXPECT_EQ(synchronisations, 0);
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::synchro));
}

TEST_F(Commandes, SynchroniserRefuseALaConfirmationParDefaut) {
    btnsynchro_Click(fenetre); // the boxes answer No, the default button
    ASSERT_EQ(env.boites.affichees.size(), 1);
    const auto& boite = env.boites.affichees[0];
    EXPECT_EQ(boite.style, YesNo | Question | DefaultButton2);
    EXPECT_TRUE(boite.texte.startsWith(
        QStringLiteral("ATTENTION : vous allez commencer la synchronisation")));
    EXPECT_TRUE(
        boite.texte.endsWith(QStringLiteral("base distante .\r\n\r\nVoulez-vous continuer ?")));
    EXPECT_EQ(synchronisations, 0);
    EXPECT_EQ(Liste(), QStringList{QStringLiteral("ligne précédente")});
    EXPECT_TRUE(veille.raisons.isEmpty());
}

TEST_F(Commandes, SynchroniserConfirmeEncadreLeJournal) {
    env.boites.Repondre(Yes);
    btnsynchro_Click(fenetre);
    EXPECT_EQ(synchronisations, 1);
    const QStringList l = Liste();
    ASSERT_EQ(l.size(), 3);
    EXPECT_EQ(l.first(), QStringLiteral("07/12/2026 14:05:09 : >>>"));
    // The run's summary just before the end: nothing sent or copied by the counter standing in
    // for the run.
    EXPECT_TRUE(
        l[1].endsWith(QStringLiteral(" : Bilan : 0 enregistrement(s) envoyé(s), 0 "
                                     "fichier(s) envoyé(s), 0 fichier(s) copié(s) en 0:00")))
        << l[1].toStdString();
    EXPECT_TRUE(l.last().endsWith(QStringLiteral(" : <<<")));
    EXPECT_TRUE(fenetre.EstDepliee());
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(fenetre.BoutonActif(static_cast<Bouton>(i)));
    }
    EXPECT_EQ(env.ecran.pointeurs.last(), plateforme::pointeur::Defaut);
    // The machine stays awake through the run, and only through it.
    EXPECT_EQ(tenusPendantLExecution, 1);
    EXPECT_EQ(veille.raisons, QStringList{RaisonVeilleSynchronisation});
    EXPECT_EQ(veille.tenus, 0);
}

// Without a conflict the run follows the confirmation with no window in between, and a choice
// left from before is not carried into it.
TEST_F(Commandes, SynchroniserSansConflitNeDemandeAucunChoix) {
    ChoixLocaux().insert(QStringLiteral("consultation|12|texte"), QStringLiteral("ancienne"));
    bool choixVides = false;
    executionsFactices.synchronisation = [&] {
        ++synchronisations;
        choixVides = ChoixLocaux().isEmpty();
    };
    int fenetresModales = 0;
    QTimer garde;
    QObject::connect(&garde, &QTimer::timeout, [&] {
        if (QWidget* modale = QApplication::activeModalWidget()) {
            ++fenetresModales;
            modale->close();
        }
    });
    garde.start(10);
    env.boites.Repondre(Yes);
    btnsynchro_Click(fenetre);
    EXPECT_EQ(fenetresModales, 0);
    EXPECT_EQ(synchronisations, 1);
    EXPECT_TRUE(choixVides);
}

// What will be sent or lost is under the details button of the confirmations, whose texts and
// buttons stay as they were. Without a local base, the details say so.
TEST_F(Commandes, LesConfirmationsDetaillentCeQuiSeraEnvoyeOuPerdu) {
    env.boites.Repondre(No);
    btnsynchro_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(
        QStringLiteral("ATTENTION : vous allez commencer la synchronisation")));
    EXPECT_EQ(env.boites.affichees[0].style, YesNo | Question | DefaultButton2);
    EXPECT_EQ(env.boites.affichees[0].details,
              QStringLiteral("Aucune base locale (C:\\zelvano\\bd\\zelvano.mdb) : rien ne sera "
                             "envoyé ni perdu.\n"));
    EXPECT_EQ(synchronisations, 0);

    env.boites.Repondre(Yes);
    env.boites.Repondre(No);
    btnCopier_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 3);
    // A base that cannot be read is said too.
    env.machine.EcrireFichier(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"), "pas une base");
    env.boites.Repondre(Yes);
    env.boites.Repondre(No);
    btnCopier_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 5);
    for (int i : {3, 4}) {
        EXPECT_TRUE(env.boites.affichees[i].details.startsWith(
            QStringLiteral("Nouveaux enregistrements jamais envoyés, qui seront remplacés :\n  "
                           "Impossible de lire la base locale")))
            << env.boites.affichees[i].details.toStdString();
    }
}

TEST_F(Commandes, InitialiserDemandeDeuxFois) {
    env.boites.Repondre(Yes);
    env.boites.Repondre(No);
    btnCopier_Click(fenetre);
    EXPECT_EQ(env.boites.affichees.size(), 2);
    EXPECT_EQ(env.boites.affichees[1].texte,
              QStringLiteral("Voulez-vous vraiment écraser votre base locale ?"));
    EXPECT_EQ(env.boites.affichees[1].style, YesNo | Question | DefaultButton2);
    EXPECT_EQ(initialisations, 0);
    EXPECT_EQ(Liste(), QStringList{QStringLiteral("ligne précédente")});
    EXPECT_TRUE(veille.raisons.isEmpty());

    env.boites.Repondre(Yes);
    env.boites.Repondre(Yes);
    btnCopier_Click(fenetre);
    EXPECT_EQ(initialisations, 1);
    EXPECT_TRUE(Liste().first().endsWith(QStringLiteral(" : >>>")));
    EXPECT_TRUE(Liste().last().endsWith(QStringLiteral(" : <<<")));
    EXPECT_EQ(tenusPendantLExecution, 1);
    EXPECT_EQ(veille.raisons, QStringList{RaisonVeilleInitialisation});
    EXPECT_EQ(veille.tenus, 0);
}

// Nothing locks an open base here: replacing it under the practice application would lose what
// it writes.
TEST_F(Commandes, InitialiserRefuseQuandZelvanoEstOuvert) {
    Fenetres({QStringLiteral("ZELVANO - Poste A")});
    env.boites.Repondre(Yes);
    env.boites.Repondre(Yes);
    btnCopier_Click(fenetre);
    EXPECT_EQ(initialisations, 0);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Opération impossible : vous devez sortir de Zelvano avant de lancer "
                             "une initialisation."));
    EXPECT_EQ(Liste(), QStringList{QStringLiteral("ligne précédente")});
}

TEST_F(Commandes, JournalImpossibleAEcrireRendLesBoutons) {
    Param().createlog = 1;
    QDir().mkpath(env.machine.DossierProgramme() + QStringLiteral("/synchro.log"));
    env.boites.Repondre(Yes);
    btnsynchro_Click(fenetre);
    EXPECT_EQ(synchronisations, 0);
    ASSERT_EQ(env.boites.affichees.size(), 2);
    EXPECT_TRUE(env.boites.affichees[1].texte.startsWith(QStringLiteral("Erreur ")));
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::synchro));
    EXPECT_EQ(veille.raisons.size(), 1);
    EXPECT_EQ(veille.tenus, 0);
}

// Boxes answered Yes, each noting how many sleep locks were held while it waited.
class BoitesVeille final : public plateforme::BoitesMessage {
public:
    explicit BoitesVeille(const factices::Veille& veille)
        : veille_(veille) {}
    int Afficher(const QString& texte, int style, const QString&) override {
        textes.append(texte);
        tenus.append(veille_.tenus);
        return (style & 7) == YesNo ? Yes : plateforme::mb::OK;
    }
    QStringList textes;
    QList<int> tenus;

private:
    const factices::Veille& veille_;
};

// A run that fails lets the machine sleep again before its error box, which may wait for
// hours in a closed laptop; whatever else escapes a run releases the lock too.
TEST_F(Commandes, LaVeilleNeSurvitPasALExecutionEnEchec) {
    BoitesVeille boites(veille);
    const plateforme::RemplacementServices services{{nullptr, &boites, nullptr, nullptr, nullptr}};
    executionsFactices.initialisation = [] {
        throw plateforme::Erreur(plateforme::err::FichierIntrouvable, QStringLiteral("panne"));
    };
    btnCopier_Click(fenetre);
    ASSERT_EQ(boites.textes.size(), 3);
    EXPECT_TRUE(boites.textes[2].contains(QStringLiteral("panne")));
    EXPECT_EQ(boites.tenus, (QList<int>{0, 0, 0}));
    EXPECT_EQ(veille.raisons, QStringList{RaisonVeilleInitialisation});
    EXPECT_TRUE(BoutonsActifs());

    executionsFactices.synchronisation = [] {
        throw std::bad_alloc();
    };
    EXPECT_THROW(btnsynchro_Click(fenetre), std::bad_alloc);
    EXPECT_EQ(veille.raisons.size(), 2);
    EXPECT_EQ(veille.tenus, 0);
}

TEST_F(Commandes, LancementLocalAvecSeptLignes) {
    BaseLocale(7);
    EtatBase() = QStringLiteral("L");
    btnclient_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1); // text B only
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(QStringLiteral(
        "ATTENTION : Seules les modifications suivantes seront prises en compte\r\n")));
    EXPECT_TRUE(env.boites.affichees[0].texte.endsWith(
        QStringLiteral("  + = Nouveauté de la version 7.10\r\n")));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Information);
    ASSERT_EQ(processus.lignes.size(), 1);
    EXPECT_EQ(processus.lignes[0],
              QStringLiteral("C:\\zelvano\\zelvano.exe C:\\zelvano\\zelvano.ini"));
    EXPECT_EQ(processus.styles[0], 1);
    EXPECT_EQ(EtatBase(), QStringLiteral("L"));
    EXPECT_TRUE(fenetre.windowTitle().endsWith(QStringLiteral(" [Base locale]")));
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::client));
    EXPECT_FALSE(fenetre.EstDepliee());
}

TEST_F(Commandes, LancementLocalSansAvertissementAvecSeptLignes) {
    BaseLocale(7);
    EtatBase() = QStringLiteral("L");
    Param().nowarning = 1;
    Param().inifile.clear();
    btnclient_Click(fenetre);
    EXPECT_TRUE(env.boites.affichees.isEmpty());
    ASSERT_EQ(processus.lignes.size(), 1);
    EXPECT_EQ(processus.lignes[0], QStringLiteral("C:\\zelvano\\zelvano.exe "));
}

TEST_F(Commandes, LancementLocalAvecSixLignesAvertitDesObjets) {
    BaseLocale(6);
    EtatBase() = QStringLiteral("L");
    btnclient_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 2);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(QStringLiteral("ATTENTION : Seules")));
    EXPECT_TRUE(env.boites.affichees[1].texte.startsWith(
        QStringLiteral("ATTENTION - ATTENTION - ATTENTION - ATTENTION - ATTENTION\r\n\r\n")));
    EXPECT_EQ(env.boites.affichees[1].style, plateforme::mb::Exclamation);
    EXPECT_EQ(processus.lignes.size(), 1);
}

TEST_F(Commandes, LancementLocalNonInitialiseeDemandeConfirmation) {
    BaseLocale(0);
    EtatBase() = QStringLiteral("L");
    btnclient_Click(fenetre); // No to text A
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(
        QStringLiteral("ATTENTION : INFORMATION TRES IMPORTANTE\r\n\r\n")));
    EXPECT_EQ(env.boites.affichees[0].style, YesNo | plateforme::mb::Critical | DefaultButton2);
    EXPECT_TRUE(processus.lignes.isEmpty());
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::client));

    env.boites.affichees.clear();
    env.boites.Repondre(Yes);
    btnclient_Click(fenetre); // Yes: no text B, then text C, then the launch
    ASSERT_EQ(env.boites.affichees.size(), 2);
    EXPECT_TRUE(env.boites.affichees[1].texte.startsWith(QStringLiteral("ATTENTION - ATTENTION")));
    EXPECT_EQ(processus.lignes.size(), 1);
    EXPECT_EQ(EtatBase(), QString()); // a local base without journal rows is not shown as local
}

TEST_F(Commandes, LancementLocalBaseIllisibleNeDemarreRien) {
    EtatBase() = QStringLiteral("L");
    btnclient_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(
        QStringLiteral("Impossible de vérifier la base locale C:\\zelvano\\bd\\zelvano.mdb :")));
    EXPECT_TRUE(processus.lignes.isEmpty());
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::client));
}

TEST_F(Commandes, LancementRefuseQuandZelvanoEstDejaDemarre) {
    Fenetres({QStringLiteral("ZELVANO - Poste A")});
    btnsrv_Click(fenetre);
    btnclient_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 2);
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Opération impossible : Zelvano est déjà démarré."));
    EXPECT_EQ(env.boites.affichees[1].texte,
              QStringLiteral("Opération impossible : Zelvano est déjà démarré."));
    EXPECT_TRUE(processus.lignes.isEmpty());
    EXPECT_TRUE(fenetre.BoutonActif(Bouton::serveur));
}

TEST_F(Commandes, LancementDistantSurUneBaseAvecJournalSansIndication) {
    BaseLocale(7); // P is C here, and its base holds journal rows
    EtatBase() = QStringLiteral("D");
    btnsrv_Click(fenetre);
    ASSERT_EQ(processus.lignes.size(), 1);
    EXPECT_EQ(EtatBase(), QString());
    EXPECT_EQ(fenetre.windowTitle(), QStringLiteral("Module de synchronisation Zelvano v7.15.4"));
}

TEST_F(Commandes, LancementSansBaseDansLeDossier) {
    EtatBase() = QStringLiteral("D");
    QFile::link(env.machine.Natif(QStringLiteral("C:\\")),
                env.machine.Racine() + QStringLiteral("/drives/P"));
    btnsrv_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(
        env.boites.affichees[0].texte,
        QStringLiteral(
            "Lancement de Zelvano impossible : il n'y a pas de base de données dans le "
            "dossier P:\\zelvano\\bd\r\nAttentez quelques secondes et recommencez l'opération."));
    EXPECT_TRUE(processus.lignes.isEmpty());
    EXPECT_EQ(EtatBase(), QString());
}

TEST_F(Commandes, TextesDesConfirmationsEntiers) {
    btnsynchro_Click(fenetre);
    env.boites.Repondre(No);
    btnCopier_Click(fenetre);
    EXPECT_EQ(TextesAffiches(),
              (QStringList{
                  QStringLiteral("ATTENTION : vous allez commencer la synchronisation de la base "
                                 "distante et de la base locale.\r\n\r\nTous les dossiers, "
                                 "consultations, ordonnances, courriers, CRO et objets créés dans "
                                 "la base locale depuis la dernière synchronisation seront copiés "
                                 "dans la base distante. La base locale sera ensuite remplacée par "
                                 "la base distante .\r\n\r\nVoulez-vous continuer ?"),
                  QStringLiteral("ATTENTION : la base locale va être remplacée par la base "
                                 "distante. Toutes les informations contenues dans la base locale "
                                 "seront remplacées.\r\n\r\nVoulez-vous continuer ?")}));
    for (const auto& boite : env.boites.affichees) {
        EXPECT_EQ(boite.style, YesNo | Question | DefaultButton2);
        EXPECT_EQ(boite.titre, QStringLiteral("Module de synchronisation Zelvano"));
    }
    EXPECT_EQ(synchronisations + initialisations, 0);
}

TEST_F(Commandes, FermetureRefuseePendantLaCommande) {
    fenetre.show();
    bool fermee = true;
    executionsFactices.synchronisation = [this, &fermee] {
        ++synchronisations;
        fermee = fenetre.close();
    };
    env.boites.Repondre(Yes);
    btnsynchro_Click(fenetre);
    EXPECT_EQ(synchronisations, 1);
    EXPECT_FALSE(fermee) << "a run must not go on in a closed window";
    EXPECT_TRUE(fenetre.isVisible());
    ASSERT_EQ(env.boites.affichees.size(), 2);
    EXPECT_TRUE(env.boites.affichees[1].texte.startsWith(
        QStringLiteral("Fermeture impossible : une opération est en cours.")));
    EXPECT_TRUE(Liste().last().endsWith(QStringLiteral(" : <<<")));
    EXPECT_TRUE(fenetre.close()) << "once the command has ended, the window closes";
}

TEST_F(Commandes, LancementRefuseQuandLaRepriseEstImpossible) {
    executionsFactices.reprise = [] {
        return false;
    };
    const QString refus =
        QStringLiteral("Lancement de Zelvano impossible : la dernière synchronisation a été "
                       "interrompue et n'a pas pu être réglée. Consultez le journal.");
    btnsrv_Click(fenetre);
    btnclient_Click(fenetre);
    EXPECT_EQ(TextesAffiches(), (QStringList{refus, refus}));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Exclamation);
    EXPECT_TRUE(processus.lignes.isEmpty()) << "neither redirection nor launch";
    EXPECT_TRUE(BoutonsActifs());
}

TEST_F(Commandes, LancementDistantRedirectionEnEchecNeDemarreRien) {
    // Nothing really runs the drive commands: the letter never appears.
    btnsrv_Click(fenetre);
    ASSERT_FALSE(processus.lignes.isEmpty());
    EXPECT_TRUE(processus.lignes.last().startsWith(QStringLiteral("CMD.EXE /c net use P: ")));
    EXPECT_FALSE(processus.ZelvanoLance());
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Impossible de connecter l'unité P: pour l'instant.\r\nPatientez "
                             "quelques secondes et réessayez."));
    EXPECT_EQ(EtatBase(), QString());
    EXPECT_EQ(fenetre.windowTitle(), QStringLiteral("Module de synchronisation Zelvano v7.15.4"));
    EXPECT_TRUE(BoutonsActifs());
}

TEST_F(Commandes, LancementLocalRedirectionEnEchecNeDemarreRien) {
    BaseLocale(7); // P is substituted for C and nothing takes it away
    btnclient_Click(fenetre);
    EXPECT_FALSE(processus.ZelvanoLance());
    ASSERT_EQ(env.boites.affichees.size(), 2); // text B, then the letter that stays
    EXPECT_TRUE(env.boites.affichees[1].texte.startsWith(
        QStringLiteral("Impossible de déconnecter l'unité P: pour l'instant.")));
    EXPECT_EQ(EtatBase(), QString());
    EXPECT_TRUE(BoutonsActifs());
}

TEST_F(Commandes, LancementSurUneBaseQuiNePeutPasEtreOuverte) {
    // A base folder that holds a base, but not one zelvano.mdb that opens.
    EtatBase() = QStringLiteral("D");
    env.machine.EcrireFichier(QStringLiteral("P:\\zelvano\\bd\\archive.mdb"), "ancienne");
    btnsrv_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.startsWith(
        QStringLiteral("Lancement de Zelvano impossible : la base de données "
                       "P:\\zelvano\\bd\\zelvano.mdb ne peut pas être ouverte.\r\n")));
    EXPECT_FALSE(processus.ZelvanoLance());
    EXPECT_EQ(EtatBase(), QString());

    env.boites.affichees.clear();
    EtatBase() = QStringLiteral("D");
    env.machine.EcrireFichier(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"),
                              QByteArray(4096, 'x'));
    btnsrv_Click(fenetre);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.contains(QStringLiteral("ne peut pas être ouverte")));
    EXPECT_FALSE(processus.ZelvanoLance());
    EXPECT_TRUE(BoutonsActifs());
}

TEST_F(Commandes, LancementDUnProgrammeQuiNePeutPasDemarrer) {
    BaseLocale(7);
    EtatBase() = QStringLiteral("L");
    Param().nowarning = 1;
    processus.pidZelvano = 0;
    btnclient_Click(fenetre);
    ASSERT_EQ(processus.lignes.size(), 1);
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_EQ(env.boites.affichees[0].texte,
              QStringLiteral("Lancement de Zelvano impossible : le programme "
                             "C:\\zelvano\\zelvano.exe est introuvable."));
    EXPECT_EQ(env.boites.affichees[0].style, plateforme::mb::Exclamation);
    EXPECT_TRUE(BoutonsActifs());

    env.boites.affichees.clear();
    EtatBase() = QStringLiteral("D");
    btnsrv_Click(fenetre); // P is C here: the same program, the same box
    ASSERT_EQ(env.boites.affichees.size(), 1);
    EXPECT_TRUE(env.boites.affichees[0].texte.endsWith(QStringLiteral(" est introuvable.")));
}

} // namespace
