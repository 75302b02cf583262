#pragma once

#include "jet/dao.h"
#include "testutil/factices.h"

#include <QList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

// The two practice bases and both document trees of a synchronisation, on a temporary emulated
// machine: the server share \\serveur\zelvano reached as drive P (a mapped drive, as net use
// leaves it) and the local disk C, each with zelvano\bd\zelvano.mdb built from the practice
// schema and the folders courrier, cro, corres and data. The run's two handles point at them.
namespace essais {

using Ligne = QVariantMap;
using Champs = std::initializer_list<std::pair<const char*, QVariant>>;

class DeuxBases : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    dao::Database& Distante();
    dao::Database& Locale();

    // A statement run straight on a base file (triggers, dropped tables): what the module
    // itself never does.
    void ExecuterBrut(bool distante, const QString& sql);

    // Rows of the synchro table as the initialisation writes them, with these dernier_no.
    void RemplirSynchro(const QList<int>& derniersNo);

    // Windows paths of files on this machine.
    void Ecrire(const QString& chemin, const QByteArray& contenu) {
        env.machine.EcrireFichier(chemin, contenu);
    }
    QByteArray Contenu(const QString& chemin) const { return env.machine.LireFichier(chemin); }
    bool Existe(const QString& chemin) const;
    void DefinirPoste(const QString& lettre);

    factices::Environnement env;
};

void Inserer(dao::Database& base, const QString& table, Champs champs);
// The whole table, ordered by its identifier.
QList<Ligne> Lire(dao::Database& base, const QString& table, const QString& champId);
// One record; fails the test when it is not there.
Ligne Enregistrement(dao::Database& base, const QString& table, const QString& champId,
                     int identifiant);

// A printable form of rows, every value with its kind, so that whole tables compare as text
// and a difference shows which field of which record.
std::string Decrire(const QList<Ligne>& lignes);

} // namespace essais
