#include "app/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace twips {

namespace {

double PointsParPouce(const QWidget* widget) {
    const QScreen* ecran = widget != nullptr && widget->screen() != nullptr
                               ? widget->screen()
                               : QGuiApplication::primaryScreen();
    const double dpi = ecran != nullptr ? ecran->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

} // namespace

int VersPixels(int valeurTwips, const QWidget* widget) {
    return static_cast<int>(std::lround(valeurTwips * PointsParPouce(widget) / ParPouce));
}

int DePixels(int valeurPixels, const QWidget* widget) {
    return static_cast<int>(std::lround(valeurPixels * ParPouce / PointsParPouce(widget)));
}

} // namespace twips
