// What a run keeps and tells of the local base it replaces: the safety copy, the local
// modifications that no synchronisation carries, the register of the renumbered records and the
// preview of the confirmations.
#include "init/empreintes.h"
#include "init/initialisation.h"
#include "init/sauvegarde.h"
#include "platform/fichiers.h"
#include "settings/bilan.h"
#include "settings/parametres.h"
#include "sync/registre.h"
#include "sync/synchronisation.h"
#include "sync/test_synchronisation_poste.h"
#include "sync/transfert.h"
#include "testutil/csv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using poste::BaseC;
using poste::BaseServeur;
using poste::InitTerminee;
using poste::SynchroTerminee;

namespace {

const QString Dossier = QStringLiteral("C:\\zelvano\\sauvegardes\\20261207-140509");
using essais::LignesCsv;

qint64 DernierNo(const char* table) {
    return poste::Brut(BaseC).Entier(
        QStringLiteral("select dernier_no from synchro where \"table\" = '%1'")
            .arg(QLatin1String(table)));
}

class SuiviSynchronisation : public poste::Poste {
protected:
    void SetUp() override {
        Poste::SetUp();
        GenererDemo(3);
        // The fingerprint the initialisation takes; the rows above dernier_no (the new records
        // of the demo) are new whatever it holds of them.
        EnregistrerEmpreintes();
    }

    // Work done on the laptop beside the new records: an old patient's town corrected, an old
    // consultation deleted, a row added to a table that is not synchronised, a new patient
    // edited (sent anyway).
    void TravailLocal() {
        poste::Brut local(BaseC);
        local.Executer(QStringLiteral("update patient set ville = 'Lyon' where identifiant = 2"));
        local.Executer(QStringLiteral("delete from consultation where identconsultation = 3"));
        local.Executer(QStringLiteral("insert into typeobjet (typeobjet, nomecran, libelle) values "
                                      "('dessin', 'nouvel écran', 'ajouté sur le portable')"));
        local.Executer(QStringLiteral("update patient set ville = 'Nantes' where identifiant = %1")
                           .arg(DernierNo("patient") + 1));
    }

    // dernier_no and the number of new records of each table of the local table synchro.
    static QMap<QString, qint64> Derniers() {
        QMap<QString, qint64> d;
        for (const poste::LigneSynchro& l : poste::LignesSynchro) {
            d.insert(QLatin1String(l.table), DernierNo(l.table));
        }
        return d;
    }
    static QMap<QString, qint64> Nouveaux() {
        QMap<QString, qint64> n;
        for (const poste::LigneSynchro& l : poste::LignesSynchro) {
            n.insert(QLatin1String(l.table),
                     Entier(BaseC, QStringLiteral("select count(*) from %1 where %2 > %3")
                                       .arg(QLatin1String(l.table), QLatin1String(l.champId))
                                       .arg(DernierNo(l.table))));
        }
        return n;
    }

