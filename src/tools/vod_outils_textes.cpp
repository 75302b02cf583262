#include "tools/vod_outils.h"

#include "platform/erreur.h"
#include "settings/date_heure.h"

#include <QDate>

#include <algorithm>

namespace {

bool VideOuNull(const QVariant& valeur) {
    return valeur.isNull() || valeur.toString().isEmpty();
}

} // namespace

QString VOD_Outils::AjouterClauseWhere(const QVariant& pWhereClause, const QVariant& pOperator,
                                       const QVariant& pWhereClauseToAdd) {
    if (pWhereClauseToAdd.isNull()) {
        return VideOuNull(pWhereClause) ? QString() : pWhereClause.toString() + QLatin1Char(')');
    }
    const QString prefixe = VideOuNull(pWhereClause) ? QStringLiteral(" (")
                                                     : pWhereClause.toString() + QLatin1Char(' ') +
                                                           pOperator.toString() + QLatin1Char(' ');
    return prefixe + pWhereClauseToAdd.toString();
}

QString VOD_Outils::Buffer2String(const QString& buffer) {
    const qsizetype nul = buffer.indexOf(QChar(0));
    return nul < 0 ? buffer : buffer.left(nul);
}

void VOD_Outils::DecomposerChemin(const QString& filepath, QString& Path, QString& FileName,
                                  QString& ext) {
    const qsizetype barre = filepath.lastIndexOf(QLatin1Char('\\'));
    const qsizetype point = filepath.lastIndexOf(QLatin1Char('.'));
    Path = filepath.left(barre + 1);
    if (point > barre) {
        ext = filepath.mid(point + 1);
        FileName = filepath.mid(barre + 1, point - barre - 1);
    } else {
        ext.clear();
        FileName = filepath.mid(barre + 1);
    }
}

QVariant VOD_Outils::NullSiVide(const QVariant& entree) {
    return VideOuNull(entree) ? QVariant() : entree;
}

QString VOD_Outils::PreparerPourSQL(const QString& chaine) {
    QString copie = chaine;
    copie.replace(QLatin1Char('\''), QLatin1Char(' '));
    copie.replace(QLatin1Char('"'), QLatin1Char(' '));
    return copie;
}

QString VOD_Outils::RemplacerCRLFparBlanc(const QString& texte) {
    QString copie = texte;
    copie.replace(QLatin1Char('\r'), QLatin1Char(' '));
    copie.replace(QLatin1Char('\n'), QLatin1Char(' '));
    copie.remove(QChar(0));
    return copie;
}

QString VOD_Outils::VideSiNull(const QVariant& entree) {
    return entree.isNull() ? QString() : entree.toString();
}

QVariant VOD_Outils::ZeroSiNull(const QVariant& entree) {
    return entree.isNull() ? QVariant(QStringLiteral("0")) : entree;
}

QDateTime VOD_Outils::AAAAMMJJ2Date(const QVariant& texte) {
    const QString t = texte.isNull() ? QString() : texte.toString();
    if (t.size() != 8) {
        return DateZero();
    }
    const QString jma = t.mid(6, 2) + QLatin1Char('/') + t.mid(4, 2) + QLatin1Char('/') + t.left(4);
    const QDate date = QDate::fromString(jma, QStringLiteral("dd/MM/yyyy"));
    const bool chiffres = std::all_of(
        t.begin(), t.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (!chiffres || !date.isValid()) {
        plateforme::Lever(plateforme::err::IncompatibiliteType);
    }
    return QDateTime(date, QTime(0, 0));
}

void VOD_Outils::DecomposerChaine(const QString& chaine, const QString& delimiteur,
                                  QStringList& resultat) {
    resultat = QStringList{QString()};
    // An empty delimiter would be found at every position without ever moving on.
    if (delimiteur.isEmpty()) {
        if (!chaine.isEmpty()) {
            resultat.append(chaine);
        }
        return;
    }
    qsizetype debut = 0;
    for (qsizetype pos = chaine.indexOf(delimiteur); pos >= 0;
         pos = chaine.indexOf(delimiteur, debut)) {
        resultat.append(chaine.mid(debut, pos - debut));
        debut = pos + delimiteur.size();
    }
    if (debut < chaine.size()) {
        resultat.append(chaine.mid(debut));
    }
}

QString VOD_Outils::RemplacerChaine(const QString& chaine, const QString& ancien,
                                    const QString& nouveau) {
    if (ancien.isEmpty()) {
        return chaine;
    }
    QString resultat;
    qsizetype debut = 0;
    for (qsizetype pos = chaine.indexOf(ancien); pos >= 0; pos = chaine.indexOf(ancien, debut)) {
        resultat += QStringView(chaine).mid(debut, pos - debut);
        resultat += nouveau;
        debut = pos + ancien.size();
    }
    resultat += QStringView(chaine).mid(debut);
    return resultat;
}
