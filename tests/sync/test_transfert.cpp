// Record transfer with renumbering: identifiers, patient links, dossier numbers, the map, and the
// errors that end a table.
#include "sync/deux_bases.h"

#include "settings/parametres.h"
#include "sync/correspondances.h"
#include "sync/transfert.h"

#include <QDate>
#include <QDateTime>

using namespace essais;

namespace {

const QString Patient = QStringLiteral("patient");
const QString Identifiant = QStringLiteral("identifiant");
const QString Consultation = QStringLiteral("consultation");
const QString IdentConsultation = QStringLiteral("identconsultation");

void AjouterPatient(dao::Database& base, int id, const QVariant& numdossier, const QString& nom) {
    Inserer(base, Patient,
            {{"identifiant", id},
             {"numdossier", numdossier},
             {"nom", nom},
             {"prenom", QStringLiteral("Élise")},
             {"datenaissance", QDateTime(QDate(1970 + id % 40, 3, 14), QTime(0, 0))},
             {"ville", QStringLiteral("Besançon")},
             {"observations", QStringLiteral("note de %1").arg(nom)},
             {"datecreation", QDateTime(QDate(2026, 12, 1), QTime(9, id % 60, 0))},
             {"actif", 1}});
}

void AjouterConsultation(dao::Database& base, int id, const QVariant& patient,
                         const QString& motif = QStringLiteral("contrôle")) {
    Inserer(base, Consultation,
            {{"identconsultation", id},
             {"identifiant", patient},
             {"dateconsultation", QDateTime(QDate(2026, 12, 2), QTime(10, 30))},
             {"motif", motif},
             {"texte", QStringLiteral("examen n°%1").arg(id)},
             {"conclusion", QStringLiteral("RAS")},
             {"montant", 25.5}});
}

class Transfert : public DeuxBases {
protected:
    bool TransfererPatients(int dernierNo) {
        return TransfererNouveauxEnregistrements(Patient, Identifiant, Identifiant, dernierNo);
    }
    bool TransfererConsultations(int dernierNo) {
        return TransfererNouveauxEnregistrements(Consultation, IdentConsultation, Identifiant,
                                                 dernierNo);
    }
    // The local record as the remote base should hold it once renumbered.
    Ligne Attendu(const QString& table, const QString& champId, int ancien,
                  std::initializer_list<std::pair<const char*, QVariant>> changes) {
        Ligne ligne = Enregistrement(Locale(), table, champId, ancien);
        for (const auto& [champ, valeur] : changes) {
            ligne.insert(QLatin1String(champ), valeur);
        }
        return ligne;
    }
};

} // namespace

TEST_F(Transfert, EmptyRemoteTableStartsAtOneAndCopiesEveryField) {
    for (int id = 1; id <= 3; ++id) {
        AjouterPatient(Locale(), id, QString::number(id), QStringLiteral("Patient%1").arg(id));
    }
    // Null source values are not assigned: the remote record keeps the column defaults.
    Inserer(Locale(), Patient,
            {{"identifiant", 4}, {"numdossier", QVariant()}, {"nom", QStringLiteral("Sans")}});
    TableCorrespondances().Vider();

    ASSERT_TRUE(TransfererPatients(0));

    QList<Ligne> attendu = Lire(Locale(), Patient, Identifiant);
    ASSERT_EQ(attendu.size(), 4);
    ASSERT_TRUE(attendu[3].value(QStringLiteral("numdossier")).isNull());
    attendu[3].insert(QStringLiteral("numdossier"), QStringLiteral("")); // its default
    EXPECT_EQ(Decrire(Lire(Distante(), Patient, Identifiant)), Decrire(attendu));
    EXPECT_EQ(TableCorrespondances().Taille(), 0); // identifiers unchanged: no entry
    EXPECT_EQ(env.fenetre.Messages(),
              QStringList({QStringLiteral("Transfert des nouveaux enregistrements de la table : "
                                          "patient"),
                           QStringLiteral("-> 4 enregistrement(s)")}));
}

