#pragma once

#include <QString>

// Enables or disables a privilege of this process ("SeShutdownPrivilege" before a power-off);
// true when the adjustment succeeded. Here the shutdown privilege is what logind grants this
// user; any other name is unknown.
bool AjusterPrivilege(const QString& privilege, bool activer);
