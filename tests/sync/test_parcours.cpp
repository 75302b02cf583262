// The walk over the local synchro table: rows in id order, the map emptied first, the first
// failure stopping the walk.
#include "sync/deux_bases.h"

#include "sync/correspondances.h"
#include "sync/parcours.h"

#include <QDateTime>

using namespace essais;

namespace {

const QString Ligne1 = QStringLiteral("Transfert des nouveaux enregistrements de la table : ");

class Parcours : public DeuxBases {
protected:
    void SetUp() override {
        DeuxBases::SetUp();
        DefinirPoste(QStringLiteral("B"));
        // The server moved on since the laptop's copy: every table has records above the
        // laptop's dernier_no.
        Inserer(Distante(), QStringLiteral("patient"), {{"identifiant", 56}, {"nom", "Serveur"}});
        Inserer(Distante(), QStringLiteral("consultation"),
                {{"identconsultation", 100}, {"identifiant", 56}});
        Inserer(Distante(), QStringLiteral("ordonnance"),
                {{"identordonnance", 30}, {"identifiant", 56}});
        Inserer(Distante(), QStringLiteral("courrier"),
                {{"identcourrier", 56}, {"identifiant", 56}});
        Inserer(Distante(), QStringLiteral("cro"), {{"identcro", 20}, {"identifiant", 56}});
        Inserer(Distante(), QStringLiteral("correspondance"),
                {{"identcorrespondance", 70}, {"identifiant", 56}});
        Inserer(Distante(), QStringLiteral("objet"),
                {{"identobjet", 811}, {"identpatient", 56}, {"typeobjet", "alerte"}});
        Inserer(Distante(), QStringLiteral("typeobjet"),
                {{"typeobjet", "photo"},
                 {"nomecran", "consultation"},
                 {"modegestion", "fichier"},
                 {"extension", "jpg"}});

        // On the laptop: a new patient with a consultation, a prescription, a letter, a report,
        // a correspondence, a photo of the consultation and the link of the letter to it.
        Inserer(Locale(), QStringLiteral("patient"),
                {{"identifiant", 42}, {"numdossier", "42"}, {"nom", "Nouveau"}});
        Inserer(Locale(), QStringLiteral("consultation"),
                {{"identconsultation", 81}, {"identifiant", 42}, {"motif", "douleur"}});
        Inserer(Locale(), QStringLiteral("ordonnance"),
                {{"identordonnance", 11}, {"identifiant", 42}, {"texte", "repos"}});
        Inserer(Locale(), QStringLiteral("courrier"),
                {{"identcourrier", 12},
                 {"identifiant", 42},
                 {"nomfichier", "P:\\zelvano\\courrier\\xA000012.doc"}});
        Inserer(Locale(), QStringLiteral("cro"),
                {{"identcro", 6},
                 {"identifiant", 42},
                 {"nomfichier", "P:\\zelvano\\cro\\xA000006.doc"}});
        Inserer(Locale(), QStringLiteral("correspondance"),
                {{"identcorrespondance", 9},
                 {"identifiant", 42},
                 {"nomfichier", "P:\\zelvano\\corres\\xA000009.pdf"}});
        Inserer(Locale(), QStringLiteral("objet"),
                {{"identobjet", 801},
                 {"identpatient", 42},
                 {"attachobjet", "consultation"},
                 {"identattach", 81},
                 {"typeobjet", "photo"},
                 {"nomfichier", "genou.jpg"}});
        Inserer(Locale(), QStringLiteral("objet"),
                {{"identobjet", 802},
                 {"identpatient", 42},
                 {"attachobjet", "consultation"},
                 {"identattach", 81},
                 {"typeobjet", "objinfo"},
                 {"nomfichier", "cou12"}});
        Ecrire(QStringLiteral("C:\\zelvano\\courrier\\xA000012.doc"), "lettre");
        Ecrire(QStringLiteral("C:\\zelvano\\cro\\xA000006.doc"), "compte rendu");
        Ecrire(QStringLiteral("C:\\zelvano\\corres\\xA000009.pdf"), "reçu");
        Ecrire(QStringLiteral("C:\\zelvano\\data\\genou.jpg"), "photo");
    }
    // The laptop's copy was made when the tables stood at these identifiers.
    void SynchroStandard(int lignes = 7) {
        RemplirSynchro(QList<int>({41, 80, 10, 11, 5, 8, 800}).first(lignes));
    }
    QStringList TablesTransferees() const {
        QStringList tables;
        for (const QString& m : env.fenetre.Messages()) {
            if (m.startsWith(Ligne1)) {
                tables << m.mid(Ligne1.size());
            }
        }
        return tables;
    }
};

} // namespace