TEST_F(Transfert, PatientsRenumberedAfterTheRemoteMaximumWithTheDossierRule) {
    for (int id : {1, 2, 56}) {
        AjouterPatient(Distante(), id, QString::number(id), QStringLiteral("Serveur%1").arg(id));
    }
    for (int id : {1, 2, 41}) {
        AjouterPatient(Locale(), id, QString::number(id), QStringLiteral("Ancien%1").arg(id));
    }
    AjouterPatient(Locale(), 42, QStringLiteral("42"), QStringLiteral("Durand"));
    AjouterPatient(Locale(), 43, QStringLiteral("A-42"), QStringLiteral("Martin"));
    AjouterPatient(Locale(), 44, QStringLiteral(" 44 "), QStringLiteral("Petit"));
    AjouterPatient(Locale(), 45, QStringLiteral("045"), QStringLiteral("Leroy"));
    AjouterPatient(Locale(), 46, QVariant(), QStringLiteral("Roux"));
    const QList<Ligne> avant = Lire(Distante(), Patient, Identifiant);
    TableCorrespondances().Vider();

    ASSERT_TRUE(TransfererPatients(41));

    QList<Ligne> attendu = avant;
    attendu << Attendu(Patient, Identifiant, 42, {{"identifiant", 57}, {"numdossier", "57"}})
            << Attendu(Patient, Identifiant, 43, {{"identifiant", 58}})
            << Attendu(Patient, Identifiant, 44, {{"identifiant", 59}, {"numdossier", "59"}})
            << Attendu(Patient, Identifiant, 45, {{"identifiant", 60}})
            << Attendu(Patient, Identifiant, 46, {{"identifiant", 61}, {"numdossier", ""}});
    EXPECT_EQ(Decrire(Lire(Distante(), Patient, Identifiant)), Decrire(attendu));
    EXPECT_EQ(NouvelIdentifiant(Patient, 42), 57);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("PATIENT"), 46), 61);
    EXPECT_EQ(NouvelIdentifiant(Patient, 41), 41); // an old patient is not in the map
    EXPECT_EQ(TableCorrespondances().Taille(), 5);
    EXPECT_EQ(env.fenetre.Messages().last(), QStringLiteral("-> 5 enregistrement(s)"));
}

TEST_F(Transfert, ConsultationsFollowTheirPatientsThroughTheMap) {
    AjouterPatient(Distante(), 56, QStringLiteral("56"), QStringLiteral("Serveur"));
    AjouterPatient(Locale(), 7, QStringLiteral("7"), QStringLiteral("Ancien"));
    AjouterPatient(Locale(), 42, QStringLiteral("42"), QStringLiteral("Nouveau"));
    AjouterConsultation(Distante(), 100, 56);
    AjouterConsultation(Locale(), 80, 7);
    AjouterConsultation(Locale(), 81, 42);
    AjouterConsultation(Locale(), 82, 7);
    AjouterConsultation(Locale(), 83, QVariant());
    TableCorrespondances().Vider();

    ASSERT_TRUE(TransfererPatients(41));
    const QList<Ligne> avant = Lire(Distante(), Consultation, IdentConsultation);
    ASSERT_TRUE(TransfererConsultations(80));

    QList<Ligne> attendu = avant;
    attendu << Attendu(Consultation, IdentConsultation, 81,
                       {{"identconsultation", 101}, {"identifiant", 57}})
            << Attendu(Consultation, IdentConsultation, 82,
                       {{"identconsultation", 102}}) // patient 7 existed before: kept
            << Attendu(Consultation, IdentConsultation, 83,
                       {{"identconsultation", 103}, {"identifiant", 0}}); // Null link gives 0
    EXPECT_EQ(Decrire(Lire(Distante(), Consultation, IdentConsultation)), Decrire(attendu));
    // Every written consultation is in the map, for the objects attached to it.
    EXPECT_EQ(NouvelIdentifiant(Consultation, 81), 101);
    EXPECT_EQ(NouvelIdentifiant(Consultation, 83), 103);
}

TEST_F(Transfert, UnchangedPatientsAddNoEntryAndTheirConsultationsKeepTheLink) {
    AjouterPatient(Distante(), 41, QStringLiteral("41"), QStringLiteral("Serveur"));
    AjouterPatient(Locale(), 42, QStringLiteral("42"), QStringLiteral("Nouveau"));
    AjouterConsultation(Locale(), 5, 42);
    TableCorrespondances().Vider();

    ASSERT_TRUE(TransfererPatients(41));
    ASSERT_TRUE(TransfererConsultations(4));

    EXPECT_EQ(TableCorrespondances().Taille(), 1); // the consultation only
    EXPECT_EQ(Enregistrement(Distante(), Patient, Identifiant, 42).value("numdossier"),
              QVariant(QStringLiteral("42")));
    EXPECT_EQ(Enregistrement(Distante(), Consultation, IdentConsultation, 1).value("identifiant"),
              QVariant(qint64(42)));
}

