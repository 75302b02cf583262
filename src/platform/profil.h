#pragma once

#include <QString>

// Private-profile (INI) store with Windows semantics: sections and keys compared without regard
// to case, values trimmed, a bare or relative file name resolved in the Windows folder
// (C:\WINDOWS\synchro.ini). Files written on Windows are read too: UTF-16 with a byte-order mark,
// the Windows code page (1252), lines ended by CR LF, LF or a lone CR. A write changes only the
// lines it writes, in the file's own encoding and line end (a new file is UTF-8 with CR LF).
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

// The text of a settings file as the reads above see it: UTF-16 with a byte-order mark, UTF-8,
// or the Windows code page when the bytes are not UTF-8.
QString DecoderTexte(const QByteArray& octets);

} // namespace plateforme
