#include "init/copie_dossier.h"
#include "init/dates_fichier.h"
#include "init/poste_copie.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/processus.h"
#include "settings/parametres.h"
#include "testutil/copies_en_panne.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using essais::Poste;

using essais::D;
using essais::Destination;
using essais::S;
using essais::Source;

QDateTime Le(int h, int m, int s, int ms = 0) {
    return QDateTime(QDate(2026, 11, 3), QTime(h, m, s, ms));
}

class CopieDossier : public ::testing::Test {
protected:
    Poste poste;
    // The copy hook refuses one file with the given error, as a file held by another program
    // would (see Refus).
    QString fichierRefuse;
    int erreurRefus = 0;
    const factices::CrochetCopie refus{[this](const QString& source, const QString&) {
        if (!fichierRefuse.isEmpty() && source.endsWith(fichierRefuse)) {
            plateforme::Lever(erreurRefus);
        }
    }};

    void Modes(int securisee, int modifies) {
        Param().copiesecurisee = static_cast<qint16>(securisee);
        Param().modifiesuniquement = static_cast<qint16>(modifies);
    }

    void Refus(const QString& nom, int numero) {
        fichierRefuse = QLatin1Char('\\') + nom;
        erreurRefus = numero;
    }

    // a.txt newer on the local side, b.txt alike, c.txt new, d.txt within the same second,
    // a hidden file, a subfolder.
    void ArbreMixte() {
        poste.Ecrire(S(QStringLiteral("a.txt")), "serveur a", Le(9, 0, 0));
        poste.Ecrire(D(QStringLiteral("a.txt")), "local a", Le(11, 0, 0));
        poste.Ecrire(S(QStringLiteral("b.txt")), "serveur b", Le(9, 30, 0));
        poste.Ecrire(D(QStringLiteral("b.txt")), "local b..", Le(9, 30, 0));
        poste.Ecrire(S(QStringLiteral("c.txt")), "serveur c", Le(8, 0, 0));
        poste.Ecrire(S(QStringLiteral("d.txt")), "serveur d", Le(10, 0, 0, 200));
        poste.Ecrire(D(QStringLiteral("d.txt")), "local d..", Le(10, 0, 0, 900));
        poste.Ecrire(S(QStringLiteral(".cache")), "cache");
        poste.Ecrire(S(QStringLiteral("sous\\e.txt")), "sous-dossier");
        poste.Ecrire(D(QStringLiteral("extra.txt")), "reste");
    }

    QStringList Entete(const QString& dossier = QStringLiteral("courrier")) const {
        return {QStringLiteral("Vérification du dossier C:\\zelvano\\") + dossier,
                QStringLiteral("Copie du dossier P:\\zelvano\\") + dossier +
                    QStringLiteral(" vers C:\\zelvano\\") + dossier};
    }
};

void VerifierCopieModifies(const Poste& poste) {
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("a.txt"))), "serveur a"); // local newer: overwritten
    EXPECT_EQ(poste.Ecriture(D(QStringLiteral("a.txt"))), Le(9, 0, 0).toMSecsSinceEpoch());
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("b.txt"))), "local b..");
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("c.txt"))), "serveur c");
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("d.txt"))), "local d.."); // same second
    EXPECT_FALSE(poste.Existe(D(QStringLiteral(".cache"))));
    EXPECT_FALSE(poste.Existe(D(QStringLiteral("sous"))));
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("extra.txt"))), "reste");
}

TEST_F(CopieDossier, SecuriseModifiesCopieCeQuiDiffere) {
    ArbreMixte();
    Modes(1, 1);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(
        poste.Messages(),
        (Entete() + QStringList{QStringLiteral(
                        "-> 2/4 fichier(s) copié(s) en mode sécurisé (modifiés uniquement)")}));
    VerifierCopieModifies(poste);
}

TEST_F(CopieDossier, ModifiesNonSecuriseCopieCeQuiDiffere) {
    ArbreMixte();
    Modes(0, 1);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(poste.Messages(),
              (Entete() + QStringList{QStringLiteral("-> 2/4 fichier(s) copié(s) en mode non "
                                                     "sécurisé (modifiés uniquement)")}));
    VerifierCopieModifies(poste);
}

TEST_F(CopieDossier, SecuriseCopieToutSaufLesCaches) {
    ArbreMixte();
    Modes(1, 0);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(
        poste.Messages(),
        (Entete() + QStringList{QStringLiteral("-> 4/4 fichier(s) copié(s) en mode sécurisé")}));
    for (const char* nom : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        const QString n = QString::fromLatin1(nom);
        EXPECT_EQ(poste.Contenu(D(n)), poste.Contenu(S(n))) << nom;
        EXPECT_EQ(poste.Ecriture(D(n)), poste.Ecriture(S(n))) << nom;
    }
    EXPECT_FALSE(poste.Existe(D(QStringLiteral(".cache"))));
    EXPECT_FALSE(poste.Existe(D(QStringLiteral("sous"))));
}

