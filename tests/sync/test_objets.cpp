// Attached objects: owner link, management mode from typeobjet, naming rules, file copy, objects
// left out.
#include "sync/deux_bases.h"

#include "sync/correspondances.h"
#include "sync/transfert.h"

#include <QDateTime>
#include <QDir>

using namespace essais;

namespace {

const QString Objet = QStringLiteral("objet");
const QString IdentObjet = QStringLiteral("identobjet");

class Objets : public DeuxBases {
protected:
    void SetUp() override {
        DeuxBases::SetUp();
        TableCorrespondances().Vider();
        // The remote numbering of objects stands at 811.
        AjouterObjet(Distante(), 811, 1, QStringLiteral("patient"), 1, QStringLiteral("photo"),
                     QStringLiteral("FI000811.jpg"));
        const struct {
            const char* type;
            const char* ecran;
            QVariant mode;
            QVariant extension;
        } types[] = {
            {"photo", "consultation", QStringLiteral("fichier"), QStringLiteral("jpg")},
            {"dessin1", "consultation", QStringLiteral("FICHIER"), QStringLiteral("png")},
            {"scan", "consultation", QStringLiteral("fichier"), QVariant()},
            {"l'image", "consultation", QStringLiteral("fichier"), QStringLiteral("gif")},
            {"vestib1", "consultation", QStringLiteral("tableau"), QStringLiteral("xyz")},
            {"sansmode", "consultation", QVariant(), QStringLiteral("txt")},
        };
        for (const auto& t : types) {
            Inserer(Distante(), QStringLiteral("typeobjet"),
                    {{"typeobjet", QString::fromUtf8(t.type)},
                     {"nomecran", QLatin1String(t.ecran)},
                     {"modegestion", t.mode},
                     {"extension", t.extension}});
        }
    }

    static void AjouterObjet(dao::Database& base, int id, const QVariant& patient,
                             const QVariant& attache, const QVariant& identAttache,
                             const QVariant& type, const QVariant& nomfichier) {
        Inserer(base, Objet,
                {{"identobjet", id},
                 {"identpatient", patient},
                 {"attachobjet", attache},
                 {"identattach", identAttache},
                 {"typeobjet", type},
                 {"nomfichier", nomfichier},
                 {"libelle", QStringLiteral("objet %1").arg(id)},
                 {"datecreation", QDateTime(QDate(2026, 12, 3), QTime(11, 0))}});
    }
    // A new local object (above dernier_no 800) with its file in the local data folder.
    void NouvelObjet(int id, const QString& attache, int identAttache, const QString& type,
                     const QVariant& nomfichier, bool avecFichier = true) {
        AjouterObjet(Locale(), id, 3, attache, identAttache, type, nomfichier);
        if (avecFichier && !nomfichier.isNull()) {
            Ecrire(QStringLiteral("C:\\zelvano\\data\\") + nomfichier.toString(),
                   "contenu de " + nomfichier.toString().toUtf8());
        }
    }
    bool TransfererObjets() {
        return TransfererNouveauxEnregistrements(Objet, IdentObjet, QStringLiteral("identpatient"),
                                                 800);
    }
    // Remote record `id` as the local record `ancien` with these changes.
    Ligne Attendu(int ancien, std::initializer_list<std::pair<const char*, QVariant>> changes) {
        Ligne ligne = Enregistrement(Locale(), Objet, IdentObjet, ancien);
        for (const auto& [champ, valeur] : changes) {
            ligne.insert(QLatin1String(champ), valeur);
        }
        return ligne;
    }
    QStringList FichiersDistants() const {
        QStringList noms =
            QDir(env.machine.Natif(QStringLiteral("P:\\zelvano\\data"))).entryList(QDir::Files);
        noms.sort();
        return noms;
    }
    QString NomDistant(int id) {
        return Enregistrement(Distante(), Objet, IdentObjet, id).value("nomfichier").toString();
    }
};

} // namespace

