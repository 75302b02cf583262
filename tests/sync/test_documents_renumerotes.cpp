// The files of records renumbered by a synchronisation take on the server names that older
// files of the workstation bear. Written together, those files share their time and size: the
// initialisation after the synchronisation must still bring every one of them, so that each
// record of the new local base opens its own document, in every copy mode.
#include "init/fichiers_synchronises.h"
#include "init/initialisation.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "settings/parametres.h"
#include "sync/synchronisation.h"
#include "sync/test_synchronisation_poste.h"
#include "testutil/copies_en_panne.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using poste::BaseC;
using poste::BaseServeur;
using poste::InitTerminee;
using poste::SynchroTerminee;

namespace {

const QString ListeSurDisque = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb.fichiers-synchro");

struct ModeCopie {
    const char* nom;
    qint16 securisee;
    qint16 modifies;
    bool robocopy;
};

void PrintTo(const ModeCopie& mode, std::ostream* os) {
    *os << mode.nom;
}

struct TableDocuments {
    const char* table;
    const char* champId;
};
const TableDocuments Documents[] = {
    {"courrier", "identcourrier"}, {"cro", "identcro"}, {"correspondance", "identcorrespondance"}};

// The text after "=T:" of a row of poste::Brut::Lignes.
QString Valeur(const QString& ligne) {
    return ligne.section(QStringLiteral("=T:"), 1);
}

class DocumentsRenumerotes : public poste::Poste {
protected:
    factices::Systeme systeme;
    factices::EcranLent ecran{env.horloge};
    std::unique_ptr<plateforme::RemplacementServices> services;
    QMap<QString, QByteArray> avant; // local files of the new records, before the run

    void SetUp() override {
        Poste::SetUp();
        systeme.version = {2, 5, 1, 2600, 3, 0}; // XP: ROBOCOPY usable when installed
        services = std::make_unique<plateforme::RemplacementServices>(
            plateforme::Services{nullptr, nullptr, &ecran, &systeme, nullptr});
        GenererDemo(6);
        AutrePosteEcritSurLeServeur();
        LotLocalAuxMemesDatesEtTailles();
    }

    void Installer(const QString& nom) const {
        ASSERT_TRUE(QFile::link(factices::DossierBinaires() + QLatin1Char('/') + nom,
                                plateforme::CheminNatif(plateforme::DossierProgramme()) +
                                    QLatin1Char('/') + nom));
    }

    void Regler(const ModeCopie& mode) {
        Param().copiesecurisee = mode.securisee;
        Param().modifiesuniquement = mode.modifies;
        if (mode.securisee == 0) {
            Installer(QStringLiteral("xcopy.exe"));
        }
        if (mode.robocopy) {
            Installer(QStringLiteral("robocopy.exe"));
        }
    }

    // Since the local copy was made, another workstation saved letters, reports,
    // correspondence and objects on the server: the local new records move up on the way.
    void AutrePosteEcritSurLeServeur() {
        poste::Brut serveur(BaseServeur);
        for (const TableDocuments& t : Documents) {
            const QString table = QLatin1String(t.table);
            for (int i = 0; i < 2; ++i) {
                serveur.Executer(
                    QStringLiteral("insert into %1 (%2, identifiant, nomfichier) select "
                                   "max(%2) + 1, 1, 'P:\\zelvano\\autre\\' || (max(%2) + 1) || "
                                   "'.doc' from %1")
                        .arg(table, QLatin1String(t.champId)));
            }
        }
        for (int i = 0; i < 3; ++i) {
            serveur.Executer(QStringLiteral("insert into objet (identobjet, identpatient, "
                                            "typeobjet, nomfichier) select max(identobjet) + 1, "
                                            "1, 'alerte', 'autre.ale' from objet"));
        }
    }

