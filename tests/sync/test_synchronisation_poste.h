#pragma once

#include "platform/chemins.h"
#include "sync/synchronisation.h"
#include "testutil/factices.h"
#include "testutil/journal_attendu.h"
#include "testutil/photos.h"
#include "testutil/poste.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

struct sqlite3;

// A workstation laid out like the demo machine, for the synchronisation runs: the server share
// \\serveur\zelvano holding the practice tree zelvano (base bd\zelvano.mdb, document folders),
// drive P a link to that share (as net use leaves it), the local disk C with its copy
// C:\zelvano, the practice application's INI file (workstation A) and the settings of the
// demo's synchro.ini. EtatBase is "D": the drive already serves the server.
namespace poste {

// The points of the run given to `action` for the object's lifetime.
class EtapesFactices final : public EtapesSynchronisation {
public:
    explicit EtapesFactices(std::function<void(EtapeSynchronisation)> action = {})
        : action(std::move(action)) {}
    void Etape(EtapeSynchronisation etape) override {
        if (action) {
            action(etape);
        }
    }
    std::function<void(EtapeSynchronisation)> action;

private:
    RemplacementEtapesSynchronisation remplacement_{*this};
};

inline const QString BaseServeur = QStringLiteral("\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb");
inline const QString BaseP = QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb");
inline const QString BaseC = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
inline const QString Intention = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb.synchro-en-cours");

using attendu::InitTerminee;
using attendu::Plus40;
using attendu::SynchroTerminee;

// A connection of the test's own, straight on the file, outside the module's engine: it sees
// only what is committed and never joins the run's transaction.
class Brut {
public:
    explicit Brut(const QString& cheminWindows);
    ~Brut();
    Brut(const Brut&) = delete;
    Brut& operator=(const Brut&) = delete;

    void Executer(const QString& sql);
    qint64 Entier(const QString& sql);
    // Every row of a query, one line each, every value after its column (photos::Texte).
    QStringList Lignes(const QString& sql);

private:
    sqlite3* db_ = nullptr;
};

// Puts in the native folder `destination`, emptied first, a copy of the native folder `source`:
// hidden files included, last-write times kept (the initialisation compares them).
void CopierArbre(const QString& source, const QString& destination);

// The settings of the demo's synchro.ini, into the record; EtatBase "D".
void ReglerParametres(qint16 modifiesUniquement);

// The rows of the table synchro the initialisation writes: table, identifier, patient link.
struct LigneSynchro {
    const char* table;
    const char* champId;
    const char* champDossier;
};
inline constexpr LigneSynchro LignesSynchro[7] = {
    {"patient", "identifiant", "identifiant"},
    {"consultation", "identconsultation", "identifiant"},
    {"ordonnance", "identordonnance", "identifiant"},
    {"courrier", "identcourrier", "identifiant"},
    {"cro", "identcro", "identifiant"},
    {"correspondance", "identcorrespondance", "identifiant"},
    {"objet", "identobjet", "identpatient"}};

// Every table of a base as text, table by table (photos::Texte); a table the base lacks left
// out, any other error a failure of the test.
using Photo = photos::Photo;
Photo Photographier(const QString& base);
// A printable form, for comparisons whose failures show which row differs.
std::string Decrire(const Photo& photo);

class Poste : public ::testing::Test, public factices::Poste {
protected:
    void SetUp() override;

    // Empty practice bases (schema only) on both sides, with the document folders.
    void CreerBasesVides();
    // The demo practice: the server base and tree, the local copy initialised, then `nouveaux`
    // patients (with their records) created in the local copy.
    void GenererDemo(int nouveaux);

    static void Executer(const QString& base, const QString& sql) { Brut(base).Executer(sql); }
    static qint64 Entier(const QString& base, const QString& sql) { return Brut(base).Entier(sql); }
    static QStringList Table(const QString& base, const QString& table, const QString& ordre);
    static QStringList Synchro(const QString& base) {
        return Table(base, QStringLiteral("synchro"), QStringLiteral("id"));
    }
    static qint64 LignesSynchro(const QString& base) {
        return Entier(base, QStringLiteral("select count(*) from synchro"));
    }
    // The seven rows an initialisation writes, with these dernier_no (as many rows as values).
    static void RemplirSynchro(const QString& base, const QList<int>& derniersNo);

    // The machine folder in use (see SetUp).
    QString Racine() const { return plateforme::Machine::Racine(); }

private:
    std::unique_ptr<QTemporaryDir> memoire_;
};

} // namespace poste
