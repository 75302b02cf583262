#include "demo/pratique.h"
#include "init/initialisation.h"
#include "init/poste_copie.h"
#include "platform/chemins.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "testutil/journal_attendu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace {

using essais::Requete;

const QString& Debut = attendu::DemarrageInit;
const QString& Fin = attendu::InitTerminee;
using essais::BlocEchec;
const QStringList Documents{QStringLiteral("courrier"), QStringLiteral("cro"),
                            QStringLiteral("corres"),   QStringLiteral("data"),
                            QStringLiteral("certif"),   QStringLiteral("flash"),
                            QStringLiteral("modeles")};

bool Executer(const QString& natif, const char* sql) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(natif).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// A demo practice on the server share, reached as P:, and an empty local disk.
class Initialisation : public ::testing::Test {
protected:
    factices::Environnement env;
    demo::BilanDemo bilan;

    void SetUp() override {
        demo::OptionsDemo options;
        options.machine = env.machine.Racine();
        options.patients = 25;
        options.documents = 30;
        options.objets = 15;
        bilan = demo::GenererDemo(options);
        ASSERT_TRUE(QFile::link(env.machine.Racine() + QStringLiteral("/unc/serveur/zelvano"),
                                env.machine.Racine() + QStringLiteral("/drives/P")));
        Param().FichierIni = bilan.fichierIni;
        LireParametres();
        Param().createlog = 0;
        EtatBase() = QStringLiteral("D");
    }

