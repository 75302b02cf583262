#include "init/empreintes.h"

#include "init/ancetre.h"
#include "init/fichier_csv.h"
#include "init/sauvegarde.h"
#include "jet/dao.h"
#include "jet/empreintes_base.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/fichiers_durables.h"
#include "pratique/lieux.h"
#include "pratique/objets.h"
#include "pratique/table_synchro.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QDataStream>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <optional>

namespace {

using plateforme::Erreur;

constexpr quint32 Signature = 0x5A454D50; // "ZEMP"
constexpr quint32 Version = 1;

// A table of the fingerprint, with what the comparison needs to know of it.
struct TableEmpreinte {
    dao::EmpreintesTable lignes;
    bool synchronisee = false;
    qint64 dernierNo = 0;
};

bool EstTableSynchro(const QString& table) {
    return table.compare(QLatin1String("synchro"), Qt::CaseInsensitive) == 0;
}

// The table synchro of the local base, read through the engine and closed again.
QList<pratique::LigneSynchro> TablesSynchronisees() {
    std::shared_ptr<dao::Database> base =
        dao::DBEngine::Instance().OpenDatabase(CheminBaseLocale());
    const QList<pratique::LigneSynchro> tables = pratique::LireSynchro(*base);
    base->Close();
    return tables;
}

bool NomSimple(const QString& nom) {
    static const QRegularExpression simple(QStringLiteral("^[A-Za-z0-9_]+$"));
    return simple.match(nom).hasMatch();
}

struct ObjetSansRegle {
    qint64 identifiant = 0;
    bool fichier = false;
};

// The new objects that no rule sends: the synchronisation leaves them out. Their types are
// judged by the local typeobjet, the server's as of the initialisation; a failing lookup counts
// as not managed as files, as it does on the server.
QList<ObjetSansRegle> ObjetsSansRegle(dao::Database& base,
                                      const QList<pratique::LigneSynchro>& tables) {
    QList<ObjetSansRegle> objets;
    for (const pratique::LigneSynchro& t : tables) {
        if (t.table.compare(QLatin1String("objet"), Qt::CaseInsensitive) != 0 ||
            !NomSimple(t.champId)) {
            continue;
        }
        const auto rs =
            base.OpenRecordset(QStringLiteral("select * from objet where ") + t.champId +
                                   QStringLiteral(" > ? order by ") + t.champId,
                               {t.dernierNo});
        while (!rs->Eof()) {
            const auto texte = [&](const char* champ) {
                const QVariant v = rs->Fields(QString::fromLatin1(champ)).Value();
                return v.isNull() ? QString() : v.toString();
            };
            const QString type = texte("typeobjet");
            const QString nomfichier = texte("nomfichier");
            QString extension;
            bool fichier = false;
            try {
                fichier = pratique::GereCommeFichier(base, type, texte("attachobjet"), extension);
            } catch (const Erreur&) {
            }
            if (!pratique::ObjetTransmis(fichier, type, nomfichier)) {
                objets.append({rs->Fields(t.champId).Value().toLongLong(), !nomfichier.isEmpty()});
            }
            rs->MoveNext();
        }
        rs->Close();
    }
    return objets;
}

QHash<QString, QString> ClesImposees(const QList<pratique::LigneSynchro>& tables) {
    QHash<QString, QString> cles;
    for (const pratique::LigneSynchro& t : tables) {
        cles.insert(t.table.toLower(), t.champId);
    }
    return cles;
}

QByteArray Serialiser(const QList<TableEmpreinte>& tables) {
    QByteArray octets;
    QDataStream flux(&octets, QIODevice::WriteOnly);
    flux.setVersion(QDataStream::Qt_6_0);
    flux << Signature << Version << static_cast<qint32>(tables.size());
    for (const TableEmpreinte& t : tables) {
        flux << t.lignes.table << t.lignes.colonneCle << t.synchronisee << t.dernierNo
             << static_cast<qint64>(t.lignes.lignes.size());
        for (const dao::EmpreinteLigne& l : t.lignes.lignes) {
            flux << l.cle << l.hachage;
        }
    }
    return octets;
}

// Unreadable or of another version: raises, the fingerprint then counts as missing.
QList<TableEmpreinte> Deserialiser(const QByteArray& octets) {
    QDataStream flux(octets);
    flux.setVersion(QDataStream::Qt_6_0);
    quint32 signature = 0;
    quint32 version = 0;
    qint32 nombre = 0;
    flux >> signature >> version >> nombre;
    if (signature != Signature || version != Version || nombre < 0) {
        plateforme::Lever(plateforme::err::NomFichierIncorrect);
    }
    QList<TableEmpreinte> tables;
    for (qint32 i = 0; i < nombre && flux.status() == QDataStream::Ok; ++i) {
        TableEmpreinte t;
        qint64 lignes = 0;
        flux >> t.lignes.table >> t.lignes.colonneCle >> t.synchronisee >> t.dernierNo >> lignes;
        if (lignes < 0 || lignes > octets.size() / 16) {
            plateforme::Lever(plateforme::err::NomFichierIncorrect);
        }
        t.lignes.lignes.resize(static_cast<size_t>(lignes));
        for (dao::EmpreinteLigne& l : t.lignes.lignes) {
            flux >> l.cle >> l.hachage;
        }
        tables.append(std::move(t));
    }
    if (flux.status() != QDataStream::Ok) {
        plateforme::Lever(plateforme::err::NomFichierIncorrect);
    }
    return tables;
}

// The fingerprint on disk; none when the base was initialised before fingerprints were taken.
std::optional<QList<TableEmpreinte>> LireFichierEmpreintes() {
    if (!plateforme::FichierExiste(CheminEmpreintes())) {
        return std::nullopt;
    }
    QFile fichier(plateforme::CheminNatif(CheminEmpreintes()));
    if (!fichier.open(QIODevice::ReadOnly)) {
        plateforme::Lever(plateforme::err::PermissionRefusee);
    }
    return Deserialiser(fichier.readAll());
}

void Ajouter(ModificationsLocales& m, const QString& table, qint64 cle, const char* nature) {
    m.lignes.append({table, cle, QString::fromUtf8(nature)});
}

// Both sides sorted by key; rows of equal keys are paired in order. `limite`: local rows above
// it are new records, compared with nothing (added only when `nouveauxAjoutes`).
void ComparerTable(const QString& table, const std::vector<dao::EmpreinteLigne>& avant,
                   const std::vector<dao::EmpreinteLigne>& maintenant, std::optional<qint64> limite,
                   bool nouveauxAjoutes, ModificationsLocales& m) {
    size_t i = 0;
    size_t j = 0;
    const auto nouveau = [&](const dao::EmpreinteLigne& l) {
        return limite && l.cle > *limite;
    };
    while (i < avant.size() || j < maintenant.size()) {
        if (i < avant.size() && nouveau(avant[i])) {
            ++i; // above dernier_no: a new record, whatever the fingerprint holds of it
        } else if (j < maintenant.size() && nouveau(maintenant[j])) {
            if (nouveauxAjoutes) {
                Ajouter(m, table, maintenant[j].cle, "ajouté");
            }
            ++j;
        } else if (j == maintenant.size() ||
                   (i < avant.size() && avant[i].cle < maintenant[j].cle)) {
            Ajouter(m, table, avant[i].cle, "supprimé");
            ++i;
        } else if (i == avant.size() || maintenant[j].cle < avant[i].cle) {
            Ajouter(m, table, maintenant[j].cle, "ajouté");
            ++j;
        } else {
            if (avant[i].hachage != maintenant[j].hachage) {
                Ajouter(m, table, avant[i].cle, "modifié");
            }
            ++i;
            ++j;
        }
    }
}

QString Texte(qint64 n) {
    return QString::number(n);
}

} // namespace

