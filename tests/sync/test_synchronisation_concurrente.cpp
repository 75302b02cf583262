// Other workstations save records on the server all day: a synchronisation of thousands of
// records and hundreds of documents runs while three of them save a patient every 20 ms, each
// with the database layer's usual lock wait. The synchronisation succeeds, and so does every
// save of theirs: each row is there once, identifiers unique, the base sound.
#include "jet/base_connexion.h"
#include "platform/chemins.h"
#include "settings/parametres.h"
#include "sync/synchronisation.h"
#include "sync/test_synchronisation_poste.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

using poste::BaseC;
using poste::BaseServeur;
using poste::InitTerminee;
using poste::SynchroTerminee;

namespace {

class SynchronisationConcurrente : public poste::Poste {
protected:
    QTemporaryDir dossier;
    std::vector<std::unique_ptr<QProcess>> postes;

    QString Arret() const { return dossier.filePath(QStringLiteral("arret")); }

    void DemarrerPostes(int nombre, int attenteVerrouMs) {
        for (int i = 0; i < nombre; ++i) {
            auto p = std::make_unique<QProcess>();
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(factices::DossierBinaires() + QStringLiteral("/zelvano-poste"),
                     {plateforme::CheminNatif(BaseServeur), QStringLiteral("--nom"),
                      QStringLiteral("poste%1").arg(i + 1), QStringLiteral("--periode"),
                      QStringLiteral("1"), QStringLiteral("--attente"),
                      QString::number(attenteVerrouMs), QStringLiteral("--arret"), Arret()});
            ASSERT_TRUE(p->waitForStarted(5000));
            postes.push_back(std::move(p));
        }
        // Every workstation saving before the run starts.
        for (auto& p : postes) {
            QByteArray lu;
            const QDeadlineTimer limite(20000);
            while (!lu.contains("pret\n") && !limite.hasExpired() &&
                   p->state() == QProcess::Running) {
                p->waitForReadyRead(100);
                lu += p->readAllStandardOutput();
            }
            ASSERT_TRUE(lu.contains("pret\n")) << lu.toStdString();
            sorties.append(lu);
        }
    }

    // Stops them and reads what each saved.
    void ArreterPostes() {
        QFile(Arret()).open(QIODevice::WriteOnly);
        for (size_t i = 0; i < postes.size(); ++i) {
            ASSERT_TRUE(postes[i]->waitForFinished(30000));
            sorties[static_cast<qsizetype>(i)] += postes[i]->readAllStandardOutput();
        }
    }

    QList<QByteArray> sorties;
};

TEST_F(SynchronisationConcurrente, LesAutresPostesEnregistrentPendantLaSynchronisation) {
    GenererDemo(300);
    const qint64 nouveaux = Entier(BaseC, QStringLiteral("select count(*) from patient where "
                                                         "identifiant > (select dernier_no from "
                                                         "synchro where \"table\" = 'patient')"));
    const qint64 documents =
        Entier(BaseC, QStringLiteral("select count(*) from courrier where identcourrier > (select "
                                     "dernier_no from synchro where \"table\" = 'courrier')"));
    ASSERT_EQ(nouveaux, 300);
    ASSERT_GT(documents, 100);

    DemarrerPostes(3, dao::base::DelaiVerrouMs());
    LancerSynchronisation();
    ArreterPostes();

    const QStringList m = Messages();
    EXPECT_EQ(m.count(SynchroTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m.count(InitTerminee), 3) << m.join(QLatin1Char('\n')).toStdString();

    poste::Brut serveur(BaseServeur);
    qint64 attenteMax = 0;
    qint64 total = 0;
    static const QRegularExpression bilan(QStringLiteral("bilan ecrits=(\\d+) echecs=(\\d+) "
                                                         "attente_max_ms=(\\d+)"));
    static const QRegularExpression ecrit(QStringLiteral("^ecrit (\\S+) (\\d+)$"),
                                          QRegularExpression::MultilineOption);
    for (const QByteArray& sortie : std::as_const(sorties)) {
        const QString texte = QString::fromUtf8(sortie);
        const QRegularExpressionMatch b = bilan.match(texte);
        ASSERT_TRUE(b.hasMatch()) << sortie.toStdString();
        EXPECT_EQ(b.captured(2), QStringLiteral("0")) << "a save failed:\n" << sortie.toStdString();
        EXPECT_GT(b.captured(1).toLongLong(), 0);
        attenteMax = std::max(attenteMax, b.captured(3).toLongLong());
        // Every save committed is there once, with the identifier it was given.
        for (auto it = ecrit.globalMatch(texte); it.hasNext();) {
            const QRegularExpressionMatch e = it.next();
            ++total;
            EXPECT_EQ(serveur.Lignes(QStringLiteral("select identifiant from patient where nom = "
                                                    "'%1'")
                                         .arg(e.captured(1))),
                      QStringList{QStringLiteral("identifiant=I:") + e.captured(2)});
        }
    }
    EXPECT_EQ(serveur.Entier(QStringLiteral("select count(*) from patient where prenom = 'Autre "
                                            "poste'")),
              total);
    // The records sent are all there, each once.
    EXPECT_EQ(serveur.Entier(QStringLiteral("select count(*) from patient")),
              serveur.Entier(QStringLiteral("select count(distinct identifiant) from patient")));
    EXPECT_EQ(serveur.Lignes(QStringLiteral("PRAGMA integrity_check")),
              QStringList{QStringLiteral("integrity_check=T:ok")});
    std::cout << "[ concurrence ] " << sorties.size() << " postes, " << total
              << " enregistrements, attente la plus longue " << attenteMax << " ms\n";
    EXPECT_LT(attenteMax, dao::base::DelaiVerrouMs());
}

// A server whose lock another writer keeps longer than TpsAttente: the run stops cleanly
// before it reads or writes anything, and says why.
TEST_F(SynchronisationConcurrente, VerrouGardeTropLongtempsAbandonPropre) {
    GenererDemo(3);
    Param().TpsAttente = 1;
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    const poste::Photo localAvant = poste::Photographier(BaseC);
    poste::Brut verrou(BaseServeur);
    verrou.Executer(QStringLiteral("BEGIN IMMEDIATE"));
    LancerSynchronisation();
    verrou.Executer(QStringLiteral("ROLLBACK"));
    const QStringList m = Messages();
    ASSERT_FALSE(m.isEmpty());
    EXPECT_EQ(m.last(), QStringLiteral("ERREUR : la base de données distante "
                                       "P:\\zelvano\\bd\\zelvano.mdb est en cours d'écriture par "
                                       "un autre poste depuis plus de 1 seconde(s) : la "
                                       "synchronisation est abandonnée sans rien modifier. "
                                       "Relancez-la dans quelques instants."));
    EXPECT_FALSE(m.contains(SynchroTerminee));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));

    // The lock released, the same run goes through.
    env.fenetre.lignes.clear();
    LancerSynchronisation();
    EXPECT_EQ(Messages().count(SynchroTerminee), 3);
}

} // namespace
