#pragma once

#include <QString>

// Where the practice lives, as Windows paths built from the settings: the practice tree
// <drive>:\<zelvanodir> on the laptop's disk (fmpathClient) and through the server's drive
// (unite), its base folder and base file, its document and data folders, and the safety folders
// beside the local tree. Every part of the module takes them from here.

// X:\zelvano on the drive `lecteur`.
QString RacinePratique(const QString& lecteur);
QString RacineLocale();   // C:\zelvano
QString RacineDistante(); // P:\zelvano
// The folder `dossier` (a folder name of the settings: bddir, courrierdir...) of the tree.
QString DossierPratique(const QString& lecteur, const QString& dossier);

QString DossierBaseLocale();  // C:\zelvano\bd
QString CheminBaseLocale();   // C:\zelvano\bd\zelvano.mdb
QString CheminBaseDistante(); // P:\zelvano\bd\zelvano.mdb
// The server's practice tree and base through the share (fmpathServeur), whatever the drive
// serves now: \\serveur\zelvano\zelvano, \\serveur\zelvano\zelvano\bd\zelvano.mdb.
QString RacineParLePartage();
QString CheminBaseDistanteParLePartage();
// A path of the server's tree through the drive (P:\zelvano\courrier\x.doc) as reached through
// the share; any other path as it is.
QString ParLePartage(const QString& cheminSurLUnite);

// The data folder of the tree on drive `lecteur` (C:\zelvano\data\), a final "\" included.
QString DossierDonnees(const QString& lecteur);

// The tables whose records carry a document file: courrier, cro, correspondance.
bool TableDocuments(const QString& table);
// The document folder name of such a table (courrierdir...); empty for the others.
QString DossierDocuments(const QString& table);
// The local copy of a stored document path ("P:\zelvano\courrier\x.doc" ->
// "C:\zelvano\courrier\x.doc"); empty when the path has nothing after its drive.
QString CheminDocumentLocal(const QString& nomFichier);

// C:\zelvano\sauvegardes: the safety folders and the fingerprint, outside every folder the
// copies touch.
QString DossierSauvegardes();
