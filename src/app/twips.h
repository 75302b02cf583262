#pragma once

class QWidget;

// Window geometry is kept in twips (1440 per logical inch), as the settings file stores it.
namespace twips {

constexpr int ParPouce = 1440;

int VersPixels(int valeurTwips, const QWidget* widget = nullptr);
int DePixels(int valeurPixels, const QWidget* widget = nullptr);

} // namespace twips
