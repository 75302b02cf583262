#include "platform/fichiers_durables.h"
#include "platform/fichiers_internes.h"
#include "platform/profil.h"
#include "platform/restes.h"
#include "testutil/conditions.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using plateforme::NomProvisoire;

const QString Dossier = QStringLiteral("C:\\zelvano\\bd");

QString Dans(const QString& nom) {
    return Dossier + QLatin1Char('\\') + nom;
}

class EcritureDurable : public ::testing::Test {
protected:
    factices::Machine machine;

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(machine.Natif(Dossier))); }

    // The hidden entries of the folder: what a write left behind.
    QStringList Caches() const {
        return QDir(machine.Natif(Dossier))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            .filter(QRegularExpression(QStringLiteral("^\\.")));
    }
};

// The names of the files the writes create.
class Creations final : public plateforme::TemoinDisque {
public:
    void Etape(plateforme::EtapeDisque etape, const QString& natif, const QString&) override {
        if (etape == plateforme::EtapeDisque::Creation) {
            noms.append(QFileInfo(natif).fileName());
        }
    }
    QStringList noms;
};

// Every temporary the durable write makes (records, settings file, copies of bases, file copies)
// bears a name the leftover cleaning removes; a file copy's alone is the one a lot of copies
// removes, never a prepared file of the server.
TEST_F(EcritureDurable, SesTemporairesSontReconnusParLeNettoyage) {
    Creations creations;
    const plateforme::RemplacementTemoinDisque temoin(creations);
    QStringList& noms = creations.noms;
    plateforme::EcrireFichierDurable(Dans(QStringLiteral("zelvano.mdb.intention")), "intention");
    ASSERT_TRUE(plateforme::WritePrivateProfileStringA(
        QStringLiteral("options"), QStringLiteral("createlog"), QStringLiteral("1"),
        Dans(QStringLiteral("synchro.ini"))));
    {
        plateforme::FichierProvisoire base(Dans(QStringLiteral("zelvano.mdb")));
        noms.append(QFileInfo(base.Natif()).fileName() + QStringLiteral("-journal"));
    }
    ASSERT_EQ(noms.size(), 4) << qPrintable(noms.join(QLatin1Char(' ')));
    for (const QString& nom : noms) {
        EXPECT_TRUE(NomProvisoire(nom)) << qPrintable(nom);
    }
    const QByteArray copie = plateforme::interne::NomTemporaire();
    EXPECT_TRUE(NomProvisoire(QString::fromLatin1(copie)));
    EXPECT_TRUE(plateforme::interne::NomCopieTemporaire(copie.constData()));
    EXPECT_FALSE(plateforme::interne::NomCopieTemporaire(
        plateforme::interne::NomTemporaire(QStringLiteral("envoi")).constData()));
    EXPECT_TRUE(Caches().isEmpty()) << qPrintable(Caches().join(QLatin1Char(' ')));
}

// A write that fails, or a file written by another hand and never published, leaves the
// destination as it was and no temporary (nor its journal).
TEST_F(EcritureDurable, UnEchecLaisseLaDestinationIntacte) {
    machine.EcrireFichier(Dans(QStringLiteral("zelvano.mdb")), "ancienne");
    {
        plateforme::FichierProvisoire base(Dans(QStringLiteral("zelvano.mdb")));
        for (const QString& chemin : {base.Natif(), base.Natif() + QStringLiteral("-journal")}) {
            QFile f(chemin);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("nouvelle");
        }
    }
    EXPECT_EQ(machine.LireFichier(Dans(QStringLiteral("zelvano.mdb"))), "ancienne");
    EXPECT_TRUE(Caches().isEmpty()) << qPrintable(Caches().join(QLatin1Char(' ')));

    // A folder of that name cannot be replaced.
    machine.EcrireFichier(Dans(QStringLiteral("plein\\dedans.txt")), "reste");
    EXPECT_NE(essais::ErreurDe([&] {
                  plateforme::EcrireFichierDurable(Dans(QStringLiteral("plein")), "contenu");
              }).Number(),
              0);
    EXPECT_NE(essais::ErreurDe([&] {
                  plateforme::FichierProvisoire base(Dans(QStringLiteral("plein")));
                  base.Publier();
              }).Number(),
              0);
    EXPECT_EQ(machine.LireFichier(Dans(QStringLiteral("plein\\dedans.txt"))), "reste");
    EXPECT_TRUE(Caches().isEmpty()) << qPrintable(Caches().join(QLatin1Char(' ')));
}

} // namespace
