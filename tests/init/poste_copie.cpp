#include "init/poste_copie.h"

#include "platform/chemins.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace essais {

Poste::Poste() {
    const QString racine = env.machine.Racine();
    QDir().mkpath(racine + QStringLiteral("/unc/serveur/zelvano/zelvano"));
    QDir().mkpath(racine + QStringLiteral("/drives/C/zelvano"));
    if (!RelierLecteurP()) {
        ADD_FAILURE() << "cannot map P:";
    }
}

qint64 Poste::Ecriture(const QString& cheminWindows) const {
    const QFileInfo info(Natif(cheminWindows));
    return info.exists() ? info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch()
                         : -1;
}

void Poste::InstallerProgramme(const QString& nom) const {
    const QString cible = factices::DossierBinaires() + QLatin1Char('/') + nom;
    ASSERT_TRUE(QFileInfo(cible).isExecutable()) << qPrintable(cible);
    ASSERT_TRUE(QFile::link(cible, env.machine.DossierProgramme() + QLatin1Char('/') + nom));
}

QStringList Arborescence(const QString& natif) {
    QStringList fichiers;
    QDirIterator it(natif, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        fichiers.append(QDir(natif).relativeFilePath(it.next()));
    }
    fichiers.sort();
    return fichiers;
}

QString Requete(const QString& natif, const char* sql) {
    sqlite3* db = nullptr;
    QString resultat;
    if (sqlite3_open_v2(QFile::encodeName(natif).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            resultat = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        } else {
            resultat = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return resultat;
}

} // namespace essais