TEST_F(Objets, FileManagedObjectFollowsItsOwnersAndItsFileGoesToTheServer) {
    MemoriserCorrespondance(QStringLiteral("patient"), 3, 57);
    MemoriserCorrespondance(QStringLiteral("consultation"), 81, 101);
    NouvelObjet(801, QStringLiteral("consultation"), 81, QStringLiteral("photo"),
                QStringLiteral("radio genou.jpg"));
    const QList<Ligne> avant = Lire(Distante(), Objet, IdentObjet);

    ASSERT_TRUE(TransfererObjets());

    QList<Ligne> attendu = avant;
    attendu << Attendu(801, {{"identobjet", 812},
                             {"identpatient", 57},
                             {"identattach", 101},
                             {"nomfichier", "FI000812.jpg"}});
    EXPECT_EQ(Decrire(Lire(Distante(), Objet, IdentObjet)), Decrire(attendu));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\data\\FI000812.jpg")),
              "contenu de radio genou.jpg");
    EXPECT_EQ(Contenu(QStringLiteral("C:\\zelvano\\data\\radio genou.jpg")),
              "contenu de radio genou.jpg");
    EXPECT_EQ(FichiersDistants(), QStringList({QStringLiteral("FI000812.jpg")}));
}

TEST_F(Objets, FixedNamingTableAndFileManagementBeatingIt) {
    // dessin1 is file-managed on the consultation screen only.
    NouvelObjet(801, QStringLiteral("consultation"), 0, QStringLiteral("dessin1"),
                QStringLiteral("d1.tmp"));
    NouvelObjet(802, QStringLiteral("patient"), 0, QStringLiteral("dessin1"),
                QStringLiteral("d2.tmp"));
    NouvelObjet(803, QStringLiteral("consultation"), 0, QStringLiteral("VESTIB1"),
                QStringLiteral("v.tmp")); // in typeobjet, but not as "fichier"
    NouvelObjet(804, QStringLiteral("patient"), 0, QStringLiteral("cardio1"),
                QStringLiteral("c.tmp"));
    NouvelObjet(805, QStringLiteral("patient"), 0, QStringLiteral("Impedanc"),
                QStringLiteral("i.tmp"));
    NouvelObjet(806, QStringLiteral("patient"), 0, QStringLiteral("audio40"),
                QStringLiteral("a.tmp"));
    NouvelObjet(807, QStringLiteral("patient"), 0, QStringLiteral("alerte"),
                QStringLiteral("al.tmp"));

    ASSERT_TRUE(TransfererObjets());

    const QStringList attendus = {QStringLiteral("FI000812.png"), QStringLiteral("FI000813.des"),
                                  QStringLiteral("ve000814.ves"), QStringLiteral("uc000815.car"),
                                  QStringLiteral("FI000816.or1"), QStringLiteral("FI000817.or3"),
                                  QStringLiteral("FI000818.ale")};
    const QStringList sources = {QStringLiteral("d1.tmp"), QStringLiteral("d2.tmp"),
                                 QStringLiteral("v.tmp"),  QStringLiteral("c.tmp"),
                                 QStringLiteral("i.tmp"),  QStringLiteral("a.tmp"),
                                 QStringLiteral("al.tmp")};
    for (int i = 0; i < attendus.size(); ++i) {
        EXPECT_EQ(NomDistant(812 + i), attendus[i]);
        EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\data\\") + attendus[i]),
                  "contenu de " + sources[i].toUtf8());
    }
    EXPECT_EQ(FichiersDistants().size(), 7);
}

