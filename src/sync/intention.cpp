#include "sync/intention.h"

#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/fichiers_durables.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "settings/parametres.h"
#include "sync/valeurs_champs.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

namespace {

constexpr int VersionIntention = 1;

// Separators that no field name or kind letter contains.
constexpr char FinChamp = '\x1f';
constexpr char FinLigne = '\x1e';

// A value as text with a letter for its kind: 1 and "1" must not give the same fingerprint.
QByteArray TexteValeur(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return QByteArrayLiteral("N");
    }
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return 'I' + QByteArray::number(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return 'R' + QByteArray::number(v.toDouble(), 'g', 17);
    case QMetaType::QByteArray:
        return 'B' + v.toByteArray().toHex();
    case QMetaType::QDateTime:
        return 'D' + v.toDateTime().toString(Qt::ISODateWithMs).toUtf8();
    default:
        return 'T' + v.toString().toUtf8();
    }
}

void AjouterLigne(QCryptographicHash& empreinte, dao::Recordset& rs) {
    for (int i = 0; i < rs.FieldsCount(); ++i) {
        const dao::Field& champ = rs.Fields(i);
        empreinte.addData(champ.Name().toLower().toUtf8());
        empreinte.addData(QByteArrayView("=", 1));
        empreinte.addData(TexteValeur(champ.Value()));
        empreinte.addData(QByteArrayView(&FinChamp, 1));
    }
    empreinte.addData(QByteArrayView(&FinLigne, 1));
}

qint64 Identifiant(dao::Recordset& rs, const QString& champId) {
    return valeurs::EntierLong(rs.Fields(champId).Value());
}

std::unique_ptr<dao::Recordset> LignesAuDessus(dao::Database& base, const TableIntention& t,
                                               bool jusquAuDernier) {
    QString sql = QStringLiteral("select * from ") + t.table + QStringLiteral(" where ") +
                  t.champId + QStringLiteral(" > ?");
    QVariantList parametres{t.maximum};
    if (jusquAuDernier) {
        sql += QStringLiteral(" and ") + t.champId + QStringLiteral(" <= ?");
        parametres.append(t.Dernier());
    }
    sql += QStringLiteral(" order by ") + t.champId;
    return base.OpenRecordset(sql, parametres);
}

QByteArray Controle(const QJsonObject& contenu) {
    return QCryptographicHash::hash(QJsonDocument(contenu).toJson(QJsonDocument::Compact),
                                    QCryptographicHash::Sha256)
        .toHex();
}

// Reading of the record: every field must be there with its kind.
class Lecteur {
public:
    explicit Lecteur(QString& raison)
        : raison_(raison) {}
    bool Texte(const QJsonObject& o, const char* cle, QString& valeur) {
        const QJsonValue v = o.value(QLatin1String(cle));
        if (!v.isString()) {
            return Manque(cle);
        }
        valeur = v.toString();
        return true;
    }
    bool Entier(const QJsonValue& v, const char* cle, qint64& valeur) {
        if (!v.isDouble() || v.toDouble() != static_cast<double>(v.toInteger())) {
            return Manque(cle);
        }
        valeur = v.toInteger();
        return true;
    }
    bool Entier(const QJsonObject& o, const char* cle, qint64& valeur) {
        return Entier(o.value(QLatin1String(cle)), cle, valeur);
    }
    bool Tableau(const QJsonObject& o, const char* cle, QJsonArray& valeur) {
        const QJsonValue v = o.value(QLatin1String(cle));
        if (!v.isArray()) {
            return Manque(cle);
        }
        valeur = v.toArray();
        return true;
    }
    bool Manque(const char* cle) {
        raison_ =
            QStringLiteral("la donnée « %1 » manque ou est incorrecte").arg(QLatin1String(cle));
        return false;
    }

private:
    QString& raison_;
};

} // namespace

qint64 TableIntention::Nombre() const {
    qint64 n = 0;
    for (const auto& [premier, dernier] : plages) {
        n += dernier - premier + 1;
    }
    return n;
}

