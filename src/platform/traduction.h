#pragma once

#include <QString>

class QCommandLineParser;

namespace plateforme {

// The program's version, "7.15.4".
QString VersionProgramme();

// Qt's own French texts (message box buttons, command-line errors), from the translations the
// system installed with Qt; once per process. False when they are not installed: Qt's texts
// then stay in English.
bool InstallerTraductionQt();

// Reads the command line of a helper program in French: its help ("-h", "--help") and
// "--version" print and end the program with status 0; an unknown option or a missing value
// prints Qt's French message and ends it with status 2, before anything is done. Installs Qt's
// translations first.
void AnalyserLigneCommande(QCommandLineParser& ligne);

} // namespace plateforme
