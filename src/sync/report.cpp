#include "sync/report.h"

#include "init/ancetre.h"
#include "init/fichier_csv.h"
#include "init/sauvegarde.h"
#include "jet/dao.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "pratique/lieux.h"
#include "pratique/table_synchro.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "sync/bases_ouvertes.h"
#include "sync/correspondances.h"
#include "sync/fichiers_prepares.h"
#include "sync/transfert.h"
#include "sync/valeurs_champs.h"

#include <QMap>

#include <limits>

namespace {

using fusion::Ecart;

const QString Distante = QStringLiteral("distante");
const QString Locale = QStringLiteral("locale");

ComptesReports& Comptes() {
    static ComptesReports comptes;
    return comptes;
}

// What the run wrote and kept, for the two reports.
struct Rapports {
    QList<QStringList> reportees;
    QList<QStringList> conflits;
};

void Conflit(Rapports& r, const Ecart& e, const QString& locale, const QString& distante,
             const QString& choix) {
    r.conflits.append({e.table, QString::number(e.identifiant), e.champ,
                       e.Fichier() ? QString() : fusion::TexteValeur(e.initiale), locale, distante,
                       choix});
    if (choix == Distante) {
        ++Comptes().conflits;
    }
}

void ConflitChamp(Rapports& r, const Ecart& e, const QString& choix) {
    Conflit(r, e, fusion::TexteValeur(e.locale), fusion::TexteValeur(e.distante), choix);
}

// The user took the laptop's value, and the server still has the value they saw.
bool ChoixLocal(const Ecart& e) {
    const auto choix = ChoixLocaux().constFind(e.Cle());
    return choix != ChoixLocaux().cend() && fusion::MemesValeurs(*choix, e.distante);
}

// The value to write: a link to a record created on the laptop through its new number. Every
// new patient is sent, and the map leaves out those that kept their number; a record of another
// table the map does not know was not sent (an object no rule sends): false, the link would
// point to another record.
bool ValeurAEcrire(const Ecart& e, QVariant& valeur) {
    valeur = e.locale;
    if (e.cible.isEmpty()) {
        return true;
    }
    qint32 nouveau = 0;
    const qint64 ancien = valeur.toLongLong();
    if (ancien > std::numeric_limits<qint32>::max()) {
        return false;
    }
    if (TableCorrespondances().Chercher(e.cible, static_cast<qint32>(ancien), nouveau)) {
        valeur = nouveau;
        return true;
    }
    return e.cible == QLatin1String("patient");
}

// The fields of one record to write, as one statement.
struct Ecriture {
    QStringList champs;
    QStringList affectations;
    QVariantList valeurs;
};

void EcrireEnregistrement(const QString& table, const QString& champId, qint64 identifiant,
                          Ecriture& ecriture) {
    if (ecriture.affectations.isEmpty()) {
        return;
    }
    for (qsizetype i = 0; i < ecriture.champs.size(); ++i) {
        const QVariant& valeur = ecriture.valeurs[i];
        Comptes().ecrits.append({table, champId, identifiant, ecriture.champs[i],
                                 fusion::TexteValeur(valeur), valeur.isNull()});
    }
    ecriture.valeurs.append(identifiant);
    BaseDistanteOuverte().Execute(QStringLiteral("update ") + table + QStringLiteral(" set ") +
                                      ecriture.affectations.join(QStringLiteral(", ")) +
                                      QStringLiteral(" where ") + champId + QStringLiteral(" = ?"),
                                  ecriture.valeurs);
    Comptes().champs += ecriture.affectations.size();
    ++Comptes().enregistrements;
}

void ReporterChamp(const Ecart& e, Ecriture& ecriture, Rapports& r) {
    const bool choisi = e.conflit && e.champ != fusion::ChampEnregistrement && ChoixLocal(e);
    QVariant valeur;
    if ((e.conflit && !choisi) || !valeurs::NomSimple(e.champ) || !ValeurAEcrire(e, valeur)) {
        ConflitChamp(r, e, Distante);
        return;
    }
    ecriture.champs.append(e.champ);
    ecriture.affectations.append(e.champ + QStringLiteral(" = ?"));
    ecriture.valeurs.append(valeur);
    r.reportees.append({e.table, QString::number(e.identifiant), e.champ,
                        fusion::TexteValeur(e.distante), fusion::TexteValeur(valeur)});
    if (choisi) {
        ConflitChamp(r, e, Locale);
    }
}

QString NomFichier(const QString& chemin) {
    return chemin.mid(chemin.lastIndexOf(QLatin1Char('\\')) + 1);
}

// The laptop's version of a file changed on both sides, kept in the run's folder under its own
// name (with the record's table and number when the name is taken).
QString GarderVersionLocale(const Ecart& e) {
    const QString dossier = DossierExecution() + QStringLiteral("\\conflits");
    if (!plateforme::DossierExiste(dossier)) {
        plateforme::CreerDossier(dossier);
    }
    QString copie = dossier + QLatin1Char('\\') + NomFichier(e.fichierLocal);
    if (plateforme::FichierExiste(copie)) {
        copie = dossier + QLatin1Char('\\') + e.table + QLatin1Char('-') +
                QString::number(e.identifiant) + QLatin1Char('-') + NomFichier(e.fichierLocal);
    }
    plateforme::CopierFichier(e.fichierLocal, copie);
    return copie;
}

void EnvoyerFichier(const Ecart& e, Rapports& r) {
    if (!FichiersEnvoi().Placer(e.fichierLocal, e.fichierDistant)) {
        try {
            plateforme::CopierFichier(e.fichierLocal, e.fichierDistant, true);
        } catch (const plateforme::Erreur& erreur) {
            EcrireJournal(QStringLiteral("ATTENTION : le fichier ") + e.fichierLocal +
                          QStringLiteral(" n'a pas pu être copié vers ") + e.fichierDistant +
                          QStringLiteral(" : ") + erreur.DescriptionEtNumero());
            // The initialisation is about to replace it: the laptop's version is kept as in a
            // conflict, the server's file staying as it is.
            Conflit(r, e, GarderVersionLocale(e), e.fichierDistant, Distante);
            return;
        }
    }
    FichiersEcritsSurServeur().append(e.fichierDistant);
    ++Comptes().fichiers;
    r.reportees.append({e.table, QString::number(e.identifiant), fusion::ChampFichier, QString(),
                        e.fichierDistant});
}

void ReporterFichier(const Ecart& e, Rapports& r) {
    const bool choisi = e.conflit && ChoixLocal(e);
    if (!e.conflit || choisi) {
        EnvoyerFichier(e, r);
        if (choisi) {
            Conflit(r, e, e.fichierLocal, e.fichierDistant, Locale);
        }
        return;
    }
    Conflit(r, e, GarderVersionLocale(e), e.fichierDistant, Distante);
}

QString EcrireRapport(const QString& nom, const QStringList& entete,
                      const QList<QStringList>& lignes) {
    const QString chemin = DossierExecution() + QLatin1Char('\\') + nom;
    FichierCsv csv(chemin, entete);
    for (const QStringList& ligne : lignes) {
        csv.Ligne(ligne);
    }
    csv.Durcir();
    return chemin;
}

void Journaliser(const Rapports& r) {
    const ComptesReports& c = Comptes();
    if (!r.reportees.isEmpty()) {
        const QString chemin = EcrireRapport(
            QStringLiteral("reportees.csv"),
            {QStringLiteral("table"), QStringLiteral("identifiant"), QStringLiteral("champ"),
             QStringLiteral("ancienne_valeur"), QStringLiteral("nouvelle_valeur")},
            r.reportees);
        EcrireJournal(QStringLiteral("Modifications reportées sur la base distante : ") +
                      QString::number(c.champs) + QStringLiteral(" champ(s) de ") +
                      QString::number(c.enregistrements) +
                      QStringLiteral(" enregistrement(s) et ") + QString::number(c.fichiers) +
                      QStringLiteral(" fichier(s) (détail : ") + chemin + QLatin1Char(')'));
    }
    if (!r.conflits.isEmpty()) {
        const QString chemin = EcrireRapport(
            QStringLiteral("conflits.csv"),
            {QStringLiteral("table"), QStringLiteral("identifiant"), QStringLiteral("champ"),
             QStringLiteral("valeur_initiale"), QStringLiteral("valeur_locale"),
             QStringLiteral("valeur_distante"), QStringLiteral("choix")},
            r.conflits);
        if (c.conflits > 0) {
            EcrireJournal(QStringLiteral("ATTENTION : ") + QString::number(c.conflits) +
                          QStringLiteral(" conflit(s) : la valeur de la base distante a été gardée "
                                         "(détail : ") +
                          chemin + QLatin1Char(')'));
        }
    }
}

void Appliquer(const fusion::Plan& plan, const QList<pratique::LigneSynchro>& synchro) {
    QHash<QString, QString> champsId;
    for (const pratique::LigneSynchro& t : synchro) {
        champsId.insert(t.table, t.champId);
    }
    Rapports r;
    Ecriture ecriture;
    const Ecart* courant = nullptr; // the record whose fields `ecriture` gathers
    const auto ecrire = [&] {
        if (courant != nullptr) {
            EcrireEnregistrement(courant->table, champsId.value(courant->table),
                                 courant->identifiant, ecriture);
        }
        ecriture = {};
    };
    for (const Ecart& e : plan.ecarts) {
        if (courant == nullptr || e.table != courant->table ||
            e.identifiant != courant->identifiant) {
            ecrire();
            courant = &e;
        }
        if (!e.Fichier()) {
            ReporterChamp(e, ecriture, r);
        }
    }
    ecrire();
    for (const Ecart& e : plan.ecarts) {
        if (e.Fichier()) {
            ReporterFichier(e, r);
        }
    }
    Journaliser(r);
}

QString Nombre(qsizetype n) {
    return QString::number(n);
}

} // namespace