bool TableIntention::Contient(qint64 identifiant) const {
    const auto it = std::lower_bound(
        plages.cbegin(), plages.cend(), identifiant,
        [](const std::pair<qint64, qint64>& plage, qint64 id) { return plage.second < id; });
    return it != plages.cend() && it->first <= identifiant;
}

qint64 IntentionSynchronisation::Nombre() const {
    qint64 n = 0;
    for (const TableIntention& t : tables) {
        n += t.Nombre();
    }
    return n;
}

namespace {

bool LireReportes(Lecteur& lire, const QJsonObject& contenu, QList<ChampReporte>& reportes) {
    if (!contenu.contains(QStringLiteral("reportes"))) {
        return true;
    }
    QJsonArray tableau;
    if (!lire.Tableau(contenu, "reportes", tableau)) {
        return false;
    }
    for (const QJsonValue& v : tableau) {
        const QJsonObject o = v.toObject();
        ChampReporte r;
        if (!v.isObject() || !lire.Texte(o, "table", r.table) ||
            !lire.Texte(o, "champ_id", r.champId) ||
            !lire.Entier(o, "identifiant", r.identifiant) || !lire.Texte(o, "champ", r.champ) ||
            !lire.Texte(o, "valeur", r.valeur) || !o.value(QStringLiteral("nul")).isBool()) {
            return lire.Manque("reportes");
        }
        r.nul = o.value(QStringLiteral("nul")).toBool();
        // The names go into SQL text when the record is checked.
        if (!valeurs::NomSimple(r.table) || !valeurs::NomSimple(r.champId) ||
            !valeurs::NomSimple(r.champ)) {
            return lire.Manque("reportes");
        }
        reportes.append(r);
    }
    return true;
}

} // namespace

QString CheminIntention() {
    return CheminBaseLocale() + QStringLiteral(".synchro-en-cours");
}

bool IntentionPresente() {
    try {
        return plateforme::FichierExiste(CheminIntention());
    } catch (const plateforme::Erreur&) {
        return false;
    }
}

