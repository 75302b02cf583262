#include "settings/journal.h"

#include "platform/chemins.h"
#include "platform/services.h"
#include "settings/bilan.h"
#include "settings/etat.h"
#include "settings/fenetre.h"
#include "settings/parametres.h"

#include <QFile>

#include <cerrno>
#include <optional>

namespace {

std::optional<QLocale>& localeDefinie() {
    static std::optional<QLocale> l;
    return l;
}

// The locale's long time format without its time-zone part: hours, minutes and seconds.
QString FormatHeure(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

} // namespace

QLocale LocaleJournal() {
    if (localeDefinie()) {
        return *localeDefinie();
    }
    const QLocale systeme = QLocale::system();
    if (systeme.language() == QLocale::C) {
        return QLocale(QLocale::French, QLocale::France);
    }
    return systeme;
}

void DefinirLocaleJournal(const QLocale& locale) {
    localeDefinie() = locale;
}

QString LigneJournal(const QDateTime& moment, const QString& message) {
    const QLocale locale = LocaleJournal();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(moment.time(), FormatHeure(locale)) + QStringLiteral(" : ") + message;
}

QString CheminJournal() {
    QString dossier = plateforme::DossierProgramme();
    if (!dossier.endsWith(QLatin1Char('\\'))) {
        dossier += QLatin1Char('\\');
    }
    return dossier + QStringLiteral("synchro.log");
}

void EcrireJournal(const QString& message) {
    if (Param().createlog != 0) {
        // Opened and closed for every line, so the file is always complete on disk.
        QFile fichier(plateforme::CheminNatif(CheminJournal()));
        if (!fichier.open(QIODevice::WriteOnly | QIODevice::Append)) {
            throw plateforme::ErreurSysteme(errno, CheminJournal());
        }
        const QByteArray ligne =
            (LigneJournal(plateforme::Maintenant(), message) + QStringLiteral("\r\n")).toUtf8();
        if (fichier.write(ligne) != ligne.size() || !fichier.flush()) {
            throw plateforme::ErreurSysteme(errno, CheminJournal());
        }
    }
    EtapeTerminee();
    FenetreCourante().AjouterLigneJournal(LigneJournal(plateforme::Maintenant(), message));
    plateforme::DoEvents();
}

void SignalerErreur(const plateforme::Erreur& erreur) {
    plateforme::DefinirPointeur(plateforme::pointeur::Defaut);
    plateforme::MsgBox(
        QStringLiteral("Erreur %1 : %2").arg(erreur.Number()).arg(erreur.Description()),
        plateforme::mb::Exclamation | plateforme::mb::OKOnly, TitreModule);
    EtatBase().clear();
}
