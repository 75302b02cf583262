#pragma once

#include <QString>

// Points the drive letter `unite` at the local disk (subst) or at the server share (net use),
// by the built-in commands or by the site's own, then checks within `TpsAttente` seconds that
// the letter really changed. True when the letter ends connected to the wanted target (or when
// custom mode had nothing to check); false after a warning or the error report. EtatBase is
// "?" meanwhile and "" at the end: the caller sets the final state.
bool ConnecterBaseLocale();
bool ConnecterBaseDistante();

// Polls the root of the letter until it lists an entry (`connecte`) or lists none (not
// `connecte`), at least once, for `TpsAttente` seconds. On time out, warns when `avertir` (and
// empties EtatBase) and returns false.
bool AttendreEtatUnite(bool connecte, bool avertir);

// With `messagesdebug` on, asks the user to check that the commands did their work on the
// letter; `verbe` is "déconnecté" or "connecté", `commande2` may be empty.
void MessageMiseAuPoint(const QString& commande1, const QString& commande2, const QString& verbe,
                        const QString& lettre);