QByteArray SerialiserIntention(const IntentionSynchronisation& intention) {
    QJsonArray synchro;
    for (const pratique::LigneSynchro& l : intention.synchroLocale) {
        synchro.append(QJsonObject{{QStringLiteral("id"), l.id},
                                   {QStringLiteral("table"), l.table},
                                   {QStringLiteral("dernier_no"), l.dernierNo}});
    }
    QJsonArray tables;
    for (const TableIntention& t : intention.tables) {
        QJsonArray plages;
        for (const auto& [premier, dernier] : t.plages) {
            plages.append(QJsonArray{premier, dernier});
        }
        tables.append(QJsonObject{{QStringLiteral("table"), t.table},
                                  {QStringLiteral("champ_id"), t.champId},
                                  {QStringLiteral("maximum"), t.maximum},
                                  {QStringLiteral("identifiants"), plages},
                                  {QStringLiteral("nombre"), t.Nombre()},
                                  {QStringLiteral("empreinte"), QString::fromLatin1(t.empreinte)}});
    }
    QJsonArray reportes;
    for (const ChampReporte& r : intention.reportes) {
        reportes.append(QJsonObject{{QStringLiteral("table"), r.table},
                                    {QStringLiteral("champ_id"), r.champId},
                                    {QStringLiteral("identifiant"), r.identifiant},
                                    {QStringLiteral("champ"), r.champ},
                                    {QStringLiteral("valeur"), r.valeur},
                                    {QStringLiteral("nul"), r.nul}});
    }
    QJsonObject contenu{
        {QStringLiteral("version"), VersionIntention},
        {QStringLiteral("moment"), intention.moment.toString(Qt::ISODate)},
        {QStringLiteral("base_distante"), intention.baseDistante},
        {QStringLiteral("base_distante_unc"), intention.baseDistanteUnc},
        {QStringLiteral("base_locale"), intention.baseLocale},
        {QStringLiteral("synchro_locale"), synchro},
        {QStringLiteral("tables"), tables},
    };
    // Only when there are any: a record without them reads as before.
    if (!reportes.isEmpty()) {
        contenu.insert(QStringLiteral("reportes"), reportes);
    }
    const QJsonObject document{
        {QStringLiteral("contenu"), contenu},
        {QStringLiteral("controle"), QString::fromLatin1(Controle(contenu))}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

bool DeserialiserIntention(const QByteArray& texte, IntentionSynchronisation& intention,
                           QString& raison) {
    QJsonParseError erreur{};
    const QJsonDocument document = QJsonDocument::fromJson(texte, &erreur);
    if (erreur.error != QJsonParseError::NoError || !document.isObject()) {
        raison = QStringLiteral("le texte n'est pas lisible");
        return false;
    }
    const QJsonObject racine = document.object();
    const QJsonValue valeurContenu = racine.value(QStringLiteral("contenu"));
    if (!valeurContenu.isObject()) {
        raison = QStringLiteral("le contenu manque");
        return false;
    }
    const QJsonObject contenu = valeurContenu.toObject();
    if (racine.value(QStringLiteral("controle")).toString().toLatin1() != Controle(contenu)) {
        raison = QStringLiteral("son contenu a été altéré");
        return false;
    }
    Lecteur lire(raison);
    IntentionSynchronisation lue;
    qint64 version = 0;
    QString moment;
    QJsonArray synchro;
    QJsonArray tables;
    if (!lire.Entier(contenu, "version", version) || !lire.Texte(contenu, "moment", moment) ||
        !lire.Texte(contenu, "base_distante", lue.baseDistante) ||
        !lire.Texte(contenu, "base_distante_unc", lue.baseDistanteUnc) ||
        !lire.Texte(contenu, "base_locale", lue.baseLocale) ||
        !lire.Tableau(contenu, "synchro_locale", synchro) ||
        !lire.Tableau(contenu, "tables", tables)) {
        return false;
    }
    if (version != VersionIntention) {
        raison = QStringLiteral("sa version %1 n'est pas connue").arg(version);
        return false;
    }
    lue.moment = QDateTime::fromString(moment, Qt::ISODate);
    for (const QJsonValue& v : synchro) {
        pratique::LigneSynchro l;
        if (!v.isObject() || !lire.Entier(v.toObject(), "id", l.id) ||
            !lire.Texte(v.toObject(), "table", l.table) ||
            !lire.Entier(v.toObject(), "dernier_no", l.dernierNo)) {
            return lire.Manque("synchro_locale");
        }
        lue.synchroLocale.append(l);
    }
    for (const QJsonValue& v : tables) {
        const QJsonObject o = v.toObject();
        TableIntention t;
        QString empreinte;
        QJsonArray plages;
        qint64 nombre = 0;
        if (!v.isObject() || !lire.Texte(o, "table", t.table) ||
            !lire.Texte(o, "champ_id", t.champId) || !lire.Entier(o, "maximum", t.maximum) ||
            !lire.Tableau(o, "identifiants", plages) || !lire.Entier(o, "nombre", nombre) ||
            !lire.Texte(o, "empreinte", empreinte)) {
            return lire.Manque("tables");
        }
        // The names go into SQL text when the record is checked.
        if (!valeurs::NomSimple(t.table) || !valeurs::NomSimple(t.champId)) {
            return lire.Manque("tables");
        }
        qint64 precedent = t.maximum;
        for (const QJsonValue& p : plages) {
            const QJsonArray plage = p.toArray();
            qint64 premier = 0;
            qint64 dernier = 0;
            if (plage.size() != 2 || !lire.Entier(plage.at(0), "identifiants", premier) ||
                !lire.Entier(plage.at(1), "identifiants", dernier) || premier <= precedent ||
                dernier < premier) {
                return lire.Manque("identifiants");
            }
            t.plages.append({premier, dernier});
            precedent = dernier;
        }
        if (nombre != t.Nombre()) {
            return lire.Manque("nombre");
        }
        t.empreinte = empreinte.toLatin1();
        lue.tables.append(t);
    }
    if (!LireReportes(lire, contenu, lue.reportes)) {
        return false;
    }
    intention = lue;
    return true;
}

void EcrireIntention(const IntentionSynchronisation& intention) {
    plateforme::EcrireFichierDurable(CheminIntention(), SerialiserIntention(intention));
}

void SupprimerIntention() {
    plateforme::SupprimerFichierDurable(CheminIntention());
}

QByteArray EmpreinteLignes(dao::Database& base, const TableIntention& selection,
                           QList<qint64>* trouves) {
    QCryptographicHash empreinte(QCryptographicHash::Sha256);
    const auto rs = LignesAuDessus(base, selection, true);
    while (!rs->Eof()) {
        const qint64 id = Identifiant(*rs, selection.champId);
        if (selection.Contient(id)) {
            AjouterLigne(empreinte, *rs);
            if (trouves != nullptr) {
                trouves->append(id);
            }
        }
        rs->MoveNext();
    }
    return empreinte.result().toHex();
}

void SuiviSynchronisation::AvantParcours(dao::Database& distante, dao::Database& locale) {
    intention_ = IntentionSynchronisation{};
    sansMaximum_.clear();
    intention_.baseDistante = distante.Name();
    intention_.baseDistanteUnc = CheminBaseDistanteParLePartage();
    intention_.baseLocale = locale.Name();
    intention_.moment = plateforme::Maintenant();
    intention_.synchroLocale = pratique::LireSynchro(locale);

    QSet<QString> vues;
    const auto rs = locale.OpenRecordset(QStringLiteral("select * from synchro order by id"));
    while (!rs->Eof()) {
        TableIntention t;
        t.table = valeurs::TexteOuVide(rs->Fields(QStringLiteral("table")).Value());
        t.champId = valeurs::TexteOuVide(rs->Fields(QStringLiteral("champ_id")).Value());
        rs->MoveNext();
        // A name that cannot go into SQL makes the walk fail: nothing to record for it.
        if (!valeurs::NomSimple(t.table) || !valeurs::NomSimple(t.champId) ||
            vues.contains(t.table.toLower())) {
            continue;
        }
        vues.insert(t.table.toLower());
        try {
            const auto max = distante.OpenRecordset(QStringLiteral("SELECT Max(") + t.champId +
                                                    QStringLiteral(") AS MAX FROM ") + t.table);
            const QVariant valeur = max->Fields(QStringLiteral("MAX")).Value();
            t.maximum = valeur.isNull() ? 0 : valeurs::EntierLong(valeur);
            intention_.tables.append(t);
        } catch (const plateforme::Erreur&) {
            // The walk meets the same table and reports it in its own words.
            sansMaximum_.append(t.table);
        }
    }
}

void SuiviSynchronisation::ApresParcours(dao::Database& distante) {
    if (!sansMaximum_.isEmpty()) {
        plateforme::Lever(plateforme::err::ArgumentIncorrect,
                          QStringLiteral("Impossible de relever les enregistrements envoyés dans "
                                         "la table %1 de la base distante")
                              .arg(sansMaximum_.first()));
    }
    for (TableIntention& t : intention_.tables) {
        QCryptographicHash empreinte(QCryptographicHash::Sha256);
        t.plages.clear();
        const auto rs = LignesAuDessus(distante, t, false);
        while (!rs->Eof()) {
            const qint64 id = Identifiant(*rs, t.champId);
            if (!t.plages.isEmpty() && t.plages.last().second + 1 == id) {
                t.plages.last().second = id;
            } else {
                t.plages.append({id, id});
            }
            AjouterLigne(empreinte, *rs);
            rs->MoveNext();
        }
        t.empreinte = empreinte.result().toHex();
    }
}
