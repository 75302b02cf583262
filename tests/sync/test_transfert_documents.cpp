// Letters, operative reports and correspondence: the document goes to the server under a name
// made of the workstation letter and the new identifier.
#include "sync/deux_bases.h"

#include "platform/fichiers.h"
#include "settings/parametres.h"
#include "sync/correspondances.h"
#include "sync/transfert.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace essais;

namespace {

const QString Courrier = QStringLiteral("courrier");
const QString IdentCourrier = QStringLiteral("identcourrier");

class Documents : public DeuxBases {
protected:
    void SetUp() override {
        DeuxBases::SetUp();
        DefinirPoste(QStringLiteral("B"));
        TableCorrespondances().Vider();
    }
    void AjouterDocument(dao::Database& base, const QString& table, int id, int patient,
                         const QVariant& nomfichier) {
        const QByteArray ident = "ident" + table.toUtf8();
        const QByteArray date = "date" + table.toUtf8();
        Inserer(base, table,
                {{ident.constData(), id},
                 {"identifiant", patient},
                 {date.constData(), QDateTime(QDate(2026, 11, 30), QTime(16, 0))},
                 {"nomfichier", nomfichier}});
    }
    void AjouterLettre(int id, int patient, const QVariant& nomfichier) {
        AjouterDocument(Locale(), Courrier, id, patient, nomfichier);
    }
    bool TransfererLettres(int dernierNo) {
        return TransfererNouveauxEnregistrements(Courrier, IdentCourrier,
                                                 QStringLiteral("identifiant"), dernierNo);
    }
    // Files of a folder of the tree (Windows path), sorted.
    QStringList Fichiers(const QString& dossier) const {
        QStringList noms = QDir(env.machine.Natif(dossier)).entryList(QDir::Files);
        noms.sort();
        return noms;
    }
};

} // namespace

TEST_F(Documents, LetterRenamedCopiedToTheServerAndItsRecordPointsThere) {
    Inserer(Distante(), Courrier, {{"identcourrier", 56}, {"identifiant", 3}});
    MemoriserCorrespondance(QStringLiteral("patient"), 42, 57);
    AjouterLettre(12, 42, QStringLiteral("P:\\zelvano\\courrier\\xA000012.doc"));
    Ecrire(QStringLiteral("C:\\zelvano\\courrier\\xA000012.doc"), "lettre douze");
    const QDateTime ecriture = QDateTime(QDate(2026, 11, 30), QTime(16, 5), Qt::UTC);
    plateforme::DefinirDerniereEcriture(QStringLiteral("C:\\zelvano\\courrier\\xA000012.doc"),
                                        ecriture);
    const QList<Ligne> avant = Lire(Distante(), Courrier, IdentCourrier);

    ASSERT_TRUE(TransfererLettres(11));

    QList<Ligne> attendu = avant;
    Ligne lettre = Enregistrement(Locale(), Courrier, IdentCourrier, 12);
    lettre.insert(QStringLiteral("identcourrier"), 57);
    lettre.insert(QStringLiteral("identifiant"), 57);
    lettre.insert(QStringLiteral("nomfichier"),
                  QStringLiteral("P:\\zelvano\\courrier\\xB000057.doc"));
    attendu << lettre;
    EXPECT_EQ(Decrire(Lire(Distante(), Courrier, IdentCourrier)), Decrire(attendu));
    EXPECT_EQ(Contenu(QStringLiteral("\\\\serveur\\zelvano\\zelvano\\courrier\\xB000057.doc")),
              "lettre douze");
    EXPECT_EQ(Contenu(QStringLiteral("C:\\zelvano\\courrier\\xA000012.doc")), "lettre douze");
    EXPECT_EQ(Fichiers(QStringLiteral("P:\\zelvano\\courrier")),
              QStringList({QStringLiteral("xB000057.doc")}));
    EXPECT_EQ(QFileInfo(env.machine.Natif(QStringLiteral("P:\\zelvano\\courrier\\xB000057.doc")))
                  .lastModified()
                  .toUTC(),
              ecriture);
    EXPECT_EQ(NouvelIdentifiant(Courrier, 12), 57);
}

TEST_F(Documents, NamesWithoutExtensionSevenDigitsAndAReplacedRemoteFile) {
    Inserer(Distante(), Courrier, {{"identcourrier", 1234566}, {"identifiant", 3}});
    AjouterLettre(20, 3, QStringLiteral("P:\\zelvano\\courrier\\xA000020"));
    AjouterLettre(21, 3, QStringLiteral("P:\\zelvano\\courrier\\xC000021.rtf"));
    Ecrire(QStringLiteral("C:\\zelvano\\courrier\\xA000020"), "sans extension");
    Ecrire(QStringLiteral("C:\\zelvano\\courrier\\xC000021.rtf"), "nouveau");
    Ecrire(QStringLiteral("P:\\zelvano\\courrier\\xB1234568.rtf"), "ancien contenu");

    ASSERT_TRUE(TransfererLettres(19));

    EXPECT_EQ(Enregistrement(Distante(), Courrier, IdentCourrier, 1234567).value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\courrier\\xB1234567")));
    EXPECT_EQ(Enregistrement(Distante(), Courrier, IdentCourrier, 1234568).value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\courrier\\xB1234568.rtf")));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\courrier\\xB1234567")), "sans extension");
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\courrier\\xB1234568.rtf")), "nouveau");
    EXPECT_EQ(Fichiers(QStringLiteral("P:\\zelvano\\courrier")),
              QStringList({QStringLiteral("xB1234567"), QStringLiteral("xB1234568.rtf")}));
}

