#include "preparation/poste.h"

#include "platform/chemins.h"
#include "platform/dossier_programme.h"
#include "platform/fichiers.h"
#include "platform/profil.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace preparation {

namespace {

const QString IniSynchro = QStringLiteral("C:\\WINDOWS\\synchro.ini");

bool EstLettre(const QString& texte) {
    return texte.size() == 1 && texte[0].isLetter() && texte[0].unicode() < 128;
}

// "\\SERVEUR\PARTAGE" (a final "\" allowed) in its plain form; empty when it is not one.
QString PartageNormal(const QString& partage) {
    static const QRegularExpression forme(
        QStringLiteral("^\\\\\\\\([^\\\\/:*?\"<>|]+)\\\\([^\\\\/:*?\"<>|]+)\\\\?$"));
    const QRegularExpressionMatch m = forme.match(partage);
    if (!m.hasMatch()) {
        return {};
    }
    return QStringLiteral("\\\\") + m.captured(1) + QLatin1Char('\\') + m.captured(2);
}

QString RefusOptions(const OptionsPoste& o) {
    const ReglagesPratique& r = o.reglages;
    if (PartageNormal(r.partage).isEmpty()) {
        return QStringLiteral("Le partage doit s'écrire \\\\SERVEUR\\PARTAGE (reçu : « %1 »).")
            .arg(r.partage);
    }
    if (o.montage.isEmpty()) {
        return QStringLiteral("Le dossier où le partage est monté n'est pas donné.");
    }
    if (!EstLettre(r.unite) || r.unite.toUpper() == QLatin1String("C")) {
        return QStringLiteral(
                   "L'unité de Zelvano doit être une lettre autre que C (reçu : « %1 »).")
            .arg(r.unite);
    }
    if (!o.poste.isEmpty() && !EstLettre(o.poste)) {
        return QStringLiteral("La lettre du poste doit être une lettre (reçu : « %1 »).")
            .arg(o.poste);
    }
    if (r.zelvanodir.isEmpty() || r.bddir.isEmpty()) {
        return QStringLiteral("Le dossier Zelvano et celui des bases de données doivent être "
                              "nommés.");
    }
    return {};
}

// What was found in place of the share, and why it is none: something of this machine mounted
// on the folder (a tmpfs...), or the folder on a disk of this machine, nothing mounted on it.
QString PasUnPartage(const QString& montage, const plateforme::Montage& m) {
    const bool memoire = m.type == QLatin1String("tmpfs") || m.type == QLatin1String("ramfs");
    const QString nature = memoire ? QStringLiteral("un système de fichiers en mémoire de ce poste")
                                   : QStringLiteral("un disque de ce poste");
    const QString conseil = QStringLiteral(" Montez-y le partage du cabinet avec le client CIFS "
                                           "du noyau (type cifs).");
    if (QDir::cleanPath(QFileInfo(montage).canonicalFilePath()) == m.point) {
        return QStringLiteral("« %1 » ne contient pas le partage : ce qui y est monté (%2, type "
                              "%3) est %4, pas un partage réseau.")
                   .arg(montage, m.source, m.type, nature) +
               conseil;
    }
    return QStringLiteral("« %1 » ne contient pas le partage : rien n'y est monté, ce dossier est "
                          "sur %2 (%3, type %4, monté sur « %5 »).")
               .arg(montage, nature, m.source, m.type, m.point) +
           conseil;
}

// Why the share's mount cannot serve a base written by several workstations, when it cannot;
// what is missing when the share is not mounted there at all.
QString RefusMontage(const QString& montage, const QList<plateforme::Montage>& table,
                     BilanPoste& bilan) {
    if (!QFileInfo(montage).isDir()) {
        bilan.manques.append(
            QStringLiteral("Le dossier de montage du partage « %1 » n'existe pas.").arg(montage));
        return {};
    }
    const std::optional<plateforme::Montage> m = plateforme::MontageDe(montage, table);
    if (!m) {
        bilan.manques.append(QStringLiteral("Le partage n'est pas monté sur « %1 ».").arg(montage));
        return {};
    }
    const QString decrit =
        QStringLiteral("%1 monté sur « %2 », type %3").arg(m->source, m->point, m->type);
    switch (plateforme::Genre(*m)) {
    case plateforme::GenreMontage::Fuse:
        return QStringLiteral("Le partage est monté par un système de fichiers FUSE (%1) : les "
                              "verrous de la base n'y vont pas jusqu'au serveur, et les postes "
                              "qui l'écrivent en même temps l'abîmeraient. Montez-le avec le "
                              "client CIFS du noyau (type cifs).")
            .arg(decrit);
    case plateforme::GenreMontage::VerrousLocaux:
        return QStringLiteral("Le partage est monté sans verrous vers le serveur (%1, options "
                              "%2) : les postes qui écrivent la base en même temps l'abîmeraient. "
                              "Retirez l'option nobrl (ou nolock) de son montage.")
            .arg(decrit, m->options.join(QLatin1Char(',')));
    case plateforme::GenreMontage::Local:
        bilan.manques.append(PasUnPartage(montage, *m));
        return {};
    case plateforme::GenreMontage::AutreReseau:
        bilan.remarques.append(QStringLiteral("Le partage n'est pas monté par le client CIFS du "
                                              "noyau (%1) : ses verrous doivent aller jusqu'au "
                                              "serveur.")
                                   .arg(decrit));
        return {};
    case plateforme::GenreMontage::PartageCifs:
        break;
    }
    return {};
}

void VerifierDossier(const QString& chemin, const QString& cle, BilanPoste& bilan) {
    if (!plateforme::DossierExiste(chemin)) {
        bilan.manques.append(QStringLiteral("Dossier introuvable sur le partage : %1 (réglage %2).")
                                 .arg(chemin, cle));
    }
}

// The practice's folders on the share, by the names the settings give them; nothing is written.
void VerifierArbre(const QString& partage, const ReglagesPratique& r, BilanPoste& bilan) {
    const QString racine = partage + QLatin1Char('\\') + r.zelvanodir;
    if (!plateforme::DossierExiste(racine)) {
        VerifierDossier(racine, QString::fromLatin1(cles::zelvanodir.nom), bilan);
        return;
    }
    const QString bd = racine + QLatin1Char('\\') + r.bddir;
    VerifierDossier(bd, QString::fromLatin1(cles::bddir.nom), bilan);
    const QString base = bd + QStringLiteral("\\zelvano.mdb");
    if (plateforme::DossierExiste(bd) && !plateforme::FichierExiste(base)) {
        bilan.manques.append(QStringLiteral("Base introuvable sur le partage : %1.").arg(base));
    }
    for (const auto& [cle, dossier] : r.documents) {
        if (!dossier.isEmpty()) {
            VerifierDossier(racine + QLatin1Char('\\') + dossier, QString::fromLatin1(cle->nom),
                            bilan);
        }
    }
}

void EcrireParametres(const OptionsPoste& o, const ReglagesPratique& r, BilanPoste& bilan) {
    QDir().mkpath(plateforme::CheminNatif(QStringLiteral("C:\\WINDOWS")));
    EcrireReglages(r, IniSynchro);
    if (plateforme::GetPrivateProfileIntA(QString::fromLatin1(cles::createlog.section),
                                          QString::fromLatin1(cles::createlog.nom), -1,
                                          IniSynchro) == -1) {
        EcrireCleIni(cles::createlog, QStringLiteral("1"), IniSynchro);
    }
    bilan.faits.append(QStringLiteral("Paramètres : %1").arg(IniSynchro));
    if (!o.poste.isEmpty()) {
        QDir().mkpath(QFileInfo(plateforme::CheminNatif(r.inifile)).absolutePath());
        EcrireCleIni(QStringLiteral("path"), QStringLiteral("poste"), o.poste.toUpper(), r.inifile);
        bilan.faits.append(
            QStringLiteral("Lettre du poste : %1 (%2)").arg(o.poste.toUpper(), r.inifile));
        return;
    }
    QString poste;
    plateforme::GetPrivateProfileStringA(QStringLiteral("path"), QStringLiteral("poste"), {}, poste,
                                         10, r.inifile);
    if (poste.isEmpty()) {
        bilan.remarques.append(QStringLiteral("La lettre de ce poste n'est pas donnée dans %1 "
                                              "(option --poste) : la synchronisation prendra A.")
                                   .arg(r.inifile));
    }
}

void InstallerPoste(const OptionsPoste& o, const ReglagesPratique& r, BilanPoste& bilan) {
    const QString racineLocale = QStringLiteral("C:\\") + r.zelvanodir;
    const ProgrammesInstalles installes = InstallerProgrammes(o.programmes, racineLocale);
    bilan.faits.append(
        QStringLiteral("Dossier du programme : %1").arg(plateforme::DossierProgramme()));
    if (!installes.nonLies.isEmpty()) {
        bilan.manques.append(QStringLiteral("Programmes introuvables dans « %1 » : %2.")
                                 .arg(o.programmes, installes.nonLies.join(QStringLiteral(", "))));
    }
    if (installes.application.isEmpty()) {
        bilan.manques.append(
            QStringLiteral("Application de pratique absente : %1\\zelvano.exe.").arg(racineLocale));
    } else {
        bilan.faits.append(
            QStringLiteral("Application de pratique : %1").arg(installes.application));
    }
}

} // namespace

