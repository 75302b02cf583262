// bench_concurrence: a synchronisation while other workstations save on the server.
//
//   bench_concurrence [--nouveaux N] [--postes W] [--periode MS]
//
// The demo practice on disk, its local copy with N new patients (300, with their consultations,
// prescriptions, letters, reports, correspondence and objects, files included). W other
// workstations (3, zelvano-poste) each save a patient every MS milliseconds (20) with the
// database layer's usual lock wait, before, during and after a whole synchronisation (transfer,
// commit, initialisation). Prints the run's elapsed and processor time, what the workstations
// saved, their failures, and the longest a save of theirs waited.

#include "bench/mesures.h"
#include "demo/pratique.h"
#include "jet/base_connexion.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "settings/etat.h"
#include "settings/fenetre.h"
#include "settings/parametres.h"
#include "sync/synchronisation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using mesures::Echec;
using mesures::SecondesProcesseur;
using mesures::Sortie;

// The journal of the run, kept to tell how it ended.
class Journal final : public Fenetre {
public:
    void DefinirTitre(const QString&) override {}
    void AjouterLigneJournal(const QString& ligne) override { lignes.append(ligne); }
    void ViderJournal() override { lignes.clear(); }
    void DefinirLibelle(Bouton, const QString&) override {}
    void ActiverBouton(Bouton, bool) override {}
    bool BoutonActif(Bouton) const override { return true; }
    QStringList lignes;
};

struct Bilan {
    qint64 ecrits = 0;
    qint64 echecs = 0;
    qint64 attenteMax = 0;
};

Bilan LireBilan(const QByteArray& sortie) {
    static const QRegularExpression ligne(
        QStringLiteral("bilan ecrits=(\\d+) echecs=(\\d+) attente_max_ms=(\\d+)"));
    const QRegularExpressionMatch m = ligne.match(QString::fromUtf8(sortie));
    if (!m.hasMatch()) {
        Echec(QStringLiteral("bilan d'un poste illisible : ") +
              QString::fromUtf8(sortie.right(300)));
    }
    return {m.captured(1).toLongLong(), m.captured(2).toLongLong(), m.captured(3).toLongLong()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser ligne;
    ligne.addHelpOption();
    const QCommandLineOption nouveaux(QStringLiteral("nouveaux"),
                                      QStringLiteral("Patients créés sur le portable (300)."),
                                      QStringLiteral("n"), QStringLiteral("300"));
    const QCommandLineOption postes(QStringLiteral("postes"),
                                    QStringLiteral("Autres postes qui enregistrent (3)."),
                                    QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption periode(QStringLiteral("periode"),
                                     QStringLiteral("Millisecondes entre deux enregistrements "
                                                    "d'un poste (20)."),
                                     QStringLiteral("ms"), QStringLiteral("20"));
    ligne.addOptions({nouveaux, postes, periode});
    ligne.process(app);

    // On the disk, where every commit and every file is flushed.
    QTemporaryDir dossier(QDir::currentPath() + QStringLiteral("/bench-concurrence-XXXXXX"));
    if (!dossier.isValid()) {
        Echec(QStringLiteral("dossier temporaire"));
    }
    plateforme::DefinirDossierProgramme(dossier.path());
    Journal journal;
    const InstallationFenetre installation(journal);
    try {
        demo::OptionsDemo options;
        options.machine = dossier.path();
        options.local = true;
        options.nouveaux = ligne.value(nouveaux).toInt();
        const demo::BilanDemo demo = demo::GenererDemo(options);
        const QString lecteur = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
        QDir().mkpath(QFileInfo(lecteur).absolutePath());
        if (!QFile::link(plateforme::Machine::DossierPartage(QStringLiteral("serveur"),
                                                             QStringLiteral("zelvano")),
                         lecteur)) {
            Echec(QStringLiteral("lecteur P"));
        }
        Param().FichierIni = demo.fichierIni;
        LireParametres();
        Param().createlog = 0;
        EtatBase() = QStringLiteral("D");
        qint64 enregistrements = 0;
        for (auto it = demo.nouveaux.cbegin(); it != demo.nouveaux.cend(); ++it) {
            enregistrements += it.value();
        }

        const QString arret = dossier.filePath(QStringLiteral("arret"));
        std::vector<std::unique_ptr<QProcess>> autres;
        for (int i = 0; i < ligne.value(postes).toInt(); ++i) {
            auto p = std::make_unique<QProcess>();
            p->start(QCoreApplication::applicationDirPath() + QStringLiteral("/zelvano-poste"),
                     {plateforme::CheminNatif(demo.baseDistante), QStringLiteral("--nom"),
                      QStringLiteral("poste%1").arg(i + 1), QStringLiteral("--periode"),
                      ligne.value(periode), QStringLiteral("--attente"),
                      QString::number(dao::base::DelaiVerrouMs()), QStringLiteral("--arret"),
                      arret});
            if (!p->waitForStarted(5000) || !p->waitForReadyRead(20000)) {
                Echec(QStringLiteral("zelvano-poste ne démarre pas"));
            }
            autres.push_back(std::move(p));
        }

        const double processeur = SecondesProcesseur();
        QElapsedTimer chrono;
        chrono.start();
        LancerSynchronisation();
        const double ecoulees = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
        const double cpu = SecondesProcesseur() - processeur;
        QFile(arret).open(QIODevice::WriteOnly);

        Bilan total;
        for (auto& p : autres) {
            if (!p->waitForFinished(60000)) {
                Echec(QStringLiteral("zelvano-poste ne s'arrête pas"));
            }
            const Bilan b = LireBilan(p->readAllStandardOutput());
            total.ecrits += b.ecrits;
            total.echecs += b.echecs;
            total.attenteMax = std::max(total.attenteMax, b.attenteMax);
        }
        const auto termine = [&](const char* titre) {
            return journal.lignes.filter(QLatin1String(titre)).size() == 3;
        };
        Sortie() << "Synchronisation de " << enregistrements << " enregistrements ("
                 << demo.nouveaux.value(QStringLiteral("courrier")) +
                        demo.nouveaux.value(QStringLiteral("cro")) +
                        demo.nouveaux.value(QStringLiteral("correspondance"))
                 << " documents) et initialisation : " << QString::number(ecoulees, 'f', 2)
                 << " s, processeur " << QString::number(cpu, 'f', 2) << " s, "
                 << (termine("SYNCHRONISATION TERMINEE CORRECTEMENT") &&
                             termine("INITIALISATION TERMINEE CORRECTEMENT")
                         ? "terminée correctement"
                         : "EN ÉCHEC")
                 << Qt::endl;
        Sortie() << autres.size() << " autres postes, un enregistrement toutes les "
                 << ligne.value(periode) << " ms : " << total.ecrits << " enregistrés, "
                 << total.echecs << " échec(s), attente la plus longue " << total.attenteMax
                 << " ms (délai du verrou " << dao::base::DelaiVerrouMs() << " ms)" << Qt::endl;
    } catch (const plateforme::Erreur& e) {
        Echec(QStringLiteral("%1 (%2)").arg(e.Description()).arg(e.Number()));
    }
    return 0;
}
