// bench_synchro: what the user waits for, end to end.
//
//   bench_synchro [--patients N] [--documents N] [--nouveaux N] [--dossier D]
//
// On a fresh emulated machine in a temporary folder under D (the current folder): the demo
// practice on the server (N patients, 20,000, with N documents, 10,000, and their objects) and
// an empty laptop, the stand-in programs in the program's folder.
//   1. The first initialisation of the laptop by the module, from ">>>" to "<<<", as the
//      Initialise command runs it (the drive first pointed at the server), beside cp -a of the
//      same tree followed by sync.
//   2. A day of work on the laptop (N new patients, 100, with their consultations,
//      prescriptions, letters, reports, correspondence and objects, files included, and new
//      consultations of patients already there), then one synchronisation from ">>>" to "<<<".
//   3. The same day with M old records corrected on the laptop (--corrections, 2,000: towns of
//      patients and conclusions of consultations), a twentieth of them also changed at the
//      practice; the time the plan takes for the confirmation, then the synchronisation, with
//      the time of its carried writes (from the last transfer line to the last report line).
// For each run: its elapsed and processor time, the time of each step as its journal lines came
// (a line's time runs to the next line), the time spent in the run's waits (the fixed delays of
// the redirection and of the copy programs, and the polls of the drive and of the task list),
// and the total less those waits: the work of the module itself.

#include "bench/mesures.h"
#include "demo/base_sqlite.h"
#include "demo/pratique.h"
#include "init/initialisation.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "settings/bilan.h"
#include "settings/etat.h"
#include "settings/fenetre.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "sync/report.h"
#include "sync/synchronisation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

using mesures::Echec;
using mesures::Sortie;

double Secondes(qint64 nanos) {
    return static_cast<double>(nanos) / 1e9;
}

QString Duree(double secondes) {
    return QString::number(secondes, 'f', 3) + QStringLiteral(" s");
}

// The journal of the run, each line with the moment it came.
class Journal final : public Fenetre {
public:
    void DefinirTitre(const QString&) override {}
    void AjouterLigneJournal(const QString& ligne) override {
        lignes.emplace_back(chrono.nsecsElapsed(), ligne);
    }
    void ViderJournal() override { lignes.clear(); }
    void DefinirLibelle(Bouton, const QString&) override {}
    void ActiverBouton(Bouton, bool) override {}
    bool BoutonActif(Bouton) const override { return true; }

    QElapsedTimer chrono;
    std::vector<std::pair<qint64, QString>> lignes;
};

// The window's yield, timed: the run's waits loop on it.
class EcranMesure final : public plateforme::Ecran {
public:
    void DefinirPointeur(int) override {}
    void Ceder(bool enAttente) override {
        QCoreApplication::processEvents();
        if (enAttente) {
            QElapsedTimer t;
            t.start();
            QThread::msleep(2); // the window's loop blocks while no event comes
            attente += t.nsecsElapsed();
        }
    }
    qint64 attente = 0;
};

struct Mesure {
    qint64 ecoule = 0;
    double processeur = 0;
    qint64 attente = 0;
};

// One run as a command frames it: ">>>", the run, its summary line, "<<<".
Mesure Executer(Journal& journal, EcranMesure& ecran, const std::function<void()>& execution) {
    journal.lignes.clear();
    ecran.attente = 0;
    const double processeur = mesures::SecondesProcesseur(true);
    journal.chrono.start();
    EcrireJournal(QStringLiteral(">>>"));
    Bilan().Commencer();
    execution();
    EcrireJournal(Bilan().Ligne());
    EcrireJournal(QStringLiteral("<<<"));
    return {journal.chrono.nsecsElapsed(), mesures::SecondesProcesseur(true) - processeur,
            ecran.attente};
}

// The run's lines with their times; lines shorter than `seuil` go into the line before.
void Etapes(const Journal& journal, double seuil) {
    const auto& l = journal.lignes;
    for (size_t i = 0; i + 1 < l.size(); ++i) {
        const double duree = Secondes(l[i + 1].first - l[i].first);
        if (duree >= seuil) {
            // Without the date and time the journal puts in front.
            const QString& texte = l[i].second;
            const qsizetype debut = texte.indexOf(QStringLiteral(" : "));
            Sortie() << QStringLiteral("  %1  %2")
                            .arg(Duree(duree), 10)
                            .arg(debut < 0 ? texte : texte.mid(debut + 3))
                     << Qt::endl;
        }
    }
}

void Resume(const char* quoi, const Mesure& m, const Journal& journal, const char* fin) {
    const bool termine = std::any_of(journal.lignes.begin(), journal.lignes.end(),
                                     [fin](const auto& l) { return l.second.contains(fin); });
    Sortie() << quoi << " : " << Duree(Secondes(m.ecoule)) << ", processeur " << Duree(m.processeur)
             << ", dont attentes " << Duree(Secondes(m.attente))
             << " ; sans les attentes : " << Duree(Secondes(m.ecoule - m.attente))
             << (termine ? "" : "  (ÉCHEC : voir le journal)") << Qt::endl;
}

