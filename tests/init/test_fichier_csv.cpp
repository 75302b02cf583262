// The run's reports as a French spreadsheet opens them.
#include "init/fichier_csv.h"
#include "platform/erreur.h"
#include "testutil/conditions.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(FichierCsv, ChampsProtegesEtLignesEnCRLF) {
    EXPECT_EQ(
        LigneCsv({QStringLiteral("patient"), QStringLiteral("12"), QStringLiteral("modifié")}),
        QByteArray("patient;12;modifi\xC3\xA9\r\n"));
    // A path with a semicolon, a quote or a line break stays one field.
    EXPECT_EQ(
        LigneCsv({QStringLiteral("C:\\zelvano\\courrier\\a;b.doc"), QStringLiteral("dit \"non\""),
                  QStringLiteral("deux\nlignes"), QString()}),
        QByteArray("\"C:\\zelvano\\courrier\\a;b.doc\";\"dit \"\"non\"\"\";\"deux\nlignes\";\r\n"));
}

TEST(FichierCsv, EnteteMarqueEtEcritureParBlocs) {
    factices::Machine machine;
    const QString chemin = QStringLiteral("C:\\rapports\\registre.csv");
    QDir().mkpath(QFileInfo(machine.Natif(chemin)).absolutePath());
    FichierCsv csv(chemin, {QStringLiteral("table"), QStringLiteral("ancien")});
    const QString natif = machine.Natif(chemin);
    // Buffered: nothing yet, then whole blocks as the lines go.
    EXPECT_EQ(QFileInfo(natif).size(), 0);
    for (int i = 0; i < 20'000; ++i) {
        csv.Ligne({QStringLiteral("patient"), QString::number(i)});
    }
    const qint64 enCours = QFileInfo(natif).size();
    EXPECT_GT(enCours, 0);
    csv.Durcir();
    const QByteArray contenu = machine.LireFichier(chemin);
    EXPECT_GT(contenu.size(), enCours);
    EXPECT_TRUE(contenu.startsWith("\xEF\xBB\xBFtable;ancien\r\npatient;0\r\n"));
    EXPECT_TRUE(contenu.endsWith("patient;19999\r\n"));
    EXPECT_EQ(contenu.count("\r\n"), 20'001);

    // A folder that is not there: the classic error, nothing created.
    EXPECT_EQ(essais::ErreurDe([] {
                  FichierCsv(QStringLiteral("C:\\absent\\x.csv"), {QStringLiteral("a")});
              }).Number(),
              plateforme::err::CheminIntrouvable);
}

} // namespace