    QString Natif(const QString& w) const { return plateforme::CheminNatif(w); }
    QString BaseLocale() const { return Natif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb")); }
    QString BaseServeur() const { return Natif(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb")); }
    QStringList Messages() const { return env.fenetre.Messages(); }
    void Modes(int securisee, int modifies) {
        Param().copiesecurisee = static_cast<qint16>(securisee);
        Param().modifiesuniquement = static_cast<qint16>(modifies);
    }
    void Installer(const QString& nom) const {
        ASSERT_TRUE(QFile::link(factices::DossierBinaires() + QLatin1Char('/') + nom,
                                env.machine.DossierProgramme() + QLatin1Char('/') + nom));
    }

    void VerifierArbreEgal(const QString& dossier) const {
        const QString serveur = Natif(QStringLiteral("P:\\zelvano\\") + dossier);
        const QString local = Natif(QStringLiteral("C:\\zelvano\\") + dossier);
        const QStringList fichiers = essais::Arborescence(serveur);
        ASSERT_EQ(essais::Arborescence(local), fichiers) << qPrintable(dossier);
        for (const QString& f : fichiers) {
            const QFileInfo s(serveur + QLatin1Char('/') + f);
            const QFileInfo l(local + QLatin1Char('/') + f);
            QFile a(s.filePath());
            QFile b(l.filePath());
            ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            EXPECT_EQ(a.readAll(), b.readAll()) << qPrintable(f);
            EXPECT_EQ(s.fileTime(QFileDevice::FileModificationTime),
                      l.fileTime(QFileDevice::FileModificationTime))
                << qPrintable(f);
        }
    }

    void VerifierReussite() const {
        const QStringList m = Messages();
        ASSERT_EQ(m.count(Fin), 3) << qPrintable(m.join(QLatin1Char('\n')));
        EXPECT_EQ(m.count(Debut), 3);
        EXPECT_FALSE(m.contains(QStringLiteral("INFORMATION TRES IMPORTANTE")));
        EXPECT_FALSE(
            m.contains(QStringLiteral("Redirection de l'unité P sur \\\\serveur\\zelvano")));
        int fichiers = 0;
        for (const QString& d : Documents) {
            VerifierArbreEgal(d);
            fichiers += static_cast<int>(
                essais::Arborescence(Natif(QStringLiteral("C:\\zelvano\\") + d)).size());
        }
        // Every file the demo wrote, but the reference data that stays on the server.
        const int references = static_cast<int>(
            essais::Arborescence(Natif(QStringLiteral("P:\\zelvano\\REF"))).size());
        EXPECT_GT(references, 0);
        EXPECT_EQ(fichiers + references, bilan.fichiers);
        EXPECT_FALSE(QFileInfo::exists(Natif(QStringLiteral("C:\\zelvano\\REF"))));
        VerifierTableSynchro();
        EXPECT_EQ(Requete(BaseLocale(), "SELECT count(*) FROM patient"),
                  QString::number(bilan.distants.value(QStringLiteral("patient"))));
    }

    void VerifierTableSynchro() const {
        EXPECT_EQ(Requete(BaseLocale(), "SELECT count(*) FROM synchro"), QStringLiteral("7"));
        EXPECT_EQ(Requete(BaseLocale(),
                          "SELECT group_concat(\"table\" || ':' || champ_id || ':' || "
                          "champ_id_dossier, ' ') FROM (SELECT * FROM synchro ORDER BY id)"),
                  QStringLiteral("patient:identifiant:identifiant "
                                 "consultation:identconsultation:identifiant "
                                 "ordonnance:identordonnance:identifiant "
                                 "courrier:identcourrier:identifiant cro:identcro:identifiant "
                                 "correspondance:identcorrespondance:identifiant "
                                 "objet:identobjet:identpatient"));
        const struct {
            const char* table;
            const char* libelle;
        } lignes[] = {{"patient", "-> Dernier dossier : "},
                      {"consultation", "-> Dernière consultation : "},
                      {"ordonnance", "-> Dernière ordonnance : "},
                      {"courrier", "-> Dernier courrier : "},
                      {"cro", "-> Dernier CRO : "},
                      {"correspondance", "-> Dernière correspondance : "},
                      {"objet", "-> Dernier objet : "}};
        for (const auto& l : lignes) {
            const QString table = QString::fromLatin1(l.table);
            const QString maximum = QString::number(bilan.maxima.value(table));
            EXPECT_TRUE(Messages().contains(QString::fromUtf8(l.libelle) + maximum)) << l.table;
            const QByteArray sql =
                QStringLiteral("SELECT dernier_no FROM synchro WHERE \"table\" = '%1'")
                    .arg(table)
                    .toUtf8();
            EXPECT_EQ(Requete(BaseLocale(), sql.constData()), maximum) << l.table;
        }
    }
};

TEST_F(Initialisation, SecuriseModifies) {
    Modes(1, 1);
    LancerInitialisation();
    VerifierReussite();
    const QStringList m = Messages();
    const QString tmp = plateforme::DossierProgramme() + QStringLiteral("\\tmpbd.mdb");
    const qsizetype i =
        m.indexOf(QStringLiteral("Vérification de la base de données : zelvano.mdb"));
    ASSERT_GE(i, 0);
    EXPECT_EQ(m.mid(i, 5),
              (QStringList{QStringLiteral("Vérification de la base de données : zelvano.mdb"),
                           QStringLiteral("Copie de C:\\zelvano\\bd\\zelvano.mdb vers ") + tmp,
                           QStringLiteral("Kill de C:\\zelvano\\bd\\zelvano.mdb"),
                           QStringLiteral("Compactage de ") + tmp +
                               QStringLiteral(" vers C:\\zelvano\\bd\\zelvano.mdb"),
                           QStringLiteral("Vérification de la table de synchronisation")}));
    EXPECT_TRUE(QFileInfo::exists(env.machine.DossierProgramme() + QStringLiteral("/tmpbd.mdb")));
    EXPECT_EQ(Requete(BaseLocale(), "PRAGMA integrity_check"), QStringLiteral("ok"));

    // A second run over an unchanged tree gives the same result.
    env.fenetre.lignes.clear();
    LancerInitialisation();
    VerifierReussite();
}

TEST_F(Initialisation, Securise) {
    Modes(1, 0);
    LancerInitialisation();
    VerifierReussite();
}

TEST_F(Initialisation, ModifiesNonSecurise) {
    // The database folder goes to XCOPY, the document folders are copied file by file.
    Installer(QStringLiteral("xcopy.exe"));
    essais::EcranLent ecran(env.horloge);
    plateforme::RemplacementServices services({nullptr, nullptr, &ecran, nullptr, nullptr});
    Modes(0, 1);
    LancerInitialisation();
    VerifierReussite();
    EXPECT_TRUE(
        Messages().contains(QStringLiteral("-> 1 fichier(s) en cours de copie avec XCOPY.EXE")));
}

TEST_F(Initialisation, ProgrammesDeCopie) {
    Installer(QStringLiteral("xcopy.exe"));
    essais::EcranLent ecran(env.horloge);
    plateforme::RemplacementServices services({nullptr, nullptr, &ecran, nullptr, nullptr});
    Modes(0, 0);
    LancerInitialisation();
    VerifierReussite();

    // ROBOCOPY copies every top-level folder but REF and bd, whatever the folder settings say.
    Installer(QStringLiteral("robocopy.exe"));
    QDir(Natif(QStringLiteral("C:\\zelvano"))).removeRecursively();
    QDir().mkpath(Natif(QStringLiteral("C:\\zelvano")));
    env.fenetre.lignes.clear();
    Modes(0, 1);
    Param().flashdir.clear();
    LancerInitialisation();
    VerifierReussite();
    EXPECT_TRUE(
        Messages().contains(QStringLiteral("Windows XP, 2003 ou Vista et ROBOCOPY détecté dans ") +
                            plateforme::DossierProgramme()));
}

TEST_F(Initialisation, DossierBaseNonParametre) {
    Param().bddir.clear();
    LancerInitialisation();
    EXPECT_EQ(Messages(),
              QStringList({Debut, Debut, Debut,
                           QStringLiteral("ERREUR : mauvais paramétrage du dossier base "
                                          "de données")}) +
                  BlocEchec);
    EXPECT_EQ(env.ecran.pointeurs.first(), 11);
    EXPECT_EQ(env.ecran.pointeurs.last(), 0);
    EXPECT_FALSE(QFileInfo::exists(Natif(QStringLiteral("C:\\zelvano\\courrier"))));
}

TEST_F(Initialisation, RedirectionImpossible) {
    essais::ProcessusFactice processus;
    processus.pid = 0;
    plateforme::RemplacementServices services({nullptr, nullptr, nullptr, nullptr, &processus});
    EtatBase().clear();
    LancerInitialisation();
    EXPECT_EQ(Messages(), QStringList({Debut, Debut, Debut,
                                       QStringLiteral("Redirection de l'unité P sur "
                                                      "\\\\serveur\\zelvano")}) +
                              BlocEchec);
}

TEST_F(Initialisation, ServeurSansTableSynchro) {
    ASSERT_TRUE(Executer(BaseServeur(), "DROP TABLE synchro"));
    Modes(1, 1);
    LancerInitialisation();
    const QStringList m = Messages();
    const QStringList version{
        QStringLiteral("ERREUR : La version de Zelvano installée sur le serveur"),
        QStringLiteral("ne permet pas de gérer la synchronisation. "),
        QStringLiteral("Vous devez mettre à jour votre poste serveur "),
        QStringLiteral("avec la dernière version de Zelvano.")};
    EXPECT_EQ(m.mid(m.size() - 10), version + BlocEchec) << qPrintable(m.join(QLatin1Char('\n')));
    EXPECT_TRUE(m.contains(QStringLiteral("Kill de C:\\zelvano\\bd\\zelvano.mdb")));
    VerifierArbreEgal(QStringLiteral("courrier")); // copied before the error
}

// The compacted copy takes the base's name only when complete: here it cannot even be written.
TEST_F(Initialisation, CompactageEchoueBaseConservee) {
    Modes(1, 1);
    ASSERT_TRUE(QDir().mkpath(Natif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb.compacte"))));
    LancerInitialisation();
    const QStringList m = Messages();
    EXPECT_EQ(m.mid(m.size() - 6), BlocEchec);
    EXPECT_TRUE(m.at(m.size() - 7).endsWith(QLatin1Char(')'))) << qPrintable(m.at(m.size() - 7));
    EXPECT_EQ(Requete(BaseLocale(), "PRAGMA integrity_check"), QStringLiteral("ok"));
    EXPECT_EQ(Requete(BaseLocale(), "SELECT count(*) FROM patient"),
              QString::number(bilan.distants.value(QStringLiteral("patient"))));
}

TEST_F(Initialisation, AutreFichierBaseIllisibleConserve) {
    const QByteArray contenu("pas une base");
    QFile f(Natif(QStringLiteral("P:\\zelvano\\bd\\ancienne.mdb")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(contenu) == contenu.size());
    f.close();
    Modes(1, 1);
    LancerInitialisation();
    const QStringList m = Messages();
    EXPECT_EQ(m.mid(m.size() - 6), BlocEchec);
    QFile copie(Natif(QStringLiteral("C:\\zelvano\\bd\\ancienne.mdb")));
    ASSERT_TRUE(copie.open(QIODevice::ReadOnly));
    EXPECT_EQ(copie.readAll(), contenu);
}

// A synchronisation writes both bases within the same second; the initialisation after it must
// still replace the local base.
TEST_F(Initialisation, ApresSynchronisationDansLaMemeSeconde) {
    Modes(1, 1);
    LancerInitialisation();
    VerifierReussite();
    ASSERT_TRUE(Executer(BaseServeur(),
                         "INSERT INTO patient (identifiant, nom) VALUES (900001, 'NOUVEAU')"));
    ASSERT_TRUE(Executer(BaseLocale(), "DELETE FROM synchro"));
    const QDateTime meme = QFileInfo(BaseServeur()).fileTime(QFileDevice::FileModificationTime);
    QFile local(BaseLocale());
    ASSERT_TRUE(local.open(QIODevice::ReadWrite));
    ASSERT_TRUE(local.setFileTime(meme, QFileDevice::FileModificationTime));
    local.close();
    env.fenetre.lignes.clear();
    LancerInitialisation();
    ASSERT_EQ(Messages().count(Fin), 3);
    EXPECT_EQ(Requete(BaseLocale(), "SELECT nom FROM patient WHERE identifiant = 900001"),
              QStringLiteral("NOUVEAU"));
    EXPECT_EQ(Requete(BaseLocale(), "SELECT dernier_no FROM synchro WHERE \"table\" = 'patient'"),
              QStringLiteral("900001"));
}

TEST_F(Initialisation, TraitementSupplementaire) {
    essais::ProcessusFactice processus;
    plateforme::RemplacementServices services({nullptr, nullptr, nullptr, nullptr, &processus});
    Param().traitementsupp = QStringLiteral("C:\\outils\\copie.bat /tout");
    Param().shellsynchrone = 0;
    LancerInitialisation();
    EXPECT_EQ(processus.lignes, QStringList{Param().traitementsupp});
    EXPECT_EQ(processus.styles, QList<int>{2});
    const QStringList m = Messages();
    const qsizetype i =
        m.indexOf(QStringLiteral("Lancement du traitement de copie supplémentaire : "
                                 "C:\\outils\\copie.bat /tout"));
    ASSERT_GE(i, 0);
    EXPECT_EQ(m.at(i + 1),
              QStringLiteral("Attendez que le traitement soit terminé avant de lancer Zelvano"));
    EXPECT_EQ(m.count(Fin), 3);

    env.fenetre.lignes.clear();
    processus.lignes.clear();
    processus.styles.clear();
    Param().shellsynchrone = 1;
    LancerInitialisation();
    EXPECT_EQ(processus.styles, QList<int>{1});
    EXPECT_EQ(Messages().count(Fin), 3);

    env.fenetre.lignes.clear();
    processus.pid = 0;
    LancerInitialisation();
    const QStringList echec = Messages();
    EXPECT_EQ(echec.mid(echec.size() - 7, 1),
              QStringList{QStringLiteral("Fichier introuvable (53)")});
    EXPECT_FALSE(echec.contains(QStringLiteral("Vérification de la table de synchronisation")));
}

} // namespace
