#include "sync/correspondances.h"

#include "platform/erreur.h"
#include "sync/valeurs_champs.h"

namespace {

// Table names arrive lower-cased already, most of the time: no copy then.
QString Minuscules(const QString& table) {
    return table.isLower() ? table : table.toLower();
}

} // namespace

void CorrespondancesIdentifiants::Memoriser(const QString& table, qint32 ancien, qint32 nouveau) {
    QHash<qint32, qint32>& identifiants = tables_[Minuscules(table)];
    if (!identifiants.contains(ancien)) {
        identifiants.insert(ancien, nouveau);
        ++taille_;
    }
}

bool CorrespondancesIdentifiants::Chercher(const QString& table, qint32 ancien,
                                           qint32& nouveau) const {
    const auto t = tables_.constFind(Minuscules(table));
    if (t == tables_.cend()) {
        return false;
    }
    const auto it = t->constFind(ancien);
    if (it == t->cend()) {
        return false;
    }
    nouveau = it.value();
    return true;
}

CorrespondancesIdentifiants& TableCorrespondances() {
    static CorrespondancesIdentifiants table;
    return table;
}

void MemoriserCorrespondance(const QString& table, qint32 ancien, qint32 nouveau) {
    TableCorrespondances().Memoriser(table, ancien, nouveau);
}

qint32 NouvelIdentifiant(const QString& table, const QVariant& ancien) {
    if (ancien.isNull()) {
        return 0;
    }
    qint32 valeur = 0;
    try {
        valeur = valeurs::EntierLong(ancien);
    } catch (const plateforme::Erreur&) {
        return 0;
    }
    qint32 nouveau = valeur;
    TableCorrespondances().Chercher(table, valeur, nouveau);
    return nouveau;
}
