#pragma once

#include "platform/descripteur.h"
#include "platform/en_vigueur.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Small files that must survive a crash or a power cut exactly as written: a record that another
// run reads back to learn how far the previous one went. Windows paths (see chemins.h).
namespace plateforme {

namespace interne {
class FichierTemporaire;
}

// Writes `contenu` under a temporary name in the destination folder, flushes it to the disk,
// renames it over `chemin` and flushes the folder: after a crash the file is either absent (or
// its previous version) or complete. Raises plateforme::Erreur (76 folder missing, 70, 61...).
void EcrireFichierDurable(const QString& chemin, const QByteArray& contenu);

// A file that another writer fills (SQLite writing a copy of a base) under a temporary name in
// the destination folder, then published as EcrireFichierDurable does. Removed, with its SQLite
// journal, unless published.
class FichierProvisoire {
public:
    // Created empty beside the Windows path `destination` (an existing destination whose name
    // differs only by case is the one later replaced). Raises plateforme::Erreur (76 folder
    // missing, 70...).
    explicit FichierProvisoire(const QString& destination);
    ~FichierProvisoire();
    FichierProvisoire(const FichierProvisoire&) = delete;
    FichierProvisoire& operator=(const FichierProvisoire&) = delete;

    // Its native path, for its writer, which has closed it before Publier.
    const QString& Natif() const { return natif_; }
    // Its data on the disk, then it replaces the destination, then the folder is on the disk.
    // Raises plateforme::Erreur; the destination is then as it was.
    void Publier();

private:
    QString destination_;
    QString natifCible_;
    QString natifDossier_;
    QString natif_;
    Descripteur dossier_;
    std::unique_ptr<interne::FichierTemporaire> fichier_;
};

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
// Nobody listens outside those tests. `cible`: the new name of a Renommage.
class TemoinDisque {
public:
    virtual ~TemoinDisque() = default;
    virtual void Etape(EtapeDisque etape, const QString& natif, const QString& cible) {
        (void)etape, (void)natif, (void)cible;
    }
};

// Puts `temoin` in force for its lifetime.
class RemplacementTemoinDisque : public Remplacement<TemoinDisque> {
public:
    explicit RemplacementTemoinDisque(TemoinDisque& temoin);
};

// True when both paths lead to the same file, whatever drives, shares or links lie between.
// False when either cannot be reached.
bool MemeFichier(const QString& chemin1, const QString& chemin2);

} // namespace plateforme
