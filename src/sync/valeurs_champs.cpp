#include "sync/valeurs_champs.h"

#include "platform/erreur.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace valeurs {

namespace {

[[noreturn]] void LeverNull() {
    plateforme::Lever(UtilisationIncorrecteNull, QStringLiteral("Utilisation incorrecte de Null"));
}

qint32 DepuisEntier(qint64 v) {
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    return static_cast<qint32>(v);
}

qint32 DepuisReel(double v) {
    if (!std::isfinite(v)) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    const double arrondi = std::nearbyint(v); // the default mode rounds half to even
    if (arrondi < static_cast<double>(std::numeric_limits<qint32>::min()) ||
        arrondi > static_cast<double>(std::numeric_limits<qint32>::max())) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    return static_cast<qint32>(arrondi);
}

bool EstChiffre(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool EstLettreSimple(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('_');
}

} // namespace

qint32 EntierLong(const QVariant& valeur) {
    if (valeur.isNull()) {
        LeverNull();
    }
    switch (valeur.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return DepuisEntier(valeur.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong v = valeur.toULongLong();
        if (v > static_cast<qulonglong>(std::numeric_limits<qint32>::max())) {
            plateforme::Lever(plateforme::err::DepassementCapacite);
        }
        return static_cast<qint32>(v);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return DepuisReel(valeur.toDouble());
    case QMetaType::Bool:
        return valeur.toBool() ? -1 : 0;
    case QMetaType::QString: {
        const QString texte = valeur.toString().trimmed();
        bool ok = false;
        const qint64 entier = texte.toLongLong(&ok);
        if (ok) {
            return DepuisEntier(entier);
        }
        const double reel = texte.toDouble(&ok);
        if (ok) {
            return DepuisReel(reel);
        }
        break;
    }
    default:
        break;
    }
    plateforme::Lever(plateforme::err::IncompatibiliteType);
}

QString TexteOuVide(const QVariant& valeur) {
    return valeur.isNull() ? QString() : valeur.toString();
}

QString TexteNonNul(const QVariant& valeur) {
    if (valeur.isNull()) {
        LeverNull();
    }
    return valeur.toString();
}

QString SixChiffres(qint32 nombre) {
    const QString chiffres = QString::number(std::abs(static_cast<qint64>(nombre)));
    const QString complet = chiffres.rightJustified(6, QLatin1Char('0'));
    return nombre < 0 ? QLatin1Char('-') + complet : complet;
}

qint32 ValeurNumerique(const QString& texte) {
    QString lu;
    bool point = false;
    for (const QChar c : texte) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r')) {
            continue;
        }
        if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && lu.isEmpty()) {
            lu += c;
        } else if (EstChiffre(c)) {
            lu += c;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
            lu += c;
        } else {
            break;
        }
    }
    bool ok = false;
    const double v = lu.toDouble(&ok);
    return ok ? DepuisReel(v) : 0;
}

bool NomSimple(const QString& nom) {
    if (nom.isEmpty() || EstChiffre(nom.front())) {
        return false;
    }
    for (const QChar c : nom) {
        if (!EstLettreSimple(c) && !EstChiffre(c)) {
            return false;
        }
    }
    return true;
}

} // namespace valeurs