TEST_F(Transfert, NothingNewWritesAZeroCount) {
    AjouterPatient(Locale(), 3, QStringLiteral("3"), QStringLiteral("Ancien"));
    ASSERT_TRUE(TransfererPatients(3));
    EXPECT_TRUE(Lire(Distante(), Patient, Identifiant).isEmpty());
    EXPECT_EQ(env.fenetre.Messages(),
              QStringList({QStringLiteral("Transfert des nouveaux enregistrements de la table : "
                                          "patient"),
                           QStringLiteral("-> 0 enregistrement(s)")}));
}

TEST_F(Transfert, AnEmptyLinkFieldNameRewritesNoLink) {
    TableCorrespondances().Vider();
    MemoriserCorrespondance(Patient, 42, 57);
    AjouterConsultation(Locale(), 1, 42);
    ASSERT_TRUE(TransfererNouveauxEnregistrements(Consultation, IdentConsultation, QString(), 0));
    EXPECT_EQ(Enregistrement(Distante(), Consultation, IdentConsultation, 1).value("identifiant"),
              QVariant(qint64(42)));
}

TEST_F(Transfert, IdentifierPastTheLargest32BitValueEndsTheTransfer) {
    AjouterPatient(Distante(), 2147483646, QStringLiteral("x"), QStringLiteral("Serveur"));
    AjouterPatient(Locale(), 5, QStringLiteral("5"), QStringLiteral("Premier"));
    AjouterPatient(Locale(), 6, QStringLiteral("6"), QStringLiteral("Second"));
    TableCorrespondances().Vider();

    std::optional<plateforme::Erreur> erreur;
    EXPECT_FALSE(TransfererNouveauxEnregistrements(Patient, Identifiant, Identifiant, 4, &erreur));

    ASSERT_TRUE(erreur.has_value());
    EXPECT_EQ(erreur->Number(), 6);
    EXPECT_EQ(env.fenetre.Messages(),
              QStringList({QStringLiteral("Transfert des nouveaux enregistrements de la table : "
                                          "patient"),
                           QStringLiteral("ERREUR 6 - Dépassement de capacité")}));
    // The first record took the last identifier; the second was never started.
    const QList<Ligne> distants = Lire(Distante(), Patient, Identifiant);
    ASSERT_EQ(distants.size(), 2);
    EXPECT_EQ(distants[1].value("identifiant"), QVariant(qint64(2147483647)));
    EXPECT_EQ(distants[1].value("nom"), QVariant(QStringLiteral("Premier")));
    EXPECT_EQ(distants[1].value("numdossier"), QVariant(QStringLiteral("2147483647")));
}

TEST_F(Transfert, AWriteErrorEndsTheTableAndDiscardsThePendingRecord) {
    ExecuterBrut(true, QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON consultation "
                                      "WHEN NEW.motif = 'refus' BEGIN "
                                      "SELECT RAISE(ABORT, 'consultation refusée'); END"));
    AjouterConsultation(Locale(), 1, 9);
    AjouterConsultation(Locale(), 2, 9, QStringLiteral("refus"));
    AjouterConsultation(Locale(), 3, 9);
    TableCorrespondances().Vider();

    std::optional<plateforme::Erreur> erreur;
    EXPECT_FALSE(TransfererNouveauxEnregistrements(Consultation, IdentConsultation, Identifiant, 0,
                                                   &erreur));

    ASSERT_TRUE(erreur.has_value());
    const QStringList messages = env.fenetre.Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], LigneErreur(*erreur));
    EXPECT_TRUE(messages[1].startsWith(QStringLiteral("ERREUR ")));
    EXPECT_TRUE(messages[1].contains(QStringLiteral("consultation refusée")));
    const QList<Ligne> distants = Lire(Distante(), Consultation, IdentConsultation);
    ASSERT_EQ(distants.size(), 1);
    EXPECT_EQ(distants[0].value("identconsultation"), QVariant(qint64(1)));
}

