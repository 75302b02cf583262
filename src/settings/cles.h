#pragma once

#include <QList>
#include <QString>

// The keys of the settings file, each named here once with its section, how its value is read,
// its default and the rule the value obeys. Every reader and writer of the file goes through
// them: the settings record, the options dialog, the deferred run, the window position, the
// folder copy and the drive redirection.
namespace cles {

// How a value is read.
enum class Type {
    Texte,  // profile string, 255-character buffer: at most 254 characters
    Entier, // profile integer: the leading digits, 0 for a text that is no number
    Nombre, // profile string converted to a number, rounded half to even; 13 when no number
};

// What the value must be besides its type.
enum class Regle {
    Aucune,
    Lettre,     // typed in the dialog: one capital A to Z, else the default letter
    LettreFixe, // the same, and kept in a one-character field: an empty value is one blank
    Entier16,   // kept as a 16-bit signed integer: an overflow (6) outside
    Intervalle, // a timer interval, 0 to 65535 ms: invalid property value (380) outside
};

struct Cle {
    const char* section;
    const char* nom;
    Type type;
    const char* defaut; // as the file would hold it
    Regle regle = Regle::Aucune;

    QString Defaut() const { return QString::fromLatin1(defaut); }
    int DefautEntier() const { return Defaut().toInt(); }
};

// general
inline constexpr Cle unite{"general", "unite", Type::Texte, "P", Regle::LettreFixe};
inline constexpr Cle zelvanodir{"general", "zelvanodir", Type::Texte, "zelvano"};
inline constexpr Cle courrierdir{"general", "courrierdir", Type::Texte, ""};
inline constexpr Cle crodir{"general", "crodir", Type::Texte, ""};
inline constexpr Cle bddir{"general", "bddir", Type::Texte, "bd"};
inline constexpr Cle certifdir{"general", "certifdir", Type::Texte, ""};
inline constexpr Cle corresdir{"general", "corresdir", Type::Texte, ""};
inline constexpr Cle datadir{"general", "datadir", Type::Texte, ""};
inline constexpr Cle flashdir{"general", "flashdir", Type::Texte, ""};
inline constexpr Cle modeledir{"general", "modeledir", Type::Texte, ""};
inline constexpr Cle inifile{"general", "inifile", Type::Texte, ""};
// Seconds to wait for a drive letter after a redirection.
inline constexpr Cle TpsAttente{"general", "TpsAttente", Type::Nombre, "10", Regle::Entier16};
// The server share of the remote base.
inline constexpr Cle fmpathServeur{"serveur", "fmpath", Type::Texte, "\\\\serveur\\zelvano"};
// The local disk, a drive letter: every user appends ":\" to it.
inline constexpr Cle fmpathClient{"client", "fmpath", Type::Texte, "C", Regle::Lettre};

// options
inline constexpr Cle createlog{"options", "createlog", Type::Entier, "0", Regle::Entier16};
inline constexpr Cle messagesdebug{"options", "messagesdebug", Type::Entier, "0", Regle::Entier16};
inline constexpr Cle nowarning{"options", "nowarning", Type::Entier, "0", Regle::Entier16};
inline constexpr Cle copiesecurisee{"options", "copiesecurisee", Type::Entier, "1",
                                    Regle::Entier16};
inline constexpr Cle modifiesuniquement{"options", "modifiesuniquement", Type::Entier, "1",
                                        Regle::Entier16};
inline constexpr Cle shellsynchrone{"options", "shellsynchrone", Type::Entier, "1",
                                    Regle::Entier16};
// How many safety folders of the local base are kept; 0: none.
inline constexpr Cle sauvegardes{"options", "sauvegardes", Type::Entier, "5", Regle::Entier16};
// The fields of old records changed on the laptop are carried to the server (1); 0: they are
// lost at the next initialisation, as the new records alone go.
inline constexpr Cle reporter{"options", "reporter", Type::Entier, "1", Regle::Entier16};
// Captions of `btnclient` and `btnsrv` when not empty.
inline constexpr Cle boutonclient{"options", "boutonclient", Type::Texte, ""};
inline constexpr Cle boutonserveur{"options", "boutonserveur", Type::Texte, ""};
// Folder names left out of the ROBOCOPY copy, separated by commas.
inline constexpr Cle nonsynchro{"options", "nonsynchro", Type::Texte, ""};
// The deferred synchronisation: armed (1), its date and time "dd/mm/yyyy hh:MM", power-off
// afterwards (1), the interval of its timer.
inline constexpr Cle synchrodifferee{"options", "synchrodifferee", Type::Entier, "0"};
inline constexpr Cle synchrodiffereelea{"options", "synchrodiffereelea", Type::Texte, ""};
inline constexpr Cle synchrodiffereearret{"options", "synchrodiffereearret", Type::Entier, "0"};
inline constexpr Cle synchrodiffereetimer{"options", "synchrodiffereetimer", Type::Entier, "30000",
                                          Regle::Intervalle};

// synchro: the user's drive commands, the additional copy, and the automatic drive commands
// last run (written for the record, never read back).
inline constexpr Cle traitementsupp{"synchro", "traitementsupp", Type::Texte, ""};
inline constexpr Cle surclient1{"synchro", "surclient1", Type::Texte, ""};
inline constexpr Cle surclient2{"synchro", "surclient2", Type::Texte, ""};
inline constexpr Cle surserveur1{"synchro", "surserveur1", Type::Texte, ""};
inline constexpr Cle surserveur2{"synchro", "surserveur2", Type::Texte, ""};
inline constexpr Cle autosurclient1{"synchro", "autosurclient1", Type::Texte, ""};
inline constexpr Cle autosurclient2{"synchro", "autosurclient2", Type::Texte, ""};
inline constexpr Cle autosurserveur1{"synchro", "autosurserveur1", Type::Texte, ""};
inline constexpr Cle autosurserveur2{"synchro", "autosurserveur2", Type::Texte, ""};

// position of the main window, in twips; 0 = not restored. State 0 normal, 1 minimised,
// 2 maximised.
inline constexpr Cle left{"position", "left", Type::Entier, "0"};
inline constexpr Cle top{"position", "top", Type::Entier, "0"};
inline constexpr Cle windowstate{"position", "windowstate", Type::Entier, "0"};

// Every key above.
const QList<const Cle*>& Toutes();

// A text key of the settings file in use (its default when absent), as its field keeps it.
QString Lire(const Cle& cle);
// An integer or number key (its default when absent), its range checked.
int LireEntier(const Cle& cle);
void Ecrire(const Cle& cle, const QString& valeur);
// Written in decimal, without a blank.
void Ecrire(const Cle& cle, int valeur);

// The text as the key's field keeps it: the first character of a one-character field, one
// blank for an empty one.
QString Garder(const Cle& cle, const QString& texte);
// The text typed for the key as the dialog takes it (the letter rule).
QString Regler(const Cle& cle, const QString& texte);

} // namespace cles

// The text in capitals, or the replacement when that sorts before "A" or after "Z" (plain
// character comparison, the empty text included).
QString LettreUnite(const QString& texte, const QString& remplacement);