void Lancer(const QString& programme, const QStringList& arguments) {
    QProcess p;
    p.start(programme, arguments);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        Echec(programme + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
    }
}

qint64 Octets(const QString& natif, int& fichiers) {
    qint64 octets = 0;
    QDirIterator it(natif, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++fichiers;
        octets += it.fileInfo().size();
    }
    return octets;
}

// The laptop corrects `n` old records, half patients (their town) and half consultations
// (their conclusion); the practice changes the town of one in twenty of those patients.
int Corriger(int n) {
    demo::BaseSqlite locale(plateforme::CheminNatif(CheminBaseLocale()), false);
    demo::BaseSqlite serveur(plateforme::CheminNatif(CheminBaseDistanteParLePartage()), false);
    const auto dernier = [&](const char* table) {
        return locale.Entier(QStringLiteral("select dernier_no from synchro where \"table\" = '%1'")
                                 .arg(QLatin1String(table)));
    };
    const auto corriger = [&](demo::BaseSqlite& base, const QString& sql) {
        base.Executer(QStringLiteral("BEGIN"));
        base.Executer(sql);
        base.Executer(QStringLiteral("COMMIT"));
    };
    const int moitie = n / 2;
    const QString patients = QStringLiteral("(select identifiant from patient where identifiant "
                                            "<= %1 order by identifiant limit %2)")
                                 .arg(dernier("patient"))
                                 .arg(moitie);
    corriger(locale, QStringLiteral("update patient set ville = 'Corrigée ' || identifiant where "
                                    "identifiant in ") +
                         patients);
    corriger(serveur, QStringLiteral("update patient set ville = 'Cabinet ' || identifiant where "
                                     "identifiant % 20 = 0 and identifiant in ") +
                          patients);
    corriger(locale,
             QStringLiteral("update consultation set conclusion = 'Revue le ' || "
                            "identconsultation where identconsultation in (select "
                            "identconsultation from consultation where identconsultation <= %1 "
                            "order by identconsultation limit %2)")
                 .arg(dernier("consultation"))
                 .arg(n - moitie));
    return n;
}

