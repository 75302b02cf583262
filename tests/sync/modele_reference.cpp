#include "sync/modele_reference.h"

#include <QHash>

#include <algorithm>

// The rules as the practice relies on them, written from the rules alone: new records of each
// table in the order of synchro, numbered on from the server's largest identifier, patient
// links and object links through the old-to-new map of the tables already walked, document and
// object files brought to the server under names made from the new identifiers, objects of
// unknown kinds left out with their identifier spent. Then the local copy becomes the server's.
namespace modele {

namespace {

QString TexteOuVide(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

QString Six(qint64 n) {
    return QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
}

// The number a reference starts with, blanks first skipped.
qint64 Nombre(const QString& texte) {
    qsizetype i = 0;
    while (i < texte.size() && texte[i] == QLatin1Char(' ')) {
        ++i;
    }
    qint64 n = 0;
    for (; i < texte.size() && texte[i].isDigit(); ++i) {
        n = n * 10 + texte[i].digitValue();
    }
    return n;
}

// Names are compared without regard to case, as Windows does: a file copied over one whose name
// differs only in case replaces it and keeps its name.
void Deposer(Arbre& arbre, const QString& cle, const QByteArray& contenu) {
    for (auto it = arbre.begin(); it != arbre.end(); ++it) {
        if (it.key().compare(cle, Qt::CaseInsensitive) == 0) {
            it.value() = contenu;
            return;
        }
    }
    arbre.insert(cle, contenu);
}

// Where the file of a stored document path is in the local tree: its drive becomes C:.
QString CleLocale(const QString& stocke) {
    const QString reste = stocke.mid(3);
    if (stocke.size() <= 3 || !reste.startsWith(QLatin1String("zelvano\\"))) {
        return {};
    }
    return reste.mid(8).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString Dossier(const QString& table) {
    return table == QLatin1String("courrier")         ? QStringLiteral("courrier")
           : table == QLatin1String("cro")            ? QStringLiteral("cro")
           : table == QLatin1String("correspondance") ? QStringLiteral("corres")
                                                      : QString();
}

class Transfert {
public:
    Transfert(const Cas& cas, Attendu& r)
        : cas_(cas)
        , r_(r) {}

    void Table(const LigneSynchro& s) {
        const QString& t = s.table;
        const QList<Colonne>& colonnes = SchemaPratique().value(t);
        QList<Ligne> nouvelles;
        for (const Ligne& l : cas_.local.value(t)) {
            if (l[0].toLongLong() > s.dernierNo) {
                nouvelles.append(l);
            }
        }
        std::sort(nouvelles.begin(), nouvelles.end(), [](const Ligne& a, const Ligne& b) {
            return a[0].toLongLong() < b[0].toLongLong();
        });
        qint64 id = 0;
        for (const Ligne& l : cas_.serveur.value(t)) {
            id = std::max(id, l[0].toLongLong());
        }
        const int iId = Rang(t, s.champId);
        const int iLien = Rang(t, s.champIdDossier);
        int ecrits = 0;
        for (const Ligne& src : nouvelles) {
            ++id;
            // Null, or the column's default, leaves the default.
            Ligne d;
            for (int i = 0; i < colonnes.size(); ++i) {
                const QVariant& v = src[i];
                const QVariant& defaut = colonnes[i].defaut;
                const bool commeDefaut =
                    defaut.isNull() ? v.typeId() == QMetaType::QString && v.toString().isEmpty()
                                    : v == defaut;
                d.append(v.isNull() || commeDefaut ? defaut : v);
            }
            const qint64 ancien = src[iId].toLongLong();
            d[iId] = id;
            if (t == QLatin1String("patient")) {
                if (id != ancien) {
                    Memoriser(t, ancien, id);
                }
                const int n = Rang(t, QStringLiteral("numdossier"));
                if (TexteOuVide(src[n]).trimmed() == QString::number(ancien)) {
                    d[n] = QString::number(id);
                }
            } else {
                d[iLien] = Nouvel(QStringLiteral("patient"), src[iLien]);
            }
            if (t != QLatin1String("objet") && t != QLatin1String("patient")) {
                Memoriser(t, ancien, id);
            }
            if (!Dossier(t).isEmpty()) {
                const int n = Rang(t, QStringLiteral("nomfichier"));
                const QString stocke = TexteOuVide(src[n]);
                const QString nom = stocke.mid(stocke.lastIndexOf(QLatin1Char('\\')) + 1);
                const QString ext = nom.contains(QLatin1Char('.'))
                                        ? nom.mid(nom.lastIndexOf(QLatin1Char('.')))
                                        : QString();
                const QString nouveau = QStringLiteral("x") + cas_.poste + Six(id) + ext;
                d[n] = QStringLiteral("P:\\zelvano\\") + Dossier(t) + QLatin1Char('\\') + nouveau;
                Copier(CleLocale(stocke), Dossier(t) + QLatin1Char('/') + nouveau);
            }
            if (t == QLatin1String("objet") && !Objet(src, d, id)) {
                continue;
            }
            r_.serveur[t].append(d);
            ++ecrits;
        }
        r_.ecrits.append(ecrits);
    }

private:
    void Memoriser(const QString& table, qint64 ancien, qint64 nouveau) {
        QHash<qint64, qint64>& m = carte_[table];
        if (!m.contains(ancien)) {
            m.insert(ancien, nouveau);
        }
    }
    qint64 Nouvel(const QString& table, const QVariant& ancien) const {
        return ancien.isNull()
                   ? 0
                   : carte_.value(table.toLower()).value(ancien.toLongLong(), ancien.toLongLong());
    }
    void Copier(const QString& source, const QString& cible) {
        if (!source.isEmpty() && cas_.arbreLocal.contains(source)) {
            Deposer(r_.arbreServeur, cible, cas_.arbreLocal.value(source));
        }
    }

    bool Objet(const Ligne& src, Ligne& d, qint64 id) {
        const QString t = QStringLiteral("objet");
        const int iAttache = Rang(t, QStringLiteral("attachobjet"));
        const int iIdent = Rang(t, QStringLiteral("identattach"));
        const int iNom = Rang(t, QStringLiteral("nomfichier"));
        if (!d[iAttache].isNull() && !d[iIdent].isNull() &&
            d[iAttache].toString().toLower() != QLatin1String("fichedescriptive") &&
            d[iIdent].toLongLong() != 0) {
            d[iIdent] = Nouvel(d[iAttache].toString(), src[iIdent]);
        }
        const QString type = TexteOuVide(d[Rang(t, QStringLiteral("typeobjet"))]);
        const QString ecran = TexteOuVide(d[iAttache]);
        QString nom;
        const Ligne* mode = nullptr;
        // Kept for the whole function: `mode` points into it.
        const QList<Ligne> types = cas_.serveur.value(QStringLiteral("typeobjet"));
        for (const Ligne& l : types) {
            if (mode == nullptr && l[0].toString().compare(type, Qt::CaseInsensitive) == 0 &&
                l[1].toString().compare(ecran, Qt::CaseInsensitive) == 0) {
                mode = &l;
            }
        }
        static const QHash<QString, QString> references = {
            {QStringLiteral("cou"), QStringLiteral("courrier")},
            {QStringLiteral("cro"), QStringLiteral("cro")},
            {QStringLiteral("cor"), QStringLiteral("correspondance")}};
        static const QHash<QString, std::pair<QString, QString>> fixes = {
            {QStringLiteral("vestib1"), {QStringLiteral("ve"), QStringLiteral(".ves")}},
            {QStringLiteral("cardio1"), {QStringLiteral("uc"), QStringLiteral(".car")}},
            {QStringLiteral("impedanc"), {QStringLiteral("FI"), QStringLiteral(".or1")}},
            {QStringLiteral("audio40"), {QStringLiteral("FI"), QStringLiteral(".or3")}},
            {QStringLiteral("dessin1"), {QStringLiteral("FI"), QStringLiteral(".des")}},
            {QStringLiteral("alerte"), {QStringLiteral("FI"), QStringLiteral(".ale")}}};
        if (mode != nullptr && TexteOuVide((*mode)[2]).toLower() == QLatin1String("fichier")) {
            nom = QStringLiteral("FI") + Six(id) + QLatin1Char('.') + TexteOuVide((*mode)[3]);
        } else if (type.toLower() == QLatin1String("objinfo")) {
            const QString reference = TexteOuVide(src[iNom]);
            const QString prefixe = reference.left(3).toLower();
            if (!references.contains(prefixe)) {
                return false;
            }
            d[iNom] = prefixe +
                      QString::number(Nouvel(references.value(prefixe), Nombre(reference.mid(3))));
            return true;
        } else if (fixes.contains(type.toLower())) {
            nom = fixes.value(type.toLower()).first + Six(id) + fixes.value(type.toLower()).second;
        } else {
            return false;
        }
        d[iNom] = nom;
        const QString ancien = TexteOuVide(src[iNom]);
        if (!ancien.isEmpty()) {
            Copier(QStringLiteral("data/") + ancien, QStringLiteral("data/") + nom);
        }
        return true;
    }

    const Cas& cas_;
    Attendu& r_;
    QHash<QString, QHash<qint64, qint64>> carte_;
};

} // namespace

QList<Ligne> SynchroApresInitialisation(const Tables& tables) {
    QList<Ligne> lignes;
    for (const LigneSynchro& s : LignesSynchroCompletes()) {
        qint64 maximum = 0;
        for (const Ligne& l : tables.value(s.table)) {
            maximum = std::max(maximum, l[0].toLongLong());
        }
        lignes.append({QVariant(), s.table, s.champId, s.champIdDossier, maximum});
    }
    return lignes;
}

Attendu Calculer(const Cas& cas) {
    Attendu r;
    r.serveur = cas.serveur;
    r.arbreServeur = cas.arbreServeur;
    Transfert transfert(cas, r);
    for (const LigneSynchro& s : cas.synchro) {
        transfert.Table(s);
    }
    r.local = r.serveur;
    r.local[QStringLiteral("synchro")] = SynchroApresInitialisation(r.serveur);
    // The initialisation brings the plain files of the document folders, and removes nothing.
    r.arbreLocal = cas.arbreLocal;
    static const QStringList copies = {QStringLiteral("courrier"), QStringLiteral("cro"),
                                       QStringLiteral("certif"),   QStringLiteral("corres"),
                                       QStringLiteral("data"),     QStringLiteral("flash"),
                                       QStringLiteral("modeles")};
    for (auto it = r.arbreServeur.cbegin(); it != r.arbreServeur.cend(); ++it) {
        const QStringList parties = it.key().split(QLatin1Char('/'));
        if (parties.size() == 2 && copies.contains(parties[0]) &&
            !parties[1].startsWith(QLatin1Char('.'))) {
            Deposer(r.arbreLocal, it.key(), it.value());
        }
    }
    return r;
}

} // namespace modele
