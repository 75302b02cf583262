#include "sync/transfert.h"

#include "platform/fichiers.h"
#include "platform/profil.h"
#include "settings/bilan.h"
#include "settings/journal.h"
#include "settings/parametres.h"
#include "sync/bases_ouvertes.h"
#include "sync/correspondances.h"
#include "sync/etapes.h"
#include "sync/fichiers_prepares.h"
#include "sync/objets.h"
#include "sync/registre.h"
#include "sync/valeurs_champs.h"

#include <QStringList>

#include <limits>
#include <memory>

namespace {

void VerifierNom(const QString& nom) {
    if (!valeurs::NomSimple(nom)) {
        plateforme::Lever(
            NomIncorrectSynchro,
            QStringLiteral("Nom de table ou de champ incorrect dans la table synchro : \"%1\"")
                .arg(nom));
    }
}

qint32 IdentifiantSuivant(qint32 base) {
    if (base == std::numeric_limits<qint32>::max()) {
        plateforme::Lever(plateforme::err::DepassementCapacite);
    }
    return base + 1;
}

// The destination's current value is the column default; Null reads as "".
bool ValeurParDefaut(const dao::Field& courante, const dao::Field& source) {
    if (courante.IsNull()) {
        return source.TexteVide();
    }
    return courante.MemeValeur(source);
}

// Fields are copied by position: a table whose columns differ between the bases (one missing,
// or in another order) would put values into the wrong columns of the server's records. Columns
// the server has after the local ones (a server upgraded since the initialisation) take no value
// from the copy and keep their defaults.
void VerifierMemesChamps(const QString& table, dao::Recordset& source,
                         dao::Recordset& destination) {
    const auto noms = [](dao::Recordset& rs) {
        QStringList n;
        for (int i = 0; i < rs.FieldsCount(); ++i) {
            n.append(rs.Fields(i).Name().toLower());
        }
        return n;
    };
    const QStringList locaux = noms(source);
    const QStringList distants = noms(destination);
    if (distants.mid(0, locaux.size()) != locaux) {
        plateforme::Lever(dao::errdb::ChampInconnu,
                          QStringLiteral("Les champs de la table %1 diffèrent entre les deux bases "
                                         "(base locale : %2 ; base distante : %3)")
                              .arg(table, locaux.join(QStringLiteral(", ")),
                                   distants.join(QStringLiteral(", "))));
    }
}

// By position: both bases have the same columns in the same order. Null source values are not
// assigned, so the destination keeps its defaults. A date goes over as its stored text, never
// converted to a date and back.
void CopierChamps(dao::Recordset& source, dao::Recordset& destination) {
    const int nombre = source.FieldsCount();
    for (int i = 0; i < nombre; ++i) {
        const dao::Field& origine = source.Fields(i);
        if (origine.IsNull()) {
            continue;
        }
        dao::Field& champ = destination.Fields(i);
        if (!ValeurParDefaut(champ, origine)) {
            champ.CopierValeur(origine);
        }
    }
}

// Identifier and patient link of the pending record.
void Renumeroter(dao::Recordset& source, dao::Recordset& destination, const QString& champId,
                 const QString& champIdDossier, qint32 nouvel) {
    if (champIdDossier != champId) {
        destination.Fields(champId).SetValue(nouvel);
        if (!champIdDossier.isEmpty()) {
            destination.Fields(champIdDossier)
                .SetValue(NouvelIdentifiant(QStringLiteral("patient"),
                                            source.Fields(champIdDossier).Value()));
        }
        return;
    }
    // The patient table: its link field is its own identifier.
    const qint32 ancien = valeurs::EntierLong(source.Fields(champId).Value());
    if (nouvel != ancien) {
        MemoriserCorrespondance(QStringLiteral("patient"), ancien, nouvel);
        destination.Fields(champId).SetValue(nouvel);
    }
    const QString numDossier = QStringLiteral("numdossier");
    if (valeurs::TexteOuVide(source.Fields(numDossier).Value()).trimmed() ==
        QString::number(ancien)) {
        destination.Fields(numDossier).SetValue(QString::number(nouvel));
    }
}

} // namespace

