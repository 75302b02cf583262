#pragma once

#include "platform/fichiers_durables.h"

#include <QString>
#include <QStringList>

// The reports of a run as a French spreadsheet opens them as they are: UTF-8 with a byte-order
// mark, fields separated by semicolons, lines ended by CR LF, one header line. A field holding
// a semicolon, a quote or a line break is quoted, its quotes doubled.
class FichierCsv {
public:
    // Creates (or empties) the file and writes the header. Raises plateforme::Erreur.
    FichierCsv(const QString& chemin, const QStringList& entete);

    void Ligne(const QStringList& champs);
    // What was written so far, in the file.
    void Vider() { fichier_.Vider(); }
    // ... and on the disk.
    void Durcir() { fichier_.Durcir(); }

private:
    plateforme::FichierRegistre fichier_;
};

// One line of such a file, CR LF included.
QByteArray LigneCsv(const QStringList& champs);