TEST_F(Objets, TypeLookupIgnoresCaseBindsQuotesAndReadsANullExtension) {
    NouvelObjet(801, QStringLiteral("Consultation"), 0, QStringLiteral("PHOTO"),
                QStringLiteral("p.jpeg"));
    NouvelObjet(802, QStringLiteral("consultation"), 0, QStringLiteral("scan"),
                QStringLiteral("s.bin"));
    NouvelObjet(803, QStringLiteral("consultation"), 0, QStringLiteral("l'image"),
                QStringLiteral("l'image.gif"));

    ASSERT_TRUE(TransfererObjets());

    EXPECT_EQ(NomDistant(812), QStringLiteral("FI000812.jpg"));
    EXPECT_EQ(NomDistant(813), QStringLiteral("FI000813."));
    EXPECT_EQ(NomDistant(814), QStringLiteral("FI000814.gif"));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\data\\FI000814.gif")), "contenu de l'image.gif");
}

TEST_F(Objets, AQuotedTypeCannotWidenTheLookup) {
    // Built into SQL text, this type would match every row of typeobjet and be taken for a
    // file-managed one.
    NouvelObjet(801, QStringLiteral("consultation"), 0, QStringLiteral("x' or '1'='1"),
                QStringLiteral("x.jpg"));
    NouvelObjet(802, QStringLiteral("consultation' or '1'='1"), 0, QStringLiteral("photo"),
                QStringLiteral("y.jpg"));
    const QList<Ligne> typesAvant =
        Lire(Distante(), QStringLiteral("typeobjet"), QStringLiteral("typeobjet"));

    ASSERT_TRUE(TransfererObjets());

    EXPECT_EQ(Lire(Distante(), Objet, IdentObjet).size(), 1); // both left out
    EXPECT_EQ(Decrire(Lire(Distante(), QStringLiteral("typeobjet"), QStringLiteral("typeobjet"))),
              Decrire(typesAvant));
    EXPECT_EQ(env.fenetre.Messages().last(), QStringLiteral("-> 0 enregistrement(s)"));
}

TEST_F(Objets, OwnerLinkRules) {
    MemoriserCorrespondance(QStringLiteral("fichedescriptive"), 5, 99);
    MemoriserCorrespondance(QStringLiteral("consultation"), 0, 77);
    MemoriserCorrespondance(QStringLiteral("courrier"), 12, 40);
    NouvelObjet(801, QStringLiteral("FICHEdescriptive"), 5, QStringLiteral("alerte"),
                QStringLiteral("a1.ale"));
    NouvelObjet(802, QStringLiteral("consultation"), 0, QStringLiteral("alerte"),
                QStringLiteral("a2.ale"));
    NouvelObjet(803, QStringLiteral("consultation"), 3, QStringLiteral("alerte"),
                QStringLiteral("a3.ale")); // attached to an older record: unknown to the map
    NouvelObjet(804, QStringLiteral("Courrier"), 12, QStringLiteral("alerte"),
                QStringLiteral("a4.ale"));

    ASSERT_TRUE(TransfererObjets());

    QList<int> attaches;
    for (int id = 812; id <= 815; ++id) {
        attaches << Enregistrement(Distante(), Objet, IdentObjet, id).value("identattach").toInt();
    }
    EXPECT_EQ(attaches, QList<int>({5, 0, 3, 40}));
}

TEST_F(Objets, ObjinfoReferencesFollowTheirDocumentsWithoutAnyFile) {
    MemoriserCorrespondance(QStringLiteral("courrier"), 12, 40);
    MemoriserCorrespondance(QStringLiteral("cro"), 5, 9);
    MemoriserCorrespondance(QStringLiteral("correspondance"), 7, 8);
    const QStringList references = {QStringLiteral("COU12"), QStringLiteral("Cro5"),
                                    QStringLiteral("cor7"), QStringLiteral("COU99")};
    for (int i = 0; i < references.size(); ++i) {
        NouvelObjet(801 + i, QStringLiteral("consultation"), 81, QStringLiteral("ObjInfo"),
                    references[i], false);
    }
    NouvelObjet(805, QStringLiteral("consultation"), 81, QStringLiteral("objinfo"),
                QStringLiteral("ord3"), false);
    const QList<Ligne> avant = Lire(Distante(), Objet, IdentObjet);

    ASSERT_TRUE(TransfererObjets());

    QList<Ligne> attendu = avant;
    attendu << Attendu(801, {{"identobjet", 812}, {"nomfichier", "cou40"}})
            << Attendu(802, {{"identobjet", 813}, {"nomfichier", "cro9"}})
            << Attendu(803, {{"identobjet", 814}, {"nomfichier", "cor8"}})
            << Attendu(804, {{"identobjet", 815}, {"nomfichier", "cou99"}}); // older letter
    EXPECT_EQ(Decrire(Lire(Distante(), Objet, IdentObjet)), Decrire(attendu));
    EXPECT_TRUE(FichiersDistants().isEmpty());
    EXPECT_EQ(env.fenetre.Messages().last(), QStringLiteral("-> 4 enregistrement(s)"));
}

