#include "platform/erreur.h"

#include "platform/chemins.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>

namespace plateforme {

namespace {

// `chemin` is native or in Windows form.
bool DossierParentExiste(const QString& cheminDonne) {
    const bool windows = cheminDonne.contains(QLatin1Char('\\')) ||
                         (cheminDonne.size() >= 2 && cheminDonne[1] == QLatin1Char(':'));
    QString chemin = windows ? CheminNatif(cheminDonne) : cheminDonne;
    while (chemin.size() > 1 && chemin.endsWith(QLatin1Char('/'))) {
        chemin.chop(1);
    }
    const qsizetype pos = chemin.lastIndexOf(QLatin1Char('/'));
    if (pos < 0) {
        return true; // relative to the current folder
    }
    const QString parent = pos == 0 ? QStringLiteral("/") : chemin.left(pos);
    struct stat st {};
    return ::stat(QFile::encodeName(parent).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

Erreur::Erreur(int numero, QString texte)
    : numero_(numero)
    , texte_(std::move(texte))
    , utf8_(texte_.toUtf8()) {}

QString TexteErreur(int numero) {
    switch (numero) {
    case err::ArgumentIncorrect:
        return QStringLiteral("Appel de procédure ou argument incorrect");
    case err::DepassementCapacite:
        return QStringLiteral("Dépassement de capacité");
    case err::IncompatibiliteType:
        return QStringLiteral("Incompatibilité de type");
    case err::NomFichierIncorrect:
        return QStringLiteral("Nom ou numéro de fichier incorrect");
    case err::FichierIntrouvable:
        return QStringLiteral("Fichier introuvable");
    case err::FichierDejaOuvert:
        return QStringLiteral("Fichier déjà ouvert");
    case err::ErreurEntreeSortie:
        return QStringLiteral("Erreur d'entrée/sortie de périphérique");
    case err::FichierExisteDeja:
        return QStringLiteral("Fichier déjà existant");
    case err::DisquePlein:
        return QStringLiteral("Disque plein");
    case err::TropDeFichiers:
        return QStringLiteral("Trop de fichiers");
    case err::PermissionRefusee:
        return QStringLiteral("Permission refusée");
    case err::ErreurAccesChemin:
        return QStringLiteral("Erreur d'accès chemin/fichier");
    case err::CheminIntrouvable:
        return QStringLiteral("Chemin d'accès introuvable");
    default:
        return QStringLiteral("Erreur définie par l'application ou par l'objet");
    }
}

Erreur ErreurSysteme(int e, const QString& chemin) {
    int numero = err::ErreurAccesChemin;
    switch (e) {
    case ENOENT:
        numero = err::FichierIntrouvable;
        break;
    case ENOTDIR:
        numero = err::CheminIntrouvable;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
        numero = err::PermissionRefusee;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        numero = err::DisquePlein;
        break;
    case EEXIST:
        numero = err::FichierExisteDeja;
        break;
    case EMFILE:
    case ENFILE:
        numero = err::TropDeFichiers;
        break;
    case ENAMETOOLONG:
    case EINVAL:
        numero = err::NomFichierIncorrect;
        break;
    case EIO:
        numero = err::ErreurEntreeSortie;
        break;
    case EISDIR:
        numero = err::ErreurAccesChemin;
        break;
    default:
        break;
    }
    if (e == ENOENT && !chemin.isEmpty() && !DossierParentExiste(chemin)) {
        numero = err::CheminIntrouvable; // the folder itself is missing, not just the file
    }
    return Erreur(numero, TexteErreur(numero));
}

void Lever(int numero) {
    throw Erreur(numero, TexteErreur(numero));
}

void Lever(int numero, const QString& texte) {
    throw Erreur(numero, texte);
}

} // namespace plateforme
