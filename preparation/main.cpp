// synchro-preparer-poste: prepares the emulated machine of a practice's workstation for the
// practice's real server share, then tells what is still missing.
//
//   synchro-preparer-poste --partage \\SERVEUR\PARTAGE --montage DOSSIER [--machine DOSSIER]
//                          [--unite P] [--poste LETTRE] [--zelvanodir NOM] [--bddir NOM]
//                          [--courrierdir NOM] ... [--inifile CHEMIN]
//
// Exit status: 0 ready, 1 prepared with something missing, 2 refused (nothing written).

#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/montages.h"
#include "platform/traduction.h"
#include "preparation/poste.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

QCommandLineOption Option(const QString& nom, const QString& aide, const QString& defaut,
                          const QString& valeur = QStringLiteral("nom")) {
    QCommandLineOption option(nom, aide, valeur);
    if (!defaut.isEmpty()) {
        option.setDefaultValue(defaut);
    }
    return option;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("synchro-preparer-poste"));
    QTextStream sortie(stdout);
    QTextStream erreurs(stderr);

    preparation::OptionsPoste o;
    QCommandLineParser ligne;
    ligne.setApplicationDescription(QStringLiteral(
        "Prépare la machine émulée d'un poste de travail pour le partage réseau du cabinet, "
        "puis vérifie ce qui manque. Aucun fichier du partage n'est modifié."));
    const QCommandLineOption partage(QStringLiteral("partage"),
                                     QStringLiteral("Partage du cabinet, \\\\SERVEUR\\PARTAGE."),
                                     QStringLiteral("partage"));
    const QCommandLineOption montage(
        QStringLiteral("montage"),
        QStringLiteral("Dossier où le partage est monté (client CIFS du noyau)."),
        QStringLiteral("dossier"));
    const QCommandLineOption machine(
        QStringLiteral("machine"),
        QStringLiteral("Dossier de la machine émulée ($ZELVANO_MACHINE par défaut)."),
        QStringLiteral("dossier"));
    const QCommandLineOption poste(
        QStringLiteral("poste"),
        QStringLiteral("Lettre de ce poste, écrite dans le fichier INI de Zelvano."),
        QStringLiteral("lettre"));
    const QCommandLineOption unite =
        Option(QStringLiteral("unite"), QStringLiteral("Unité utilisée par Zelvano (P)."),
               o.reglages.unite, QStringLiteral("lettre"));
    const QCommandLineOption zelvanodir =
        Option(QStringLiteral("zelvanodir"),
               QStringLiteral("Dossier Zelvano sur le partage (%1).").arg(o.reglages.zelvanodir),
               o.reglages.zelvanodir);
    const QCommandLineOption bddir =
        Option(QStringLiteral("bddir"),
               QStringLiteral("Dossier des bases de données (%1).").arg(o.reglages.bddir),
               o.reglages.bddir);
    const QCommandLineOption inifile(
        QStringLiteral("inifile"),
        QStringLiteral("Fichier INI de Zelvano (C:\\<zelvanodir>\\zelvano.ini)."),
        QStringLiteral("chemin"));
    ligne.addOptions({partage, montage, machine, poste, unite, zelvanodir, bddir, inifile});
    QList<QCommandLineOption> documents;
    for (const auto& [cleDossier, dossier] : o.reglages.documents) {
        const QString cle = QString::fromLatin1(cleDossier->nom);
        documents.append(Option(cle,
                                QStringLiteral("Dossier de documents « %1 » (%2 ; vide : "
                                               "aucun).")
                                    .arg(cle, dossier),
                                dossier));
        ligne.addOption(documents.last());
    }
    plateforme::AnalyserLigneCommande(ligne);

    if (!ligne.positionalArguments().isEmpty()) {
        erreurs << "Argument inattendu : " << ligne.positionalArguments().first() << "\n";
        return 2;
    }
    o.reglages.partage = ligne.value(partage);
    o.montage = ligne.value(montage);
    o.poste = ligne.value(poste);
    o.reglages.unite = ligne.value(unite);
    o.reglages.zelvanodir = ligne.value(zelvanodir);
    o.reglages.bddir = ligne.value(bddir);
    o.reglages.inifile = ligne.value(inifile);
    for (qsizetype i = 0; i < documents.size(); ++i) {
        o.reglages.documents[i].second = ligne.value(documents[i]);
    }
    o.programmes = QCoreApplication::applicationDirPath();
    if (ligne.isSet(machine)) {
        plateforme::Machine::DefinirRacine(QDir(ligne.value(machine)).absolutePath());
    }

    try {
        const preparation::BilanPoste bilan =
            preparation::PreparerPoste(o, plateforme::TableMontages());
        if (!bilan.refus.isEmpty()) {
            erreurs << "Refusé : " << bilan.refus << "\nRien n'a été modifié.\n";
            return 2;
        }
        sortie << "Machine : " << plateforme::Machine::Racine() << "\n";
        for (const QString& fait : bilan.faits) {
            sortie << "  " << fait << "\n";
        }
        for (const QString& remarque : bilan.remarques) {
            sortie << "À noter : " << remarque << "\n";
        }
        // A machine other than the default one is named at each start: the menu entry starts
        // synchro on the default machine.
        const QString commande = preparation::CommandeSynchro();
        const QString lancement =
            commande == QLatin1String("synchro")
                ? QString()
                : QStringLiteral("Cette machine n'est pas celle par défaut : lancez synchro par\n"
                                 "  ") +
                      commande +
                      QStringLiteral("\n(l'entrée « Synchronisation Zelvano » du menu démarre "
                                     "synchro sur la machine par défaut).\n");
        if (bilan.manques.isEmpty()) {
            sortie << "Le poste est prêt : synchro peut être lancé.\n" << lancement;
            return 0;
        }
        sortie << "Il manque encore :\n";
        for (const QString& manque : bilan.manques) {
            sortie << "  - " << manque << "\n";
        }
        sortie << lancement;
        return 1;
    } catch (const plateforme::Erreur& e) {
        erreurs << "Erreur " << e.Number() << " : " << e.Description() << "\n";
        return 2;
    }
}
