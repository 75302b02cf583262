#include "demo/pratique.h"
#include "jet/dao.h"
#include "platform/erreur.h"
#include "testutil/factices.h"
#include "tools/vod_outils.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class OutilsBase : public ::testing::Test {
protected:
    void SetUp() override {
        const QString natif = machine.Natif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"));
        QDir().mkpath(QFileInfo(natif).absolutePath());
        demo::CreerBasePratique(natif);
        base =
            dao::DBEngine::Instance().OpenDatabase(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"));
    }
    void TearDown() override { base->Close(); }
    void AjouterPatient(qint64 id, const QString& nom) const {
        base->Execute(QStringLiteral("insert into patient (identifiant, nom) values (?, ?)"),
                      {id, nom});
    }
    int Numero(const std::function<void()>& f) const {
        try {
            f();
        } catch (const plateforme::Erreur& e) {
            return e.Number();
        }
        return 0;
    }

    factices::Machine machine;
    std::shared_ptr<dao::Database> base;
    VOD_Outils o;
};

} // namespace

TEST_F(OutilsBase, RecupererIdentMaxTableVideOuRemplie) {
    EXPECT_EQ(o.RécupererIdentMax(*base, "patient", "identifiant", true), QVariant(0));
    EXPECT_EQ(o.RécupererIdentMax(*base, "patient", "nom", false), QVariant(QString()));
    AjouterPatient(12, QStringLiteral("Martin"));
    AjouterPatient(41, QStringLiteral("Durand"));
    AjouterPatient(7, QStringLiteral("Zoé"));
    EXPECT_EQ(o.RécupererIdentMax(*base, "patient", "identifiant", true).toLongLong(), 41);
    EXPECT_EQ(o.RécupererIdentMax(*base, "patient", "nom", false).toString(), "Zoé");
    // Null values come last.
    base->Execute(QStringLiteral("insert into typeobjet (typeobjet, nomecran, extension) values "
                                 "('PHOTO', 'patient', 'jpg'), ('SCAN', 'patient', NULL)"));
    EXPECT_EQ(o.RécupererIdentMax(*base, "typeobjet", "extension", false).toString(), "jpg");
    EXPECT_EQ(Numero([&] { o.RécupererIdentMax(*base, "absente", "id", true); }), 3078);
}

TEST_F(OutilsBase, LireChampTablePremiereLigneOuNull) {
    EXPECT_TRUE(o.LireChampTable(*base, "patient", "", "nom").isNull());
    AjouterPatient(41, QStringLiteral("Durand"));
    EXPECT_EQ(o.LireChampTable(*base, "patient", "", "nom").toString(), "Durand");
    AjouterPatient(12, QStringLiteral("Martin"));
    EXPECT_EQ(o.LireChampTable(*base, "patient", "nom = 'Martin'", "IDENTIFIANT").toLongLong(), 12);
    EXPECT_TRUE(o.LireChampTable(*base, "patient", "identifiant = 99", "nom").isNull());
    // A Null field reads as Null too, not as an empty text.
    EXPECT_TRUE(o.LireChampTable(*base, "patient", "identifiant = 12", "datenaissance").isNull());
    EXPECT_EQ(Numero([&] { o.LireChampTable(*base, "patient", "", "inconnu"); }), 3265);
}