TEST_F(Documents, DefaultWorkstationLetterWhenThePracticeIniFileIsMissing) {
    QFile::remove(env.machine.Natif(Param().inifile));
    AjouterLettre(1, 3, QStringLiteral("P:\\zelvano\\courrier\\xB000001.doc"));
    Ecrire(QStringLiteral("C:\\zelvano\\courrier\\xB000001.doc"), "un");

    ASSERT_TRUE(TransfererLettres(0));

    EXPECT_EQ(Enregistrement(Distante(), Courrier, IdentCourrier, 1).value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\courrier\\xA000001.doc")));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\courrier\\xA000001.doc")), "un");
}

TEST_F(Documents, MissingNullOrShortNamesWriteTheRecordAndCopyNothing) {
    AjouterLettre(1, 3, QStringLiteral("P:\\zelvano\\courrier\\xA000001.doc")); // no local file
    AjouterLettre(2, 3, QVariant());
    AjouterLettre(3, 3, QStringLiteral("P:"));
    AjouterLettre(4, 3, QStringLiteral("P:\\"));
    AjouterLettre(5, 3, QStringLiteral("P:\\zelvano\\courrier\\xA000005.doc"));
    Ecrire(QStringLiteral("C:\\zelvano\\courrier\\xA000005.doc"), "cinq");

    ASSERT_TRUE(TransfererLettres(0));

    QStringList noms;
    for (const Ligne& l : Lire(Distante(), Courrier, IdentCourrier)) {
        noms << l.value("nomfichier").toString();
    }
    EXPECT_EQ(noms, QStringList({QStringLiteral("P:\\zelvano\\courrier\\xB000001.doc"),
                                 QStringLiteral("P:\\zelvano\\courrier\\xB000002"),
                                 QStringLiteral("P:\\zelvano\\courrier\\xB000003"),
                                 QStringLiteral("P:\\zelvano\\courrier\\xB000004"),
                                 QStringLiteral("P:\\zelvano\\courrier\\xB000005.doc")}));
    EXPECT_EQ(Fichiers(QStringLiteral("P:\\zelvano\\courrier")),
              QStringList({QStringLiteral("xB000005.doc")}));
    EXPECT_EQ(
        QDir(env.machine.Natif(QStringLiteral("P:\\zelvano")))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList({QStringLiteral("bd"), QStringLiteral("corres"), QStringLiteral("courrier"),
                     QStringLiteral("cro"), QStringLiteral("data")}));
    EXPECT_EQ(env.fenetre.Messages().last(), QStringLiteral("-> 5 enregistrement(s)"));
}

TEST_F(Documents, ADotInAFolderNameDoesNotEnterTheNewName) {
    AjouterLettre(1, 3, QStringLiteral("P:\\zelvano\\courrier.2019\\xA000001"));
    Ecrire(QStringLiteral("C:\\zelvano\\courrier.2019\\xA000001"), "archive");

    ASSERT_TRUE(TransfererLettres(0));

    EXPECT_EQ(Enregistrement(Distante(), Courrier, IdentCourrier, 1).value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\courrier\\xB000001")));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\courrier\\xB000001")), "archive");
}

TEST_F(Documents, ReportsAndCorrespondenceGoToTheirOwnFolders) {
    AjouterDocument(Distante(), QStringLiteral("cro"), 9, 3, QVariant());
    AjouterDocument(Locale(), QStringLiteral("cro"), 4, 3,
                    QStringLiteral("P:\\zelvano\\cro\\xA000004.odt"));
    AjouterDocument(Locale(), QStringLiteral("correspondance"), 8, 3,
                    QStringLiteral("P:\\zelvano\\corres\\xA000008.pdf"));
    Ecrire(QStringLiteral("C:\\zelvano\\cro\\xA000004.odt"), "compte rendu");
    Ecrire(QStringLiteral("C:\\zelvano\\corres\\xA000008.pdf"), "courrier reçu");

    ASSERT_TRUE(TransfererNouveauxEnregistrements(QStringLiteral("cro"), QStringLiteral("identcro"),
                                                  QStringLiteral("identifiant"), 3));
    ASSERT_TRUE(TransfererNouveauxEnregistrements(QStringLiteral("correspondance"),
                                                  QStringLiteral("identcorrespondance"),
                                                  QStringLiteral("identifiant"), 7));

    EXPECT_EQ(Enregistrement(Distante(), QStringLiteral("cro"), QStringLiteral("identcro"), 10)
                  .value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\cro\\xB000010.odt")));
    EXPECT_EQ(Enregistrement(Distante(), QStringLiteral("correspondance"),
                             QStringLiteral("identcorrespondance"), 1)
                  .value("nomfichier"),
              QVariant(QStringLiteral("P:\\zelvano\\corres\\xB000001.pdf")));
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\cro\\xB000010.odt")), "compte rendu");
    EXPECT_EQ(Contenu(QStringLiteral("P:\\zelvano\\corres\\xB000001.pdf")), "courrier reçu");
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("cro"), 4), 10);
    EXPECT_EQ(NouvelIdentifiant(QStringLiteral("correspondance"), 8), 1);
}
