#pragma once

#include "tools/fenetres_outils.h"

class QWidget;

// A window of the program for the tool routines: its geometry converted between twips and the
// screen's pixels, and the topmost state through the window manager's hint.
class FenetreQt final : public FenetreOutils {
public:
    explicit FenetreQt(QWidget& fenetre)
        : fenetre_(fenetre) {}
    QString Nom() const override;
    QRect Geometrie() const override;
    void Deplacer(int gauche, int haut) override;
    QSize TailleEcran() const override;
    void PremierPlan(bool auDessus) override;

private:
    QWidget& fenetre_;
};

// The program's top-level windows, named by their object names.
class FenetresQt final : public FenetresProgramme {
public:
    QStringList NomsChargees() const override;
};