TEST_F(Parcours, EveryTableInOrderWithLinksFollowingAcrossTables) {
    SynchroStandard();

    ASSERT_TRUE(ParcourirTableSynchro());

    EXPECT_EQ(TablesTransferees(), QStringList({"patient", "consultation", "ordonnance", "courrier",
                                                "cro", "correspondance", "objet"}));
    const Ligne patient = Enregistrement(Distante(), "patient", "identifiant", 57);
    EXPECT_EQ(patient.value("nom"), QVariant(QStringLiteral("Nouveau")));
    EXPECT_EQ(patient.value("numdossier"), QVariant(QStringLiteral("57")));
    EXPECT_EQ(
        Enregistrement(Distante(), "consultation", "identconsultation", 101).value("identifiant"),
        QVariant(qint64(57)));
    EXPECT_EQ(Enregistrement(Distante(), "ordonnance", "identordonnance", 31).value("identifiant"),
              QVariant(qint64(57)));
    EXPECT_EQ(Enregistrement(Distante(), "courrier", "identcourrier", 57).value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\courrier\\xB000057.doc")));
    EXPECT_EQ(Enregistrement(Distante(), "cro", "identcro", 21).value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\cro\\xB000021.doc")));
    EXPECT_EQ(
        Enregistrement(Distante(), "correspondance", "identcorrespondance", 71).value("nomfichier"),
        QVariant(QStringLiteral("P:\\zelvano\\corres\\xB000071.pdf")));
    const Ligne photo = Enregistrement(Distante(), "objet", "identobjet", 812);
    EXPECT_EQ(photo.value("identpatient"), QVariant(qint64(57)));
    EXPECT_EQ(photo.value("identattach"), QVariant(qint64(101)));
    EXPECT_EQ(photo.value("nomfichier"), QVariant(QStringLiteral("FI000812.jpg")));
    const Ligne lien = Enregistrement(Distante(), "objet", "identobjet", 813);
    EXPECT_EQ(lien.value("nomfichier"), QVariant(QStringLiteral("cou57")));
    EXPECT_EQ(lien.value("identattach"), QVariant(qint64(101)));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\courrier\\xB000057.doc")), "lettre");
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\cro\\xB000021.doc")), "compte rendu");
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\corres\\xB000071.pdf")), "reçu");
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\data\\FI000812.jpg")), "photo");
    // The walk never writes to the local base.
    EXPECT_EQ(Lire(Locale(), "synchro", "id").size(), 7);
    EXPECT_EQ(Lire(Locale(), "patient", "identifiant").size(), 1);
}

TEST_F(Parcours, RowsAreTakenInIdOrder) {
    // Written consultations first: when they are sent the map does not know the patient yet.
    Locale().Execute(QStringLiteral("insert into synchro ([table], champ_id, champ_id_dossier, "
                                    "dernier_no) values ('consultation', 'identconsultation', "
                                    "'identifiant', 80)"));
    Locale().Execute(QStringLiteral("insert into synchro ([table], champ_id, champ_id_dossier, "
                                    "dernier_no) values ('patient', 'identifiant', "
                                    "'identifiant', 41)"));

    ASSERT_TRUE(ParcourirTableSynchro());

    EXPECT_EQ(TablesTransferees(), QStringList({"consultation", "patient"}));
    EXPECT_EQ(
        Enregistrement(Distante(), "consultation", "identconsultation", 101).value("identifiant"),
        QVariant(qint64(42)));
}

TEST_F(Parcours, AFailureInTheFourthRowLeavesTheLaterRowsUntransferred) {
    ExecuterBrut(true, QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON courrier BEGIN "
                                      "SELECT RAISE(ABORT, 'courrier refusé'); END"));
    SynchroStandard();
    const QList<Ligne> cro = Lire(Distante(), "cro", "identcro");
    const QList<Ligne> correspondance = Lire(Distante(), "correspondance", "identcorrespondance");
    const QList<Ligne> objets = Lire(Distante(), "objet", "identobjet");

    EXPECT_FALSE(ParcourirTableSynchro());

    EXPECT_EQ(TablesTransferees(),
              QStringList({"patient", "consultation", "ordonnance", "courrier"}));
    const QStringList messages = env.fenetre.Messages();
    ASSERT_GE(messages.size(), 2);
    // The transfer's line, then the walk's line for the same error.
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("ERREUR ")));
    EXPECT_TRUE(messages.last().contains(QStringLiteral("courrier refusé")));
    EXPECT_EQ(messages[messages.size() - 2], messages.last());
    EXPECT_EQ(Decrire(Lire(Distante(), "cro", "identcro")), Decrire(cro));
    EXPECT_EQ(Decrire(Lire(Distante(), "correspondance", "identcorrespondance")),
              Decrire(correspondance));
    EXPECT_EQ(Decrire(Lire(Distante(), "objet", "identobjet")), Decrire(objets));
}

