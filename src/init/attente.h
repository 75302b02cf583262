#pragma once

#include "platform/attente.h"

#include <QString>

// Waiting for the copy programs started without a handle to wait on (XCOPY, ROBOCOPY): a fixed
// delay that lets the program appear, then polls of the task list until no task names it.

// True when the second item of a task holds the program's name, whatever its case.
bool XcopyEnCours();
bool RobocopyEnCours();

enum class ProgrammeCopie { Xcopy, Robocopy };

// After starting the copy program: 5 seconds (XCOPY) or 3 (ROBOCOPY), then as long as a task
// shows it. Any such task on the machine keeps the wait going; there is no time limit.
void AttendreProgrammeCopie(ProgrammeCopie programme);
