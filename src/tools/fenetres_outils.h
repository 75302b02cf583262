#pragma once

#include "platform/en_vigueur.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// The windows as the tool routines see them, so that the routines stay free of any widget code.
// Positions and sizes are in screen units (twips, 1440 per logical inch), as the window
// properties of the program are expressed. The program's windows implement it (app/).
class FenetreOutils {
public:
    virtual ~FenetreOutils() = default;
    // The window's name, as FormEstOuverte compares it.
    virtual QString Nom() const = 0;
    // Left, top, width and height of the whole window, in twips.
    virtual QRect Geometrie() const = 0;
    // Moves the window's top left corner, in twips.
    virtual void Deplacer(int gauche, int haut) = 0;
    // Width and height of the screen that shows the window, in twips.
    virtual QSize TailleEcran() const = 0;
    // Shows the window in front of the others, without activating it, at its own position and
    // size: above every window for good when `auDessus`, else as an ordinary window again.
    virtual void PremierPlan(bool auDessus) = 0;
};

// The windows the program has loaded.
class FenetresProgramme {
public:
    virtual ~FenetresProgramme() = default;
    // Names of the loaded windows, shown or hidden.
    virtual QStringList NomsChargees() const = 0;
};

// The windows in force: none until the program installs its own.
FenetresProgramme& FenetresCourantes();

// Installs `fenetres` for its lifetime.
class InstallationFenetresProgramme : public plateforme::Remplacement<FenetresProgramme> {
public:
    explicit InstallationFenetresProgramme(FenetresProgramme& fenetres);
};