TEST_F(CopieDossier, DossierDistantAbsent) {
    for (int securisee : {0, 1}) {
        poste.env.fenetre.lignes.clear();
        Modes(securisee, 1);
        EXPECT_TRUE(CopierDossier(QStringLiteral("absent"), false));
        EXPECT_EQ(poste.Messages(),
                  (QStringList{
                      QStringLiteral("Vérification du dossier C:\\zelvano\\absent"),
                      QStringLiteral("ATTENTION : le dossier P:\\zelvano\\absent n'existe pas")}));
    }
}

TEST_F(CopieDossier, FichierIllisibleIgnoreEnModeNonSecurise) {
    ArbreMixte();
    Modes(0, 1);
    Refus(QStringLiteral("a.txt"), plateforme::err::PermissionRefusee);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(
        poste.Messages(),
        (Entete() + QStringList{QStringLiteral("Fichier P:\\zelvano\\courrier\\a.txt en cours "
                                               "d'utilisation : fichier ignoré"),
                                QStringLiteral("-> 1/4 fichier(s) copié(s) en mode non sécurisé "
                                               "(modifiés uniquement)")}));
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("a.txt"))), "local a");
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("c.txt"))), "serveur c");

    poste.env.fenetre.lignes.clear();
    Refus(QStringLiteral("a.txt"), plateforme::err::DisquePlein);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(poste.Messages().at(2),
              QStringLiteral("Disque plein (61) pendant la copie du fichier "
                             "P:\\zelvano\\courrier\\a.txt : fichier ignoré"))
        << qPrintable(poste.Messages().join(QLatin1Char('\n')));
}

TEST_F(CopieDossier, FichierIllisibleArreteLesModesSecurises) {
    for (int modifies : {1, 0}) {
        poste.env.fenetre.lignes.clear();
        ArbreMixte();
        Modes(1, modifies);
        Refus(QStringLiteral("a.txt"), plateforme::err::PermissionRefusee);
        EXPECT_FALSE(CopierDossier(QStringLiteral("courrier"), false));
        EXPECT_EQ(poste.Messages(),
                  (Entete() + QStringList{QStringLiteral("Fichier P:\\zelvano\\courrier\\a.txt en "
                                                         "cours d'utilisation : COPIE SECURISEE "
                                                         "IMPOSSIBLE")}));
        EXPECT_FALSE(poste.Existe(D(QStringLiteral("c.txt")))) << "the folder stops at a.txt";

        poste.env.fenetre.lignes.clear();
        Refus(QStringLiteral("a.txt"), plateforme::err::DisquePlein);
        EXPECT_FALSE(CopierDossier(QStringLiteral("courrier"), false));
        EXPECT_EQ(poste.Messages().last(),
                  QStringLiteral("Disque plein (61) pendant la copie du fichier "
                                 "P:\\zelvano\\courrier\\a.txt"));
    }
}

// A read-only local file (a signed letter) that already holds the server's content is left as
// it is, whatever its time; one that differs is never replaced and is named with its cause.
TEST_F(CopieDossier, FichierLocalEnLectureSeule) {
    const auto lectureSeule = [&](const QString& chemin) {
        QFile::setPermissions(poste.Natif(chemin), QFile::ReadOwner | QFile::ReadGroup);
    };
    for (int modifies : {1, 0}) {
        for (int securisee : {1, 0}) {
            if (securisee == 0 && modifies == 0) {
                continue; // XCOPY replaces read-only files itself
            }
            poste.env.fenetre.lignes.clear();
            for (const char* nom : {"0.txt", "a.txt"}) {
                QFile::setPermissions(poste.Natif(D(QString::fromLatin1(nom))),
                                      QFile::ReadOwner | QFile::WriteOwner);
            }
            poste.Ecrire(S(QStringLiteral("0.txt")), "lettre signée", Le(9, 0, 0));
            poste.Ecrire(D(QStringLiteral("0.txt")), "lettre signée", Le(10, 0, 0));
            poste.Ecrire(S(QStringLiteral("a.txt")), "serveur a", Le(9, 0, 0));
            poste.Ecrire(D(QStringLiteral("a.txt")), "local a", Le(11, 0, 0));
            poste.Ecrire(S(QStringLiteral("c.txt")), "serveur c", Le(8, 0, 0));
            lectureSeule(D(QStringLiteral("0.txt")));
            lectureSeule(D(QStringLiteral("a.txt")));
            Modes(securisee, modifies);
            const bool copie = CopierDossier(QStringLiteral("courrier"), false);
            const QStringList m = poste.Messages();
            EXPECT_EQ(m.value(2), QStringLiteral("Fichier C:\\zelvano\\courrier\\a.txt en lecture "
                                                 "seule : ") +
                                      (securisee != 0 ? QStringLiteral("COPIE SECURISEE IMPOSSIBLE")
                                                      : QStringLiteral("fichier ignoré")))
                << qPrintable(m.join(QLatin1Char('\n')));
            // The secure ways stop there; the other goes on with the next file.
            EXPECT_EQ(copie, securisee == 0);
            EXPECT_EQ(poste.Existe(D(QStringLiteral("c.txt"))), securisee == 0);
            EXPECT_EQ(poste.Contenu(D(QStringLiteral("0.txt"))), "lettre signée");
            EXPECT_EQ(poste.Ecriture(D(QStringLiteral("0.txt"))), Le(10, 0, 0).toMSecsSinceEpoch());
            EXPECT_EQ(poste.Contenu(D(QStringLiteral("a.txt"))), "local a");
            QFile::remove(poste.Natif(D(QStringLiteral("c.txt"))));
        }
    }
}