TEST_F(Parcours, TheMapStartsEmptyAtEveryWalk) {
    // Left over from an earlier, failed walk.
    MemoriserCorrespondance(QStringLiteral("patient"), 42, 999);
    RemplirSynchro({42, 80}); // patient 42 already known: not sent, not renumbered

    ASSERT_TRUE(ParcourirTableSynchro());
    EXPECT_EQ(
        Enregistrement(Distante(), "consultation", "identconsultation", 101).value("identifiant"),
        QVariant(qint64(42)));

    // A failed walk leaves its entries; the next one starts without them.
    Locale().Execute(QStringLiteral("delete * from synchro"));
    RemplirSynchro({41});
    Locale().Execute(QStringLiteral("insert into synchro ([table], champ_id, champ_id_dossier, "
                                    "dernier_no) values ('consultation', 'ident consultation', "
                                    "'identifiant', 80)"));
    EXPECT_FALSE(ParcourirTableSynchro());
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("patient"), 42), 57);
    Locale().Execute(QStringLiteral("delete * from synchro"));
    EXPECT_TRUE(ParcourirTableSynchro());
    EXPECT_EQ(TableCorrespondances().Taille(), 0);
}

TEST_F(Parcours, AnEmptyTableTransfersNothing) {
    const QList<Ligne> patients = Lire(Distante(), "patient", "identifiant");
    ASSERT_TRUE(ParcourirTableSynchro());
    EXPECT_TRUE(env.fenetre.Messages().isEmpty());
    EXPECT_EQ(Decrire(Lire(Distante(), "patient", "identifiant")), Decrire(patients));
}

TEST_F(Parcours, SixRowsLeaveTheObjectsBehind) {
    SynchroStandard(6);
    const QList<Ligne> objets = Lire(Distante(), "objet", "identobjet");

    ASSERT_TRUE(ParcourirTableSynchro());

    EXPECT_EQ(TablesTransferees().size(), 6);
    EXPECT_EQ(Decrire(Lire(Distante(), "objet", "identobjet")), Decrire(objets));
}

TEST_F(Parcours, ANullNameInARowStopsTheWalk) {
    Locale().Execute(QStringLiteral("insert into synchro ([table], champ_id, champ_id_dossier, "
                                    "dernier_no) values ('patient', Null, 'identifiant', 41)"));
    const QList<Ligne> patients = Lire(Distante(), "patient", "identifiant");

    EXPECT_FALSE(ParcourirTableSynchro());

    EXPECT_EQ(env.fenetre.Messages(),
              QStringList({QStringLiteral("ERREUR 94 - Utilisation incorrecte de Null")}));
    EXPECT_EQ(Decrire(Lire(Distante(), "patient", "identifiant")), Decrire(patients));
}
