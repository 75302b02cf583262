#include "jet/base_erreurs.h"

#include "jet/dao.h"
#include "platform/chemins.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace dao::base {

using plateforme::Erreur;

Erreur ErreurFichierIntrouvable(const QString& fichier) {
    return Erreur(errdb::FichierIntrouvable,
                  QStringLiteral("Le fichier « %1 » est introuvable.").arg(fichier));
}

Erreur ErreurCheminIncorrect(const QString& fichier) {
    return Erreur(errdb::CheminIncorrect,
                  QStringLiteral("« %1 » n'est pas un chemin correct : vérifiez son orthographe et "
                                 "que le dossier qui doit contenir la base existe.")
                      .arg(fichier));
}

Erreur ErreurFichierVerrouille(const QString& fichier) {
    return Erreur(errdb::FichierVerrouille,
                  QStringLiteral("Le fichier « %1 » est déjà utilisé : il est verrouillé par un "
                                 "autre utilisateur ou un autre programme.")
                      .arg(fichier));
}

Erreur ErreurOuvertureImpossible(const QString& fichier) {
    return Erreur(errdb::OuvertureImpossible,
                  QStringLiteral("Impossible d'ouvrir le fichier « %1 » : l'accès en est refusé "
                                 "ou il est ouvert en exclusivité par un autre programme.")
                      .arg(fichier));
}

Erreur ErreurFichierCorrompu(const QString& fichier) {
    return Erreur(errdb::FichierCorrompu,
                  QStringLiteral("Le fichier « %1 » n'est pas une base de données ou il est "
                                 "endommagé.")
                      .arg(fichier));
}

Erreur ErreurTableIntrouvable(const QString& table, const QString& fichier) {
    return Erreur(errdb::TableIntrouvable,
                  QStringLiteral("La table ou la requête « %1 » est introuvable dans la base "
                                 "« %2 ».")
                      .arg(table, fichier));
}

Erreur ErreurChampInconnu(const QString& champ) {
    return Erreur(
        errdb::ChampInconnu,
        QStringLiteral("Le champ « %1 » n'existe pas dans ce jeu d'enregistrements.").arg(champ));
}

Erreur ErreurCleEnDouble(const QString& table) {
    return Erreur(errdb::CleEnDouble,
                  QStringLiteral("L'enregistrement n'a pas été ajouté à la table « %1 » : sa clé "
                                 "y existe déjà et créerait un doublon.")
                      .arg(table));
}

Erreur ErreurNonModifiable(const QString& sql) {
    return Erreur(errdb::NonModifiable,
                  QStringLiteral("Le jeu d'enregistrements « %1 » n'est pas modifiable : il ne "
                                 "porte pas sur les colonnes d'une seule table.")
                      .arg(sql));
}

Erreur ErreurBaseExisteDeja(const QString& fichier) {
    return Erreur(errdb::BaseExisteDeja,
                  QStringLiteral("La base de données « %1 » existe déjà.").arg(fichier));
}

Erreur ErreurObjetFerme() {
    return Erreur(errdb::ObjetFerme,
                  QStringLiteral("L'objet n'est plus utilisable : il a été fermé."));
}

Erreur ErreurAucunEnregistrement() {
    return Erreur(errdb::AucunEnregistrement, QStringLiteral("Aucun enregistrement en cours."));
}

namespace {

// "no such table: main.synchro" -> "synchro"; "UNIQUE constraint failed: patient.identifiant"
// -> "patient".
QString NomApres(const QString& message, const QString& debut, bool avantPoint) {
    QString reste = message.mid(message.indexOf(debut) + debut.size()).trimmed();
    const qsizetype virgule = reste.indexOf(QLatin1Char(','));
    if (virgule >= 0) {
        reste.truncate(virgule);
    }
    const qsizetype point = reste.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        reste = avantPoint ? reste.left(point) : reste.mid(point + 1);
    }
    return reste;
}

} // namespace

Erreur ErreurSqlite(sqlite3* db, int code, const QString& fichier, const QString& table) {
    const QString message =
        QString::fromUtf8(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    const int primaire = code & 0xff;
    switch (primaire) {
    case SQLITE_ERROR: {
        const QString marque = QStringLiteral("no such table:");
        if (message.contains(marque)) {
            return ErreurTableIntrouvable(NomApres(message, marque, false), fichier);
        }
        break;
    }
    case SQLITE_CONSTRAINT:
        if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE ||
            code == SQLITE_CONSTRAINT_ROWID) {
            const QString marque = QStringLiteral("constraint failed:");
            const QString nom = !table.isEmpty()           ? table
                                : message.contains(marque) ? NomApres(message, marque, true)
                                                           : fichier;
            return ErreurCleEnDouble(nom);
        }
        break;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return ErreurFichierCorrompu(fichier);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ErreurFichierVerrouille(fichier);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ErreurOuvertureImpossible(fichier);
    case SQLITE_READONLY:
        return Erreur(errdb::NonModifiable,
                      QStringLiteral("La base de données « %1 » est en lecture seule : elle ne "
                                     "peut pas être modifiée.")
                          .arg(fichier));
    default:
        break;
    }
    return Erreur(errdb::ErreurSqlite + primaire,
                  QStringLiteral("Erreur de la base de données « %1 » : %2").arg(fichier, message));
}

QString DestinationNouvelle(const QString& destination) {
    const QString natif = plateforme::CheminNatif(destination);
    const QFileInfo info(natif);
    if (info.exists() || info.isSymLink()) {
        throw ErreurBaseExisteDeja(destination);
    }
    if (!QFileInfo(info.absolutePath()).isDir()) {
        throw ErreurCheminIncorrect(destination);
    }
    return natif;
}

} // namespace dao::base