QString CheminEmpreintes() {
    return DossierSauvegardes() + QStringLiteral("\\empreintes.dat");
}

void EnregistrerEmpreintes() {
    const QList<pratique::LigneSynchro> synchronisees = TablesSynchronisees();
    QHash<QString, qint64> derniers;
    for (const pratique::LigneSynchro& t : synchronisees) {
        derniers.insert(t.table.toLower(), t.dernierNo);
    }
    QList<TableEmpreinte> tables;
    for (dao::EmpreintesTable& t :
         dao::LireEmpreintes(CheminBaseLocale(), ClesImposees(synchronisees))) {
        if (EstTableSynchro(t.table)) {
            continue;
        }
        const QString nom = t.table.toLower();
        tables.append({std::move(t), derniers.contains(nom), derniers.value(nom)});
    }
    DossierSauvegardesPrepare();
    plateforme::EcrireFichierDurable(CheminEmpreintes(), Serialiser(tables));
}

void OublierEmpreintes() {
    // A path that cannot name a file holds no fingerprint to forget.
    if (plateforme::FichierExiste(CheminEmpreintes())) {
        plateforme::SupprimerFichierDurable(CheminEmpreintes());
    }
}

ModificationsLocales AnalyserModificationsLocales(bool initialisation) {
    ModificationsLocales m;
    const std::optional<QList<TableEmpreinte>> avant = LireFichierEmpreintes();
    if (!avant) {
        return m;
    }
    m.empreinte = true;
    std::shared_ptr<dao::Database> base =
        dao::DBEngine::Instance().OpenDatabase(CheminBaseLocale());
    const QList<pratique::LigneSynchro> synchronisees = pratique::LireSynchro(*base);
    // A synchronisation that committed emptied the table synchro in the same commit: the new
    // records are on the server, whatever became of the initialisation after it.
    const bool nouveauxAjoutes = initialisation && !synchronisees.isEmpty();
    if (!initialisation) {
        for (const ObjetSansRegle& o : ObjetsSansRegle(*base, synchronisees)) {
            Ajouter(m, QStringLiteral("objet"), o.identifiant, "non envoyé");
        }
    }
    base->Close();
    QHash<QString, QString> cles;
    QHash<QString, const TableEmpreinte*> parNom;
    for (const TableEmpreinte& t : *avant) {
        parNom.insert(t.lignes.table.toLower(), &t);
        if (t.synchronisee) {
            cles.insert(t.lignes.table.toLower(), t.lignes.colonneCle);
        }
    }
    static const std::vector<dao::EmpreinteLigne> aucune;
    for (const dao::EmpreintesTable& t : dao::LireEmpreintes(CheminBaseLocale(), cles)) {
        if (EstTableSynchro(t.table)) {
            continue;
        }
        const TableEmpreinte* ancienne = parNom.take(t.table.toLower());
        const bool synchronisee = ancienne != nullptr && ancienne->synchronisee;
        ComparerTable(t.table, ancienne != nullptr ? ancienne->lignes.lignes : aucune, t.lignes,
                      synchronisee ? std::optional<qint64>(ancienne->dernierNo) : std::nullopt,
                      nouveauxAjoutes, m);
    }
    // Tables gone from the local base: every row of them deleted.
    for (const TableEmpreinte& t : *avant) {
        if (parNom.contains(t.lignes.table.toLower())) {
            ComparerTable(t.lignes.table, t.lignes.lignes, aucune, std::nullopt, false, m);
        }
    }
    return m;
}

