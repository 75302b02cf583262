#pragma once

#include <QString>
#include <QStringList>

// The journal lines the tests look for, as the runs write them.
namespace attendu {

// The lines a run writes three times at its start and when it ends well.
inline const QString Plus40 = QString(40, QLatin1Char('+'));
inline const QString DemarrageSynchro = QStringLiteral("DEMARRAGE DE LA SYNCHRONISATION ") + Plus40;
inline const QString SynchroTerminee =
    QStringLiteral("SYNCHRONISATION TERMINEE CORRECTEMENT ") + Plus40;
inline const QString DemarrageInit = QStringLiteral("DEMARRAGE DE L'INITIALISATION ") + Plus40;
inline const QString InitTerminee =
    QStringLiteral("INITIALISATION TERMINEE CORRECTEMENT ") + Plus40;

// The six lines an initialisation that fails ends with.
inline const QStringList BlocEchecInit{
    QStringLiteral(" "),
    QStringLiteral("INFORMATION TRES IMPORTANTE"),
    QStringLiteral(
        "La dernière synchronisation de votre base locale s'est TERMINEE CORRECTEMENT mais"),
    QStringLiteral("une erreur s'est produite dans l'initialisation."),
    QStringLiteral("Vous devez relancer une INITIALISATION (et non une synchronisation) avant"),
    QStringLiteral("de commencer à saisir dans votre base locale.")};

} // namespace attendu
