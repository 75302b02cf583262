#include "sync/objets.h"

#include "platform/fichiers.h"
#include "pratique/objets.h"
#include "settings/parametres.h"
#include "sync/bases_ouvertes.h"
#include "sync/correspondances.h"
#include "sync/etapes.h"
#include "sync/transfert.h"
#include "sync/valeurs_champs.h"

namespace {

const QString ChampAttache = QStringLiteral("attachobjet");
const QString ChampIdentAttache = QStringLiteral("identattach");
const QString ChampType = QStringLiteral("typeobjet");
const QString ChampNomFichier = QStringLiteral("nomfichier");
const QString ChampIdent = QStringLiteral("identobjet");

QString Texte(dao::Recordset& rs, const QString& champ) {
    QString texte;
    EtapeSansEchec([&] { texte = valeurs::TexteOuVide(rs.Fields(champ).Value()); });
    return texte;
}

// An object attached to a record sent earlier in this walk follows that record's new number.
void RattacherProprietaire(dao::Recordset& source, dao::Recordset& destination) {
    EtapeSansEchec([&] {
        const QVariant attache = destination.Fields(ChampAttache).Value();
        const QVariant identAttache = destination.Fields(ChampIdentAttache).Value();
        if (attache.isNull() || identAttache.isNull()) {
            return;
        }
        if (attache.toString().toLower() == QLatin1String("fichedescriptive") ||
            valeurs::EntierLong(identAttache) == 0) {
            return;
        }
        destination.Fields(ChampIdentAttache)
            .SetValue(
                NouvelIdentifiant(attache.toString(), source.Fields(ChampIdentAttache).Value()));
    });
}

// The object's type is managed as plain files for that screen in the remote base's typeobjet;
// `extension` then receives the type's extension. A failing lookup counts as not managed so.
bool GereCommeFichier(const QString& type, const QString& ecran, QString& extension) {
    bool fichier = false;
    EtapeSansEchec([&] {
        fichier = pratique::GereCommeFichier(BaseDistanteOuverte(), type, ecran, extension);
    });
    return fichier;
}

// "objinfo": the reference names a document by its table prefix and identifier, which follows
// the document's new number. False for a prefix that names no document table.
bool RenvoyerReference(dao::Recordset& source, dao::Recordset& destination) {
    const QString ancien = Texte(source, ChampNomFichier);
    const char* table = pratique::TableDeReference(ancien);
    if (table == nullptr) {
        return false;
    }
    const QString prefixe = ancien.left(3).toLower();
    EtapeSansEchec([&] {
        const qint32 numero = valeurs::ValeurNumerique(ancien.mid(3));
        destination.Fields(ChampNomFichier)
            .SetValue(prefixe + QString::number(NouvelIdentifiant(QLatin1String(table), numero)));
    });
    return true;
}

void CopierFichierObjet(dao::Recordset& source, dao::Recordset& destination,
                        const QString& nouveauNom) {
    EtapeSansEchec([&] { destination.Fields(ChampNomFichier).SetValue(nouveauNom); });
    const QString ancienNom = Texte(source, ChampNomFichier);
    if (ancienNom.isEmpty()) {
        return; // no file to bring: the data folder itself is not one
    }
    CopierFichierEnregistrement(DossierDonnees(Param().fmpathClient) + ancienNom,
                                DossierDonnees(Param().unite) + nouveauNom);
}

} // namespace

bool PreparerObjet(dao::Recordset& source, dao::Recordset& destination) {
    RattacherProprietaire(source, destination);

    const QString type = Texte(destination, ChampType);
    qint32 identifiant = 0;
    EtapeSansEchec(
        [&] { identifiant = valeurs::EntierLong(destination.Fields(ChampIdent).Value()); });

    QString nouveauNom;
    QString extension;
    if (GereCommeFichier(type, Texte(destination, ChampAttache), extension)) {
        nouveauNom =
            QStringLiteral("FI") + valeurs::SixChiffres(identifiant) + QLatin1Char('.') + extension;
    } else {
        const QString typeMinuscule = type.toLower();
        if (typeMinuscule == QLatin1String("objinfo")) {
            return RenvoyerReference(source, destination);
        }
        const pratique::NomFixe* fixe = pratique::NomFixeDuType(type);
        if (fixe == nullptr) {
            return false;
        }
        nouveauNom = QLatin1String(fixe->prefixe) + valeurs::SixChiffres(identifiant) +
                     QLatin1String(fixe->extension);
    }
    CopierFichierObjet(source, destination, nouveauNom);
    return true;
}