    // The local files of the new records, rewritten as a batch leaves them: one time for all,
    // one size for all, each its own content.
    void LotLocalAuxMemesDatesEtTailles() {
        const QDateTime lot(QDate(2026, 12, 7), QTime(18, 30, 0));
        QStringList fichiers;
        for (const TableDocuments& t : Documents) {
            const qint64 dernier = Entier(
                BaseC, QStringLiteral("select dernier_no from synchro where \"table\" = '%1'")
                           .arg(QLatin1String(t.table)));
            for (const QString& l : poste::Brut(BaseC).Lignes(
                     QStringLiteral("select nomfichier from %1 where %2 > %3 and nomfichier <> ''")
                         .arg(QLatin1String(t.table), QLatin1String(t.champId))
                         .arg(dernier))) {
                fichiers.append(QStringLiteral("C:\\") + Valeur(l).mid(3));
            }
        }
        const qint64 dernierObjet = Entier(
            BaseC, QStringLiteral("select dernier_no from synchro where \"table\" = 'objet'"));
        for (const QString& l : poste::Brut(BaseC).Lignes(
                 QStringLiteral("select nomfichier from objet where identobjet > %1")
                     .arg(dernierObjet))) {
            const QString chemin = QStringLiteral("C:\\zelvano\\data\\") + Valeur(l);
            if (EstFichier(chemin)) {
                fichiers.append(chemin);
            }
        }
        ASSERT_GE(fichiers.size(), 12);
        for (qsizetype i = 0; i < fichiers.size(); ++i) {
            const QByteArray contenu = QStringLiteral("document local n° %1 ")
                                           .arg(i, 4, 10, QLatin1Char('0'))
                                           .toUtf8()
                                           .leftJustified(64, '.');
            Ecrire(fichiers[i], contenu);
            plateforme::DefinirDerniereEcriture(fichiers[i], lot.toUTC());
            avant.insert(fichiers[i], contenu);
        }
    }

    // Every document and object file the new local base names, and the server's file of the
    // same name; `remplaces` counts those whose content the run had to change although their
    // time and size were those of the file already there.
    void VerifierChaqueDocument(int& remplaces) const {
        remplaces = 0;
        QStringList chemins;
        for (const TableDocuments& t : Documents) {
            for (const QString& l : poste::Brut(BaseC).Lignes(
                     QStringLiteral("select nomfichier from %1 where nomfichier like 'P:\\%'")
                         .arg(QLatin1String(t.table)))) {
                chemins.append(Valeur(l).mid(3));
            }
        }
        for (const QString& l : poste::Brut(BaseC).Lignes(
                 QStringLiteral("select nomfichier from objet where typeobjet <> 'objinfo' and "
                                "nomfichier <> ''"))) {
            chemins.append(QStringLiteral("zelvano\\data\\") + Valeur(l));
        }
        int compares = 0;
        for (const QString& relatif : chemins) {
            const QString serveur = QStringLiteral("P:\\") + relatif;
            const QString local = QStringLiteral("C:\\") + relatif;
            if (!EstFichier(serveur)) {
                continue; // a record whose file was never there
            }
            ++compares;
            ASSERT_TRUE(EstFichier(local)) << local.toStdString();
            EXPECT_EQ(Contenu(local), Contenu(serveur)) << local.toStdString();
            const auto ancien = avant.constFind(local);
            if (ancien != avant.constEnd() && *ancien != Contenu(local)) {
                ++remplaces;
            }
        }
        EXPECT_GT(compares, 50);
    }