bool ReportPossible() {
    return Param().reporter != 0 && AncetrePresent();
}

namespace {

// A row of one of the seven tables changed, not deleted nor added.
bool Reportable(const ModificationLocale& modification) {
    return modification.nature == QStringLiteral("modifié") &&
           pratique::EstTableSynchronisee(modification.table);
}

} // namespace

LignesParTable RetirerReportables(ModificationsLocales& modifications) {
    LignesParTable reportables;
    modifications.lignes.removeIf([&reportables](const ModificationLocale& l) {
        if (!Reportable(l)) {
            return false;
        }
        reportables[l.table.toLower()].append(l.cle);
        return true;
    });
    return reportables;
}
LignesParTable SignalerModificationsLocales(bool initialisation) {
    LignesParTable reportees;
    try {
        ModificationsLocales m = AnalyserModificationsLocales(initialisation);
        if (!m.empreinte) {
            EcrireJournal(QStringLiteral(
                "Base locale initialisée sans empreinte : ses modifications ne peuvent pas être "
                "recherchées avant la prochaine initialisation."));
            return reportees;
        }
        if (!initialisation && ReportPossible()) {
            reportees = RetirerReportables(m);
        }
        if (m.lignes.isEmpty()) {
            return reportees;
        }
        const QString chemin = DossierExecution() + QStringLiteral("\\modifications.csv");
        FichierCsv csv(chemin, {QStringLiteral("table"), QStringLiteral("identifiant"),
                                QStringLiteral("nature")});
        for (const ModificationLocale& l : m.lignes) {
            csv.Ligne({l.table, Texte(l.cle), l.nature});
        }
        csv.Durcir();
        EcrireJournal(QStringLiteral("ATTENTION : ") + Texte(m.lignes.size()) +
                      QStringLiteral(" modification(s) de la base locale ne seront pas recopiées "
                                     "sur la base distante (détail : ") +
                      chemin + QLatin1Char(')'));
    } catch (const Erreur& e) {
        EcrireJournal(QStringLiteral("ATTENTION : les modifications de la base locale n'ont pas "
                                     "pu être recherchées : ") +
                      e.DescriptionEtNumero());
    }
    return reportees;
}

