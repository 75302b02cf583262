#include "init/fichier_csv.h"

namespace {

QString Champ(const QString& texte) {
    if (!texte.contains(QLatin1Char(';')) && !texte.contains(QLatin1Char('"')) &&
        !texte.contains(QLatin1Char('\n')) && !texte.contains(QLatin1Char('\r'))) {
        return texte;
    }
    QString guillemets = texte;
    guillemets.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + guillemets + QLatin1Char('"');
}

} // namespace

QByteArray LigneCsv(const QStringList& champs) {
    QString ligne;
    for (qsizetype i = 0; i < champs.size(); ++i) {
        if (i > 0) {
            ligne += QLatin1Char(';');
        }
        ligne += Champ(champs[i]);
    }
    return (ligne + QStringLiteral("\r\n")).toUtf8();
}

FichierCsv::FichierCsv(const QString& chemin, const QStringList& entete)
    : fichier_(chemin) {
    fichier_.Ecrire(QByteArrayLiteral("\xEF\xBB\xBF") + LigneCsv(entete));
}

void FichierCsv::Ligne(const QStringList& champs) {
    fichier_.Ecrire(LigneCsv(champs));
}