// A file of a lot that cannot take its name is the one named, not the last one listed.
TEST_F(CopieDossier, LEchecDUnLotNommeSonFichier) {
    ArbreMixte();
    Modes(1, 0);
    const QString bloque = poste.Natif(D(QStringLiteral("a.txt")));
    const factices::CrochetCopie blocage([&bloque](const QString& source, const QString&) {
        if (source.endsWith(QLatin1String("\\d.txt"))) {
            QFile::remove(bloque);
            QDir().mkpath(bloque + QStringLiteral("/occupe")); // a.txt waits in the lot
        }
    });
    EXPECT_FALSE(CopierDossier(QStringLiteral("courrier"), false));
    const QString derniere = poste.Messages().last();
    EXPECT_TRUE(derniere.endsWith(QStringLiteral(" pendant la copie du fichier "
                                                 "P:\\zelvano\\courrier\\a.txt")))
        << derniere.toStdString();
}

// A synchronisation writes both bases within the same second: their times are equal although
// the local base is stale.
TEST_F(CopieDossier, LesBasesDuDossierBaseSontToujoursCopiees) {
    const QDateTime meme = Le(12, 0, 0);
    poste.Ecrire(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"), "base du serveur", meme);
    poste.Ecrire(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"), "base locale perimee", meme);
    poste.Ecrire(QStringLiteral("P:\\zelvano\\bd\\lisez-moi.txt"), "serveur", meme);
    // Same size too: only the bases are copied whatever their times and sizes say.
    poste.Ecrire(QStringLiteral("C:\\zelvano\\bd\\lisez-moi.txt"), "local..", meme);
    Modes(1, 1);
    ASSERT_TRUE(CopierDossier(QStringLiteral("bd"), true));
    EXPECT_EQ(poste.Messages().last(),
              QStringLiteral("-> 1/2 fichier(s) copié(s) en mode sécurisé (modifiés uniquement)"));
    EXPECT_EQ(poste.Contenu(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb")), "base du serveur");
    EXPECT_EQ(poste.Ecriture(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb")),
              meme.toMSecsSinceEpoch());
    EXPECT_EQ(poste.Contenu(QStringLiteral("C:\\zelvano\\bd\\lisez-moi.txt")), "local..");

    // A document folder keeps the rule of the times, bases included.
    poste.Ecrire(S(QStringLiteral("annexe.mdb")), "serveur", meme);
    poste.Ecrire(D(QStringLiteral("annexe.mdb")), "local..", meme);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("annexe.mdb"))), "local..");
}

TEST_F(CopieDossier, ProgrammeExterneCommandeEtAttente) {
    essais::ProcessusFactice processus;
    plateforme::RemplacementServices services({nullptr, nullptr, nullptr, nullptr, &processus});
    QDir().mkpath(poste.Natif(QStringLiteral("P:\\zelvano\\bd")));
    // Secure copy off: the database folder goes to XCOPY whatever modifiesuniquement says.
    Modes(0, 1);
    ASSERT_TRUE(CopierDossier(QStringLiteral("bd"), true));
    const QString ligne = QStringLiteral("xcopy.exe /Y /R P:\\zelvano\\bd C:\\zelvano\\bd /S");
    EXPECT_EQ(processus.lignes, QStringList{ligne});
    EXPECT_EQ(processus.styles, QList<int>{2});
    EXPECT_EQ(poste.Messages(),
              (Entete(QStringLiteral("bd")) +
               QStringList{QStringLiteral("-> 0 fichier(s) en cours de copie avec XCOPY.EXE"),
                           QStringLiteral("-> 0 fichier(s) copié(s) en mode non sécurisé")}));

    poste.env.fenetre.lignes.clear();
    processus.pid = 0;
    Modes(0, 0);
    EXPECT_FALSE(CopierDossier(QStringLiteral("bd"), false));
    EXPECT_EQ(
        poste.Messages(),
        (Entete(QStringLiteral("bd")) +
         QStringList{QStringLiteral("ERREUR : impossible d'exécuter '") + ligne + QLatin1Char('\''),
                     QStringLiteral("Vérifiez que le programme XCOPY.EXE est bien "
                                    "installé sur votre machine")}));
}

bool CopieEnCours() {
    for (const plateforme::Tache& t : plateforme::ListeTaches()) {
        if (t.ligneCommande.contains(QStringLiteral("xcopy.exe"))) {
            return true;
        }
    }
    return false;
}

// The real program in a child process, waited for through the task list.
TEST_F(CopieDossier, ProgrammeExterneReel) {
    poste.InstallerProgramme(QStringLiteral("xcopy.exe"));
    essais::EcranLent ecran(poste.env.horloge);
    plateforme::RemplacementServices services({nullptr, nullptr, &ecran, nullptr, nullptr});
    for (int i = 0; i < 40; ++i) {
        poste.Ecrire(S(QStringLiteral("lettre%1.txt").arg(i)), QByteArray(20000 + i, 'x'));
    }
    poste.Ecrire(S(QStringLiteral("gros.bin")), QByteArray(8 << 20, 'g'));
    poste.Ecrire(S(QStringLiteral("2026\\novembre.txt")), "sous-dossier plein");
    QDir().mkpath(poste.Natif(S(QStringLiteral("vide"))));
    poste.Ecrire(S(QStringLiteral(".cache")), "cache");
    Modes(0, 0);
    ASSERT_TRUE(CopierDossier(QStringLiteral("courrier"), false));
    EXPECT_EQ(
        poste.Messages(),
        (Entete() + QStringList{QStringLiteral("-> 41 fichier(s) en cours de copie avec XCOPY.EXE"),
                                QStringLiteral("-> 41 fichier(s) copié(s) en mode non sécurisé")}));
    EXPECT_FALSE(CopieEnCours());
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(poste.Contenu(D(QStringLiteral("lettre%1.txt").arg(i))).size(), 20000 + i);
    }
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("gros.bin"))), QByteArray(8 << 20, 'g'));
    EXPECT_EQ(poste.Ecriture(D(QStringLiteral("gros.bin"))),
              poste.Ecriture(S(QStringLiteral("gros.bin"))));
    EXPECT_EQ(poste.Contenu(D(QStringLiteral("2026\\novembre.txt"))), "sous-dossier plein");
    EXPECT_FALSE(poste.Existe(D(QStringLiteral("vide"))));
    EXPECT_FALSE(poste.Existe(D(QStringLiteral(".cache"))));
}

