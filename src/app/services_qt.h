#pragma once

#include "platform/services.h"

// Message boxes and the mouse pointer on the screen, for the program's own run.
class BoitesQt final : public plateforme::BoitesMessage {
public:
    int Afficher(const QString& texte, int style, const QString& titre) override;
    int AfficherAvecDetails(const QString& texte, int style, const QString& titre,
                            const QString& details) override;
};

class EcranQt final : public plateforme::Ecran {
public:
    explicit EcranQt(plateforme::Ecran& cession)
        : cession_(cession) {}
    void DefinirPointeur(int forme) override;
    void Ceder(bool enAttente) override { cession_.Ceder(enAttente); }

private:
    plateforme::Ecran& cession_;
    bool sablier_ = false;
};