// From the last line of the transfer to the last line of the reports.
double DureeReports(const Journal& journal) {
    const auto& l = journal.lignes;
    qint64 debut = -1;
    qint64 fin = -1;
    for (size_t i = 0; i + 1 < l.size(); ++i) {
        if (l[i].second.contains(QStringLiteral("-> ")) && debut < 0 && i > 0 &&
            l[i - 1].second.contains(QStringLiteral("table : objet"))) {
            debut = l[i].first;
        }
        if (l[i].second.contains(QStringLiteral("Modifications reportées")) ||
            l[i].second.contains(QStringLiteral("conflit(s) : la valeur"))) {
            fin = l[i].first;
        }
    }
    return debut < 0 || fin < debut ? 0.0 : Secondes(fin - debut);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser ligne;
    ligne.addHelpOption();
    const QCommandLineOption patients =
        mesures::OptionNombre("patients", "Patients du cabinet", 20000);
    const QCommandLineOption documents =
        mesures::OptionNombre("documents", "Documents du cabinet", 10000);
    const QCommandLineOption nouveaux =
        mesures::OptionNombre("nouveaux", "Patients créés dans la journée", 100);
    const QCommandLineOption corrections =
        mesures::OptionNombre("corrections", "Enregistrements anciens corrigés le jour 3", 2000);
    const QCommandLineOption dossierArbres(QStringLiteral("dossier"),
                                           QStringLiteral("Dossier de la machine (le dossier "
                                                          "courant)."),
                                           QStringLiteral("D"), QDir::currentPath());
    const QCommandLineOption seuil(QStringLiteral("seuil"),
                                   QStringLiteral("Durée minimale d'une étape affichée, en "
                                                  "secondes (0.005)."),
                                   QStringLiteral("s"), QStringLiteral("0.005"));
    ligne.addOptions({patients, documents, nouveaux, corrections, dossierArbres, seuil});
    ligne.process(app);

    // On the disk, where every commit and every file is flushed.
    mesures::EcarterSortiesProgrammes(ligne.value(dossierArbres) +
                                      QStringLiteral("/bench-synchro-sorties.txt"));
    QTemporaryDir dossier(ligne.value(dossierArbres) + QStringLiteral("/bench-synchro-XXXXXX"));
    if (!dossier.isValid()) {
        Echec(QStringLiteral("dossier temporaire"));
    }
    const QString machine = dossier.filePath(QStringLiteral("machine"));
    Journal journal;
    const InstallationFenetre installation(journal);
    EcranMesure ecran;
    const plateforme::RemplacementServices services({nullptr, nullptr, &ecran, nullptr, nullptr});
    const double limite = ligne.value(seuil).toDouble();
    try {
        demo::OptionsDemo options;
        options.machine = machine;
        options.patients = ligne.value(patients).toInt();
        options.documents = ligne.value(documents).toInt();
        options.objets = options.documents / 2;
        options.programmes = QCoreApplication::applicationDirPath();
        QElapsedTimer preparation;
        preparation.start();
        const demo::BilanDemo demo = demo::GenererDemo(options);
        plateforme::DefinirDossierProgramme(QStringLiteral("C:\\Program Files\\Zelvano"));
        Param().FichierIni = demo.fichierIni;
        LireParametres();
        const QString arbre = plateforme::CheminNatif(QStringLiteral("\\\\serveur\\zelvano"));
        int fichiers = 0;
        const qint64 octets = Octets(arbre, fichiers);
        Sortie() << "Cabinet de démonstration : " << options.patients << " patients, "
                 << options.documents << " documents ; arbre du serveur " << fichiers
                 << " fichiers, " << octets / (1024 * 1024) << " Mo (préparé en "
                 << preparation.elapsed() / 1000 << " s) ; copie "
                 << (Param().copiesecurisee != 0 ? "sécurisée" : "non sécurisée")
                 << (Param().modifiesuniquement != 0 ? ", modifiés uniquement" : "") << Qt::endl;

        // 1. The first initialisation of the empty laptop, between two cp -a and sync of the
        // same tree: the disk's pace drifts, and the initialisation is set against both.
        const auto copieCp = [&](const QString& nom) {
            Lancer(QStringLiteral("sync"), {});
            return mesures::Mesurer(
                [&] {
                    Lancer(QStringLiteral("cp"),
                           {QStringLiteral("-a"), arbre, dossier.filePath(nom)});
                    Lancer(QStringLiteral("sync"), {});
                },
                true);
        };
        const mesures::Mesure cpAvant = copieCp(QStringLiteral("cp-avant"));
        Lancer(QStringLiteral("sync"), {});
        EtatBase() = QStringLiteral("L");
        const Mesure init = Executer(journal, ecran, [] { LancerInitialisationManuelle(); });
        const mesures::Mesure cpApres = copieCp(QStringLiteral("cp-apres"));
        Sortie() << "1. Première initialisation du portable" << Qt::endl;
        Etapes(journal, limite);
        Resume("   initialisation", init, journal, "INITIALISATION TERMINEE");
        const double cp = (cpAvant.ecoule + cpApres.ecoule) / 2;
        Sortie() << "   cp -a puis sync du même arbre : " << Duree(cpAvant.ecoule) << " avant, "
                 << Duree(cpApres.ecoule) << " après (processeur " << Duree(cpAvant.processeur)
                 << ", " << Duree(cpApres.processeur) << ") ; rapport "
                 << QString::number(Secondes(init.ecoule - init.attente) / cp, 'f', 2)
                 << " (sans les attentes, à leur moyenne)" << Qt::endl;

        // 2. A day of work, then its synchronisation.
        demo::OptionsDemo journee = options;
        journee.nouveaux = ligne.value(nouveaux).toInt();
        journee.graine = options.graine + 1;
        const demo::BilanDemo jour = demo::AjouterJournee(journee);
        qint64 enregistrements = 0;
        for (auto it = jour.nouveaux.cbegin(); it != jour.nouveaux.cend(); ++it) {
            enregistrements += it.value();
        }
        Lancer(QStringLiteral("sync"), {});
        EtatBase() = QStringLiteral("L");
        const Mesure synchro = Executer(journal, ecran, [] { LancerSynchronisation(); });
        Sortie() << "2. Synchronisation d'une journée : " << enregistrements
                 << " enregistrements nouveaux (" << jour.nouveaux.value(QStringLiteral("patient"))
                 << " patients), " << jour.fichiers << " fichiers" << Qt::endl;
        Etapes(journal, limite);
        Resume("   synchronisation", synchro, journal, "INITIALISATION TERMINEE");

        // 3. Another day, with old records corrected on both sides.
        journee.graine = options.graine + 2;
        demo::AjouterJournee(journee);
        const int corriges = Corriger(ligne.value(corrections).toInt());
        Lancer(QStringLiteral("sync"), {});
        EtatBase() = QStringLiteral("L");
        PlanPrevu prevu;
        const mesures::Mesure apercu = mesures::Mesurer([&] { prevu = PrevoirReports(); }, true);
        const Mesure reports = Executer(journal, ecran, [] { LancerSynchronisation(); });
        Sortie() << "3. Synchronisation d'une journée avec " << corriges
                 << " enregistrements anciens corrigés : aperçu " << prevu.plan.Reports()
                 << " champ(s) à reporter, " << prevu.plan.Conflits() << " conflit(s) en "
                 << Duree(apercu.ecoule) << " (processeur " << Duree(apercu.processeur) << ")"
                 << Qt::endl;
        Etapes(journal, limite);
        Resume("   synchronisation", reports, journal, "INITIALISATION TERMINEE");
        Sortie() << "   report des modifications : " << Duree(DureeReports(journal)) << Qt::endl;
    } catch (const plateforme::Erreur& e) {
        Echec(QStringLiteral("%1 (%2)").arg(e.Description()).arg(e.Number()));
    }
    return 0;
}
