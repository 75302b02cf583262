#include "settings/date_heure.h"

namespace {

std::optional<QTime> LireHeure(const QString& texte) {
    for (const char* format : {"H:mm:ss", "H:mm", "H:m:s", "H:m"}) {
        const QTime heure = QTime::fromString(texte, QString::fromLatin1(format));
        if (heure.isValid()) {
            return heure;
        }
    }
    return std::nullopt;
}

std::optional<QDate> LireDate(const QString& texte) {
    for (const char* format : {"dd/MM/yyyy", "d/M/yyyy"}) {
        const QDate date = QDate::fromString(texte, QString::fromLatin1(format));
        if (date.isValid()) {
            return date;
        }
    }
    return std::nullopt;
}

} // namespace

QDateTime DateZero() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

std::optional<QDateTime> LireDateHeure(const QString& texte) {
    const QStringList parties = texte.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parties.size() == 1) {
        if (const auto date = LireDate(parties[0])) {
            return QDateTime(*date, QTime(0, 0));
        }
        if (const auto heure = LireHeure(parties[0])) {
            return QDateTime(DateZero().date(), *heure);
        }
        return std::nullopt;
    }
    if (parties.size() == 2) {
        const auto date = LireDate(parties[0]);
        const auto heure = LireHeure(parties[1]);
        if (date && heure) {
            return QDateTime(*date, *heure);
        }
    }
    return std::nullopt;
}

QString EcrireDateHeure(const QDateTime& moment) {
    return moment.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}
