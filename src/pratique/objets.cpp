#include "pratique/objets.h"

namespace pratique {

namespace {

constexpr NomFixe NomsFixes[] = {
    {"vestib1", "ve", ".ves"}, {"cardio1", "uc", ".car"}, {"impedanc", "FI", ".or1"},
    {"audio40", "FI", ".or3"}, {"dessin1", "FI", ".des"}, {"alerte", "FI", ".ale"},
};

struct Reference {
    const char* prefixe;
    const char* table;
};
constexpr Reference References[] = {{"cou", "courrier"}, {"cro", "cro"}, {"cor", "correspondance"}};

QString Texte(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

} // namespace

const NomFixe* NomFixeDuType(const QString& type) {
    const QString minuscule = type.toLower();
    for (const NomFixe& nom : NomsFixes) {
        if (minuscule == QLatin1String(nom.type)) {
            return &nom;
        }
    }
    return nullptr;
}

const char* TableDeReference(const QString& nomfichier) {
    const QString prefixe = nomfichier.left(3).toLower();
    for (const Reference& reference : References) {
        if (prefixe == QLatin1String(reference.prefixe)) {
            return reference.table;
        }
    }
    return nullptr;
}

bool GereCommeFichier(dao::Database& base, const QString& type, const QString& ecran,
                      QString& extension) {
    const auto rs = base.OpenRecordset(
        QStringLiteral("select * from typeobjet where typeobjet = ? and nomecran = ?"),
        {type, ecran});
    if (rs->Eof() || Texte(rs->Fields(QStringLiteral("modegestion")).Value()).toLower() !=
                         QLatin1String("fichier")) {
        return false;
    }
    extension = Texte(rs->Fields(QStringLiteral("extension")).Value());
    return true;
}

bool ObjetTransmis(bool gereCommeFichier, const QString& type, const QString& nomfichier) {
    if (gereCommeFichier) {
        return true;
    }
    if (type.toLower() == QLatin1String("objinfo")) {
        return TableDeReference(nomfichier) != nullptr;
    }
    return NomFixeDuType(type) != nullptr;
}

} // namespace pratique
