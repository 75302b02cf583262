// bench_suivi: what the safety of a run costs on a practice.
//
//   bench_suivi [--patients N] [--documents N] [--fois N]
//
// The demo practice with N patients (20,000) and its documents, the laptop's copy initialised,
// 100 new patients on it and a few old ones edited. Then, each timed N times (3): the preview of
// the synchronisation's confirmation box, the comparison of the local base with its fingerprint,
// the fingerprint itself (taken at the end of every initialisation) and the safety copy of the
// local base (taken before every initialisation).

#include "bench/mesures.h"
#include "demo/pratique.h"
#include "init/empreintes.h"
#include "init/sauvegarde.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "settings/parametres.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using mesures::Echec;
using mesures::Sortie;

void Executer(const QString& baseNative, const char* sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(baseNative).constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Echec(QStringLiteral("%1 : %2").arg(QString::fromUtf8(sql),
                                            QString::fromUtf8(sqlite3_errmsg(db))));
    }
    sqlite3_close(db);
}

// Runs `etape` `fois` times; prints the median and the spread of the elapsed times, and the
// median processor time.
void Mesurer(const QString& nom, int fois, const std::function<void()>& etape,
             const std::function<void()>& avant = {}) {
    std::vector<double> ecoulees;
    std::vector<double> processeur;
    for (int i = 0; i < fois; ++i) {
        if (avant) {
            avant();
        }
        const mesures::Mesure m = mesures::Mesurer(etape);
        ecoulees.push_back(m.ecoule);
        processeur.push_back(m.processeur);
    }
    std::sort(ecoulees.begin(), ecoulees.end());
    std::sort(processeur.begin(), processeur.end());
    Sortie() << nom.leftJustified(44) << QString::number(ecoulees[ecoulees.size() / 2], 'f', 3)
             << " s (" << QString::number(ecoulees.front(), 'f', 3) << " – "
             << QString::number(ecoulees.back(), 'f', 3) << "), processeur "
             << QString::number(processeur[processeur.size() / 2], 'f', 3) << " s" << Qt::endl;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption patients = mesures::OptionNombre("patients", "Patients", 20000);
    const QCommandLineOption documents = mesures::OptionNombre("documents", "Documents", 2000);
    const QCommandLineOption fois = mesures::OptionNombre("fois", "Mesures de chaque étape", 3);
    options.addOptions({patients, documents, fois});
    options.process(app);

    QTemporaryDir machine;
    demo::OptionsDemo demo;
    demo.machine = machine.path();
    demo.patients = options.value(patients).toInt();
    demo.documents = options.value(documents).toInt();
    demo.objets = demo.documents;
    demo.local = true;
    demo.nouveaux = 100;
    try {
        const demo::BilanDemo bilan = demo::GenererDemo(demo);
        Param().FichierIni = bilan.fichierIni;
        LireParametres();
        const QString base = plateforme::CheminNatif(bilan.baseLocale);
        Sortie() << "Pratique : " << demo.patients << " patients, "
                 << QFileInfo(base).size() / (1024 * 1024) << " Mo de base locale, "
                 << bilan.nouveaux.value(QStringLiteral("patient")) << " nouveaux patients"
                 << Qt::endl;
        const int n = std::max(options.value(fois).toInt(), 1);
        Mesurer(QStringLiteral("Empreinte de la base locale"), n, [] { EnregistrerEmpreintes(); });
        Executer(base, "update patient set ville = 'Lyon' where identifiant <= 20");
        Executer(base, "delete from consultation where identconsultation <= 10");
        qint64 modifications = 0;
        Mesurer(QStringLiteral("Comparaison avec l'empreinte"), n,
                [&] { modifications = AnalyserModificationsLocales(false).lignes.size(); });
        Mesurer(QStringLiteral("Aperçu de la synchronisation"), n,
                [] { (void)ApercuBaseLocale(false); });
        Mesurer(
            QStringLiteral("Sauvegarde de la base locale"), n,
            [] {
                if (!SauvegarderBaseLocale()) {
                    Echec(QStringLiteral("sauvegarde"));
                }
            },
            [] { FinExecution(); });
        Sortie() << "Modifications trouvées : " << modifications << Qt::endl;
    } catch (const plateforme::Erreur& e) {
        Echec(e.Description());
    }
    return 0;
}