ProgrammesInstalles InstallerProgrammes(const QString& programmes, const QString& racineLocale) {
    ProgrammesInstalles installes;
    installes.nonLies = plateforme::PreparerDossierProgramme(programmes);
    const QString application = racineLocale + QStringLiteral("\\zelvano.exe");
    if (plateforme::LierProgramme(programmes + QStringLiteral("/zelvano.exe"), application)) {
        installes.application = application;
    }
    return installes;
}

BilanPoste PreparerPoste(const OptionsPoste& o, const QList<plateforme::Montage>& table) {
    BilanPoste bilan;
    bilan.refus = RefusOptions(o);
    if (!bilan.refus.isEmpty()) {
        return bilan;
    }
    ReglagesPratique r = o.reglages;
    r.partage = PartageNormal(r.partage);
    if (r.inifile.isEmpty()) {
        r.inifile = QStringLiteral("C:\\") + r.zelvanodir + QStringLiteral("\\zelvano.ini");
    }
    const QString montage = QDir::cleanPath(QDir(o.montage).absolutePath());
    bilan.refus = RefusMontage(montage, table, bilan);
    if (!bilan.refus.isEmpty()) {
        bilan.manques.clear();
        return bilan;
    }
    // The share's entry of the machine: a link to the mount, never a folder of the machine's own.
    const QString entree = plateforme::CheminNatif(r.partage);
    const QFileInfo infoEntree(entree);
    if (infoEntree.exists() && !infoEntree.isSymLink()) {
        bilan.refus = QStringLiteral("Le partage %1 existe déjà sur cette machine comme dossier "
                                     "(« %2 », une pratique de démonstration ?) : il n'est pas "
                                     "remplacé. Préparez le poste sur une autre machine "
                                     "(--machine).")
                          .arg(r.partage, entree);
        bilan.manques.clear();
        return bilan;
    }
    if (!plateforme::PoserLien(montage, entree)) {
        bilan.manques.append(
            QStringLiteral("Impossible de faire de « %1 » le partage %2.").arg(entree, r.partage));
    } else {
        bilan.faits.append(
            QStringLiteral("%1 est le partage monté sur %2").arg(r.partage, montage));
    }
    bilan.faits.append(QStringLiteral("C: est le dossier %1")
                           .arg(plateforme::Machine::EntreeLecteur(QLatin1Char('C'))));
    EcrireParametres(o, r, bilan);
    InstallerPoste(o, r, bilan);
    if (QFileInfo(montage).isDir()) {
        VerifierArbre(r.partage, r, bilan);
    }
    return bilan;
}

QString CommandeSynchro() {
    const QString racine = plateforme::Machine::Racine();
    if (QDir::cleanPath(racine) == QDir::cleanPath(plateforme::Machine::RacineParDefaut())) {
        return QStringLiteral("synchro");
    }
    static const QRegularExpression sansCitation(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    const QString cite =
        sansCitation.match(racine).hasMatch()
            ? racine
            : QLatin1Char('\'') +
                  QString(racine).replace(QLatin1Char('\''), QStringLiteral("'\\''")) +
                  QLatin1Char('\'');
    return QStringLiteral("ZELVANO_MACHINE=") + cite + QStringLiteral(" synchro");
}

} // namespace preparation