    void VerifierRunComplet() const {
        const QStringList m = Messages();
        EXPECT_EQ(m.count(SynchroTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(m.count(InitTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
        for (const QString& l : m) {
            EXPECT_FALSE(l.startsWith(QStringLiteral("ERREUR"))) << l.toStdString();
        }
    }
};

class DocumentsParMode : public DocumentsRenumerotes,
                         public ::testing::WithParamInterface<ModeCopie> {};

TEST_P(DocumentsParMode, ChaqueEnregistrementOuvreSonPropreDocument) {
    Regler(GetParam());
    LancerSynchronisation();
    VerifierRunComplet();
    int remplaces = 0;
    VerifierChaqueDocument(remplaces);
    // The batch did fall on names of older local files: without the list of the files the
    // synchronisation wrote, times and sizes alike would have kept the wrong contents.
    EXPECT_GE(remplaces, 5);
    EXPECT_FALSE(EstFichier(ListeSurDisque)) << "brought: the list is forgotten";
}

INSTANTIATE_TEST_SUITE_P(Modes, DocumentsParMode,
                         ::testing::Values(ModeCopie{"SecuriseModifies", 1, 1, false},
                                           ModeCopie{"ModifiesNonSecurise", 0, 1, false},
                                           ModeCopie{"Xcopy", 0, 0, false},
                                           ModeCopie{"Robocopy", 0, 1, true}),
                         [](const ::testing::TestParamInfo<ModeCopie>& info) {
                             return std::string(info.param.nom);
                         });

// The initialisation after the synchronisation fails before the letters: the list stays beside
// the local base and the next initialisation brings them.
TEST_F(DocumentsRenumerotes, UneInitialisationManqueeLaisseLaListeALaSuivante) {
    Regler({"SecuriseModifies", 1, 1, false});
    {
        const factices::CrochetCopie refus([](const QString&, const QString& destination) {
            if (destination.startsWith(QStringLiteral("C:\\zelvano\\courrier\\"))) {
                plateforme::Lever(plateforme::err::PermissionRefusee);
            }
        });
        LancerSynchronisation();
    }
    EXPECT_EQ(Messages().count(SynchroTerminee), 3);
    EXPECT_EQ(Messages().count(InitTerminee), 0);
    ASSERT_TRUE(EstFichier(ListeSurDisque));
    const QString liste = QString::fromUtf8(Contenu(ListeSurDisque));
    EXPECT_TRUE(liste.contains(QStringLiteral("zelvano\\courrier\\xA")));
    EXPECT_TRUE(liste.contains(QStringLiteral("zelvano\\data\\FI")));

    env.fenetre.lignes.clear();
    LancerInitialisation();
    EXPECT_EQ(Messages().count(InitTerminee), 3)
        << Messages().join(QLatin1Char('\n')).toStdString();
    int remplaces = 0;
    VerifierChaqueDocument(remplaces);
    EXPECT_GE(remplaces, 5);
    EXPECT_FALSE(EstFichier(ListeSurDisque));
}

// A file of the list that can be neither found nor written: told, and the initialisation fails
// rather than leave a record on another record's file.
TEST_F(DocumentsRenumerotes, FichierDeLaListeIntrouvableOuImpossibleACopier) {
    Regler({"Robocopy", 0, 1, true});
    AjouterFichiersSynchronises({QStringLiteral("P:\\zelvano\\courrier\\absent.doc"),
                                 QStringLiteral("Q:\\ailleurs\\ignore.doc")});
    EXPECT_EQ(QString::fromUtf8(Contenu(ListeSurDisque)),
              QStringLiteral("zelvano\\courrier\\absent.doc\r\n"));
    LancerInitialisation();
    EXPECT_TRUE(Messages().contains(QStringLiteral(
        "ATTENTION : le fichier P:\\zelvano\\courrier\\absent.doc écrit par la dernière "
        "synchronisation n'est plus dans la base distante")));
    EXPECT_EQ(Messages().count(InitTerminee), 3);

    Ecrire(QStringLiteral("P:\\zelvano\\courrier\\present.doc"), "serveur");
    AjouterFichiersSynchronises({QStringLiteral("P:\\zelvano\\courrier\\present.doc")});
    env.fenetre.lignes.clear();
    {
        const factices::CrochetCopie plein([](const QString&, const QString& destination) {
            if (destination.endsWith(QStringLiteral("present.doc"))) {
                plateforme::Lever(plateforme::err::DisquePlein);
            }
        });
        LancerInitialisation();
    }
    const QStringList m = Messages();
    EXPECT_EQ(m.count(InitTerminee), 0);
    EXPECT_TRUE(std::any_of(m.cbegin(), m.cend(), [](const QString& l) {
        return l.startsWith(QStringLiteral("ERREUR : le fichier P:\\zelvano\\courrier\\present.doc "
                                           "de la dernière synchronisation n'a pas pu être "
                                           "recopié vers C:\\zelvano\\courrier\\present.doc : "));
    })) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(EstFichier(ListeSurDisque)) << "kept for the next initialisation";
}

} // namespace
