// A synchronisation and its initialisation on a machine prepared as zelvano-demo or an
// installation prepares it: the stand-ins linked into the program's folder
// C:\Program Files\Zelvano, the drive redirected by the interpreter found there, the folders
// copied by its ROBOCOPY. The journal, in the list and in synchro.log, names the machine's
// Windows paths only, never the folders that stand for them.
#include "platform/chemins.h"
#include "platform/dossier_programme.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "sync/synchronisation.h"
#include "sync/test_synchronisation_poste.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class JournalWindows : public poste::Poste {
protected:
    factices::Systeme systeme;
    factices::EcranLent ecran{env.horloge};
    std::unique_ptr<plateforme::RemplacementServices> services;

    void SetUp() override {
        Poste::SetUp();
        systeme.version = {2, 5, 1, 2600, 3, 0}; // XP: ROBOCOPY is used when it is there
        services = std::make_unique<plateforme::RemplacementServices>(
            plateforme::Services{nullptr, nullptr, &ecran, &systeme, nullptr});
        GenererDemo(3);
        ASSERT_EQ(plateforme::PreparerDossierProgramme(factices::DossierBinaires()), QStringList());
        Param().createlog = 1;
        Param().copiesecurisee = 0;
        Param().modifiesuniquement = 1;
        Param().Interpreteur = QStringLiteral("CMD.EXE");
        // P: is redirected to the share by the run itself, through CMD.EXE.
        EtatBase().clear();
    }
};

TEST_F(JournalWindows, SynchronisationEtInitialisationSansCheminNatif) {
    LancerSynchronisation();
    const QStringList m = Messages();
    const std::string tout = m.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(m.count(poste::SynchroTerminee), 3) << tout;
    ASSERT_EQ(m.count(poste::InitTerminee), 3) << tout;

    // The programs and the temporary base of the program's folder, by its Windows name.
    EXPECT_TRUE(m.contains(QStringLiteral("-> Exécution de la commande : C:\\Program Files\\Zelvano"
                                          "\\robocopy.exe P:\\zelvano\\courrier "
                                          "C:\\zelvano\\courrier /E /R:0")))
        << tout;
    EXPECT_TRUE(m.contains(QStringLiteral("Copie de C:\\zelvano\\bd\\zelvano.mdb vers "
                                          "C:\\Program Files\\Zelvano\\tmpbd.mdb")))
        << tout;
    EXPECT_TRUE(m.contains(QStringLiteral(
        "Windows XP, 2003 ou Vista et ROBOCOPY détecté dans C:\\Program Files\\Zelvano")))
        << tout;

    // synchro.log, in the program's folder, holds the very lines of the list.
    QFile journal(env.machine.Natif(QStringLiteral("C:\\Program Files\\Zelvano\\synchro.log")));
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    const QStringList fichier =
        QString::fromUtf8(journal.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(fichier, env.fenetre.lignes);

    // No native path: no name glued to "/" and no "/" word going on with "\" (switches stand
    // after a blank, counts are digits), neither the machine's folder nor the build's.
    static const QRegularExpression colle(QStringLiteral("[A-Za-z_.\\-]/|/\\S*\\\\"));
    for (const QString& l : m) {
        EXPECT_FALSE(l.contains(colle)) << l.toStdString();
        EXPECT_FALSE(l.contains(Racine())) << l.toStdString();
        EXPECT_FALSE(l.contains(factices::DossierBinaires())) << l.toStdString();
    }
}

} // namespace
