#include "sync/test_synchronisation_poste.h"

#include "demo/pratique.h"
#include "platform/chemins.h"
#include "settings/etat.h"
#include "settings/parametres.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace poste {

Brut::Brut(const QString& cheminWindows) {
    const QByteArray natif = QFile::encodeName(plateforme::CheminNatif(cheminWindows));
    if (sqlite3_open_v2(natif.constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << natif.constData();
    }
    sqlite3_busy_timeout(db_, 10000);
}

Brut::~Brut() {
    sqlite3_close_v2(db_);
}

void Brut::Executer(const QString& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        ADD_FAILURE() << sql.toStdString() << ": " << (message ? message : "?");
    }
    sqlite3_free(message);
}

qint64 Brut::Entier(const QString& sql) {
    sqlite3_stmt* s = nullptr;
    qint64 valeur = -1;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql.toStdString() << ": " << sqlite3_errmsg(db_);
        return valeur;
    }
    if (sqlite3_step(s) == SQLITE_ROW) {
        valeur = sqlite3_column_int64(s, 0);
    } else {
        ADD_FAILURE() << sql.toStdString() << ": " << sqlite3_errmsg(db_);
    }
    sqlite3_finalize(s);
    return valeur;
}

QStringList Brut::Lignes(const QString& sql) {
    const photos::Lecture lecture = photos::Lire(db_, sql);
    if (!lecture.erreur.isEmpty()) {
        ADD_FAILURE() << sql.toStdString() << ": " << lecture.erreur.toStdString();
    }
    return photos::Texte(lecture);
}

Photo Photographier(const QString& base) {
    const photos::Base lue = photos::LireBase(plateforme::CheminNatif(base));
    if (!lue.erreur.isEmpty()) {
        ADD_FAILURE() << "cannot read " << base.toStdString() << ": " << lue.erreur.toStdString();
    }
    Photo photo;
    for (auto it = lue.tables.cbegin(); it != lue.tables.cend(); ++it) {
        if (lue.absentes.contains(it.key())) {
            continue;
        }
        if (!it->erreur.isEmpty()) {
            ADD_FAILURE() << it.key().toStdString() << ": " << it->erreur.toStdString();
        }
        photo.insert(it.key(), photos::Texte(*it));
    }
    return photo;
}

std::string Decrire(const Photo& photo) {
    QString texte;
    for (auto it = photo.cbegin(); it != photo.cend(); ++it) {
        texte += QStringLiteral("[") + it.key() + QStringLiteral("]\n") +
                 it.value().join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    return texte.toStdString();
}

void ReglerParametres(qint16 modifiesUniquement) {
    Parametres& p = Param();
    p.FichierIni = QStringLiteral("C:\\WINDOWS\\synchro.ini");
    p.unite = QStringLiteral("P");
    p.zelvanodir = QStringLiteral("zelvano");
    p.bddir = QStringLiteral("bd");
    p.courrierdir = QStringLiteral("courrier");
    p.crodir = QStringLiteral("cro");
    p.corresdir = QStringLiteral("corres");
    p.datadir = QStringLiteral("data");
    p.certifdir = QStringLiteral("certif");
    p.flashdir = QStringLiteral("flash");
    p.modeledir = QStringLiteral("modeles");
    p.fmpathServeur = QStringLiteral("\\\\serveur\\zelvano");
    p.fmpathClient = QStringLiteral("C");
    p.inifile = QStringLiteral("C:\\zelvano\\zelvano.ini");
    p.copiesecurisee = 1;
    p.modifiesuniquement = modifiesUniquement;
    EtatBase() = QStringLiteral("D");
}

void Poste::SetUp() {
    // Memory rather than the disk when there is some: the runs flush every commit, and what is
    // tested here is their logic (a killed process loses nothing the kernel already has).
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        memoire_ = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/zelvano-poste-XXXXXX"));
        if (memoire_->isValid()) {
            plateforme::Machine::DefinirRacine(memoire_->path());
            QDir().mkpath(plateforme::CheminNatif(plateforme::DossierProgramme()));
        }
    }
    ReglerParametres(1);
    ASSERT_TRUE(RelierLecteurP());
}

void Poste::CreerBasesVides() {
    for (const QString& racine :
         {QStringLiteral("\\\\serveur\\zelvano\\zelvano"), QStringLiteral("C:\\zelvano")}) {
        for (const char* dossier : {"bd", "courrier", "cro", "corres", "data"}) {
            QDir().mkpath(
                plateforme::CheminNatif(racine + QLatin1Char('\\') + QLatin1String(dossier)));
        }
    }
    demo::CreerBasePratique(plateforme::CheminNatif(BaseServeur));
    demo::CreerBasePratique(plateforme::CheminNatif(BaseC));
    Ecrire(Param().inifile, "[path]\r\nposte=A\r\n");
}

void Poste::GenererDemo(int nouveaux) {
    demo::OptionsDemo options;
    options.local = true;
    options.nouveaux = nouveaux;
    demo::GenererDemo(options);
    LireParametres();
    Param().createlog = 0;
}

void CopierArbre(const QString& source, const QString& destination) {
    QDir(destination).removeRecursively();
    QDir().mkpath(destination);
    QDirIterator it(source, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        const QString cible = destination + chemin.mid(source.size());
        if (it.fileInfo().isDir()) {
            QDir().mkpath(cible);
            continue;
        }
        ASSERT_TRUE(QFile::copy(chemin, cible)) << cible.toStdString();
        QFile copie(cible);
        ASSERT_TRUE(
            copie.open(QIODevice::ReadWrite) &&
            copie.setFileTime(it.fileInfo().lastModified(), QFileDevice::FileModificationTime))
            << cible.toStdString();
    }
}

QStringList Poste::Table(const QString& base, const QString& table, const QString& ordre) {
    return Brut(base).Lignes(QStringLiteral("select * from %1 order by %2").arg(table, ordre));
}

void Poste::RemplirSynchro(const QString& base, const QList<int>& derniersNo) {
    Brut brut(base);
    for (int i = 0; i < derniersNo.size(); ++i) {
        brut.Executer(QStringLiteral("insert into synchro (\"table\", champ_id, champ_id_dossier, "
                                     "dernier_no) values ('%1', '%2', '%3', %4)")
                          .arg(QLatin1String(poste::LignesSynchro[i % 7].table),
                               QLatin1String(poste::LignesSynchro[i % 7].champId),
                               QLatin1String(poste::LignesSynchro[i % 7].champDossier))
                          .arg(derniersNo[i]));
    }
}

} // namespace poste
