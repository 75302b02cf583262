#pragma once

#include <QString>
#include <QStringList>

class FenetrePrincipale;

namespace plateforme {
class InstanceUnique;
}

// Whether this instance may go on: another instance running ends it without a word, once that
// instance was asked to show its window; a lock that cannot be taken ends it with the reason
// shown, since nobody can then tell whether another instance works on the same bases.
bool InstanceAutorisee(const plateforme::InstanceUnique& instance);

// Start-up of the main window, after the single-instance test: settings file (the whole text
// after the program's name, so that an unquoted path with blanks stays one path), title,
// folding, utility-library version, position, settings, help, command interpreter,
// deferred-run timer. False when the program must end (the reason was shown to the user).
bool ChargerFenetre(FenetrePrincipale& fenetre, const QStringList& arguments);

// "CMD.EXE" when the Windows folder contains WINNT or the system folder SYSTEM32, else
// "COMMAND.COM"; with CMD.EXE, xcopy32.exe is prepared in the system folder.
void DetecterInterpreteur();
// The same choice for the two folders given (in capitals, as the system gives them).
QString ChoisirInterpreteur(const QString& repertoireWindows, const QString& repertoireSysteme);
void PreparerXcopy32(const QString& dossier);
