#pragma once

#include <QString>

// True when a window of the practice application ("ZELVANO - Poste ...") is open on this
// machine, or a zelvano.exe process runs on it (a window on another display, or none).
// Raises an error when neither the window list nor the task list can be read: nobody can then
// tell.
bool ZelvanoEstDemarre();

// Starts the practice application from the local disk on the base the drive letter now serves
// ("L" local, "D" remote), after checking that base; EtatBase tells which base it opened.
void LancerZelvano(const QString& mode);

// The error raised when the window list cannot be read.
constexpr int ErreurListeFenetres = 5;
