#pragma once

#include <QByteArray>
#include <QString>

// Private-profile (INI) store with Windows semantics: sections and keys compared without regard
// to case, values trimmed, a bare or relative file name resolved in the Windows folder
// (C:\WINDOWS\synchro.ini). Files written on Windows are read too: text that is not valid UTF-8
// is read as Windows-1252. Writes are UTF-8 and keep the rest of the file and its line order.
namespace plateforme {

// Copies at most taille - 1 characters of the value (or of `defaut`) into `tampon` and returns
// how many were copied.
int GetPrivateProfileStringA(const QString& section, const QString& cle, const QString& defaut,
                             QString& tampon, int taille, const QString& fichier);

// Leading digits of the value (an optional sign first); 0 when it does not start with a number,
// `defaut` when the key, the value or the file is absent.
int GetPrivateProfileIntA(const QString& section, const QString& cle, int defaut,
                          const QString& fichier);

// Creates the file, the section or the key as needed; false when the file cannot be written
// (never raises).
bool WritePrivateProfileStringA(const QString& section, const QString& cle, const QString& valeur,
                                const QString& fichier);

// Text of a file that may have been written on Windows: UTF-8 when the bytes are valid UTF-8,
// Windows-1252 otherwise.
QString DecoderTexte(const QByteArray& octets);

} // namespace plateforme
