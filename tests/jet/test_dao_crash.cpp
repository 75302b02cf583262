#include "jet/dao.h"
#include "platform/erreur.h"
#include "testutil/factices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <sqlite3.h>

namespace {

// Rows each transaction of the child adds to each base (see enfant_crash.cpp).
constexpr int LignesParLot = 40;

void CreerBase(const QString& natif) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(natif).constData(), &db,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "PRAGMA journal_mode=DELETE;"
                           "CREATE TABLE lot (id INTEGER PRIMARY KEY, n INTEGER, i INTEGER, "
                           "charge TEXT);"
                           "CREATE TABLE compteur (valeur INTEGER, dernier INTEGER);"
                           "INSERT INTO compteur VALUES (0, 0);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
}

// What one base holds, read by this process from a copy of the base and of its own journal
// only: the other base's files and the child's are not at hand, as for another workstation.
struct Etat {
    bool integre = false;
    bool journalChaud = false;
    QSet<qint64> lots;
    QString defaut; // why the base is not all-or-none, empty when it is
};

Etat Examiner(const QString& natif, const QString& dossierCopie) {
    Etat etat;
    QDir(dossierCopie).removeRecursively();
    QDir().mkpath(dossierCopie);
    const QString copie = dossierCopie + QStringLiteral("/base.mdb");
    QFile::copy(natif, copie);
    if (QFile::copy(natif + QStringLiteral("-journal"), copie + QStringLiteral("-journal"))) {
        etat.journalChaud = QFileInfo(copie + QStringLiteral("-journal")).size() > 0;
    }
    auto base = dao::DBEngine::Instance().OpenDatabase(copie);
    auto verification = base->OpenRecordset(QStringLiteral("PRAGMA integrity_check"));
    etat.integre =
        !verification->Eof() && verification->Fields(0).Value().toString() == QLatin1String("ok");
    verification->Close();

    QHash<qint64, int> lignes;
    auto rs = base->OpenRecordset(QStringLiteral("select n, count(*) as nb from lot group by n"));
    for (; !rs->Eof(); rs->MoveNext()) {
        lignes.insert(rs->Fields(0).Value().toLongLong(), rs->Fields(1).Value().toInt());
    }
    rs->Close();
    auto compteur = base->OpenRecordset(QStringLiteral("select valeur, dernier from compteur"));
    const qint64 valeur = compteur->Fields(0).Value().toLongLong();
    const qint64 dernier = compteur->Fields(1).Value().toLongLong();
    compteur->Close();
    base->Close();

    qint64 plusGrand = 0;
    for (auto it = lignes.cbegin(); it != lignes.cend(); ++it) {
        etat.lots.insert(it.key());
        plusGrand = std::max(plusGrand, it.key());
        if (it.value() != LignesParLot) {
            etat.defaut = QStringLiteral("lot %1 : %2 lignes").arg(it.key()).arg(it.value());
        }
    }
    if (valeur != lignes.size() || dernier != plusGrand) {
        etat.defaut += QStringLiteral(" compteur %1/%2 pour %3 lots jusqu'au %4")
                           .arg(valeur)
                           .arg(dernier)
                           .arg(lignes.size())
                           .arg(plusGrand);
    }
    return etat;
}