namespace {

// The file name part of a stored path: the extension is taken there only, so that a dot in a
// folder name never ends up in the new name.
QString PartieNomFichier(const QString& chemin) {
    return chemin.mid(chemin.lastIndexOf(QLatin1Char('\\')) + 1);
}

// The document of a letter, report or correspondence goes to the server under a name made of
// the workstation letter and the new identifier. Every step may fail without stopping the
// record: it is then written with its new name and no file under that name.
void RenommerDocument(const QString& table, const QString& lettre, qint32 nouvel,
                      dao::Recordset& source, dao::Recordset& destination) {
    const QString nomFichier = QStringLiteral("nomfichier");
    QString ancienNom;
    EtapeSansEchec([&] { ancienNom = valeurs::TexteOuVide(source.Fields(nomFichier).Value()); });
    const Parametres& p = Param();
    const QString nouveauNom = DossierPratique(p.unite, DossierDocuments(table)) +
                               QStringLiteral("\\x") + lettre + valeurs::SixChiffres(nouvel) +
                               ExtensionFichier(PartieNomFichier(ancienNom));
    EtapeSansEchec([&] { destination.Fields(nomFichier).SetValue(nouveauNom); });
    const QString cheminLocal = CheminDocumentLocal(ancienNom);
    if (!cheminLocal.isEmpty()) {
        CopierFichierEnregistrement(cheminLocal, nouveauNom);
    }
}

// What a record needs after its identifier and patient link; the result says whether it is
// written. Nothing here stops the transfer.
bool CompleterEnregistrement(const QString& table, const QString& champId, const QString& lettre,
                             qint32 nouvel, dao::Recordset& source, dao::Recordset& destination) {
    if (table == QLatin1String("consultation") || table == QLatin1String("ordonnance") ||
        TableDocuments(table)) {
        EtapeSansEchec([&] {
            MemoriserCorrespondance(table, valeurs::EntierLong(source.Fields(champId).Value()),
                                    nouvel);
        });
    }
    if (TableDocuments(table)) {
        RenommerDocument(table, lettre, nouvel, source, destination);
    }
    if (table == QLatin1String("objet")) {
        return PreparerObjet(source, destination);
    }
    return true;
}

// The number of records the transfer of the table will read, for its progress.
qint64 CompterNouveaux(const QString& table, const QString& champId, qint32 dernierNo) {
    const auto rs = BaseLocaleOuverte().OpenRecordset(
        QStringLiteral("select count(*) as N from ") + table + QStringLiteral(" where ") + champId +
        QStringLiteral(" > ") + QString::number(dernierNo));
    const qint64 n = rs->Fields(QStringLiteral("N")).Value().toLongLong();
    rs->Close();
    return n;
}

// The record just written, in the run's renumbering register.
void Inscrire(const QString& table, const QString& champId, dao::Recordset& source, qint32 nouvel) {
    qint64 ancien = 0;
    EtapeSansEchec([&] { ancien = valeurs::EntierLong(source.Fields(champId).Value()); });
    const FichierEnregistrement& fichier = FichierEnregistrementCourant();
    Registre().Ajouter(table, ancien, nouvel, fichier.local, fichier.serveur);
}

} // namespace

QStringList& FichiersEcritsSurServeur() {
    static QStringList fichiers;
    return fichiers;
}

