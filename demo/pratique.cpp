#include "pratique.h"

#include "base_sqlite.h"
#include "contenu.h"
#include "schema_sql.h"

#include "init/ancetre.h"
#include "init/empreintes.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "preparation/poste.h"
#include "settings/parametres.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace demo {

namespace {

const QString Share = QStringLiteral("\\\\serveur\\zelvano");
const QString ArbreServeur = QStringLiteral("\\\\serveur\\zelvano\\zelvano");
const QString ArbreLocal = QStringLiteral("C:\\zelvano");
const QString IniPratique = QStringLiteral("C:\\zelvano\\zelvano.ini");
const QString IniSynchro = QStringLiteral("C:\\WINDOWS\\synchro.ini");

// The folders an initialisation copies: the base folder, then the document folders.
const QStringList DossiersCopies = {QStringLiteral("bd"),    QStringLiteral("courrier"),
                                    QStringLiteral("cro"),   QStringLiteral("corres"),
                                    QStringLiteral("data"),  QStringLiteral("certif"),
                                    QStringLiteral("flash"), QStringLiteral("modeles")};

void CreerDossier(const QString& natif) {
    if (!QDir().mkpath(natif)) {
        plateforme::Lever(plateforme::err::CheminIntrouvable,
                          QStringLiteral("Impossible de créer le dossier « %1 ».").arg(natif));
    }
}

void CopierArbre(const QString& source, const QString& destination) {
    CreerDossier(destination);
    QDirIterator it(source, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        const QString cible = destination + chemin.mid(source.size());
        if (it.fileInfo().isDir()) {
            CreerDossier(cible);
        } else if (!QFile::copy(chemin, cible)) {
            plateforme::Lever(
                plateforme::err::PermissionRefusee,
                QStringLiteral("Impossible de copier « %1 » vers « %2 ».").arg(chemin, cible));
        }
    }
}

void EcrireParametres() {
    preparation::ReglagesPratique reglages;
    reglages.partage = Share;
    reglages.inifile = IniPratique;
    preparation::EcrireReglages(reglages, IniSynchro);
    preparation::EcrireCleIni(QStringLiteral("options"), QStringLiteral("createlog"),
                              QStringLiteral("1"), IniSynchro);
    preparation::EcrireCleIni(QStringLiteral("path"), QStringLiteral("poste"), QStringLiteral("A"),
                              IniPratique);
}

// Due at once: the current minute has begun, and the tick comes every second.
void ArmerDifferee() {
    const QList<std::pair<QString, QString>> cles = {
        {QStringLiteral("synchrodifferee"), QStringLiteral("1")},
        {QStringLiteral("synchrodiffereelea"),
         QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"))},
        {QStringLiteral("synchrodiffereearret"), QStringLiteral("0")},
        {QStringLiteral("synchrodiffereetimer"), QStringLiteral("1000")}};
    for (const auto& [cle, valeur] : cles) {
        preparation::EcrireCleIni(QStringLiteral("options"), cle, valeur, IniSynchro);
    }
}

void InstallerProgrammes(const QString& programmes, BilanDemo& bilan) {
    if (programmes.isEmpty()) {
        CreerDossier(plateforme::CheminNatif(plateforme::DossierProgramme()));
        return;
    }
    const preparation::ProgrammesInstalles installes =
        preparation::InstallerProgrammes(programmes, ArbreLocal);
    bilan.nonLies = installes.nonLies;
    bilan.application = installes.application;
}

void Preparer(const OptionsDemo& options) {
    if (!options.machine.isEmpty()) {
        CreerDossier(options.machine);
        plateforme::Machine::DefinirRacine(QDir(options.machine).absolutePath());
    }
    const QString serveur = plateforme::CheminNatif(ArbreServeur);
    const QString local = plateforme::CheminNatif(ArbreLocal);
    if (QFileInfo::exists(serveur + QStringLiteral("/bd/zelvano.mdb")) ||
        QFileInfo::exists(local + QStringLiteral("/bd/zelvano.mdb"))) {
        if (!options.remplacer) {
            plateforme::Lever(plateforme::err::FichierExisteDeja,
                              QStringLiteral("Une pratique de démonstration existe déjà dans "
                                             "« %1 » (--remplacer pour la refaire).")
                                  .arg(plateforme::Machine::Racine()));
        }
        QDir(serveur).removeRecursively();
        QDir(local).removeRecursively();
        QFile::remove(plateforme::CheminNatif(IniSynchro));
    }
    CreerDossier(serveur);
    CreerDossier(local);
    CreerDossier(plateforme::CheminNatif(QStringLiteral("C:\\WINDOWS")));
}

void InitialiserLocale(const QString& baseLocale, BilanDemo& bilan) {
    BaseSqlite base(plateforme::CheminNatif(baseLocale), false);
    base.Executer(QStringLiteral("BEGIN"));
    Insertion synchro(base, QStringLiteral("synchro"),
                      {QStringLiteral("table"), QStringLiteral("champ_id"),
                       QStringLiteral("champ_id_dossier"), QStringLiteral("dernier_no")});
    for (const TableSynchronisee& t : TablesSynchronisees()) {
        const qint64 maximum =
            base.Entier(QStringLiteral("SELECT max(%1) FROM %2").arg(t.champId, t.table));
        synchro.Ajouter({t.table, t.champId, t.champIdDossier, maximum});
        bilan.maxima[t.table] = static_cast<int>(maximum);
    }
    base.Executer(QStringLiteral("COMMIT"));
}

// The fingerprint and the ancestor an initialisation takes of the local copy just made, by the
// module's own functions, with the settings of the machine's synchro.ini; the settings record in
// use is given back afterwards.
void PrendreEmpreinte() {
    struct Retour {
        Parametres avant = Param();
        ~Retour() { Param() = avant; }
    } retour;
    Param().FichierIni = IniSynchro;
    LireParametres();
    Param().createlog = 0; // the demo writes no journal
    EnregistrerEmpreintes();
    if (Param().reporter != 0) {
        EnregistrerAncetre();
    }
}

// options.nouveaux patients created on workstation `poste` in the base `baseWindows` of the
// tree `arbre`, numbered on from what the base holds.
void AjouterNouveaux(const OptionsDemo& options, const QString& baseWindows, const QString& arbre,
                     QChar poste, BilanDemo& bilan) {
    Generateur generateur(options);
    BaseSqlite base(plateforme::CheminNatif(baseWindows), false);
    generateur.Reprendre(base);
    base.Executer(QStringLiteral("BEGIN"));
    generateur.RemplirNouveaux(base, arbre, bilan, poste);
    base.Executer(QStringLiteral("COMMIT"));
}

// Since the local copy was made, the other workstations of the practice (B) saved patients on
// the server, numbered on from the server's numbers as the laptop's new ones are.
void AjouterAutresPostes(const OptionsDemo& options, BilanDemo& bilan) {
    OptionsDemo autres = options;
    autres.nouveaux = options.autres;
    autres.graine = options.graine + 1;
    BilanDemo serveur;
    AjouterNouveaux(autres, bilan.baseDistante, ArbreServeur, QLatin1Char('B'), serveur);
    bilan.autres = serveur.nouveaux;
    bilan.fichiers += serveur.fichiers;
}

// What a machine holds at its top level.
const QStringList EntreesMachine = {QStringLiteral("drives"), QStringLiteral("unc")};

} // namespace

QString SchemaPratique() {
    return QString::fromUtf8(SchemaSql);
}

void CreerBasePratique(const QString& fichierNatif) {
    BaseSqlite base(fichierNatif, true);
    base.Executer(QStringLiteral("BEGIN"));
    base.Executer(SchemaPratique());
    base.Executer(QStringLiteral("COMMIT"));
}

BilanDemo GenererDemo(const OptionsDemo& options) {
    Preparer(options);
    BilanDemo bilan;
    bilan.racine = plateforme::Machine::Racine();
    bilan.baseDistante = ArbreServeur + QStringLiteral("\\bd\\zelvano.mdb");
    bilan.fichierIni = IniSynchro;

    Generateur generateur(options);
    for (const QString& dossier : DossiersCopies) {
        CreerDossier(plateforme::CheminNatif(ArbreServeur + QLatin1Char('\\') + dossier));
    }
    const QString distante = plateforme::CheminNatif(bilan.baseDistante);
    CreerBasePratique(distante);
    {
        BaseSqlite base(distante, false);
        base.Executer(QStringLiteral("BEGIN"));
        generateur.RemplirServeur(base, ArbreServeur, bilan);
        base.Executer(QStringLiteral("COMMIT"));
    }
    EcrireParametres();
    if (options.differee) {
        ArmerDifferee();
    }
    InstallerProgrammes(options.programmes, bilan);

    if (options.local) {
        for (const QString& dossier : DossiersCopies) {
            CopierArbre(plateforme::CheminNatif(ArbreServeur + QLatin1Char('\\') + dossier),
                        plateforme::CheminNatif(ArbreLocal + QLatin1Char('\\') + dossier));
        }
        bilan.baseLocale = ArbreLocal + QStringLiteral("\\bd\\zelvano.mdb");
        InitialiserLocale(bilan.baseLocale, bilan);
        if (options.empreinte) {
            PrendreEmpreinte();
        }
        if (options.nouveaux > 0) {
            BaseSqlite base(plateforme::CheminNatif(bilan.baseLocale), false);
            base.Executer(QStringLiteral("BEGIN"));
            generateur.RemplirNouveaux(base, ArbreLocal, bilan, QLatin1Char('A'));
            base.Executer(QStringLiteral("COMMIT"));
        }
        if (options.autres > 0) {
            AjouterAutresPostes(options, bilan);
        }
    } else {
        for (const TableSynchronisee& t : TablesSynchronisees()) {
            bilan.maxima[t.table] = generateur.Maximum(t.table);
        }
    }
    return bilan;
}

BilanDemo AjouterJournee(const OptionsDemo& options) {
    if (!options.machine.isEmpty()) {
        plateforme::Machine::DefinirRacine(QDir(options.machine).absolutePath());
    }
    BilanDemo bilan;
    bilan.racine = plateforme::Machine::Racine();
    bilan.baseDistante = ArbreServeur + QStringLiteral("\\bd\\zelvano.mdb");
    bilan.baseLocale = ArbreLocal + QStringLiteral("\\bd\\zelvano.mdb");
    bilan.fichierIni = IniSynchro;
    AjouterNouveaux(options, bilan.baseLocale, ArbreLocal, QLatin1Char('A'), bilan);
    return bilan;
}

QString RefusSuppression(const QString& dossier) {
    const QFileInfo racine(dossier);
    if (racine.isSymLink()) {
        return QStringLiteral("« %1 » est un lien symbolique (vers « %2 ») : donnez le dossier de "
                              "la machine lui-même.")
            .arg(dossier, racine.symLinkTarget());
    }
    if (!racine.isDir()) {
        return QStringLiteral("« %1 » n'est pas un dossier.").arg(dossier);
    }
    const QString nonMachine =
        QStringLiteral("« %1 » ne ressemble pas à une machine émulée faite par zelvano-demo : ")
            .arg(dossier);
    for (const QString& entree : EntreesMachine) {
        const QFileInfo f(dossier + QLatin1Char('/') + entree);
        if (!f.isDir() || f.isSymLink()) {
            return nonMachine + QStringLiteral("il n'y a pas de dossier « %1 ».").arg(entree);
        }
    }
    const QStringList presents = QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden |
                                                         QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entree : presents) {
        if (!EntreesMachine.contains(entree)) {
            return nonMachine + QStringLiteral("« %1 » n'a rien à y faire.").arg(entree);
        }
    }
    // A workstation's machine reaches the practice's share through a link: its local copy may
    // hold records that were never sent.
    QDirIterator partages(dossier + QStringLiteral("/unc"),
                          QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
    while (partages.hasNext()) {
        const QFileInfo partage(partages.next());
        if (partage.isSymLink()) {
            return QStringLiteral("« %1 » est la machine d'un poste relié au partage du cabinet "
                                  "(« %2 » mène à « %3 »), pas une machine de démonstration.")
                .arg(dossier, partage.filePath().mid(dossier.size() + 1), partage.symLinkTarget());
        }
    }
    return {};
}

void SupprimerMachine(const QString& dossier) {
    const QString refus = RefusSuppression(dossier);
    if (!refus.isEmpty()) {
        plateforme::Lever(plateforme::err::PermissionRefusee, refus);
    }
    // Links are removed, never followed.
    std::error_code erreur;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(dossier).toStdString()),
                                erreur);
    if (erreur) {
        plateforme::Lever(plateforme::err::PermissionRefusee,
                          QStringLiteral("La machine « %1 » n'a été supprimée qu'en partie : %2.")
                              .arg(dossier, QString::fromLocal8Bit(erreur.message())));
    }
}

} // namespace demo
