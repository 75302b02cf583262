// bench_copie: what the initialisation's folder copies cost.
//
//   bench_copie [--fichiers N] [--mo M] [--dossier D]
//
// Builds a demo server tree (the demo practice, topped up with letters, reports, correspondence
// and object files to N files (10,000), M megabytes at least (520), some files of several MB)
// in a temporary folder under D (the system's temporary folder), then measures on the same
// trees:
//   1. the initialisation's copy of a fresh tree (database folder, then document folders) in
//      each mode, beside cp -a of the same tree (and cp -a followed by sync: each copy of the
//      module reaches the disk before it takes its name), the latter measured again just
//      before and just after each mode, beside the local tree;
//   2. the modified-only re-copy of an unchanged tree (secure and non-secure modified-only
//      modes, ROBOCOPY), beside rsync -a on the same unchanged tree;
//   3. the same after touching 1% of the files.
// The fixed delays of the waits for XCOPY and ROBOCOPY (5 and 3 seconds per folder) are left
// out: the clock the waits read jumps a second at each of their polls. Elapsed seconds, and
// processor seconds of this program and its children. The trees are removed at the end.

#include "bench/mesures.h"
#include "demo/pratique.h"
#include "init/copie_dossier.h"
#include "init/robocopy.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/services.h"
#include "settings/etat.h"
#include "settings/parametres.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <functional>

namespace {

using mesures::Sortie;

using mesures::Mesure;

// This process and the copy programs it started.
Mesure Mesurer(const std::function<void()>& travail) {
    return mesures::Mesurer(travail, true);
}

// The waits' clock: real time, plus a second at every poll of a wait, so that the fixed delays
// before polling the task list pass at once while the polls themselves stay real.
class HorlogeBanc final : public plateforme::Horloge {
public:
    QDateTime Maintenant() override { return QDateTime::currentDateTime().addMSecs(avance); }
    qint64 TicMillisecondes() override { return chrono_.elapsed() + avance; }
    qint64 avance = 0;

private:
    QElapsedTimer chrono_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
};

class EcranBanc final : public plateforme::Ecran {
public:
    explicit EcranBanc(HorlogeBanc& horloge)
        : horloge_(horloge) {}
    void DefinirPointeur(int) override {}
    void Ceder(bool enAttente) override {
        if (enAttente) {
            QThread::msleep(10); // what the window's loop blocks when no event comes
            horloge_.avance += 1000;
        }
    }

private:
    HorlogeBanc& horloge_;
};

void Lancer(const QString& programme, const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(programme, arguments);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        Sortie() << "ÉCHEC : " << programme << ' ' << arguments.join(QLatin1Char(' ')) << Qt::endl;
    }
}

void EcrireFichier(const QString& natif, qint64 taille, QRandomGenerator& alea) {
    QByteArray contenu(taille, Qt::Uninitialized);
    alea.fillRange(reinterpret_cast<quint32*>(contenu.data()), taille / 4);
    QFile f(natif);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != taille) {
        plateforme::Lever(plateforme::err::PermissionRefusee, natif);
    }
}

struct Arbre {
    int fichiers = 0;
    qint64 octets = 0;
};

Arbre Compter(const QString& natif) {
    Arbre a;
    QDirIterator it(natif, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++a.fichiers;
        a.octets += it.fileInfo().size();
    }
    return a;
}

// The demo practice, topped up to `fichiers` files and `mo` megabytes: many small documents,
// a hundred object files of several MB.
void Completer(const QString& serveur, int fichiers, qint64 mo) {
    QRandomGenerator alea(20261207);
    const QStringList dossiers{QStringLiteral("courrier"), QStringLiteral("cro"),
                               QStringLiteral("corres"), QStringLiteral("data")};
    Arbre arbre = Compter(serveur);
    const int gros = 100;
    const int petits = std::max(0, fichiers - arbre.fichiers - gros);
    for (int i = 0; i < petits; ++i) {
        const QString dossier = dossiers[i % dossiers.size()];
        EcrireFichier(serveur + QLatin1Char('/') + dossier +
                          QStringLiteral("/doc%1.rtf").arg(i, 5, 10, QLatin1Char('0')),
                      2048 + static_cast<qint64>(alea.bounded(22 * 1024)), alea);
    }
    arbre = Compter(serveur);
    const qint64 reste = std::max<qint64>(mo * 1024 * 1024 - arbre.octets, gros * 1024 * 1024);
    for (int i = 0; i < gros; ++i) {
        EcrireFichier(serveur + QStringLiteral("/data/image%1.dcm").arg(i, 3, 10, QLatin1Char('0')),
                      (reste / gros) & ~qint64(3), alea);
    }
}