QHash<QString, QVariant>& ChoixLocaux() {
    static QHash<QString, QVariant> choix;
    return choix;
}

const ComptesReports& DerniersReports() {
    return Comptes();
}

bool ReporterModifications(const LignesParTable& candidats) {
    Comptes() = {};
    if (Param().reporter == 0) {
        return true;
    }
    if (!AncetrePresent()) {
        // Without a fingerprint either, the line that says so stands for both.
        if (plateforme::FichierExiste(CheminEmpreintes())) {
            EcrireJournal(
                QStringLiteral("Base locale initialisée sans base de référence : ses "
                               "enregistrements modifiés ne peuvent pas être reportés sur la "
                               "base distante avant la prochaine initialisation."));
        }
        return true;
    }
    try {
        const QList<pratique::LigneSynchro> synchro = pratique::LireSynchro(BaseLocaleOuverte());
        fusion::Plan plan;
        {
            const std::shared_ptr<dao::Database> ancetre =
                dao::OuvrirHorsTransaction(CheminAncetre());
            plan = fusion::Comparer({BaseLocaleOuverte(), *ancetre, BaseDistanteOuverte()}, synchro,
                                    candidats, [](const QString& chemin) { return chemin; });
            ancetre->Close();
        }
        Appliquer(plan, synchro);
        return true;
    } catch (const plateforme::Erreur& e) {
        EcrireJournal(LigneErreur(e));
        return false;
    }
}

