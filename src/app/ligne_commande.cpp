#include "app/ligne_commande.h"

#include "platform/traduction.h"

namespace {

QString Aide(const QString& programme) {
    return QStringLiteral(
               "Utilisation : %1 [FICHIER]\n"
               "Module de synchronisation Zelvano : garde la copie locale des données du cabinet "
               "en accord\navec celle du serveur, et renvoie au serveur ce qui a été saisi sur "
               "ce poste.\n\n"
               "Argument :\n"
               "  FICHIER        fichier des réglages, chemin Windows de la machine émulée\n"
               "                 (par exemple D:\\conf\\poste2.ini) ; par défaut synchro.ini, "
               "dans C:\\WINDOWS.\n\n"
               "Options :\n"
               "  -h, --help     affiche cette aide\n"
               "  --version      affiche la version\n"
               "  --             la suite est le fichier des réglages, même s'il commence par "
               "« - »\n\n"
               "La machine émulée est le dossier $ZELVANO_MACHINE (par défaut\n"
               "~/.local/share/zelvano/machine), par exemple :\n"
               "  ZELVANO_MACHINE=/chemin/de/la/machine %1\n")
        .arg(programme);
}

} // namespace

LigneCommande LireLigneCommande(const QStringList& mots) {
    LigneCommande ligne;
    const QString programme = QStringLiteral("synchro");
    ligne.arguments.append(mots.isEmpty() ? programme : mots.first());
    bool options = true;
    for (qsizetype i = 1; i < mots.size(); ++i) {
        const QString& mot = mots[i];
        if (options && mot == QLatin1String("--")) {
            options = false;
        } else if (options && (mot == QLatin1String("--help") || mot == QLatin1String("-h"))) {
            return {LigneCommande::Action::Aide, {}, Aide(programme)};
        } else if (options && mot == QLatin1String("--version")) {
            return {LigneCommande::Action::Version,
                    {},
                    programme + QLatin1Char(' ') + plateforme::VersionProgramme() +
                        QLatin1Char('\n')};
        } else if (options && mot.startsWith(QLatin1Char('-'))) {
            return {LigneCommande::Action::Refus,
                    {},
                    QStringLiteral("%1 : option inconnue « %2 ».\n"
                                   "Essayez « %1 --help » pour en savoir plus.\n")
                        .arg(programme, mot)};
        } else {
            ligne.arguments.append(mot);
        }
    }
    return ligne;
}
