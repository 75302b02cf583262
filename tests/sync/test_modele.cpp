#include "sync/synchronisation.h"
#include "testutil/journal_attendu.h"

#include "settings/parametres.h"
#include "sync/modele_cas.h"
#include "sync/modele_reference.h"
#include "sync/test_synchronisation_poste.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <iostream>

// The synchronisation against a reference model: random practices from seeds, the real run
// (with the initialisation after it), and the whole server base, the server tree, the local
// base and the local tree compared with what the model computes from the case alone.
//
// A failing seed is printed; SYNCHRO_GRAINE=n (and SYNCHRO_TAILLE=1..3) replays it alone with
// ModeleSynchro.Rejouer. SYNCHRO_GRAINES=n runs n seeds per range instead of the usual count.

namespace {

using attendu::InitTerminee;
using attendu::SynchroTerminee;

class ModeleSynchro : public poste::Poste {
protected:
    // Empty when the run did what the model says; otherwise the first difference.
    QString Essayer(quint32 graine, int taille) {
        modele::Effacer();
        const modele::Cas cas = modele::GenererCas(graine, taille);
        modele::Installer(cas);
        Param().modifiesuniquement = cas.modifiesUniquement ? 1 : 0;
        const modele::Attendu attendu = modele::Calculer(cas);
        nouveaux += cas.Nouveaux();
        for (int n : attendu.ecrits) {
            ecrits += n;
        }

        env.fenetre.lignes.clear();
        LancerSynchronisation();
        const QStringList m = Messages();

        QString ecart;
        if (m.count(SynchroTerminee) != 3 || m.count(InitTerminee) != 3) {
            ecart = QStringLiteral(
                "la synchronisation ou l'initialisation n'est pas terminée correctement");
        }
        if (ecart.isEmpty()) {
            static const QRegularExpression compte(
                QStringLiteral("^-> (\\d+) enregistrement\\(s\\)$"));
            QList<int> obtenus;
            for (const QString& ligne : m) {
                const QRegularExpressionMatch trouve = compte.match(ligne);
                if (trouve.hasMatch()) {
                    obtenus.append(trouve.captured(1).toInt());
                }
            }
            if (obtenus != attendu.ecrits) {
                QStringList a;
                QStringList o;
                for (int n : attendu.ecrits) {
                    a.append(QString::number(n));
                }
                for (int n : obtenus) {
                    o.append(QString::number(n));
                }
                ecart = QStringLiteral("comptes du journal : attendu ") + a.join(QLatin1Char(' ')) +
                        QStringLiteral(", obtenu ") + o.join(QLatin1Char(' '));
            }
        }
        const auto comparer = [&ecart](const QString& quoi, const QString& difference) {
            if (ecart.isEmpty() && !difference.isEmpty()) {
                ecart = quoi + QStringLiteral(" : ") + difference;
            }
        };
        comparer(QStringLiteral("base distante"),
                 modele::Difference(modele::TexteTables(attendu.serveur),
                                    modele::LireBase(poste::BaseServeur)));
        comparer(QStringLiteral("arbre distant"),
                 modele::Difference(attendu.arbreServeur, modele::LireArbre(QStringLiteral(
                                                              "\\\\serveur\\zelvano\\zelvano"))));
        comparer(
            QStringLiteral("base locale"),
            modele::Difference(modele::TexteTables(attendu.local), modele::LireBase(poste::BaseC)));
        comparer(QStringLiteral("arbre local"),
                 modele::Difference(attendu.arbreLocal,
                                    modele::LireArbre(QStringLiteral("C:\\zelvano"))));
        const QStringList seuleBase{QStringLiteral("zelvano.mdb")};
        comparer(QStringLiteral("dossier bd distant"),
                 modele::FichiersBase(QStringLiteral("\\\\serveur\\zelvano\\zelvano")) == seuleBase
                     ? QString()
                     : modele::FichiersBase(QStringLiteral("\\\\serveur\\zelvano\\zelvano"))
                           .join(QLatin1Char(' ')));
        comparer(QStringLiteral("dossier bd local"),
                 modele::FichiersBase(QStringLiteral("C:\\zelvano")) == seuleBase
                     ? QString()
                     : modele::FichiersBase(QStringLiteral("C:\\zelvano")).join(QLatin1Char(' ')));
        if (!ecart.isEmpty()) {
            ecart = cas.Resume() + QLatin1Char('\n') + ecart + QStringLiteral("\njournal :\n") +
                    m.mid(std::max<qsizetype>(0, m.size() - 40)).join(QLatin1Char('\n'));
        }
        return ecart;
    }

    // Seeds [premiere, premiere + nombre) of size `taille`; stops after three failures.
    void Graines(quint32 premiere, int nombre, int taille) {
        if (qEnvironmentVariableIsSet("SYNCHRO_GRAINES")) {
            nombre = qEnvironmentVariableIntValue("SYNCHRO_GRAINES");
        }
        QElapsedTimer chrono;
        chrono.start();
        int echecs = 0;
        int essayees = 0;
        for (quint32 g = premiere; g < premiere + static_cast<quint32>(nombre) && echecs < 3; ++g) {
            ++essayees;
            const QString ecart = Essayer(g, taille);
            if (!ecart.isEmpty()) {
                ++echecs;
                ADD_FAILURE() << "graine " << g << " (rejouer : SYNCHRO_GRAINE=" << g
                              << " SYNCHRO_TAILLE=" << taille
                              << " test_sync --gtest_filter=ModeleSynchro.Rejouer)\n"
                              << ecart.toStdString();
            }
        }
        std::cout << "[ modèle   ] " << essayees << " graines (taille " << taille << ", "
                  << nouveaux << " nouveaux enregistrements, " << ecrits << " écrits) en "
                  << chrono.elapsed() << " ms" << std::endl;
        RecordProperty("graines", essayees);
    }

    qint64 nouveaux = 0;
    qint64 ecrits = 0;
};

TEST_F(ModeleSynchro, PetitesPratiques1) {
    Graines(1, 110, 1);
}

TEST_F(ModeleSynchro, PetitesPratiques2) {
    Graines(1001, 110, 1);
}

TEST_F(ModeleSynchro, PetitesPratiques3) {
    Graines(2001, 110, 1);
}

TEST_F(ModeleSynchro, PetitesPratiques4) {
    Graines(3001, 110, 1);
}

TEST_F(ModeleSynchro, PetitesPratiques5) {
    Graines(4001, 110, 1);
}

TEST_F(ModeleSynchro, PratiquesPlusGrandes) {
    Graines(5001, 60, 3);
}

TEST_F(ModeleSynchro, Rejouer) {
    if (!qEnvironmentVariableIsSet("SYNCHRO_GRAINE")) {
        GTEST_SKIP() << "SYNCHRO_GRAINE=n rejoue la graine n";
    }
    const auto graine = static_cast<quint32>(qEnvironmentVariableIntValue("SYNCHRO_GRAINE"));
    const int taille = qEnvironmentVariableIsSet("SYNCHRO_TAILLE")
                           ? qEnvironmentVariableIntValue("SYNCHRO_TAILLE")
                           : 1;
    const QString ecart = Essayer(graine, taille);
    EXPECT_TRUE(ecart.isEmpty()) << ecart.toStdString();
    std::cout << modele::GenererCas(graine, taille).Resume().toStdString() << "\n"
              << Messages().join(QLatin1Char('\n')).toStdString() << std::endl;
}

} // namespace
