#pragma once

#include "settings/date_heure.h" // DateZero()

#include <QDateTime>
#include <QString>

namespace plateforme {
class DossierOuvert;
}

// The times of a file as the folder copies compare them: local time, to the whole second.

struct DatesFichier {
    QDateTime creation = DateZero();
    QDateTime dernierAcces = DateZero();
    QDateTime derniereEcriture = DateZero();
};

// The three times of the plain file `chemin` (Windows path); the zero date for all three when
// the file is missing or cannot be opened for reading.
DatesFichier LireDatesFichier(const QString& chemin);

// The last-write time alone, as LireDatesFichier reads it, for the folder copies that compare
// nothing else. `fichierListe`: the name was just listed as a plain file, so it is not looked up
// again.
QDateTime DerniereEcritureLocale(const QString& chemin, bool fichierListe);

// Whether the file `nom` of two folders differs for the modified-only copies: its last-write
// times differ, as DerniereEcritureLocale reads them (local time to the second; the zero date for
// a file missing, not a plain file or unreadable), or both are readable and their sizes differ
// (files written together share their time: equal times alone do not tell the same content).
// Neither file is opened.
bool FichiersDifferents(const plateforme::DossierOuvert& source,
                        const plateforme::DossierOuvert& destination, const QString& nom);

// A system file time (universal time) in local time, milliseconds dropped; the zero date when
// it cannot be converted.
QDateTime DateFichierLocale(const QDateTime& tempsSysteme);