TEST_F(Objets, ObjectsLeftOutDoNotGiveBackTheirIdentifier) {
    NouvelObjet(801, QStringLiteral("consultation"), 0, QStringLiteral("photo"),
                QStringLiteral("p.jpg"));
    NouvelObjet(802, QStringLiteral("consultation"), 0, QStringLiteral("inconnu"),
                QStringLiteral("i.dat"));
    NouvelObjet(803, QStringLiteral("consultation"), 0, QStringLiteral("sansmode"),
                QStringLiteral("s.txt"));
    NouvelObjet(804, QStringLiteral("patient"), 0, QStringLiteral("alerte"),
                QStringLiteral("a.ale"));

    ASSERT_TRUE(TransfererObjets());

    QList<int> ids;
    for (const Ligne& l : Lire(Distante(), Objet, IdentObjet)) {
        ids << l.value("identobjet").toInt();
    }
    EXPECT_EQ(ids, QList<int>({811, 812, 815}));
    EXPECT_EQ(NomDistant(815), QStringLiteral("FI000815.ale"));
    EXPECT_EQ(FichiersDistants(),
              QStringList({QStringLiteral("FI000812.jpg"), QStringLiteral("FI000815.ale")}));
    EXPECT_EQ(env.fenetre.Messages().last(), QStringLiteral("-> 2 enregistrement(s)"));
    EXPECT_EQ(TableCorrespondances().Taille(), 0); // objects add no entry
}

TEST_F(Objets, MissingOrUnnamedFilesStillWriteTheObject) {
    NouvelObjet(801, QStringLiteral("consultation"), 0, QStringLiteral("photo"),
                QStringLiteral("absente.jpg"), false);
    NouvelObjet(802, QStringLiteral("consultation"), 0, QStringLiteral("photo"), QVariant());

    ASSERT_TRUE(TransfererObjets());

    EXPECT_EQ(NomDistant(812), QStringLiteral("FI000812.jpg"));
    EXPECT_EQ(NomDistant(813), QStringLiteral("FI000813.jpg"));
    EXPECT_TRUE(FichiersDistants().isEmpty());
}

TEST_F(Objets, WithoutATypeTableObjectsFallBackOnTheFixedNames) {
    ExecuterBrut(true, QStringLiteral("DROP TABLE typeobjet"));
    NouvelObjet(801, QStringLiteral("consultation"), 0, QStringLiteral("photo"),
                QStringLiteral("p.jpg"));
    NouvelObjet(802, QStringLiteral("consultation"), 0, QStringLiteral("dessin1"),
                QStringLiteral("d.tmp"));

    ASSERT_TRUE(TransfererObjets());

    QList<int> ids;
    for (const Ligne& l : Lire(Distante(), Objet, IdentObjet)) {
        ids << l.value("identobjet").toInt();
    }
    EXPECT_EQ(ids, QList<int>({811, 813}));
    EXPECT_EQ(NomDistant(813), QStringLiteral("FI000813.des"));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\data\\FI000813.des")), "contenu de d.tmp");
}
