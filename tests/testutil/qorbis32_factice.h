#pragma once

#include "platform/qorbis32.h"

#include <functional>

// The utility library as a test sets it, over the library in force (platform/qorbis32.h):
// another version number (0 gives the library's own back), another listing source (an empty
// function gives the real listing back). Installed at the first call, for the program's life; it
// answers as the library's own until told otherwise.
using ListeFenetresQorbis32 =
    std::function<qint32(QString& tampon, qint32 taille, qint32 drapeau1, qint32 drapeau2)>;
void DefinirVersionQorbis32ForTests(qint32 version);
void DefinirListeFenetresQorbis32ForTests(ListeFenetresQorbis32 source);