TEST(DatesFichier, TempsLocalALaSeconde) {
    const QDateTime utc(QDate(2026, 7, 14), QTime(8, 30, 15, 987), Qt::UTC);
    const QDateTime local = DateFichierLocale(utc);
    EXPECT_EQ(local.time().msec(), 0);
    EXPECT_EQ(local, utc.toLocalTime().addMSecs(-987));
    EXPECT_EQ(DateFichierLocale(QDateTime()), DateZero());
    EXPECT_EQ(DateZero(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));

    Poste poste;
    const QString fichier = QStringLiteral("C:\\zelvano\\a.txt");
    EXPECT_EQ(LireDatesFichier(fichier).derniereEcriture, DateZero());
    poste.Ecrire(fichier, "a", QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5, 600)));
    const DatesFichier dates = LireDatesFichier(fichier);
    EXPECT_EQ(dates.derniereEcriture, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
    EXPECT_NE(dates.creation, DateZero());
    EXPECT_NE(dates.dernierAcces, DateZero());
    EXPECT_EQ(LireDatesFichier(QStringLiteral("C:\\zelvano")).derniereEcriture, DateZero())
        << "a folder is not a plain file";
    EXPECT_EQ(DerniereEcritureLocale(QStringLiteral("C:\\zelvano"), false), DateZero());
    EXPECT_EQ(DerniereEcritureLocale(fichier, true), dates.derniereEcriture);
}

} // namespace
