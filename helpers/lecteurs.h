#pragma once

#include <QString>
#include <QStringList>

// The drive commands of the stand-in interpreter, acting on the emulated machine: a network
// drive is a link into unc/, a substituted drive a link to the target folder, a local disk a
// real folder. They print the system's French messages and return the exit code.
namespace interpreteur {

// net use L: \\SERVEUR\PARTAGE [/yes], net use L: /d [/yes], net use (the list).
int NetUse(const QStringList& arguments);

// subst L: X:\chemin, subst L: /d, subst (the list).
int Subst(const QStringList& arguments);

} // namespace interpreteur
