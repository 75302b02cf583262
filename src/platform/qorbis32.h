#pragma once

#include <QString>

#include <functional>

// The maker's utility library, rebuilt over the platform's window and process lists.

// The library's version times 100 (120 for 1.20).
qint32 qorbis32_VersionNumber();

// Writes into `tampon` a listing cut at `taille` characters and returns the number of characters
// written, negative on failure (unknown options, negative size).
//   (1, 1)   the titles of the top-level windows, each preceded by "<#F>"; negative when the
//            window list cannot be read (no display);
//   (-1, -1) two items per running process of this machine, each preceded by "<#F>": its
//            program name, then the path of the program that runs (never its arguments, so that
//            a process whose arguments merely name a program is not taken for it); newest
//            processes first, so that a cut listing keeps the copy programs just started. The
//            module itself is left out.
// A final "<#F>" closes the last item.
qint32 qorbis32_ListeFenetres(QString& tampon, qint32 taille, qint32 drapeau1, qint32 drapeau2);

// The marker in front of each item.
inline const QString MarqueurQorbis32 = QStringLiteral("<#F>");

// Test hooks: another version number (0 gives the library's own back), and another listing
// source (an empty function gives the real one back).
void DefinirVersionQorbis32ForTests(qint32 version);
using ListeFenetresQorbis32 =
    std::function<qint32(QString& tampon, qint32 taille, qint32 drapeau1, qint32 drapeau2)>;
void DefinirListeFenetresQorbis32ForTests(ListeFenetresQorbis32 source);
