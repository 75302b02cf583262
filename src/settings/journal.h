#pragma once

#include "platform/erreur.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

// The locale of journal lines: the system's, French when the system has none (C/POSIX).
QLocale LocaleJournal();
void DefinirLocaleJournal(const QLocale& locale); // tests pin it

// "07/12/2026 14:05:09 : message" in the short date and the time-with-seconds formats.
QString LigneJournal(const QDateTime& moment, const QString& message);

// Path of synchro.log: the program's folder, "\" added when missing, "synchro.log".
QString CheminJournal();

// The only writer of the journal: synchro.log when createlog is on, then the list of the main
// window, then a yield. A failure to write the file raises (the list line is then not added).
void EcrireJournal(const QString& message);

// The error report box "Erreur N : texte"; empties EtatBase.
void SignalerErreur(const plateforme::Erreur& erreur);