QList<NouveauxTable> CompterNouveauxEnregistrements(bool envoyesSeulement) {
    std::shared_ptr<dao::Database> base =
        dao::DBEngine::Instance().OpenDatabase(CheminBaseLocale());
    QList<NouveauxTable> resultat;
    const auto compter = [&](const QString& sql) {
        const auto rs = base->OpenRecordset(sql);
        const qint64 n = rs->Fields(QStringLiteral("N")).Value().toLongLong();
        rs->Close();
        return n;
    };
    const QList<pratique::LigneSynchro> tables = pratique::LireSynchro(*base);
    const QList<ObjetSansRegle> laisses =
        envoyesSeulement ? ObjetsSansRegle(*base, tables) : QList<ObjetSansRegle>{};
    for (const pratique::LigneSynchro& t : tables) {
        // The names go into SQL text: anything but a plain name is not counted.
        if (!NomSimple(t.table) || !NomSimple(t.champId)) {
            continue;
        }
        const QString condition = QStringLiteral(" from ") + t.table + QStringLiteral(" where ") +
                                  t.champId + QStringLiteral(" > ") + Texte(t.dernierNo);
        NouveauxTable n{t.table, compter(QStringLiteral("select count(*) as N") + condition), 0};
        const QString table = t.table.toLower();
        if (n.enregistrements > 0 && (TableDocuments(table) || table == QLatin1String("objet"))) {
            n.documents = compter(QStringLiteral("select count(*) as N") + condition +
                                  QStringLiteral(" and nomfichier <> ''"));
        }
        if (table == QLatin1String("objet")) {
            for (const ObjetSansRegle& o : laisses) {
                --n.enregistrements;
                n.documents -= o.fichier ? 1 : 0;
            }
        }
        resultat.append(n);
    }
    base->Close();
    return resultat;
}

namespace {

// The modifications in the details, at most this many by name: the rest is in the file.
constexpr qsizetype LignesApercu = 30;

QString ApercuNouveaux(bool initialisation) {
    QString texte = initialisation
                        ? QStringLiteral("Nouveaux enregistrements jamais envoyés, qui seront "
                                         "remplacés :\n")
                        : QStringLiteral("Nouveaux enregistrements qui seront envoyés :\n");
    try {
        qint64 total = 0;
        qint64 documents = 0;
        for (const NouveauxTable& n : CompterNouveauxEnregistrements(!initialisation)) {
            texte += QStringLiteral("  ") + n.table + QStringLiteral(" : ") +
                     Texte(n.enregistrements) +
                     (n.documents > 0 ? QStringLiteral(" (dont ") + Texte(n.documents) +
                                            QStringLiteral(" avec document)")
                                      : QString()) +
                     QLatin1Char('\n');
            total += n.enregistrements;
            documents += n.documents;
        }
        texte += QStringLiteral("  Total : ") + Texte(total) +
                 QStringLiteral(" enregistrement(s), ") + Texte(documents) +
                 QStringLiteral(" document(s)\n");
    } catch (const Erreur& e) {
        texte += QStringLiteral("  Impossible de lire la base locale : ") +
                 e.DescriptionEtNumero() + QLatin1Char('\n');
    }
    return texte;
}

QString ApercuModifications(bool initialisation) {
    QString texte;
    try {
        ModificationsLocales m = AnalyserModificationsLocales(initialisation);
        if (!m.empreinte) {
            return QStringLiteral("Modifications de la base locale : inconnues (base initialisée "
                                  "sans empreinte).\n");
        }
        if (!initialisation && ReportPossible()) {
            RetirerReportables(m);
        }
        texte = QStringLiteral("Modifications de la base locale qui ne seront pas recopiées sur "
                               "la base distante : ") +
                Texte(m.lignes.size()) + QLatin1Char('\n');
        QHash<QString, qint64> parTable;
        for (const ModificationLocale& l : m.lignes) {
            ++parTable[l.table + QStringLiteral(" (") + l.nature + QLatin1Char(')')];
        }
        QStringList totaux = parTable.keys();
        totaux.sort();
        for (const QString& cle : totaux) {
            texte += QStringLiteral("  ") + cle + QStringLiteral(" : ") + Texte(parTable[cle]) +
                     QLatin1Char('\n');
        }
        for (qsizetype i = 0; i < m.lignes.size() && i < LignesApercu; ++i) {
            const ModificationLocale& l = m.lignes[i];
            texte += QStringLiteral("    ") + l.table + QLatin1Char(' ') + Texte(l.cle) +
                     QStringLiteral(" : ") + l.nature + QLatin1Char('\n');
        }
        if (m.lignes.size() > LignesApercu) {
            texte += QStringLiteral("    ... et ") + Texte(m.lignes.size() - LignesApercu) +
                     QStringLiteral(" autre(s)\n");
        }
    } catch (const Erreur& e) {
        texte =
            QStringLiteral("Modifications de la base locale : impossible de les rechercher : ") +
            e.DescriptionEtNumero() + QLatin1Char('\n');
    }
    return texte;
}

} // namespace

QString ApercuBaseLocale(bool initialisation) {
    if (!plateforme::FichierExiste(CheminBaseLocale())) {
        return QStringLiteral("Aucune base locale (") + CheminBaseLocale() +
               QStringLiteral(") : rien ne sera envoyé ni perdu.\n");
    }
    return ApercuNouveaux(initialisation) + QLatin1Char('\n') + ApercuModifications(initialisation);
}