    qint64 RangTypeObjetAjoute() const {
        return Entier(BaseC, QStringLiteral("select rowid from typeobjet where nomecran = "
                                            "'nouvel écran'"));
    }
};

TEST_F(SuiviSynchronisation, LeTravailPerduEstSignaleGardeEtLesRenumerotationsInscrites) {
    TravailLocal();
    const qint64 rangAjoute = RangTypeObjetAjoute();
    const poste::Photo avant = poste::Photographier(BaseC);
    const QMap<QString, qint64> derniers = Derniers();
    const QMap<QString, qint64> nouveaux = Nouveaux();
    // The local files of the new documents, before the initialisation replaces them.
    QMap<QString, QByteArray> fichiersLocaux;
    for (const char* table : {"courrier", "cro", "correspondance"}) {
        for (const QString& l :
             poste::Brut(BaseC).Lignes(QStringLiteral("select nomfichier from %1 where nomfichier "
                                                      "<> ''")
                                           .arg(QLatin1String(table)))) {
            const QString local =
                QStringLiteral("C:\\") + l.section(QStringLiteral("=T:"), 1).mid(3);
            if (EstFichier(local)) {
                fichiersLocaux.insert(local, Contenu(local));
            }
        }
    }
    Bilan().Commencer();

    LancerSynchronisation();

    const QStringList m = env.fenetre.MessagesComplets();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(m.count(InitTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();

    // Told before anything is sent, right after the run's first lines.
    const QString attention =
        QStringLiteral("ATTENTION : 3 modification(s) de la base locale ne seront pas recopiées "
                       "sur la base distante (détail : ") +
        Dossier + QStringLiteral("\\modifications.csv)");
    ASSERT_EQ(m.indexOf(attention), 3) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(
        LignesCsv(Contenu(Dossier + QStringLiteral("\\modifications.csv"))),
        (QStringList{QStringLiteral("table;identifiant;nature"),
                     QStringLiteral("consultation;3;supprimé"), QStringLiteral("patient;2;modifié"),
                     QStringLiteral("typeobjet;%1;ajouté").arg(rangAjoute)}));

    // The register: one line per record sent, each naming the server's row and file.
    const qsizetype ligneRegistre = m.indexOf(QStringLiteral("Registre des renumérotations : ") +
                                              Dossier + QStringLiteral("\\renumerotations.csv"));
    EXPECT_GT(ligneRegistre, m.indexOf(attention));
    EXPECT_LT(ligneRegistre, m.indexOf(SynchroTerminee));
    const QStringList registre =
        LignesCsv(Contenu(Dossier + QStringLiteral("\\renumerotations.csv")));
    ASSERT_FALSE(registre.isEmpty());
    EXPECT_EQ(registre.first(),
              QStringLiteral("table;ancien;nouveau;fichier_local;fichier_serveur"));
    poste::Brut serveur(BaseServeur);
    QMap<QString, int> parTable;
    int avecFichier = 0;
    for (qsizetype i = 1; i < registre.size(); ++i) {
        const QStringList champs = registre[i].split(QLatin1Char(';'));
        ASSERT_EQ(champs.size(), 5) << registre[i].toStdString();
        const QString table = champs[0];
        ++parTable[table];
        const QString champId = table == QLatin1String("patient") ? QStringLiteral("identifiant")
                                : table == QLatin1String("objet") ? QStringLiteral("identobjet")
                                                                  : QStringLiteral("ident") + table;
        EXPECT_GT(champs[1].toLongLong(), derniers.value(table)) << registre[i].toStdString();
        EXPECT_EQ(serveur.Entier(QStringLiteral("select count(*) from %1 where %2 = %3")
                                     .arg(table, champId, champs[2])),
                  1)
            << registre[i].toStdString();
        if (champs[3].isEmpty()) {
            EXPECT_TRUE(champs[4].isEmpty());
            continue;
        }
        ++avecFichier;
        if (table != QLatin1String("objet")) {
            EXPECT_EQ(serveur.Lignes(QStringLiteral("select nomfichier from %1 where %2 = %3")
                                         .arg(table, champId, champs[2])),
                      QStringList{QStringLiteral("nomfichier=T:") + champs[4]});
            EXPECT_EQ(Contenu(champs[4]), fichiersLocaux.value(champs[3]))
                << champs[3].toStdString();
        } else {
            EXPECT_TRUE(EstFichier(champs[4])) << champs[4].toStdString();
        }
    }
    for (const QString& table : nouveaux.keys()) {
        EXPECT_EQ(parTable.value(table), nouveaux[table]) << table.toStdString();
    }
    EXPECT_EQ(parTable.value(QStringLiteral("patient")), 3);
    EXPECT_GT(avecFichier, 0);
    EXPECT_EQ(Bilan().EnregistrementsEnvoyes(), registre.size() - 1);
    EXPECT_EQ(Bilan().FichiersEnvoyes(), avecFichier);
    EXPECT_GT(Bilan().FichiersCopies(), 0);

    // The safety copy: the local base as the initialisation found it (the run had emptied its
    // table synchro, and nothing else).
    EXPECT_TRUE(m.contains(QStringLiteral("Sauvegarde de la base locale dans ") + Dossier));
    poste::Photo copie = poste::Photographier(Dossier + QStringLiteral("\\zelvano.mdb"));
    poste::Photo attendu = avant;
    copie.remove(QStringLiteral("synchro"));
    attendu.remove(QStringLiteral("synchro"));
    EXPECT_EQ(poste::Decrire(copie), poste::Decrire(attendu));

    // The new local base has its fingerprint: nothing to report until the next edit.
    const ModificationsLocales apres = AnalyserModificationsLocales(false);
    EXPECT_TRUE(apres.empreinte);
    EXPECT_TRUE(apres.lignes.isEmpty());
}

TEST_F(SuiviSynchronisation, UneInitialisationManuelleCompteAussiLesNouveauxJamaisEnvoyes) {
    TravailLocal();
    qint64 nouveaux = 0;
    for (const qint64 n : Nouveaux()) {
        nouveaux += n;
    }
    ASSERT_GT(nouveaux, 3);
    const qint64 dernierPatient = DernierNo("patient");
    const poste::Photo avant = poste::Photographier(BaseC);

    LancerInitialisationManuelle();

    const QStringList m = env.fenetre.MessagesComplets();
    ASSERT_EQ(m.count(InitTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m[3], QStringLiteral("ATTENTION : %1 modification(s) de la base locale ne seront "
                                   "pas recopiées sur la base distante (détail : %2\\"
                                   "modifications.csv)")
                        .arg(3 + nouveaux)
                        .arg(Dossier));
    const QStringList lignes = LignesCsv(Contenu(Dossier + QStringLiteral("\\modifications.csv")));
    EXPECT_EQ(lignes.size(), 1 + 3 + nouveaux);
    EXPECT_TRUE(lignes.contains(QStringLiteral("patient;%1;ajouté").arg(dernierPatient + 1)));
    // Nothing of it is lost: the copy is the local base, byte for byte in its rows.
    EXPECT_EQ(m[4], QStringLiteral("Sauvegarde de la base locale dans ") + Dossier);
    EXPECT_FALSE(EstFichier(Dossier + QStringLiteral("\\renumerotations.csv")));
    const QString copie = Dossier + QStringLiteral("\\zelvano.mdb");
    EXPECT_EQ(poste::Decrire(poste::Photographier(copie)), poste::Decrire(avant));
}

TEST_F(SuiviSynchronisation, LApercuCompteParTableEtNommeLesModifications) {
    TravailLocal();
    const QMap<QString, qint64> nouveaux = Nouveaux();
    const qint64 lettres =
        Entier(BaseC, QStringLiteral("select count(*) from courrier where identcourrier > %1 and "
                                     "nomfichier <> ''")
                          .arg(DernierNo("courrier")));
    ASSERT_GT(lettres, 0);
    const QString apercu = ApercuBaseLocale(false);
    const QStringList lignes = apercu.split(QLatin1Char('\n'));
    EXPECT_EQ(lignes.first(), QStringLiteral("Nouveaux enregistrements qui seront envoyés :"));
    EXPECT_TRUE(lignes.contains(QStringLiteral("  patient : 3"))) << apercu.toStdString();
    EXPECT_TRUE(lignes.contains(QStringLiteral("  courrier : %1 (dont %2 avec document)")
                                    .arg(nouveaux.value(QStringLiteral("courrier")))
                                    .arg(lettres)))
        << apercu.toStdString();
    for (const QString& attendu :
         {QStringLiteral("Modifications de la base locale qui ne seront pas recopiées sur la base "
                         "distante : 3"),
          QStringLiteral("  consultation (supprimé) : 1"),
          QStringLiteral("  patient (modifié) : 1"), QStringLiteral("  typeobjet (ajouté) : 1"),
          QStringLiteral("    patient 2 : modifié")}) {
        EXPECT_TRUE(lignes.contains(attendu)) << attendu.toStdString() << "\n"
                                              << apercu.toStdString();
    }
    // Before an initialisation, the same new records are those that will be lost.
    EXPECT_TRUE(ApercuBaseLocale(true).startsWith(
        QStringLiteral("Nouveaux enregistrements jamais envoyés, qui seront remplacés :\n  "
                       "patient : 3\n")));
}

// Where a test plants a file to make the safety copy after the commit fail.
QString& Obstacle() {
    static QString chemin;
    return chemin;
}

// The records a synchronisation committed are sent, even when the initialisation after it
// stops: nothing may call them lost, which would invite the user to type them again.
TEST_F(SuiviSynchronisation, LesEnregistrementsEnvoyesNeSontJamaisDitsPerdus) {
    TravailLocal();
    Obstacle() = env.machine.Natif(Dossier + QStringLiteral("\\zelvano.mdb"));
    {
        const poste::EtapesFactices etapes([](EtapeSynchronisation etape) {
            if (etape == EtapeSynchronisation::Validee) {
                ASSERT_TRUE(QDir().mkpath(Obstacle())); // a folder where the copy goes
            }
        });
        LancerSynchronisation();
    }
    QStringList m = env.fenetre.MessagesComplets();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(m.count(InitTerminee), 0) << m.join(QLatin1Char('\n')).toStdString();

    const QString attention = QStringLiteral("ATTENTION : 3 modification(s) de la base locale ne "
                                             "seront pas recopiées sur la base distante");
    QStringList natures;
    for (const ModificationLocale& l : AnalyserModificationsLocales(true).lignes) {
        natures.append(l.table + QLatin1Char(' ') + l.nature);
    }
    EXPECT_EQ(natures,
              (QStringList{QStringLiteral("consultation supprimé"),
                           QStringLiteral("patient modifié"), QStringLiteral("typeobjet ajouté")}));
    EXPECT_TRUE(ApercuBaseLocale(true).contains(QStringLiteral("  Total : 0 enregistrement(s)")));
    env.fenetre.lignes.clear();
    LancerInitialisationManuelle();
    m = env.fenetre.MessagesComplets();
    EXPECT_EQ(m.count(InitTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m.filter(attention).size(), 1) << m.join(QLatin1Char('\n')).toStdString();
}

// Signed letters are often read-only on the laptop: the initialisation after the run leaves
// those that hold the server's content as they are, and the server's copies can be written.
TEST_F(SuiviSynchronisation, LesLettresEnLectureSeuleNeBloquentRien) {
    QStringList locaux;
    for (const QString& l :
         poste::Brut(BaseC).Lignes(QStringLiteral("select nomfichier from courrier where "
                                                  "identcourrier > %1 and nomfichier <> ''")
                                       .arg(DernierNo("courrier")))) {
        const QString local = QStringLiteral("C:\\") + l.section(QStringLiteral("=T:"), 1).mid(3);
        if (EstFichier(local)) {
            locaux.append(local);
            QFile::setPermissions(env.machine.Natif(local), QFile::ReadOwner | QFile::ReadGroup);
        }
    }
    ASSERT_FALSE(locaux.isEmpty());
    LancerSynchronisation();
    const QStringList m = env.fenetre.MessagesComplets();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m.count(InitTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    const QStringList registre =
        LignesCsv(Contenu(Dossier + QStringLiteral("\\renumerotations.csv")));
    int vus = 0;
    for (const QString& ligne : registre.filter(QStringLiteral("courrier;"))) {
        const QString serveur = ligne.section(QLatin1Char(';'), 4);
        if (!serveur.isEmpty()) {
            ++vus;
            EXPECT_TRUE(QFileInfo(env.machine.Natif(serveur)).permissions() & QFile::WriteOwner)
                << serveur.toStdString();
        }
    }
    EXPECT_GT(vus, 0);
}

// An object whose type has no rule is never sent: it is said so before the run, not counted
// among the records sent.
TEST_F(SuiviSynchronisation, UnObjetSansRegleEstDitNonEnvoye) {
    const qint64 objet = Entier(BaseC, QStringLiteral("select max(identobjet) from objet")) + 1;
    ASSERT_GT(objet, DernierNo("objet"));
    Executer(BaseC, QStringLiteral("insert into objet (identobjet, identpatient, attachobjet, "
                                   "typeobjet, nomfichier) values (%1, 1, 'consultation', "
                                   "'inconnu', 'sans regle.bin')")
                        .arg(objet));
    const auto objets = [](bool envoyes) {
        for (const NouveauxTable& n : CompterNouveauxEnregistrements(envoyes)) {
            if (n.table == QLatin1String("objet")) {
                return std::pair{n.enregistrements, n.documents};
            }
        }
        return std::pair<qint64, qint64>{-1, -1};
    };
    const auto [tous, documentsTous] = objets(false);
    const auto [envoyes, documentsEnvoyes] = objets(true);
    EXPECT_EQ(envoyes, tous - 1);
    EXPECT_EQ(documentsEnvoyes, documentsTous - 1);
    EXPECT_TRUE(
        ApercuBaseLocale(false).contains(QStringLiteral("objet %1 : non envoyé").arg(objet)));

    LancerSynchronisation();
    const QStringList m = env.fenetre.MessagesComplets();
    ASSERT_EQ(m.count(SynchroTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m[3], QStringLiteral("ATTENTION : 1 modification(s) de la base locale ne seront pas "
                                   "recopiées sur la base distante (détail : ") +
                        Dossier + QStringLiteral("\\modifications.csv)"));
    EXPECT_EQ(LignesCsv(Contenu(Dossier + QStringLiteral("\\modifications.csv"))),
              (QStringList{QStringLiteral("table;identifiant;nature"),
                           QStringLiteral("objet;%1;non envoyé").arg(objet)}));
    EXPECT_TRUE(LignesCsv(Contenu(Dossier + QStringLiteral("\\renumerotations.csv")))
                    .filter(QStringLiteral("objet;%1;").arg(objet))
                    .isEmpty());
}

// The register names only what is there: a server file only when its copy went through, its
// own path when it cannot be made.
TEST_F(SuiviSynchronisation, LeRegistreNeNommeQueCeQuiExiste) {
    const QString local = QStringLiteral("C:\\zelvano\\courrier\\essai.doc");
    const QString occupe = QStringLiteral("P:\\zelvano\\courrier\\xA999999.doc");
    Ecrire(local, "lettre");
    QDir().mkpath(env.machine.Natif(occupe)); // a folder holds the name on the server
    CopierFichierEnregistrement(local, occupe);
    EXPECT_EQ(FichierEnregistrementCourant().local, local);
    EXPECT_TRUE(FichierEnregistrementCourant().serveur.isEmpty());
    const QString libre = QStringLiteral("P:\\zelvano\\courrier\\xA999998.doc");
    CopierFichierEnregistrement(local, libre);
    EXPECT_EQ(FichierEnregistrementCourant().serveur, libre);
    FichiersEcritsSurServeur().clear();

    env.machine.EcrireFichier(Dossier, "pas un dossier");
    Param().sauvegardes = 0;
    LancerSynchronisation();
    const QStringList m = env.fenetre.MessagesComplets();
    EXPECT_EQ(m.count(SynchroTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m.filter(QStringLiteral("ATTENTION : le registre des renumérotations ") + Dossier +
                       QStringLiteral("\\renumerotations.csv n'a pas pu être créé : "))
                  .size(),
              1)
        << m.join(QLatin1Char('\n')).toStdString();
}

TEST_F(SuiviSynchronisation, SansEmpreinteLeJournalLeDitUneFoisEtLaSynchroContinue) {
    QFile::remove(env.machine.Natif(CheminEmpreintes()));
    LancerSynchronisation();
    const QStringList m = env.fenetre.MessagesComplets();
    EXPECT_EQ(m.count(SynchroTerminee), 3);
    EXPECT_EQ(m.filter(QStringLiteral("sans empreinte")).size(), 1);
    EXPECT_EQ(m[3], QStringLiteral("Base locale initialisée sans empreinte : ses modifications ne "
                                   "peuvent pas être recherchées avant la prochaine "
                                   "initialisation."));
    // The initialisation after it took one.
    EXPECT_TRUE(EstFichier(CheminEmpreintes()));
}

TEST_F(SuiviSynchronisation, UneSynchroAnnuleeLeDitALaFinDeSonRegistre) {
    // The server refuses the reports: the run stops in the middle and rolls everything back.
    Executer(BaseServeur, QStringLiteral("create trigger refus before insert on cro begin select "
                                         "raise(abort, 'refusé'); end"));
    const qint64 patientsAvant =
        Entier(BaseServeur, QStringLiteral("select count(*) from patient"));
    LancerSynchronisation();
    const QStringList m = env.fenetre.MessagesComplets();
    ASSERT_EQ(m.count(SynchroTerminee), 0) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Entier(BaseServeur, QStringLiteral("select count(*) from patient")), patientsAvant);
    const QStringList registre =
        LignesCsv(Contenu(Dossier + QStringLiteral("\\renumerotations.csv")));
    ASSERT_GE(registre.size(), 3);
    EXPECT_TRUE(registre[1].startsWith(QStringLiteral("patient;")));
    EXPECT_EQ(registre.last(), QStringLiteral("SYNCHRONISATION ANNULEE : aucun de ces "
                                              "enregistrements n'a été gardé sur la base "
                                              "distante"));
}

} // namespace

namespace {

class SauvegardesLocales : public poste::Poste {
protected:
    void SetUp() override {
        Poste::SetUp();
        GenererDemo(0);
    }

    QStringList Dossiers() const {
        QStringList noms = QDir(env.machine.Natif(DossierSauvegardes()))
                               .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        return noms;
    }
};

TEST_F(SauvegardesLocales, LesPlusAnciennesPartentAuDelaDuReglage) {
    Param().sauvegardes = 2;
    env.machine.EcrireFichier(DossierSauvegardes() + QStringLiteral("\\notes\\a garder.txt"), "x");
    const QDateTime debut(QDate(2026, 12, 7), QTime(14, 5, 9));
    for (int i = 0; i < 3; ++i) {
        env.horloge.Definir(debut.addSecs(60 * i));
        LancerInitialisationManuelle();
    }
    // Two runs in the same second get a folder each.
    env.horloge.Definir(debut.addSecs(120));
    LancerInitialisationManuelle();
    EXPECT_EQ(Dossiers(),
              (QStringList{QStringLiteral("20261207-140709"), QStringLiteral("20261207-140709-2"),
                           QStringLiteral("notes")}));
    for (const QString& nom :
         {QStringLiteral("20261207-140709"), QStringLiteral("20261207-140709-2")}) {
        EXPECT_TRUE(EstFichier(DossierSauvegardes() + QLatin1Char('\\') + nom +
                               QStringLiteral("\\zelvano.mdb")));
    }
    EXPECT_EQ(env.fenetre.MessagesComplets().count(InitTerminee), 3 * 4);
}

// Runs that fail away from the practice never cost a copy: only the folders holding one count,
// by the time the copy was written, and they go only once a new copy is made.
TEST_F(SauvegardesLocales, LesEchecsNeCoutentAucuneCopie) {
    Param().sauvegardes = 2;
    const QDateTime debut(QDate(2026, 12, 7), QTime(14, 5, 9));
    for (int i = 0; i < 2; ++i) {
        env.horloge.Definir(debut.addSecs(60 * i));
        LancerInitialisationManuelle();
    }
    const QStringList copies{QStringLiteral("20261207-140509"), QStringLiteral("20261207-140609")};
    ASSERT_EQ(Dossiers(), copies);
    // An edit to report (a deletion, which no run carries), and no server: three runs each
    // leave their report and fail.
    poste::Brut(BaseC).Executer(
        QStringLiteral("delete from consultation where identconsultation = 3"));
    QFile::rename(env.machine.Natif(BaseServeur), env.machine.Natif(BaseServeur) + ".ailleurs");
    for (int i = 0; i < 3; ++i) {
        env.horloge.Definir(debut.addSecs(3600 + 60 * i));
        LancerSynchronisation();
        ASSERT_EQ(env.fenetre.MessagesComplets().count(poste::SynchroTerminee), 0);
    }
    QStringList restants = Dossiers();
    for (const QString& nom : copies) {
        EXPECT_TRUE(EstFichier(DossierSauvegardes() + QLatin1Char('\\') + nom +
                               QStringLiteral("\\zelvano.mdb")))
            << nom.toStdString();
    }
    EXPECT_EQ(restants.size(), 4) << restants.join(QLatin1Char(' ')).toStdString();

    // Every base of the folder has its copy. The clock turned back: the newest copies stay
    // whatever their names say.
    QFile::rename(env.machine.Natif(BaseServeur) + ".ailleurs", env.machine.Natif(BaseServeur));
    QFile::copy(env.machine.Natif(BaseC),
                env.machine.Natif(QStringLiteral("C:\\zelvano\\bd\\modeles.mdb")));
    for (int i = 0; i < 2; ++i) {
        env.horloge.Definir(debut.addSecs(-3600 + 60 * i));
        LancerInitialisationManuelle();
    }
    restants = Dossiers();
    EXPECT_FALSE(restants.contains(copies[0])) << restants.join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(restants.contains(copies[1])) << restants.join(QLatin1Char(' ')).toStdString();
    for (const QString& nom :
         {QStringLiteral("20261207-130509"), QStringLiteral("20261207-130609")}) {
        for (const QString& base : {QStringLiteral("zelvano.mdb"), QStringLiteral("modeles.mdb")}) {
            EXPECT_TRUE(EstFichier(DossierSauvegardes() + QLatin1Char('\\') + nom +
                                   QLatin1Char('\\') + base))
                << nom.toStdString() << ' ' << base.toStdString();
        }
    }
}

// A run taken up again in a folder that already holds a copy keeps it and makes its own.
TEST_F(SauvegardesLocales, UneCopieDejaLaNEstJamaisRemplacee) {
    const QString dossier = DossierExecution();
    Ecrire(dossier + QStringLiteral("\\zelvano.mdb"), "copie d'avant");
    EXPECT_TRUE(SauvegarderBaseLocale());
    FinExecution();
    EXPECT_EQ(Contenu(dossier + QStringLiteral("\\zelvano.mdb")), QByteArray("copie d'avant"));
    EXPECT_TRUE(EstFichier(dossier + QStringLiteral("-2\\zelvano.mdb")));
}

TEST_F(SauvegardesLocales, ZeroNeGardeAucuneCopie) {
    Param().sauvegardes = 0;
    LancerInitialisationManuelle();
    const QStringList m = env.fenetre.MessagesComplets();
    EXPECT_EQ(m.count(InitTerminee), 3);
    EXPECT_TRUE(m.filter(QStringLiteral("Sauvegarde de la base locale")).isEmpty());
    EXPECT_TRUE(Dossiers().isEmpty());
    // The fingerprint is taken all the same.
    EXPECT_TRUE(EstFichier(CheminEmpreintes()));
}

TEST_F(SauvegardesLocales, UneCopieImpossibleArreteLInitialisationSansRienRemplacer) {
    const QString document = QStringLiteral("C:\\zelvano\\courrier\\modifie sur le portable.doc");
    Ecrire(document, "à garder");
    const QByteArray base = Contenu(BaseC);
    // A file where the safety folders go: nothing can be made there.
    env.machine.EcrireFichier(DossierSauvegardes(), "pas un dossier");

    LancerInitialisationManuelle();

    const QStringList m = env.fenetre.MessagesComplets();
    EXPECT_EQ(m.count(InitTerminee), 0);
    const QStringList erreurs = m.filter(QStringLiteral("ERREUR : la sauvegarde de la base locale "
                                                        "C:\\zelvano\\bd\\zelvano.mdb dans "));
    ASSERT_EQ(erreurs.size(), 1) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(erreurs[0].contains(QStringLiteral("sauvegardes=0 dans la section [options]")));
    EXPECT_EQ(m.mid(m.indexOf(erreurs[0]) + 1, 2),
              (QStringList{QStringLiteral(" "), QStringLiteral("INFORMATION TRES IMPORTANTE")}));
    EXPECT_TRUE(m.filter(QStringLiteral("Copie du dossier")).isEmpty());
    EXPECT_EQ(Contenu(BaseC), base);
    EXPECT_EQ(Contenu(document), QByteArray("à garder"));
}

} // namespace
