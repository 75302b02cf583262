// What interrupted runs leave behind goes at the next run, and only what this workstation left:
// the files prepared on the server by a run killed while it prepared them (another
// workstation's preparation beside them stays), and the hidden temporaries of the local folders.
// A server base that will not take the run costs no upload.
#include "jet/base_connexion.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "sync/synchronisation.h"
#include "sync/test_synchronisation_poste.h"
#include "testutil/copies_en_panne.h"
#include "testutil/enfant.h"
#include "testutil/restes_plantes.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using poste::BaseC;
using poste::BaseServeur;
using poste::InitTerminee;
using poste::SynchroTerminee;

namespace {

const QString Serveur = QStringLiteral("\\\\serveur\\zelvano\\zelvano");
const QString AutrePoste = QStringLiteral("\\.~synchro-envoi-autreposte-1.tmp");

class Restes : public poste::Poste {
protected:
    void SetUp() override {
        Poste::SetUp();
        GenererDemo(3);
        EtatBase() = QStringLiteral("D");
    }

    // Hidden files of ours anywhere under the server's practice folder, relative to it.
    QStringList CachesServeur() const {
        QStringList caches;
        const QString racine = env.machine.Natif(Serveur);
        QDirIterator it(racine, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString chemin = it.next();
            if (it.fileName().startsWith(QLatin1String(".~"))) {
                caches.append(QDir(racine).relativeFilePath(chemin));
            }
        }
        caches.sort();
        return caches;
    }

    // A letter of the new local records, its file made large enough for a kill to find its
    // copy half-made.
    void GrossirUneLettre() {
        const QStringList noms = poste::Brut(BaseC).Lignes(QStringLiteral(
            "select nomfichier from courrier where nomfichier <> '' and identcourrier > (select "
            "dernier_no from synchro where \"table\" = 'courrier') limit 1"));
        ASSERT_EQ(noms.size(), 1);
        // "nomfichier=T:P:\zelvano\courrier\..." for the stored path on the drive P.
        const QString stocke = noms[0].mid(noms[0].indexOf(QLatin1String("=T:")) + 3);
        QFile lettre(env.machine.Natif(QStringLiteral("C:") + stocke.mid(2)));
        ASSERT_TRUE(lettre.open(QIODevice::WriteOnly)) << stocke.toStdString();
        const QByteArray bloc(1 << 20, 'x');
        for (int i = 0; i < 96; ++i) {
            lettre.write(bloc);
        }
    }
};

TEST_F(Restes, ArretPendantLaPreparationPuisDeuxRuns) {
    GrossirUneLettre();
    // Another workstation preparing its own files in the same folders meanwhile.
    Ecrire(Serveur + QStringLiteral("\\courrier") + AutrePoste, "en préparation");
    Ecrire(Serveur + QStringLiteral("\\data") + AutrePoste, "en préparation");
    const QStringList autres = CachesServeur();

    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("SYNCHRO_CRASH_MACHINE"), Racine());
    QProcess enfant;
    ASSERT_NO_FATAL_FAILURE(factices::DemarrerEnfant(
        enfant, QStringLiteral("CrashSynchroEnfant.DISABLED_Executer"), variables));
    QByteArray sortie;
    factices::AttendreMarque(enfant, sortie, "DEBUT");
    // Killed while the large letter is half-copied to the server.
    const QDir courrier(env.machine.Natif(Serveur + QStringLiteral("\\courrier")));
    QElapsedTimer limite;
    limite.start();
    bool enCopie = false;
    while (!enCopie && limite.elapsed() < 20000 && enfant.state() == QProcess::Running) {
        for (const QFileInfo& f : courrier.entryInfoList(QDir::Files | QDir::Hidden)) {
            enCopie = enCopie || (f.size() > (1 << 20) && f.size() < (96 << 20));
        }
    }
    ASSERT_TRUE(factices::TuerEnfant(enfant)) << "the run ended before the kill";
    ASSERT_TRUE(enCopie);
    ASSERT_GT(CachesServeur().size(), autres.size()) << "the kill left nothing to remove";

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        env.fenetre.lignes.clear();
        LancerSynchronisation();
        EXPECT_EQ(Messages().count(InitTerminee), 3) << Messages().join('\n').toStdString();
        EXPECT_EQ(CachesServeur(), autres);
    }
    EXPECT_FALSE(EstFichier(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb.envois-en-attente")));
}

// A base missing, a table synchro not empty, a lock held too long: the run stops before the
// files, and sends none. Then, nothing wrong, the files go (the hook does see them).
TEST_F(Restes, RienNEstEnvoyeQuandLaBaseDistanteRefuse) {
    factices::CopiesEnPanne crochet;
    Param().TpsAttente = 1;
    const QString base = env.machine.Natif(BaseServeur);
    const auto essayer = [&](const char* cas) {
        SCOPED_TRACE(cas);
        factices::Copies() = factices::EtatCopies{};
        env.fenetre.lignes.clear();
        LancerSynchronisation();
        EXPECT_FALSE(Messages().contains(SynchroTerminee));
        EXPECT_EQ(factices::Copies().appels, 0);
        EXPECT_EQ(CachesServeur(), QStringList());
    };

    ASSERT_TRUE(QFile::rename(base, base + QStringLiteral(".ailleurs")));
    essayer("missing server base");
    ASSERT_TRUE(QFile::rename(base + QStringLiteral(".ailleurs"), base));

    Executer(BaseServeur, QStringLiteral("insert into synchro (\"table\", champ_id, "
                                         "champ_id_dossier, dernier_no) values ('patient', "
                                         "'identifiant', 'identifiant', 1)"));
    essayer("server table synchro not empty");
    Executer(BaseServeur, QStringLiteral("delete from synchro"));

    {
        poste::Brut verrou(BaseServeur);
        verrou.Executer(QStringLiteral("BEGIN IMMEDIATE"));
        essayer("server lock held");
        verrou.Executer(QStringLiteral("ROLLBACK"));
    }

    factices::Copies() = factices::EtatCopies{};
    env.fenetre.lignes.clear();
    LancerSynchronisation();
    EXPECT_EQ(Messages().count(SynchroTerminee), 3) << Messages().join('\n').toStdString();
    EXPECT_GT(factices::Copies().appels, 0);
}

TEST_F(Restes, LesRestesLocauxPartentALaSynchronisation) {
    const factices::RestesPlantes restes = factices::PlanterRestes(env.machine);
    LancerSynchronisation();
    EXPECT_EQ(Messages().count(InitTerminee), 3) << Messages().join('\n').toStdString();
    EXPECT_EQ(factices::Presents(restes.nos), QStringList());
    EXPECT_EQ(factices::Presents(restes.autres), restes.autres);
}

} // namespace
