#pragma once

// This test program started again as a child that runs one of its disabled tests: the child's
// side of a test (a window for the window lists, a run to kill at a chosen moment).

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace factices {

// Starts the child on `test` ("Suite.DISABLED_Nom"), `variables` being its whole environment.
void DemarrerEnfant(QProcess& enfant, const QString& test, const QProcessEnvironment& variables,
                    QProcess::ProcessChannelMode canaux = QProcess::SeparateChannels);

// Reads the child's standard output into `sortie` until it holds the line `marque`, for 20 s
// at most or until the child ends; fails the test when the line never came.
void AttendreMarque(QProcess& enfant, QByteArray& sortie, const QByteArray& marque);

// SIGKILL; true when the signal reached a child still running.
bool TuerEnfant(QProcess& enfant);

// For the child's test: shows a window titled by the parent and keeps it up until killed
// (90 s at most). False when no title was given (the test then runs on its own: skip it).
bool MontrerFenetreEnfant();

// Starts a child on the X display showing a window titled `titre`; `test` is the child's
// disabled test, the one that calls MontrerFenetreEnfant.
void DemarrerFenetreEnfant(QProcess& enfant, const QString& test, const QString& titre);

} // namespace factices
