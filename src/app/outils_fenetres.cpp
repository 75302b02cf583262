#include "app/outils_fenetres.h"

#include "app/twips.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QString FenetreQt::Nom() const {
    return fenetre_.objectName();
}

QRect FenetreQt::Geometrie() const {
    const QRect g = fenetre_.frameGeometry();
    return QRect(twips::DePixels(g.x(), &fenetre_), twips::DePixels(g.y(), &fenetre_),
                 twips::DePixels(g.width(), &fenetre_), twips::DePixels(g.height(), &fenetre_));
}

void FenetreQt::Deplacer(int gauche, int haut) {
    // move() places the frame's corner, as the window's Left and Top do.
    fenetre_.move(twips::VersPixels(gauche, &fenetre_), twips::VersPixels(haut, &fenetre_));
}

QSize FenetreQt::TailleEcran() const {
    const QScreen* ecran =
        fenetre_.screen() != nullptr ? fenetre_.screen() : QGuiApplication::primaryScreen();
    if (ecran == nullptr) {
        return {};
    }
    const QSize pixels = ecran->geometry().size();
    return QSize(twips::DePixels(pixels.width(), &fenetre_),
                 twips::DePixels(pixels.height(), &fenetre_));
}

void FenetreQt::PremierPlan(bool auDessus) {
    // Changing the flags hides the window and may let it forget its place: both are restored,
    // and showing it again must not take the focus from the window the user works in.
    const QRect geometrie = fenetre_.geometry();
    const bool sansActivation = fenetre_.testAttribute(Qt::WA_ShowWithoutActivating);
    fenetre_.setAttribute(Qt::WA_ShowWithoutActivating, true);
    fenetre_.setWindowFlag(Qt::WindowStaysOnTopHint, auDessus);
    fenetre_.setGeometry(geometrie);
    fenetre_.show();
    fenetre_.raise();
    fenetre_.setAttribute(Qt::WA_ShowWithoutActivating, sansActivation);
}

QStringList FenetresQt::NomsChargees() const {
    QStringList noms;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isWindow()) {
            noms.append(w->objectName());
        }
    }
    return noms;
}