class Banc {
public:
    Banc(const QString& racine, const QString& programmes)
        : racine_(racine) {
        plateforme::DefinirDossierProgramme(racine + QStringLiteral("/programme"));
        QDir().mkpath(plateforme::DossierProgramme());
        for (const char* nom : {"xcopy.exe", "robocopy.exe"}) {
            QFile::link(programmes + QLatin1Char('/') + QLatin1String(nom),
                        plateforme::DossierProgramme() + QLatin1Char('/') + QLatin1String(nom));
        }
    }

    QString Serveur() const { return plateforme::CheminNatif(QStringLiteral("P:\\zelvano")); }
    QString Local() const { return plateforme::CheminNatif(QStringLiteral("C:\\zelvano")); }
    QString Autre(const char* nom) const { return racine_ + QLatin1Char('/') + QLatin1String(nom); }

    // The local tree of the previous measure is moved aside, not deleted: a file system that has
    // just freed thousands of inodes creates the next ones more slowly, which would burden the
    // copy measured next. Everything goes with the temporary folder at the end.
    void ViderLocal() const {
        const QString corbeille = Autre("corbeille");
        QDir().mkpath(corbeille);
        QDir().rename(Local(), corbeille + QStringLiteral("/local%1").arg(++mises_));
        QDir().mkpath(Local());
    }

    // Steps 5 and 6 of the initialisation: the database folder, then the document folders.
    static bool CopierDossiers() {
        const Parametres& p = Param();
        if (!CopierDossier(p.bddir, true)) {
            return false;
        }
        if (RobocopyDisponible()) {
            return CopierDossiersRobocopy();
        }
        for (const QString& d : {p.courrierdir, p.crodir, p.certifdir, p.corresdir, p.datadir,
                                 p.flashdir, p.modeledir}) {
            if (!d.isEmpty() && !CopierDossier(d, false)) {
                return false;
            }
        }
        return true;
    }

    static void Mode(int securisee, int modifies) {
        Param().copiesecurisee = static_cast<qint16>(securisee);
        Param().modifiesuniquement = static_cast<qint16>(modifies);
    }

    // Moves the last-write time of one file in a hundred of the document folders.
    void Toucher(int passe) const {
        QStringList fichiers;
        for (const char* d : {"courrier", "cro", "corres", "data"}) {
            QDirIterator it(Serveur() + QLatin1Char('/') + QLatin1String(d), QDir::Files);
            while (it.hasNext()) {
                fichiers.append(it.next());
            }
        }
        fichiers.sort();
        const QDateTime moment = QDateTime::currentDateTime().addSecs(3600 * (passe + 1));
        int touches = 0;
        for (qsizetype i = 0; i < fichiers.size(); i += 100) {
            QFile f(fichiers[i]);
            if (f.open(QIODevice::ReadWrite) &&
                f.setFileTime(moment, QFileDevice::FileModificationTime)) {
                ++touches;
            }
        }
        touches_ = touches;
    }
    int Touches() const { return touches_; }

private:
    QString racine_;
    mutable int touches_ = 0;
    mutable int mises_ = 0;
};

