// zelvano-poste: another workstation of the practice, saving records on the server all day.
//
//   zelvano-poste BASE [--nom PREFIXE] [--periode MS] [--attente MS] [--arret FICHIER]
//                 [--duree MS]
//
// Saves a new patient named PREFIXE-n into the base BASE (a native path) every MS milliseconds
// (20), each save one statement that numbers the record after the table's largest identifier,
// the base's lock waited for up to --attente milliseconds (the database layer's own wait, 5000),
// until the file --arret exists or --duree milliseconds have passed (60000). Prints "pret" after
// its first save, one line "ecrit NOM IDENTIFIANT" per save, "echec NOM : TEXTE" per failed one,
// and at the end "bilan ecrits=N echecs=M attente_max_ms=X". Exit code 0 when nothing failed.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace {

struct FermerBase {
    void operator()(sqlite3* base) const { sqlite3_close_v2(base); }
};

int Entier(const QCommandLineParser& ligne, const QString& option, int defaut) {
    bool ok = false;
    const int v = ligne.value(option).toInt(&ok);
    return ligne.isSet(option) && ok && v >= 0 ? v : defaut;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTextStream sortie(stdout);
    QCommandLineParser ligne;
    ligne.addPositionalArgument(QStringLiteral("base"), QStringLiteral("Base du serveur."));
    ligne.addOptions(
        {{QStringLiteral("nom"), QStringLiteral("Préfixe des noms."), QStringLiteral("prefixe"),
          QStringLiteral("poste")},
         {QStringLiteral("periode"),
          QStringLiteral("Millisecondes entre deux "
                         "enregistrements."),
          QStringLiteral("ms")},
         {QStringLiteral("attente"), QStringLiteral("Attente du verrou (ms)."),
          QStringLiteral("ms")},
         {QStringLiteral("arret"), QStringLiteral("Fichier qui arrête le poste."),
          QStringLiteral("fichier")},
         {QStringLiteral("duree"), QStringLiteral("Durée maximale (ms)."), QStringLiteral("ms")}});
    ligne.addHelpOption();
    ligne.process(application);
    if (ligne.positionalArguments().size() != 1) {
        sortie << "La base du serveur doit être indiquée.\n";
        return 2;
    }
    const QString prefixe = ligne.value(QStringLiteral("nom"));
    const int periode = Entier(ligne, QStringLiteral("periode"), 20);
    const int attente = Entier(ligne, QStringLiteral("attente"), 5000);
    const int duree = Entier(ligne, QStringLiteral("duree"), 60000);
    const QString arret = ligne.value(QStringLiteral("arret"));

    sqlite3* brute = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(ligne.positionalArguments().first()).constData(), &brute,
                        SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, FermerBase> base(brute);
    if (rc != SQLITE_OK) {
        sortie << "La base ne peut pas être ouverte : " << sqlite3_errstr(rc) << "\n";
        return 2;
    }
    sqlite3_busy_timeout(base.get(), attente);
    sqlite3_exec(base.get(), "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);

    qint64 ecrits = 0;
    qint64 echecs = 0;
    qint64 attenteMax = 0;
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < duree && (arret.isEmpty() || !QFileInfo::exists(arret))) {
        const QString nom = prefixe + QLatin1Char('-') + QString::number(ecrits + echecs + 1);
        const QByteArray sql =
            QStringLiteral("INSERT INTO patient (identifiant, numdossier, nom, prenom) SELECT "
                           "coalesce(max(identifiant), 0) + 1, '', '%1', 'Autre poste' FROM "
                           "patient")
                .arg(nom)
                .toUtf8();
        QElapsedTimer enregistrement;
        enregistrement.start();
        char* message = nullptr;
        const int resultat = sqlite3_exec(base.get(), sql.constData(), nullptr, nullptr, &message);
        attenteMax = std::max(attenteMax, enregistrement.elapsed());
        if (resultat == SQLITE_OK) {
            sortie << "ecrit " << nom << ' ' << sqlite3_last_insert_rowid(base.get()) << "\n";
            if (++ecrits == 1) {
                sortie << "pret\n";
            }
        } else {
            ++echecs;
            sortie << "echec " << nom << " : " << (message != nullptr ? message : "?") << "\n";
        }
        sqlite3_free(message);
        sortie.flush();
        QThread::msleep(static_cast<unsigned long>(periode));
    }
    sortie << "bilan ecrits=" << ecrits << " echecs=" << echecs << " attente_max_ms=" << attenteMax
           << "\n";
    return echecs == 0 ? 0 : 1;
}
