#pragma once

#include "platform/erreur.h"
#include "pratique/lieux.h"

#include <QString>

#include <optional>

// Transfer of the records created in the local base since the last initialisation into the
// remote base (the two bases of bases_ouvertes.h), renumbered after the remote table's largest
// identifier.
//
// True once every new record of the table was handled and the count line
// "-> N enregistrement(s)" was written. False after an error, once its "ERREUR " line is in the
// journal; the error is then also given in `erreur` when asked for. The records written before
// the error stay in the remote base, inside the run's transaction.
//
// `table`, `champ_id` and `champ_id_dossier` come from a row of the synchro table and are put in
// SQL text: anything but a plain name (letters, digits, underscore) fails the transfer before a
// record is read. `champ_id_dossier` empty: no patient link to rewrite.
bool TransfererNouveauxEnregistrements(const QString& table, const QString& champ_id,
                                       const QString& champ_id_dossier, qint32 dernier_no,
                                       std::optional<plateforme::Erreur>* erreur = nullptr);

// The text from the last "." of `nom` to its end, dot included; "" without a dot.
QString ExtensionFichier(const QString& nom);

// The letter of this workstation: the first character of key poste of section path of the
// practice application's INI file (setting inifile), "A" when the key or the file is missing.
QString LettrePoste();

// Error number of a name of the synchro table that cannot go into SQL text.
constexpr int NomIncorrectSynchro = plateforme::err::ArgumentIncorrect;

// The copy of a record's document or object file to the server. A failure does not stop the
// record (it is written under its new name), but unless the local file is simply missing the
// journal says which file did not reach the server: "ATTENTION : le fichier ... n'a pas pu être
// copié vers ... : texte (numéro)". Never raises.
void CopierFichierEnregistrement(const QString& source, const QString& destination);

// The server paths of the files CopierFichierEnregistrement wrote since the walk began (the walk
// empties it), for the initialisation that follows (see init/fichiers_synchronises.h).
QStringList& FichiersEcritsSurServeur();

// "ERREUR 3022 - texte", the form of the transfer's and the walk's error lines.
QString LigneErreur(const plateforme::Erreur& erreur);