void Ligne(const QString& libelle, const Mesure& m, const Mesure* reference = nullptr) {
    Sortie() << QStringLiteral("  %1 %2 s  (processeur %3 s)")
                    .arg(libelle, -44)
                    .arg(m.ecoule, 8, 'f', 2)
                    .arg(m.processeur, 7, 'f', 2);
    if (reference != nullptr && reference->ecoule > 0) {
        Sortie() << QStringLiteral("  x%1").arg(m.ecoule / reference->ecoule, 0, 'f', 2);
    }
    Sortie() << Qt::endl;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({QStringLiteral("fichiers"), QStringLiteral("Fichiers de l'arbre."),
                       QStringLiteral("N"), QStringLiteral("10000")});
    options.addOption({QStringLiteral("mo"), QStringLiteral("Taille minimale en Mo."),
                       QStringLiteral("M"), QStringLiteral("520")});
    options.addOption(
        {QStringLiteral("modes"),
         QStringLiteral("Modes de la copie neuve à mesurer (1 à 5, tous par défaut)."),
         QStringLiteral("LISTE"), QStringLiteral("12345")});
    options.addOption({QStringLiteral("dossier"), QStringLiteral("Dossier des arbres."),
                       QStringLiteral("D"), QDir::tempPath()});
    options.process(application);

    mesures::EcarterSortiesProgrammes(options.value(QStringLiteral("dossier")) +
                                      QStringLiteral("/bench_copie-sorties.txt"));
    QTemporaryDir machine(options.value(QStringLiteral("dossier")) +
                          QStringLiteral("/bench_copie-XXXXXX"));
    if (!machine.isValid()) {
        Sortie() << "Impossible de créer le dossier des arbres." << Qt::endl;
        return 1;
    }
    try {
        demo::OptionsDemo demo;
        demo.machine = machine.path();
        demo.patients = 2000;
        demo.documents = 600;
        demo.objets = 300;
        const demo::BilanDemo bilan = demo::GenererDemo(demo);
        QFile::link(machine.path() + QStringLiteral("/unc/serveur/zelvano"),
                    machine.path() + QStringLiteral("/drives/P"));
        Banc banc(machine.path(), QCoreApplication::applicationDirPath());
        Completer(banc.Serveur(), options.value(QStringLiteral("fichiers")).toInt(),
                  options.value(QStringLiteral("mo")).toLongLong());
        Param().FichierIni = bilan.fichierIni;
        LireParametres();
        Param().createlog = 0;
        EtatBase() = QStringLiteral("D");

        HorlogeBanc horloge;
        EcranBanc ecran(horloge);
        plateforme::RemplacementServices services({&horloge, nullptr, &ecran, nullptr, nullptr});

        const Arbre arbre = Compter(banc.Serveur());
        Sortie() << "Arbre du serveur : " << arbre.fichiers << " fichiers, "
                 << arbre.octets / (1024 * 1024) << " Mo (" << machine.path() << ")" << Qt::endl;

        // 1. Fresh copies.
        Sortie() << "1. Copie d'un arbre neuf" << Qt::endl;
        // A first pass warms the caches as the module's copies find them.
        Lancer(QStringLiteral("cp"), {QStringLiteral("-a"), banc.Serveur(), banc.Autre("cp0")});
        Lancer(QStringLiteral("sync"), {});
        const Mesure cp = Mesurer([&] {
            Lancer(QStringLiteral("cp"), {QStringLiteral("-a"), banc.Serveur(), banc.Autre("cp1")});
        });
        const Mesure cpSync = Mesurer([&] {
            Lancer(QStringLiteral("cp"), {QStringLiteral("-a"), banc.Serveur(), banc.Autre("cp2")});
            Lancer(QStringLiteral("sync"), {});
        });
        Ligne(QStringLiteral("cp -a"), cp);
        Ligne(QStringLiteral("cp -a puis sync"), cpSync);
        const struct {
            const char* libelle;
            int securisee;
            int modifies;
            bool robocopy;
        } modes[] = {{"sécurisée, modifiés uniquement", 1, 1, false},
                     {"sécurisée", 1, 0, false},
                     {"non sécurisée, modifiés uniquement", 0, 1, false},
                     {"XCOPY", 0, 0, false},
                     {"ROBOCOPY (base par XCOPY)", 0, 1, true}};
        const QString robocopy = plateforme::DossierProgramme() + QStringLiteral("/robocopy.exe");
        const QString robocopyRange = robocopy + QStringLiteral(".range");
        QFile::rename(robocopy, robocopyRange);
        const QString choisis = options.value(QStringLiteral("modes"));
        for (size_t i = 0; i < std::size(modes); ++i) {
            const auto& m = modes[i];
            if (m.robocopy) {
                QFile::rename(robocopyRange, robocopy);
            }
            if (!choisis.contains(QString::number(i + 1))) {
                continue;
            }
            banc.ViderLocal();
            Banc::Mode(m.securisee, m.modifies);
            // The reference of this mode, just before and just after it, beside the local tree:
            // the cost of creating files depends on the file system's recent history and on
            // where the folders lie, which the copies then share; the mode is set against the
            // mean of the two.
            const auto voisin = [&](const QString& nom) {
                Lancer(QStringLiteral("sync"), {});
                return Mesurer([&] {
                    Lancer(QStringLiteral("cp"), {QStringLiteral("-a"), banc.Serveur(),
                                                  banc.Local() + QStringLiteral("/../") + nom});
                    Lancer(QStringLiteral("sync"), {});
                });
            };
            const Mesure avant = voisin(QStringLiteral("reference%1").arg(i));
            bool ok = true;
            const Mesure mesure = Mesurer([&] { ok = Banc::CopierDossiers(); });
            const Mesure apres = voisin(QStringLiteral("reference%1-apres").arg(i));
            Ligne(QString::fromUtf8(m.libelle) + (ok ? QString() : QStringLiteral(" (ÉCHEC)")),
                  mesure, &cp);
            Sortie() << QStringLiteral("    x%1 cp -a puis sync mesuré juste avant et juste après "
                                       "(%2 s et %3 s, processeur %4 s et %5 s)")
                            .arg(2 * mesure.ecoule / (avant.ecoule + apres.ecoule), 0, 'f', 2)
                            .arg(avant.ecoule, 0, 'f', 2)
                            .arg(apres.ecoule, 0, 'f', 2)
                            .arg(avant.processeur, 0, 'f', 2)
                            .arg(apres.processeur, 0, 'f', 2)
                     << Qt::endl;
        }

        // 2 and 3. Modified-only re-copies, unchanged then after touching 1% of the files.
        const QString copieRsync = banc.Autre("rsync");
        const QStringList argsRsync{QStringLiteral("-a"), banc.Serveur() + QLatin1Char('/'),
                                    copieRsync};
        Lancer(QStringLiteral("rsync"), argsRsync);
        const struct {
            const char* libelle;
            int securisee;
            bool robocopy;
        } relances[] = {{"sécurisée, modifiés uniquement", 1, false},
                        {"non sécurisée, modifiés uniquement", 0, false},
                        {"ROBOCOPY (base par XCOPY)", 0, true}};
        for (int passe = 0; passe < 2; ++passe) {
            Sortie() << (passe == 0 ? "2. Recopie d'un arbre inchangé"
                                    : "3. Recopie après modification de 1 % des fichiers")
                     << Qt::endl;
            if (passe == 1) {
                banc.Toucher(0);
                Sortie() << "  (" << banc.Touches() << " fichiers touchés avant chaque mesure)"
                         << Qt::endl;
            }
            const Mesure rsync = Mesurer([&] { Lancer(QStringLiteral("rsync"), argsRsync); });
            Ligne(QStringLiteral("rsync -a"), rsync);
            int n = 1;
            for (const auto& r : relances) {
                if (r.robocopy) {
                    QFile::rename(robocopyRange, robocopy);
                } else {
                    QFile::rename(robocopy, robocopyRange);
                }
                Banc::Mode(r.securisee, 1);
                Banc::CopierDossiers(); // the local tree equal to the server's
                if (passe == 1) {
                    banc.Toucher(n++);
                }
                bool ok = true;
                const Mesure mesure = Mesurer([&] { ok = Banc::CopierDossiers(); });
                Ligne(QString::fromUtf8(r.libelle) + (ok ? QString() : QStringLiteral(" (ÉCHEC)")),
                      mesure, &rsync);
                // The share of the database folder, copied whatever its times.
                const Mesure base = Mesurer([&] { CopierDossier(Param().bddir, true); });
                Ligne(QStringLiteral("    dont le dossier base seul"), base);
            }
        }
    } catch (const plateforme::Erreur& e) {
        Sortie() << "ERREUR " << e.Number() << " : " << e.Description() << Qt::endl;
        return 1;
    }
    return 0;
}