TEST_F(Transfert, NamesThatAreNotPlainIdentifiersSendNothing) {
    AjouterPatient(Locale(), 1, QStringLiteral("1"), QStringLiteral("Durand"));
    AjouterPatient(Distante(), 10, QStringLiteral("10"), QStringLiteral("Serveur"));
    const QList<Ligne> avant = Lire(Distante(), Patient, Identifiant);
    const struct {
        const char* table;
        const char* champId;
        const char* champIdDossier;
        const char* mauvais;
    } cas[] = {
        {"patient; delete from patient", "identifiant", "identifiant",
         "patient; delete from patient"},
        {"patient", "identifiant > 0 or 1", "identifiant", "identifiant > 0 or 1"},
        {"patient", "identifiant", "identifiant)", "identifiant)"},
        {"patient", "1identifiant", "identifiant", "1identifiant"},
        {"", "identifiant", "identifiant", ""},
        {"pätient", "identifiant", "identifiant", "pätient"},
    };
    for (const auto& c : cas) {
        env.fenetre.ViderJournal();
        std::optional<plateforme::Erreur> erreur;
        EXPECT_FALSE(TransfererNouveauxEnregistrements(QString::fromUtf8(c.table),
                                                       QLatin1String(c.champId),
                                                       QLatin1String(c.champIdDossier), 0, &erreur))
            << c.table;
        ASSERT_TRUE(erreur.has_value());
        EXPECT_EQ(erreur->Number(), NomIncorrectSynchro);
        EXPECT_EQ(env.fenetre.Messages().last(),
                  QStringLiteral("ERREUR 5 - Nom de table ou de champ incorrect dans la table "
                                 "synchro : \"%1\"")
                      .arg(QString::fromUtf8(c.mauvais)));
    }
    EXPECT_EQ(Decrire(Lire(Distante(), Patient, Identifiant)), Decrire(avant));
    EXPECT_EQ(Lire(Locale(), Patient, Identifiant).size(), 1);
}

TEST_F(Transfert, AMissingTableEndsWithTheEngineError) {
    EXPECT_FALSE(
        TransfererNouveauxEnregistrements(QStringLiteral("absente"), Identifiant, Identifiant, 0));
    EXPECT_TRUE(env.fenetre.Messages().last().startsWith(QStringLiteral("ERREUR 3078 - ")));
}

TEST(Correspondances, FirstEntryWinsAndUnknownOnesFallBack) {
    TableCorrespondances().Vider();
    MemoriserCorrespondance(QStringLiteral("Courrier"), 12, 40);
    MemoriserCorrespondance(QStringLiteral("courrier"), 12, 99);
    MemoriserCorrespondance(QStringLiteral("cro"), 12, 70);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("COURRIER"), 12), 40);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("cro"), 12), 70);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("courrier"), QVariant(QStringLiteral("12"))), 40);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("courrier"), 13), 13);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("correspondance"), 12), 12);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("courrier"), QVariant()), 0);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("courrier"), QStringLiteral("douze")), 0);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("courrier"), qint64(1) << 40), 0);
    EXPECT_EQ(TableCorrespondances().Taille(), 2);
    TableCorrespondances().Vider();
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("courrier"), 12), 12);
}

TEST(ExtensionFichier, FromTheLastDot) {
    EXPECT_EQ(ExtensionFichier(QStringLiteral("xA000012.doc")), QStringLiteral(".doc"));
    EXPECT_EQ(ExtensionFichier(QStringLiteral("P:\\zelvano\\courrier\\xA000012.tar.gz")),
              QStringLiteral(".gz"));
    EXPECT_EQ(ExtensionFichier(QStringLiteral("P:\\zelvano\\courrier\\xA000012")), QString());
    EXPECT_EQ(ExtensionFichier(QStringLiteral("P:\\zel.vano\\xA000012")),
              QStringLiteral(".vano\\xA000012"));
    EXPECT_EQ(ExtensionFichier(QStringLiteral("lettre.")), QStringLiteral("."));
    EXPECT_EQ(ExtensionFichier(QString()), QString());
}

TEST_F(Transfert, WorkstationLetterFromThePracticeIniFile) {
    EXPECT_EQ(LettrePoste(), QStringLiteral("A")); // no file
    Ecrire(Param().inifile, "[path]\r\nautre=1\r\n");
    EXPECT_EQ(LettrePoste(), QStringLiteral("A")); // no key
    DefinirPoste(QStringLiteral("Bureau"));
    EXPECT_EQ(LettrePoste(), QStringLiteral("B"));
}
