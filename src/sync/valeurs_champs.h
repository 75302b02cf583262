#pragma once

#include <QString>
#include <QVariant>

// Conversions of field values as the transfer reads them: identifiers are 32-bit integers,
// texts read Null as "", names from the synchro table go into SQL only when they are plain.
namespace valeurs {

constexpr int UtilisationIncorrecteNull = 94;

// A field value as a 32-bit identifier: numbers are rounded to the nearest (half to even),
// numeric texts are read. Raises 94 for Null, 13 for a value that is not a number, 6 outside
// the 32-bit range.
qint32 EntierLong(const QVariant& valeur);

// A field value as text, Null giving "".
QString TexteOuVide(const QVariant& valeur);

// A field value as text; raises 94 for Null.
QString TexteNonNul(const QVariant& valeur);

// At least six digits, zero-padded on the left: 57 gives "000057", 1234567 keeps its seven.
QString SixChiffres(qint32 nombre);

// The number at the start of a text, as the practice application reads a reference: blanks are
// ignored, reading stops at the first character that is not part of a decimal number, "" or no
// digit gives 0. Rounded to a 32-bit integer; raises 6 outside that range.
qint32 ValeurNumerique(const QString& texte);

// Letters, digits and underscores, not starting with a digit: a name that can be put in SQL
// text as it stands.
bool NomSimple(const QString& nom);

} // namespace valeurs
