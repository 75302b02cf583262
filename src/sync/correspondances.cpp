#include "sync/correspondances.h"

#include "platform/erreur.h"
#include "sync/valeurs_champs.h"

namespace {

// The entry of `table` in the list, null when it has none. Table names arrive lower-cased
// already, most of the time: no copy then.
template <class Tables> auto* Trouver(Tables& tables, const QString& table) {
    for (auto& t : tables) {
        if (t.nom == table) {
            return &t;
        }
    }
    if (!table.isLower()) {
        const QString minuscules = table.toLower();
        for (auto& t : tables) {
            if (t.nom == minuscules) {
                return &t;
            }
        }
    }
    return static_cast<decltype(&tables.front())>(nullptr);
}

} // namespace

void CorrespondancesIdentifiants::Memoriser(const QString& table, qint32 ancien, qint32 nouveau) {
    Table* t = Trouver(tables_, table);
    if (t == nullptr) {
        t = &tables_.emplace_back(Table{table.toLower(), {}});
    }
    if (!t->identifiants.contains(ancien)) {
        t->identifiants.insert(ancien, nouveau);
        ++taille_;
    }
}

bool CorrespondancesIdentifiants::Chercher(const QString& table, qint32 ancien,
                                           qint32& nouveau) const {
    const Table* t = Trouver(tables_, table);
    if (t == nullptr) {
        return false;
    }
    const auto it = t->identifiants.constFind(ancien);
    if (it == t->identifiants.cend()) {
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
