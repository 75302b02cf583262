#pragma once

#include <QString>
#include <QStringList>

// The command line of synchro, read before any window exists: "--help" and "--version" must
// answer on a terminal without a display, and a mistyped option must never be taken for a
// settings file.
struct LigneCommande {
    enum class Action {
        Fenetre, // start the window with `arguments`
        Aide,    // print `texte` on standard output, end with status 0
        Version, // the same
        Refus,   // print `texte` on standard error, end with status 2
    };
    Action action = Action::Fenetre;
    // The program's name, then the words of the settings file path (the window joins them).
    QStringList arguments;
    QString texte;
};

// `mots`: the program's name, then its arguments. An argument starting with "-" is an option;
// "--" ends the options, for a settings file whose name starts with "-".
LigneCommande LireLigneCommande(const QStringList& mots);
