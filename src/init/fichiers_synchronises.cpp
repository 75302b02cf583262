#include "init/fichiers_synchronises.h"

#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/fichiers_durables.h"
#include "platform/services.h"
#include "pratique/lieux.h"
#include "settings/bilan.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QFile>

namespace {

// "X:\" in front of every path of the list's drives.
constexpr int LongueurLecteur = 3;

QString RacineLecteur(const QString& lettre) {
    return lettre + QStringLiteral(":\\");
}

QString Cle(const QString& relatif) {
    return relatif.toCaseFolded();
}

} // namespace

QStringList LireListe(const QString& chemin) {
    if (!plateforme::FichierExiste(chemin)) {
        return {};
    }
    QFile fichier(plateforme::CheminNatif(chemin));
    if (!fichier.open(QIODevice::ReadOnly)) {
        plateforme::Lever(plateforme::err::PermissionRefusee);
    }
    QStringList lignes;
    for (const QByteArray& ligne : fichier.readAll().split('\n')) {
        const QString texte = QString::fromUtf8(ligne).trimmed();
        if (!texte.isEmpty()) {
            lignes.append(texte);
        }
    }
    return lignes;
}

QString CheminFichiersSynchronises() {
    return CheminBaseLocale() + QStringLiteral(".fichiers-synchro");
}

void AjouterFichiersSynchronises(const QStringList& cheminsDistants) {
    const QString racine = RacineLecteur(Param().unite);
    QStringList liste = LireListe(CheminFichiersSynchronises());
    QSet<QString> cles;
    for (const QString& relatif : std::as_const(liste)) {
        cles.insert(Cle(relatif));
    }
    for (const QString& chemin : cheminsDistants) {
        if (!chemin.startsWith(racine, Qt::CaseInsensitive)) {
            continue; // written elsewhere than on the practice drive: not in the tree copied
        }
        const QString relatif = chemin.mid(LongueurLecteur);
        if (!relatif.isEmpty() && !cles.contains(Cle(relatif))) {
            cles.insert(Cle(relatif));
            liste.append(relatif);
        }
    }
    if (liste.isEmpty()) {
        return;
    }
    plateforme::EcrireFichierDurable(
        CheminFichiersSynchronises(),
        (liste.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}

bool FichiersARecopier::Charger() {
    Vider();
    try {
        fichiers_ = LireListe(CheminFichiersSynchronises());
    } catch (const plateforme::Erreur& e) {
        EcrireJournal(QStringLiteral("ERREUR : la liste des fichiers de la dernière "
                                     "synchronisation ") +
                      CheminFichiersSynchronises() + QStringLiteral(" ne peut pas être lue : ") +
                      e.DescriptionEtNumero());
        return false;
    }
    for (const QString& relatif : std::as_const(fichiers_)) {
        cles_.insert(Cle(relatif));
    }
    return true;
}

void FichiersARecopier::Vider() {
    fichiers_.clear();
    cles_.clear();
    copies_.clear();
}

bool FichiersARecopier::Impose(const QString& dossierDistant, const QString& nom) const {
    return !cles_.isEmpty() &&
           cles_.contains(Cle(dossierDistant.mid(LongueurLecteur) + QLatin1Char('\\') + nom));
}

void FichiersARecopier::MarquerCopie(const QString& dossierDistant, const QString& nom) {
    if (Impose(dossierDistant, nom)) {
        copies_.insert(Cle(dossierDistant.mid(LongueurLecteur) + QLatin1Char('\\') + nom));
    }
}

bool FichiersARecopier::RecopierRestants() {
    const Parametres& p = Param();
    qint32 restants = 0;
    qint32 k = 0;
    for (const QString& relatif : std::as_const(fichiers_)) {
        if (copies_.contains(Cle(relatif))) {
            continue;
        }
        ++restants;
        const QString source = RacineLecteur(p.unite) + relatif;
        const QString destination = RacineLecteur(p.fmpathClient) + relatif;
        try {
            if (!plateforme::FichierExiste(source)) {
                EcrireJournal(QStringLiteral("ATTENTION : le fichier ") + source +
                              QStringLiteral(" écrit par la dernière synchronisation n'est plus "
                                             "dans la base distante"));
                continue;
            }
            const plateforme::CibleLectureSeule lectureSeule =
                plateforme::ExaminerCibleLectureSeule(source, destination);
            if (lectureSeule == plateforme::CibleLectureSeule::Identique) {
                copies_.insert(Cle(relatif)); // a read-only file that is already the server's
                continue;
            }
            if (lectureSeule == plateforme::CibleLectureSeule::Differente) {
                EcrireJournal(QStringLiteral("ERREUR : le fichier ") + source +
                              QStringLiteral(" de la dernière synchronisation n'a pas pu être "
                                             "recopié vers ") +
                              destination +
                              QStringLiteral(" : ce fichier local est en lecture "
                                             "seule"));
                return false;
            }
            try {
                plateforme::CreerDossier(destination.left(destination.lastIndexOf(u'\\')));
            } catch (const plateforme::Erreur&) {
                // Usually there already; a missing parent shows at the copy.
            }
            plateforme::CopierFichier(source, destination);
        } catch (const plateforme::Erreur& e) {
            EcrireJournal(QStringLiteral("ERREUR : le fichier ") + source +
                          QStringLiteral(" de la dernière synchronisation n'a pas pu être "
                                         "recopié vers ") +
                          destination + QStringLiteral(" : ") + e.DescriptionEtNumero());
            return false;
        }
        copies_.insert(Cle(relatif));
        ++k;
        Bilan().AjouterCopies(1);
        plateforme::DoEvents();
    }
    if (restants > 0) {
        EcrireJournal(QStringLiteral("-> ") + QString::number(k) +
                      QStringLiteral(" fichier(s) de la dernière synchronisation recopié(s)"));
    }
    return true;
}

void FichiersARecopier::Oublier() {
    try {
        plateforme::SupprimerFichierDurable(CheminFichiersSynchronises());
    } catch (const plateforme::Erreur&) {
        // Kept, the list only makes the next initialisation bring those files once more.
    }
    Vider();
}

FichiersARecopier& FichiersImposes() {
    static FichiersARecopier fichiers;
    return fichiers;
}