QList<QPair<QString, QString>> FichiersAReporter() {
    QList<QPair<QString, QString>> fichiers;
    if (!ReportPossible()) {
        return fichiers;
    }
    try {
        const auto ancetre = dao::OuvrirHorsTransaction(CheminAncetre());
        for (const Ecart& e :
             fusion::FichiersModifies(*ancetre, [](const QString& chemin) { return chemin; })) {
            if (!e.conflit) {
                fichiers.append({e.fichierLocal, e.fichierDistant});
            }
        }
    } catch (const plateforme::Erreur&) {
        // The run meets the same ancestor and tells what is wrong with it.
    }
    return fichiers;
}

PlanPrevu PrevoirReports() {
    PlanPrevu prevu;
    if (!ReportPossible()) {
        return prevu;
    }
    try {
        ModificationsLocales modifications = AnalyserModificationsLocales(false);
        const LignesParTable candidats = RetirerReportables(modifications);
        const auto locale = dao::OuvrirHorsTransaction(CheminBaseLocale());
        const auto ancetre = dao::OuvrirHorsTransaction(CheminAncetre());
        const auto distante = dao::OuvrirHorsTransaction(CheminBaseDistanteParLePartage());
        prevu.plan = fusion::Comparer({*locale, *ancetre, *distante},
                                      pratique::LireSynchro(*locale), candidats, ParLePartage);
        prevu.possible = true;
    } catch (const plateforme::Erreur& e) {
        prevu.raison = e.DescriptionEtNumero();
    }
    return prevu;
}

QString ApercuReports(const PlanPrevu& prevu) {
    if (!prevu.possible) {
        return prevu.raison.isEmpty()
                   ? QString()
                   : QStringLiteral("Modifications à reporter sur la base distante : impossible "
                                    "de les rechercher : ") +
                         prevu.raison + QLatin1Char('\n');
    }
    if (prevu.plan.ecarts.isEmpty()) {
        return {};
    }
    struct Totaux {
        qsizetype champs = 0;
        qsizetype fichiers = 0;
        qsizetype conflits = 0;
    };
    QMap<QString, Totaux> parTable;
    for (const Ecart& e : prevu.plan.ecarts) {
        Totaux& t = parTable[e.table];
        if (e.conflit) {
            ++t.conflits;
        } else if (e.Fichier()) {
            ++t.fichiers;
        } else {
            ++t.champs;
        }
    }
    QString texte = QStringLiteral("Modifications qui seront reportées sur la base distante : ") +
                    Nombre(prevu.plan.Reports()) + QStringLiteral(", conflits : ") +
                    Nombre(prevu.plan.Conflits()) + QLatin1Char('\n');
    for (auto it = parTable.cbegin(); it != parTable.cend(); ++it) {
        texte += QStringLiteral("  ") + it.key() + QStringLiteral(" : ") + Nombre(it->champs) +
                 QStringLiteral(" champ(s), ") + Nombre(it->fichiers) +
                 QStringLiteral(" fichier(s), ") + Nombre(it->conflits) +
                 QStringLiteral(" conflit(s)\n");
    }
    return texte;
}
