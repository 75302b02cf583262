#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "platform/fichiers_durables.h"
#include "settings/journal.h"
#include "sync/fusion.h"
#include "sync/intention.h"
#include "sync/synchronisation.h"

#include <QFile>

#include <memory>

#include <algorithm>

namespace {

// What the server base says of the records of the interrupted run.
enum class EtatDistant {
    Complet, // every one, as it was written
    Absent,  // none of them
    Rien,    // the run had sent nothing: the server cannot tell
    Autre,   // some only, or different ones
};

// What the local table synchro says.
enum class EtatLocal {
    Origine, // the rows the run was about to delete: the local commit did not take place
    Vide,    // emptied: the local commit took place
    Autre,   // rows written since by an initialisation
};

void Ligne(const QString& texte) {
    EcrireJournal(texte);
}

void JournaliserTerminee(bool initialisationAFaire) {
    Ligne(QStringLiteral(" "));
    Ligne(QStringLiteral("INFORMATION TRES IMPORTANTE"));
    Ligne(QStringLiteral("La dernière synchronisation a été interrompue après l'enregistrement de "
                         "ses données dans la base distante."));
    Ligne(QStringLiteral("Elle est maintenant TERMINEE CORRECTEMENT : tous ses enregistrements "
                         "sont dans la base distante, une seule fois."));
    if (initialisationAFaire) {
        Ligne(QStringLiteral("Vous devez maintenant lancer une INITIALISATION (et non une "
                             "synchronisation) avant"));
        Ligne(QStringLiteral("de commencer à saisir dans votre base locale."));
    }
}

void JournaliserDejaTerminee(bool initialisationAFaire) {
    Ligne(QStringLiteral(" "));
    Ligne(QStringLiteral("INFORMATION : la dernière synchronisation s'était TERMINEE CORRECTEMENT "
                         "et une initialisation a été lancée depuis."));
    if (initialisationAFaire) {
        Ligne(QStringLiteral("Cette initialisation n'est pas allée à son terme : vous devez "
                             "relancer une INITIALISATION avant"));
        Ligne(QStringLiteral("de commencer à saisir dans votre base locale."));
    }
}

void JournaliserAnnulee() {
    Ligne(QStringLiteral(" "));
    Ligne(QStringLiteral("INFORMATION TRES IMPORTANTE"));
    Ligne(QStringLiteral("La dernière synchronisation a été interrompue avant l'enregistrement de "
                         "ses données dans la base distante : elle a été ANNULEE."));
    Ligne(QStringLiteral("Aucun de ses enregistrements n'a été copié dans la base distante et "
                         "votre base locale n'a pas changé."));
    Ligne(QStringLiteral("Vous pouvez relancer la synchronisation."));
}

void Avertir(const QString& raison) {
    Ligne(QStringLiteral(" "));
    Ligne(QStringLiteral("ATTENTION : LA DERNIERE SYNCHRONISATION A ETE INTERROMPUE ET NE PEUT "
                         "PAS ETRE REPRISE"));
    Ligne(raison);
    Ligne(QStringLiteral("Pour que rien ne soit envoyé deux fois ni perdu, aucune synchronisation, "
                         "initialisation ou lancement de Zelvano"));
    Ligne(QStringLiteral("n'est possible tant que cette situation n'est pas réglée. Faites "
                         "vérifier la base distante et votre base locale."));
    Ligne(QStringLiteral("La synchronisation interrompue est décrite dans le fichier ") +
          CheminIntention());
}

// The server base: by the share first, which holds whatever the drive letter serves now, then
// by the path the run opened. Never the local base itself (the letter may now lead to it), nor
// a base whose table synchro holds rows: that is a local copy, not the server.
std::shared_ptr<dao::Database> OuvrirBaseDistante(const IntentionSynchronisation& intention,
                                                  QString& raison) {
    raison = QStringLiteral("La base distante ") + intention.baseDistanteUnc +
             QStringLiteral(" est introuvable.");
    for (const QString& chemin : {intention.baseDistanteUnc, intention.baseDistante}) {
        if (chemin.isEmpty() || !plateforme::FichierExiste(chemin) ||
            plateforme::MemeFichier(chemin, intention.baseLocale)) {
            continue;
        }
        try {
            auto base = dao::DBEngine::Instance().OpenDatabase(chemin);
            if (pratique::CompterSynchro(*base) == 0) {
                return base;
            }
            raison = QStringLiteral("La base ") + chemin +
                     QStringLiteral(" n'est pas la base distante : sa table de synchronisation "
                                    "n'est pas vide.");
        } catch (const plateforme::Erreur& e) {
            raison = QStringLiteral("La base distante ") + chemin +
                     QStringLiteral(" ne peut pas être lue : ") + e.DescriptionEtNumero();
        }
    }
    return nullptr;
}

// The fields the run wrote on old records all hold, on the server, the value it wrote.
bool ReportesPresents(dao::Database& distante, const IntentionSynchronisation& intention) {
    for (const ChampReporte& r : intention.reportes) {
        const auto rs = distante.OpenRecordset(
            QStringLiteral("select ") + r.champ + QStringLiteral(" from ") + r.table +
                QStringLiteral(" where ") + r.champId + QStringLiteral(" = ?"),
            {r.identifiant});
        const bool present =
            !rs->Eof() && fusion::MemesValeurs(fusion::ValeurStockee(rs->Fields(0)),
                                               r.nul ? QVariant() : QVariant(r.valeur));
        rs->Close();
        if (!present) {
            return false;
        }
    }
    return true;
}

EtatDistant Examiner(dao::Database& distante, const IntentionSynchronisation& intention,
                     QString& raison) {
    if (intention.Nombre() == 0) {
        // Without new records, only the fields written on old ones can tell.
        return !intention.reportes.isEmpty() && ReportesPresents(distante, intention)
                   ? EtatDistant::Complet
                   : EtatDistant::Rien;
    }
    bool tousLa = true;
    bool aucun = true;
    for (const TableIntention& t : intention.tables) {
        if (t.Nombre() == 0) {
            continue;
        }
        QList<qint64> trouves;
        const QByteArray empreinte = EmpreinteLignes(distante, t, &trouves);
        if (!trouves.isEmpty()) {
            aucun = false;
        }
        if (trouves.size() != t.Nombre()) {
            tousLa = false;
            raison = QStringLiteral("La base distante ne contient qu'une partie des "
                                    "enregistrements de la dernière synchronisation (table ") +
                     t.table + QStringLiteral(" : %1 sur %2).").arg(trouves.size()).arg(t.Nombre());
        } else if (empreinte != t.empreinte) {
            tousLa = false;
            raison = QStringLiteral("Des enregistrements de la dernière synchronisation ont été "
                                    "modifiés ou remplacés dans la base distante (table ") +
                     t.table + QStringLiteral(").");
        }
    }
    if (tousLa) {
        return EtatDistant::Complet;
    }
    return aucun ? EtatDistant::Absent : EtatDistant::Autre;
}

EtatLocal ExaminerLocale(const QList<pratique::LigneSynchro>& lignes,
                         const IntentionSynchronisation& intention) {
    if (lignes.isEmpty()) {
        return EtatLocal::Vide;
    }
    // The record keeps what tells the rows apart: id, table and dernier_no.
    const auto memes = [](const pratique::LigneSynchro& a, const pratique::LigneSynchro& b) {
        return a.id == b.id && a.table == b.table && a.dernierNo == b.dernierNo;
    };
    return std::equal(lignes.cbegin(), lignes.cend(), intention.synchroLocale.cbegin(),
                      intention.synchroLocale.cend(), memes)
               ? EtatLocal::Origine
               : EtatLocal::Autre;
}

bool Reprendre() {
    IntentionSynchronisation intention;
    QString raison;
    QByteArray texte;
    {
        QFile fichier(plateforme::CheminNatif(CheminIntention()));
        if (!fichier.open(QIODevice::ReadOnly)) {
            Avertir(QStringLiteral("Le fichier de reprise ne peut pas être lu."));
            return false;
        }
        texte = fichier.readAll();
    }
    if (!DeserialiserIntention(texte, intention, raison)) {
        Avertir(QStringLiteral("Le fichier de reprise est inutilisable : ") + raison +
                QLatin1Char('.'));
        return false;
    }

    std::shared_ptr<dao::Database> locale;
    QList<pratique::LigneSynchro> lignes;
    try {
        locale = dao::DBEngine::Instance().OpenDatabase(intention.baseLocale);
        lignes = pratique::LireSynchro(*locale);
    } catch (const plateforme::Erreur& e) {
        Avertir(QStringLiteral("La base locale ") + intention.baseLocale +
                QStringLiteral(" ne peut pas être lue : ") + e.DescriptionEtNumero());
        return false;
    }
    const EtatLocal etatLocal = ExaminerLocale(lignes, intention);

    EtatDistant etatDistant = EtatDistant::Autre;
    {
        std::shared_ptr<dao::Database> distante = OuvrirBaseDistante(intention, raison);
        if (!distante) {
            Avertir(raison);
            return false;
        }
        etatDistant = Examiner(*distante, intention, raison);
        distante->Close();
    }

    const bool envoyee = etatDistant == EtatDistant::Complet ||
                         (etatDistant == EtatDistant::Rien && etatLocal != EtatLocal::Origine);
    const bool annulee = (etatDistant == EtatDistant::Absent || etatDistant == EtatDistant::Rien) &&
                         etatLocal == EtatLocal::Origine;
    if (!envoyee && !annulee) {
        if (etatDistant == EtatDistant::Absent) {
            raison = QStringLiteral("La base distante ne contient aucun des enregistrements de la "
                                    "dernière synchronisation alors que la table de "
                                    "synchronisation locale a changé depuis.");
        }
        Avertir(raison);
        return false;
    }
    if (envoyee && etatLocal == EtatLocal::Origine) {
        // The local half of the commit: the rows sent must never be walked again.
        pratique::ViderSynchro(*locale);
    }
    locale->Close();
    locale.reset();
    SupprimerIntention();

    if (annulee) {
        JournaliserAnnulee();
    } else if (etatLocal == EtatLocal::Autre) {
        JournaliserDejaTerminee(lignes.size() != 6 && lignes.size() != 7);
    } else {
        JournaliserTerminee(true);
    }
    return true;
}

} // namespace

bool ReprendreSynchronisationInterrompue() {
    if (!IntentionPresente()) {
        return true;
    }
    try {
        return Reprendre();
    } catch (const plateforme::Erreur& e) {
        try {
            Avertir(QStringLiteral("La vérification a échoué : ") + e.DescriptionEtNumero());
        } catch (const plateforme::Erreur&) {
            // The journal itself cannot be written: the result still tells the caller.
        }
        return false;
    }
}