// A child commits transactions over two bases in a loop and is killed with SIGKILL at a random
// moment, again and again on the same two bases. After every kill, each base alone passes the
// integrity check and holds whole transactions only; every transaction the child saw committed
// is in both; the second base never holds one that the first lacks (committed in that order).
TEST(DaoCrash, TransactionSurDeuxBasesTueeAuHasard) {
    const QString enfant = factices::DossierBinaires() + QStringLiteral("/enfant_crash");
    ASSERT_TRUE(QFileInfo::exists(enfant)) << enfant.toStdString();
    // In memory when the machine has it: a killed process leaves the same files there as on a
    // disk (the kernel keeps what was written), and the commits do not wait for the disk, so
    // hundreds of kills fit in seconds.
    QTemporaryDir enMemoire(QStringLiteral("/dev/shm/synchro-crash-XXXXXX"));
    QTemporaryDir surDisque;
    const QTemporaryDir& dossier = enMemoire.isValid() ? enMemoire : surDisque;
    ASSERT_TRUE(dossier.isValid());
    const QString a = dossier.path() + QStringLiteral("/serveur/zelvano.mdb");
    const QString b = dossier.path() + QStringLiteral("/local/zelvano.mdb");
    QDir().mkpath(dossier.path() + QStringLiteral("/serveur"));
    QDir().mkpath(dossier.path() + QStringLiteral("/local"));

    QRandomGenerator alea(20261208);
    QSet<qint64> confirmes;
    qint64 totalConfirmes = 0;
    int dansAseulement = 0; // of the current pair of bases
    int tuees = 0;
    int journauxChauds = 0;
    int seulementPremiere = 0;
    QElapsedTimer chrono;
    chrono.start();
    // Hundreds of kills, within a bounded time on a loaded machine.
    while (tuees < 500 && !(tuees >= 200 && chrono.elapsed() > 15000) && chrono.elapsed() < 40000) {
        // A new pair of bases now and then, so that their size (and the checks) stay small.
        if (tuees % 20 == 0) {
            for (const QString& f : {a, b}) {
                QFile::remove(f);
                QFile::remove(f + QStringLiteral("-journal"));
                CreerBase(f);
            }
            totalConfirmes += confirmes.size();
            confirmes.clear();
            seulementPremiere += dansAseulement;
            dansAseulement = 0;
        }
        QProcess p;
        p.start(enfant, {a, b});
        ASSERT_TRUE(p.waitForStarted(5000));
        ASSERT_TRUE(p.waitForReadyRead(10000)) << p.readAllStandardError().toStdString();
        ASSERT_EQ(p.readLine().trimmed(), QByteArray("pret"));
        QThread::usleep(alea.bounded(25000));
        p.kill();
        ASSERT_TRUE(p.waitForFinished(5000));
        ASSERT_EQ(p.exitStatus(), QProcess::CrashExit) << p.readAllStandardError().toStdString();
        ++tuees;
        for (const QByteArray& ligne : p.readAllStandardOutput().split('\n')) {
            if (!ligne.trimmed().isEmpty()) {
                confirmes.insert(ligne.trimmed().toLongLong());
            }
        }

        const Etat ea = Examiner(a, dossier.path() + QStringLiteral("/examen_a"));
        const Etat eb = Examiner(b, dossier.path() + QStringLiteral("/examen_b"));
        ASSERT_TRUE(ea.integre) << "base A corrompue après " << tuees << " arrêts";
        ASSERT_TRUE(eb.integre) << "base B corrompue après " << tuees << " arrêts";
        ASSERT_TRUE(ea.defaut.isEmpty()) << "A : " << ea.defaut.toStdString();
        ASSERT_TRUE(eb.defaut.isEmpty()) << "B : " << eb.defaut.toStdString();
        for (qint64 n : confirmes) {
            ASSERT_TRUE(ea.lots.contains(n) && eb.lots.contains(n)) << "lot confirmé perdu " << n;
        }
        for (qint64 n : eb.lots) {
            ASSERT_TRUE(ea.lots.contains(n)) << "lot " << n << " dans B sans A";
        }
        journauxChauds += (ea.journalChaud ? 1 : 0) + (eb.journalChaud ? 1 : 0);
        dansAseulement = static_cast<int>(ea.lots.size() - eb.lots.size());
    }
    totalConfirmes += confirmes.size();
    seulementPremiere += dansAseulement;
    EXPECT_GE(tuees, 200);
    // The kills must have hit commits, not only the waits between them.
    EXPECT_GT(journauxChauds, 0);
    EXPECT_GT(totalConfirmes, 0);
    std::printf(
        "[ crash ] %d arrêts SIGKILL en %lld ms, %lld lots confirmés, %d journaux chauds "
        "relus, %d arrêt(s) entre la validation de la première base et celle de la seconde\n",
        tuees, static_cast<long long>(chrono.elapsed()), static_cast<long long>(totalConfirmes),
        journauxChauds, seulementPremiere);
    RecordProperty("arrets", tuees);
    RecordProperty("journaux_chauds", journauxChauds);
}

} // namespace
