#pragma once

#include "platform/descripteur.h"

#include <QByteArray>
#include <QString>

// Small files that must survive a crash or a power cut exactly as written: a record that another
// run reads back to learn how far the previous one went. Windows paths (see chemins.h).
namespace plateforme {

// Writes `contenu` under a temporary name in the destination folder, flushes it to the disk,
// renames it over `chemin` and flushes the folder: after a crash the file is either absent (or
// its previous version) or complete. Raises plateforme::Erreur (76 folder missing, 70, 61...).
void EcrireFichierDurable(const QString& chemin, const QByteArray& contenu);

// A file written under the temporary name `provisoire` takes its name `chemin` (replacing it)
// only once its data is on the disk; the folder is flushed after. Raises plateforme::Erreur.
void PublierFichierDurable(const QString& provisoire, const QString& chemin);

// Removes the file and flushes its folder, so that the removal survives a crash too. A file
// already absent is not an error.
void SupprimerFichierDurable(const QString& chemin);

// A file written bit by bit as a run goes (a register of what it did): created or emptied at
// opening, what Ecrire gives goes to the file by blocks, all of it with Vider; Durcir also puts
// it on the disk. Raises plateforme::Erreur (76 folder missing, 70, 61...).
class FichierRegistre {
public:
    explicit FichierRegistre(const QString& chemin);
    ~FichierRegistre(); // what is still buffered is written, errors ignored
    FichierRegistre(const FichierRegistre&) = delete;
    FichierRegistre& operator=(const FichierRegistre&) = delete;

    void Ecrire(const QByteArray& octets);
    void Vider();
    void Durcir();

private:
    QString chemin_;
    QByteArray tampon_;
    Descripteur fd_;
};

// What the disk was asked to keep, told as each step is done (native paths): the tests that
// rebuild what a power cut leaves (data not flushed lost, folder entries as of their folder's
// last flush) follow these files through it. Creation also stands for a register emptied.
enum class EtapeDisque { Creation, DonneesSurDisque, Renommage, Suppression, DossierSurDisque };
using TemoinDisque = void (*)(EtapeDisque etape, const QString& natif, const QString& cible);
void DefinirTemoinDisque(TemoinDisque temoin);

// True when both paths lead to the same file, whatever drives, shares or links lie between.
// False when either cannot be reached.
bool MemeFichier(const QString& chemin1, const QString& chemin2);

} // namespace plateforme
