#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Dates and times as the settings file holds them, "dd/mm/yyyy hh:MM" (day, month, year, hours,
// minutes; seconds allowed). A time alone reads as that time on the calendar's zero date
// (30/12/1899), a date alone as midnight of that day. Anything else is not a date.
std::optional<QDateTime> LireDateHeure(const QString& texte);
QString EcrireDateHeure(const QDateTime& moment); // "dd/MM/yyyy HH:mm"

// The zero date-time of the calendar: 30/12/1899 00:00:00.
QDateTime DateZero();
