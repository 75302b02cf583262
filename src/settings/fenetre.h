#pragma once

#include "platform/en_vigueur.h"

#include <QString>

// The main window as the logic sees it: its title, its journal list and its buttons. The window
// of app/ implements it; without a window (tests, batch use) nothing is shown.
enum class Bouton { client, serveur, synchro, copier, options, aide };

class Fenetre {
public:
    virtual ~Fenetre() = default;
    virtual void DefinirTitre(const QString& titre) = 0;
    // Adds the line as the last item of `listsynchro` and selects it.
    virtual void AjouterLigneJournal(const QString& ligne) = 0;
    virtual void ViderJournal() = 0;
    virtual void DefinirLibelle(Bouton bouton, const QString& libelle) = 0;
    virtual void ActiverBouton(Bouton bouton, bool actif) = 0;
    virtual bool BoutonActif(Bouton bouton) const = 0;
    // The bar under the journal list: the current step of a run, `fait` of `total` (0: a step
    // whose length is not known). Hidden when no run is going on.
    virtual void AfficherProgression(const QString& etape, qint64 fait, qint64 total) {
        (void)etape, (void)fait, (void)total;
    }
    virtual void MasquerProgression() {}
};

Fenetre& FenetreCourante();
// Installs `fenetre` for its lifetime (the window itself, or a test's recorder).
class InstallationFenetre : public plateforme::Remplacement<Fenetre> {
public:
    explicit InstallationFenetre(Fenetre& fenetre);
};
