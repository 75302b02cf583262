#pragma once

#include "pratique.h"

#include <QDateTime>
#include <QHash>
#include <QRandomGenerator>
#include <QString>

#include <vector>

// The records and files of the demo practice: patients with their consultations, prescriptions,
// letters, operative reports, correspondence and attached objects of every kind.
namespace demo {

class BaseSqlite;
class Insertion;

// The seven tables the synchronisation walks, in the order of the sync journal table.
struct TableSynchronisee {
    QString table;
    QString champId;
    QString champIdDossier;
};
const std::vector<TableSynchronisee>& TablesSynchronisees();

class Generateur {
public:
    explicit Generateur(const OptionsDemo& options);

    // The server base and the files of the tree `arbre` (Windows path of the practice folder).
    void RemplirServeur(BaseSqlite& base, const QString& arbre, BilanDemo& bilan);
    // The records created on workstation `poste` since the local copy's initialisation, above
    // the maxima: in the local copy (A), or on the server by another workstation.
    void RemplirNouveaux(BaseSqlite& base, const QString& arbre, BilanDemo& bilan, QChar poste);
    // Goes on from a base already filled (its patients, their consultations and letters, the
    // largest identifier of each table), as RemplirNouveaux needs it.
    void Reprendre(BaseSqlite& base);
    // Largest identifier given so far in `table`.
    int Maximum(const QString& table) const { return dernier_.value(table); }

private:
    struct Patient {
        int id = 0;
        QString nom;
        QString prenom;
        std::vector<int> consultations;
        std::vector<int> courriers;
    };
    struct Document {
        int id = 0;
        int patient = 0;
    };
    enum class Sorte { Courrier, Cro, Correspondance };
    struct Tables; // the prepared inserts of one base

    int NouvelId(const QString& table, bool avecTrous);
    int Entre(int min, int max) { return min + static_cast<int>(alea_.bounded(max - min + 1)); }
    template <typename T> const T& Choisir(const std::vector<T>& v) {
        return v[static_cast<size_t>(alea_.bounded(static_cast<quint32>(v.size())))];
    }
    QDateTime Moment();

    Patient& AjouterPatient(Tables& t, bool avecTrous, bool dossierAlpha);
    int AjouterConsultation(Tables& t, Patient& p, bool avecTrous, bool ordonnance);
    int AjouterDocument(Tables& t, Sorte sorte, Patient& p, QChar poste, const QString& arbre,
                        bool avecTrous);
    bool AjouterObjet(Tables& t, int genre, Patient& p, const QString& arbre, bool avecTrous);
    void Ecrire(const QString& cheminWindows, const QByteArray& contenu);
    void EcrireDossiersAnnexes(const QString& arbre);

    OptionsDemo options_;
    QRandomGenerator alea_;
    QHash<QString, int> dernier_;
    QHash<QString, QString> dossiersNatifs_;
    std::vector<Patient> patients_;
    std::vector<Document> courriers_;
    std::vector<Document> cros_;
    std::vector<Document> correspondances_;
    BilanDemo* bilan_ = nullptr;
};

} // namespace demo
