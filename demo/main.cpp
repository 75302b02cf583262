// zelvano-demo: builds a demo practice on an emulated machine, for trying synchro and for the
// tests and benchmarks.
//
//   zelvano-demo [DOSSIER] [--machine DOSSIER] [--patients N] [--consultations N]
//                [--documents N] [--objets N] [--seed S] [--local [--nouveaux N] [--autres N]]
//                [--remplacer] [--differee]
//   zelvano-demo --supprimer [DOSSIER | --machine DOSSIER]
//
// Without a folder, the machine is $ZELVANO_MACHINE (else the platform's default machine). The
// stand-in programs built or installed beside this one are linked into the machine's program
// folder, and the stand-in practice application as C:\zelvano\zelvano.exe.

#include "demo/pratique.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/traduction.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

namespace {

bool LireEntier(const QCommandLineParser& ligne, const QString& option, int& valeur) {
    if (!ligne.isSet(option)) {
        return true;
    }
    bool ok = false;
    const int v = ligne.value(option).toInt(&ok);
    if (!ok || v < 0) {
        return false;
    }
    valeur = v;
    return true;
}

// --supprimer: the machine named, else $ZELVANO_MACHINE, else the default machine.
int Supprimer(const QCommandLineParser& ligne, QString machine, QTextStream& sortie,
              QTextStream& erreurs) {
    for (const char* option : {"patients", "consultations", "documents", "objets", "seed", "local",
                               "nouveaux", "autres", "remplacer", "differee"}) {
        if (ligne.isSet(QLatin1String(option))) {
            erreurs << "--supprimer ne prend que le dossier de la machine, pas --" << option
                    << ".\n";
            return 2;
        }
    }
    if (machine.isEmpty()) {
        machine = qEnvironmentVariable("ZELVANO_MACHINE");
    }
    if (machine.isEmpty()) {
        machine = plateforme::Machine::RacineParDefaut();
    }
    machine = QDir::cleanPath(QDir(machine).absolutePath());
    const QString refus = demo::RefusSuppression(machine);
    if (!refus.isEmpty()) {
        erreurs << refus << " Rien n'a été supprimé.\n";
        return 2;
    }
    try {
        demo::SupprimerMachine(machine);
    } catch (const plateforme::Erreur& e) {
        erreurs << "Erreur " << e.Number() << " : " << e.Description() << "\n";
        return 1;
    }
    sortie << "Machine de démonstration supprimée : " << machine << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelvano-demo"));
    QTextStream sortie(stdout);
    QTextStream erreurs(stderr);

    QCommandLineParser ligne;
    ligne.setApplicationDescription(
        QStringLiteral("Construit une pratique Zelvano de démonstration sur une machine émulée."));
    ligne.addPositionalArgument(QStringLiteral("dossier"),
                                QStringLiteral("Dossier de la machine émulée."));
    const QList<QCommandLineOption> options = {
        {QStringLiteral("machine"), QStringLiteral("Dossier de la machine émulée."),
         QStringLiteral("dossier")},
        {QStringLiteral("patients"), QStringLiteral("Nombre de patients (50)."),
         QStringLiteral("n")},
        {QStringLiteral("consultations"), QStringLiteral("Consultations par patient (3)."),
         QStringLiteral("n")},
        {QStringLiteral("documents"),
         QStringLiteral("Courriers, comptes rendus et correspondances, en tout (60)."),
         QStringLiteral("n")},
        {QStringLiteral("objets"), QStringLiteral("Objets attachés, en tout (40)."),
         QStringLiteral("n")},
        {QStringLiteral("seed"), QStringLiteral("Graine du tirage (1)."), QStringLiteral("s")},
        {QStringLiteral("local"),
         QStringLiteral("Crée aussi la copie locale sur C:, telle qu'une initialisation la "
                        "laisse, avec son empreinte et sa base de référence.")},
        {QStringLiteral("nouveaux"),
         QStringLiteral("Avec --local : patients créés dans la copie locale depuis son "
                        "initialisation (0)."),
         QStringLiteral("n")},
        {QStringLiteral("remplacer"),
         QStringLiteral("Remplace une pratique de démonstration déjà présente.")},
        {QStringLiteral("autres"),
         QStringLiteral("Avec --local : patients enregistrés sur le serveur par les autres postes "
                        "depuis l'initialisation de la copie locale (2) ; la synchronisation "
                        "donne alors d'autres numéros aux nouveaux de la copie locale."),
         QStringLiteral("n")},
        {QStringLiteral("supprimer"),
         QStringLiteral("Supprime la machine de démonstration, et rien d'autre.")},
        {QStringLiteral("differee"),
         QStringLiteral("Programme une synchronisation différée pour tout de suite (elle part "
                        "dès que synchro est démarré).")}};
    ligne.addOptions(options);
    plateforme::AnalyserLigneCommande(ligne);

    demo::OptionsDemo o;
    o.machine = ligne.isSet(QStringLiteral("machine"))   ? ligne.value(QStringLiteral("machine"))
                : !ligne.positionalArguments().isEmpty() ? ligne.positionalArguments().first()
                                                         : QString();
    if (ligne.isSet(QStringLiteral("supprimer"))) {
        return Supprimer(ligne, o.machine, sortie, erreurs);
    }
    int graine = static_cast<int>(o.graine);
    o.autres = 2;
    if (!LireEntier(ligne, QStringLiteral("patients"), o.patients) ||
        !LireEntier(ligne, QStringLiteral("consultations"), o.consultations) ||
        !LireEntier(ligne, QStringLiteral("documents"), o.documents) ||
        !LireEntier(ligne, QStringLiteral("objets"), o.objets) ||
        !LireEntier(ligne, QStringLiteral("nouveaux"), o.nouveaux) ||
        !LireEntier(ligne, QStringLiteral("autres"), o.autres) ||
        !LireEntier(ligne, QStringLiteral("seed"), graine)) {
        erreurs << "Les nombres donnés aux options doivent être des entiers positifs.\n";
        return 2;
    }
    o.graine = static_cast<quint32>(graine);
    o.local = ligne.isSet(QStringLiteral("local"));
    // As an initialisation leaves it: with its fingerprint.
    o.empreinte = o.local;
    o.remplacer = ligne.isSet(QStringLiteral("remplacer"));
    o.differee = ligne.isSet(QStringLiteral("differee"));
    o.programmes = QCoreApplication::applicationDirPath();
    if (o.nouveaux > 0 && !o.local) {
        erreurs << "--nouveaux demande --local.\n";
        return 2;
    }
    if (ligne.isSet(QStringLiteral("autres")) && !o.local) {
        erreurs << "--autres demande --local.\n";
        return 2;
    }

    QElapsedTimer chrono;
    chrono.start();
    try {
        const demo::BilanDemo bilan = demo::GenererDemo(o);
        if (!bilan.application.isEmpty()) {
            sortie << "Application de pratique : " << bilan.application << "\n";
        }
        sortie << "Dossier du programme : " << plateforme::DossierProgramme() << "\n";
        if (!bilan.nonLies.isEmpty()) {
            erreurs << "Programmes introuvables dans « " << o.programmes
                    << " », non installés : " << bilan.nonLies.join(QStringLiteral(", ")) << "\n";
        }
        sortie << "Machine : " << bilan.racine << "\n"
               << "Base distante : " << bilan.baseDistante << "\n";
        for (auto it = bilan.distants.cbegin(); it != bilan.distants.cend(); ++it) {
            sortie << "  " << it.key() << " : " << it.value() << " enregistrement(s)";
            if (bilan.maxima.contains(it.key())) {
                sortie << ", dernier n° " << bilan.maxima.value(it.key());
            }
            sortie << "\n";
        }
        if (!bilan.baseLocale.isEmpty()) {
            sortie << "Base locale initialisée : " << bilan.baseLocale << "\n";
            for (auto it = bilan.nouveaux.cbegin(); it != bilan.nouveaux.cend(); ++it) {
                sortie << "  " << it.key() << " : " << it.value() << " nouveau(x)\n";
            }
            if (!bilan.autres.isEmpty()) {
                sortie
                    << "Enregistrés sur le serveur par un autre poste depuis l'initialisation :\n";
            }
            for (auto it = bilan.autres.cbegin(); it != bilan.autres.cend(); ++it) {
                sortie << "  " << it.key() << " : " << it.value() << "\n";
            }
        }
        sortie << "Paramètres : " << bilan.fichierIni << "\n"
               << bilan.fichiers << " fichier(s) écrit(s) en " << chrono.elapsed() << " ms\n";
    } catch (const plateforme::Erreur& e) {
        erreurs << "Erreur " << e.Number() << " : " << e.Description() << "\n";
        return 1;
    }
    return 0;
}
