#include "sync/fusion.h"

#include "init/ancetre.h"
#include "platform/fichiers_operations.h"
#include "sync/valeurs_champs.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <vector>

namespace fusion {

namespace {

// The rows of one table read from one base: values by column, columns by name.
struct Lignes {
    QStringList colonnes; // lower case
    QHash<qint64, QVariantList> parIdentifiant;

    int Colonne(const QString& nom) const { return static_cast<int>(colonnes.indexOf(nom)); }
};

// Identifiers by chunks: one query for many rows, within SQLite's limit of terms.
constexpr qsizetype TailleLot = 400;

void LireLot(dao::Database& base, const QString& table, const QString& champId,
             const QList<qint64>& identifiants, Lignes& lignes) {
    QStringList liste;
    liste.reserve(identifiants.size());
    for (const qint64 id : identifiants) {
        liste.append(QString::number(id));
    }
    const auto rs = base.OpenRecordset(
        QStringLiteral("select * from ") + table + QStringLiteral(" where ") + champId +
        QStringLiteral(" in (") + liste.join(QLatin1Char(',')) + QLatin1Char(')'));
    if (lignes.colonnes.isEmpty()) {
        for (int i = 0; i < rs->FieldsCount(); ++i) {
            lignes.colonnes.append(rs->Fields(i).Name().toLower());
        }
    }
    const int cle = lignes.Colonne(champId.toLower());
    for (; !rs->Eof(); rs->MoveNext()) {
        QVariantList valeurs;
        valeurs.reserve(rs->FieldsCount());
        for (int i = 0; i < rs->FieldsCount(); ++i) {
            valeurs.append(ValeurStockee(rs->Fields(i)));
        }
        const qint64 id = valeurs.value(cle).toLongLong();
        if (!lignes.parIdentifiant.contains(id)) {
            lignes.parIdentifiant.insert(id, valeurs);
        }
    }
    rs->Close();
}

Lignes Lire(dao::Database& base, const QString& table, const QString& champId,
            const QList<qint64>& identifiants) {
    Lignes lignes;
    for (qsizetype i = 0; i < identifiants.size(); i += TailleLot) {
        LireLot(base, table, champId, identifiants.mid(i, TailleLot), lignes);
    }
    return lignes;
}

// The table whose records a link field of `table` points to, as the transfer renumbers them:
// the patient link of the table synchro, an ordonnance's consultation, an object's owner (named
// by its attachobjet). Empty for a field that is no link.
QString TableLiee(const pratique::LigneSynchro& t, const QString& champ, const Lignes& locales,
                  const QVariantList& locale) {
    const QString table = t.table.toLower();
    if (champ == t.champIdDossier.toLower() && champ != t.champId.toLower()) {
        return QStringLiteral("patient");
    }
    if (table == QLatin1String("ordonnance") && champ == QLatin1String("identconsultation")) {
        return QStringLiteral("consultation");
    }
    if (table == QLatin1String("objet") && champ == QLatin1String("identattach")) {
        const QString attache =
            TexteValeur(locale.value(locales.Colonne(QStringLiteral("attachobjet")))).toLower();
        if (attache != QLatin1String("fichedescriptive")) {
            return attache;
        }
    }
    return {};
}

// The link's target when its local value is a record created on the laptop.
QString CibleNouvelle(const QString& tableLiee, const QVariant& valeur,
                      const QHash<QString, qint64>& derniers) {
    if (tableLiee.isEmpty() || !derniers.contains(tableLiee)) {
        return {};
    }
    bool nombre = false;
    const qint64 id = TexteValeur(valeur).toLongLong(&nombre);
    return nombre && id > derniers.value(tableLiee) ? tableLiee : QString();
}

void ComparerLigne(const pratique::LigneSynchro& t, qint64 id, const Lignes& locales,
                   const Lignes& ancetres, const Lignes& distantes,
                   const QHash<QString, qint64>& derniers, Plan& plan) {
    const QVariantList& locale = locales.parIdentifiant[id];
    const QVariantList& initiale = ancetres.parIdentifiant[id];
    const auto distante = distantes.parIdentifiant.constFind(id);
    if (distante == distantes.parIdentifiant.cend()) {
        plan.ecarts.append({t.table, id, ChampEnregistrement, {}, {}, {}, true, {}, {}, {}});
        return;
    }
    const QString cle = t.champId.toLower();
    for (int i = 0; i < locales.colonnes.size(); ++i) {
        const QString& champ = locales.colonnes[i];
        const int a = ancetres.Colonne(champ);
        const int d = distantes.Colonne(champ);
        if (champ == cle || a < 0 || d < 0) {
            continue; // the identifier never changes; a column one side lacks is not compared
        }
        const QVariant& l = locale[i];
        const QVariant& ini = initiale[a];
        const QVariant& dis = (*distante)[d];
        if (MemesValeurs(l, ini) || MemesValeurs(l, dis)) {
            continue; // unchanged here, or already the same there
        }
        Ecart e{t.table, id, champ, ini, l, dis, !MemesValeurs(dis, ini), {}, {}, {}};
        e.cible = CibleNouvelle(TableLiee(t, champ, locales, locale), l, derniers);
        plan.ecarts.append(e);
    }
}

void ComparerTable(const Bases& bases, const pratique::LigneSynchro& t, QList<qint64> ids,
                   const QHash<QString, qint64>& derniers, Plan& plan) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    const Lignes locales = Lire(bases.locale, t.table, t.champId, ids);
    const Lignes ancetres = Lire(bases.ancetre, t.table, t.champId, ids);
    const Lignes distantes = Lire(bases.distante, t.table, t.champId, ids);
    for (const qint64 id : std::as_const(ids)) {
        // Gone from the laptop, or not there at the initialisation: not carried.
        if (id <= t.dernierNo && locales.parIdentifiant.contains(id) &&
            ancetres.parIdentifiant.contains(id)) {
            ComparerLigne(t, id, locales, ancetres, distantes, derniers, plan);
        }
    }
}

// What the dialog shows of a file, and what tells that it is as the user saw it.
QString DescriptionFichier(const plateforme::EtatFichier& etat) {
    if (etat.taille < 0) {
        return QStringLiteral("(absent)");
    }
    return QString::number(etat.taille) + QStringLiteral(" octet(s), modifié le ") +
           QDateTime::fromMSecsSinceEpoch(etat.ecriture)
               .toLocalTime()
               .toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace

QVariant ValeurStockee(const dao::Field& champ) {
    const std::string_view date = champ.DateStockee();
    if (!date.empty()) {
        return QString::fromLatin1(date.data(), static_cast<qsizetype>(date.size()));
    }
    return champ.Value();
}

QString TexteValeur(const QVariant& valeur) {
    if (valeur.isNull()) {
        return {};
    }
    switch (valeur.typeId()) {
    case QMetaType::Double:
        return QString::number(valeur.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
        return QString::fromLatin1(valeur.toByteArray().toHex());
    default:
        return valeur.toString();
    }
}

bool MemesValeurs(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) {
        return a.isNull() == b.isNull();
    }
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray) {
        return a.typeId() == b.typeId() && a.toByteArray() == b.toByteArray();
    }
    return TexteValeur(a) == TexteValeur(b);
}

QString Ecart::Cle() const {
    return table.toLower() + QLatin1Char('|') + QString::number(identifiant) + QLatin1Char('|') +
           champ;
}

qsizetype Plan::Reports() const {
    return std::count_if(ecarts.cbegin(), ecarts.cend(), [](const Ecart& e) { return !e.conflit; });
}

qsizetype Plan::Conflits() const {
    return ecarts.size() - Reports();
}

QList<Ecart> FichiersModifies(dao::Database& ancetre,
                              const std::function<QString(const QString&)>& versServeur) {
    QList<Ecart> ecarts;
    for (const FichierAncetre& f : LireFichiersAncetre(ancetre)) {
        const plateforme::EtatFichier local = plateforme::LireEtatFichier(f.local);
        if (local.taille < 0 || local == f.etat) {
            continue; // unchanged, or deleted on the laptop (not carried)
        }
        const plateforme::EtatFichier distant = plateforme::LireEtatFichier(versServeur(f.distant));
        if (distant == local) {
            continue;
        }
        ecarts.append({f.table,
                       f.identifiant,
                       ChampFichier,
                       DescriptionFichier(f.etat),
                       DescriptionFichier(local),
                       DescriptionFichier(distant),
                       !(distant == f.etatDistant),
                       {},
                       f.local,
                       f.distant});
    }
    return ecarts;
}

Plan Comparer(const Bases& bases, const QList<pratique::LigneSynchro>& synchro,
              const Candidats& candidats,
              const std::function<QString(const QString&)>& versServeur) {
    QHash<QString, qint64> derniers;
    QHash<QString, QString> nomsTables;
    for (const pratique::LigneSynchro& t : synchro) {
        derniers.insert(t.table.toLower(), t.dernierNo);
        nomsTables.insert(t.table.toLower(), t.table);
    }
    Plan plan;
    for (const pratique::LigneSynchro& t : synchro) {
        const QList<qint64> ids = candidats.value(t.table.toLower());
        // The names go into SQL text: a row the walk refuses is not compared either.
        if (!ids.isEmpty() && valeurs::NomSimple(t.table) && valeurs::NomSimple(t.champId)) {
            ComparerTable(bases, t, ids, derniers, plan);
        }
    }
    for (Ecart& e : FichiersModifies(bases.ancetre, versServeur)) {
        if (nomsTables.contains(e.table)) {
            e.table = nomsTables.value(e.table);
            plan.ecarts.append(e);
        }
    }
    return plan;
}

} // namespace fusion
