#include "platform/traduction.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace plateforme {

QString VersionProgramme() {
    return QStringLiteral(SYNCHRO_VERSION);
}

bool InstallerTraductionQt() {
    static const bool installee = [] {
        static QTranslator traduction;
        return traduction.load(QStringLiteral("qtbase_fr"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
               QCoreApplication::installTranslator(&traduction);
    }();
    return installee;
}

void AnalyserLigneCommande(QCommandLineParser& ligne) {
    InstallerTraductionQt();
    QCoreApplication::setApplicationVersion(VersionProgramme());
    // Qt's own help option has no French text, and its --help-all speaks of Qt's options.
    const QCommandLineOption aide({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Affiche cette aide."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Affiche la version."));
    ligne.addOption(aide);
    ligne.addOption(version);
    if (!ligne.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(ligne.errorText()),
                     qPrintable(QStringLiteral("Essayez « %1 --help » pour en savoir plus.")
                                    .arg(QCoreApplication::applicationName())));
        std::exit(2);
    }
    if (ligne.isSet(aide)) {
        ligne.showHelp(0);
    }
    if (ligne.isSet(version)) {
        ligne.showVersion();
    }
}

} // namespace plateforme
