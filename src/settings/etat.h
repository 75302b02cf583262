#pragma once

#include <QString>

// What the redirected drive points at, or what is under way: "", "?", "L", "D", "LEC", "DEC".
QString& EtatBase();

constexpr int VersionMajeure = 7;
constexpr int VersionMineure = 15;
constexpr int VersionRevision = 4;

inline const QString TitreModule = QStringLiteral("Module de synchronisation Zelvano");

// The window title for the current EtatBase ("Module de synchronisation Zelvano v7.15.4" and the
// suffix of the state).
QString TitreFenetre();
// Sets the title, then lets the window repaint.
void AfficherEtat();