void CopierFichierEnregistrement(const QString& source, const QString& destination) {
    // The register names the server's file only once it is there.
    FichierEnregistrementCourant() = {source, {}};
    if (FichiersEnvoi().Placer(source, destination)) {
        FichierEnregistrementCourant().serveur = destination;
        FichiersEcritsSurServeur().append(destination);
        return;
    }
    try {
        // A read-only local file (a signed letter) must not become one on the server.
        plateforme::CopierFichier(source, destination, true);
        FichierEnregistrementCourant().serveur = destination;
        FichiersEcritsSurServeur().append(destination);
    } catch (const plateforme::Erreur& e) {
        bool sourcePresente = false;
        EtapeSansEchec([&] { sourcePresente = plateforme::FichierExiste(source); });
        if (sourcePresente) {
            // The record goes on pointing at a file the server does not have.
            EtapeSansEchec([&] {
                EcrireJournal(QStringLiteral("ATTENTION : le fichier ") + source +
                              QStringLiteral(" n'a pas pu être copié vers ") + destination +
                              QStringLiteral(" : ") + e.DescriptionEtNumero());
            });
        }
    }
}

QString LigneErreur(const plateforme::Erreur& erreur) {
    return QStringLiteral("ERREUR %1 - %2").arg(erreur.Number()).arg(erreur.Description());
}

QString ExtensionFichier(const QString& nom) {
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    return point < 0 ? QString() : nom.mid(point);
}

QString LettrePoste() {
    QString tampon;
    plateforme::GetPrivateProfileStringA(QStringLiteral("path"), QStringLiteral("poste"),
                                         QStringLiteral("A"), tampon, 10, Param().inifile);
    return tampon.left(1);
}

bool TransfererNouveauxEnregistrements(const QString& table, const QString& champ_id,
                                       const QString& champ_id_dossier, qint32 dernier_no,
                                       std::optional<plateforme::Erreur>* erreur) {
    std::unique_ptr<dao::Recordset> destination;
    bool enregistrementEnCours = false;
    try {
        const QString lettre = LettrePoste();
        EcrireJournal(QStringLiteral("Transfert des nouveaux enregistrements de la table : ") +
                      table);
        VerifierNom(table);
        VerifierNom(champ_id);
        if (!champ_id_dossier.isEmpty()) {
            VerifierNom(champ_id_dossier);
        }
        const auto source = BaseLocaleOuverte().OpenRecordset(
            QStringLiteral("select * from ") + table + QStringLiteral(" where ") + champ_id +
            QStringLiteral(" > ") + QString::number(dernier_no) + QStringLiteral(" order by ") +
            champ_id);
        destination = BaseDistanteOuverte().OpenRecordset(QStringLiteral("select * from ") + table +
                                                          QStringLiteral(" order by ") + champ_id +
                                                          QStringLiteral(" DESC"));
        // The remote table's largest identifier: the numbering goes on from there.
        qint32 identifiant =
            destination->Eof() ? 0 : valeurs::EntierLong(destination->Fields(champ_id).Value());
        qint64 ecrits = 0;
        if (!source->Eof()) {
            VerifierMemesChamps(table, *source, *destination);
        }
        const qint64 total = CompterNouveaux(table, champ_id, dernier_no);
        const QString etape = QStringLiteral("Envoi de la table ") + table;
        while (!source->Eof()) {
            identifiant = IdentifiantSuivant(identifiant);
            ++ecrits;
            Progression(etape, ecrits, total);
            destination->AddNew();
            enregistrementEnCours = true;
            FichierEnregistrementCourant() = {};
            CopierChamps(*source, *destination);
            Renumeroter(*source, *destination, champ_id, champ_id_dossier, identifiant);
            if (CompleterEnregistrement(table, champ_id, lettre, identifiant, *source,
                                        *destination)) {
                destination->Update();
                Inscrire(table, champ_id, *source, identifiant);
            } else {
                // Left out; its identifier is not given to the next record.
                destination->CancelUpdate();
                --ecrits;
            }
            enregistrementEnCours = false;
            source->MoveNext();
        }
        EcrireJournal(QStringLiteral("-> ") + QString::number(ecrits) +
                      QStringLiteral(" enregistrement(s)"));
        return true;
    } catch (const plateforme::Erreur& e) {
        if (enregistrementEnCours) {
            EtapeSansEchec([&] { destination->CancelUpdate(); });
        }
        if (erreur != nullptr) {
            *erreur = e;
        }
        EcrireJournal(LigneErreur(e));
        return false;
    }
}
