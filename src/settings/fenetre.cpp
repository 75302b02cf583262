#include "settings/fenetre.h"

namespace {

// Without a window the journal and the title go nowhere; the buttons count as enabled.
class SansFenetre final : public Fenetre {
public:
    void DefinirTitre(const QString&) override {}
    void AjouterLigneJournal(const QString&) override {}
    void ViderJournal() override {}
    void DefinirLibelle(Bouton, const QString&) override {}
    void ActiverBouton(Bouton, bool) override {}
    bool BoutonActif(Bouton) const override { return true; }
};

Fenetre*& courante() {
    return plateforme::EnVigueur<Fenetre, SansFenetre>();
}

} // namespace

Fenetre& FenetreCourante() {
    return *courante();
}

InstallationFenetre::InstallationFenetre(Fenetre& fenetre)
    : Remplacement(courante(), fenetre) {}
