#pragma once

#include "jet/dao.h"

#include <QString>

// What the practice makes of the objects of table objet when they go to the server: a type
// managed as plain files for its screen (typeobjet), a type of its own with a fixed name, or a
// reference ("objinfo") to a letter, report or correspondence. An object of any other kind has
// no rule and is never sent.
namespace pratique {

// Types that are not managed as plain files but still carry a file of their own.
struct NomFixe {
    const char* type;
    const char* prefixe;
    const char* extension;
};
// The fixed name of the type (compared in lower case); none for any other.
const NomFixe* NomFixeDuType(const QString& type);

// The document table a reference's prefix names ("cou" -> courrier), from the first three
// letters of its nomfichier in any case; none for another prefix.
const char* TableDeReference(const QString& nomfichier);

// The row of typeobjet of `base` for that type and screen says its objects are plain files;
// `extension` then receives the type's extension. Raises plateforme::Erreur when the lookup
// itself fails.
bool GereCommeFichier(dao::Database& base, const QString& type, const QString& ecran,
                      QString& extension);

// Whether an object of that type (managed as files or not, as the lookup said) and nomfichier
// has a rule that sends it.
bool ObjetTransmis(bool gereCommeFichier, const QString& type, const QString& nomfichier);

} // namespace pratique
