#pragma once

#include <QString>

#include "platform/en_vigueur.h"

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

// The library in force behind the two routines above (see en_vigueur.h): its own, over the
// platform's lists, until a test puts another in its place, usually one derived from it that
// changes a single answer.
class BibliothequeQorbis32 {
public:
    virtual ~BibliothequeQorbis32() = default;
    virtual qint32 VersionNumber();
    virtual qint32 ListeFenetres(QString& tampon, qint32 taille, qint32 drapeau1, qint32 drapeau2);
};

class RemplacementQorbis32 : public plateforme::Remplacement<BibliothequeQorbis32> {
public:
    explicit RemplacementQorbis32(BibliothequeQorbis32& bibliotheque);
};
