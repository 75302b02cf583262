#include "contenu.h"

#include "base_sqlite.h"

#include "platform/chemins.h"
#include "platform/erreur.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <functional>

namespace demo {

namespace {

const char* const Noms[] = {"Martin",   "Bernard",  "Dubois",   "Thomas",   "Robert",   "Richard",
                            "Petit",    "Durand",   "Leroy",    "Moreau",   "Simon",    "Laurent",
                            "Lefèvre",  "Michel",   "Garcia",   "David",    "Bertrand", "Roux",
                            "Vincent",  "Fournier", "Morel",    "Girard",   "André",    "Mercier",
                            "Dupont",   "Lambert",  "Bonnet",   "François", "Noël",     "Châtelain",
                            "Béranger", "Lemaître", "Guérin",   "Faure",    "Rolland",  "Barbier",
                            "Hélie",    "Perrin",   "Gauthier", "Clément",  "Brunet",   "Caron"};
const char* const PrenomsF[] = {"Élodie", "Hélène", "Zoé",    "Chloé", "Léa",    "Noémie",
                                "Agnès",  "Céline", "Gaëlle", "Anaïs", "Marie",  "Claire",
                                "Inès",   "Lucie",  "Amélie", "Maëva", "Jeanne", "Sophie"};
const char* const PrenomsH[] = {"Jérôme", "François", "Maël",  "Loïc",     "Benoît",  "Raphaël",
                                "Jean",   "Pierre",   "Luc",   "Théo",     "Étienne", "Joël",
                                "Mathéo", "Noé",      "André", "Frédéric", "Hervé",   "Grégoire"};
const char* const Villes[][2] = {{"69003", "Lyon"},
                                 {"42000", "Saint-Étienne"},
                                 {"25000", "Besançon"},
                                 {"45000", "Orléans"},
                                 {"30000", "Nîmes"},
                                 {"24000", "Périgueux"},
                                 {"74500", "Évian-les-Bains"},
                                 {"38000", "Grenoble"},
                                 {"73000", "Chambéry"},
                                 {"01000", "Bourg-en-Bresse"}};
const char* const Rues[] = {"rue des Lilas",       "avenue Jean-Jaurès", "place de l'Église",
                            "chemin des Écoliers", "boulevard Gambetta", "impasse du Moulin",
                            "rue Émile-Zola",      "quai Saint-Vincent"};
const char* const Motifs[] = {"Otite moyenne aiguë",
                              "Vertiges rotatoires",
                              "Acouphènes",
                              "Bilan auditif",
                              "Sinusite chronique",
                              "Rhinite allergique",
                              "Contrôle post-opératoire",
                              "Dysphonie",
                              "Angine récidivante",
                              "Épistaxis",
                              "Surdité brusque",
                              "Ronflements"};
const char* const Traitements[] = {
    "Amoxicilline 1 g, un comprimé matin et soir pendant 8 jours",
    "Lavages de nez au sérum physiologique, trois fois par jour",
    "Bétahistine 24 mg, un comprimé matin et soir pendant un mois",
    "Prednisolone 20 mg, deux comprimés le matin pendant 5 jours",
    "Spray nasal de mométasone, deux pulvérisations par narine le matin",
    "Paracétamol 1 g, jusqu'à trois fois par jour si douleur"};
const char* const Confreres[] = {"Dr Aubert, médecin généraliste",
                                 "Dr Lebrun, pédiatre",
                                 "Dr Masson, neurologue",
                                 "Dr Picard, radiologue",
                                 "Clinique du Parc, service d'anesthésie",
                                 "Dr Noël, cardiologue"};
const char* const Interventions[] = {
    "Amygdalectomie", "Adénoïdectomie", "Aérateurs transtympaniques",
    "Septoplastie",   "Tympanoplastie", "Méatotomie moyenne"};

// Kinds of attached objects, as the practice application names their files.
enum class Gestion { Fichier, Fixe, Lien, Inconnu };
struct GenreObjet {
    const char* typeobjet;
    const char* ecran; // attachobjet
    Gestion gestion;
    const char* modegestion; // in typeobjet
    const char* prefixe;     // of the file name, or of the reference of a link
    const char* extension;   // with its dot; nullptr: no extension in typeobjet
    const char* libelle;
};
const GenreObjet Genres[] = {
    {"photo", "consultation", Gestion::Fichier, "fichier", "FI", ".jpg", "Photographie"},
    {"photo", "FicheDescriptive", Gestion::Fichier, "fichier", "FI", ".jpg", "Photographie"},
    {"document", "consultation", Gestion::Fichier, "Fichier", "FI", ".doc", "Document"},
    {"tableur", "consultation", Gestion::Fichier, "fichier", "FI", ".xls", "Feuille de calcul"},
    {"image", "courrier", Gestion::Fichier, "fichier", "FI", ".png", "Image du courrier"},
    {"divers", "consultation", Gestion::Fichier, "fichier", "FI", nullptr, "Fichier divers"},
    {"dessin1", "courrier", Gestion::Fichier, "fichier", "FI", ".bmp", "Schéma du courrier"},
    {"vestib1", "consultation", Gestion::Fixe, "interne", "ve", ".ves", "Vestibulométrie"},
    {"cardio1", "consultation", Gestion::Fixe, "interne", "uc", ".car", "Cardiologie"},
    {"impedanc", "consultation", Gestion::Fixe, "interne", "FI", ".or1", "Impédancemétrie"},
    {"audio40", "consultation", Gestion::Fixe, "interne", "FI", ".or3", "Audiométrie"},
    {"dessin1", "consultation", Gestion::Fixe, "interne", "FI", ".des", "Dessin"},
    {"alerte", "FicheDescriptive", Gestion::Fixe, "interne", "FI", ".ale", "Alerte"},
    {"objinfo", "consultation", Gestion::Lien, "lien", "cou", nullptr, "Courrier lié"},
    {"objinfo", "consultation", Gestion::Lien, "lien", "cro", nullptr, "Compte rendu lié"},
    {"objinfo", "consultation", Gestion::Lien, "lien", "cor", nullptr, "Correspondance liée"},
    // Not in typeobjet: an object of a type the synchronisation does not carry.
    {"inconnu", "consultation", Gestion::Inconnu, nullptr, "", nullptr, "Objet d'un ancien module"},
};
constexpr int NombreGenres = static_cast<int>(sizeof(Genres) / sizeof(Genres[0])) - 1;
constexpr int GenreInconnu = NombreGenres;
enum GenreNomme {
    Photo = 0,
    FichePhoto = 1,
    Vestib = 7,
    Audio = 10,
    Dessin = 11,
    Alerte = 12,
    LienCourrier = 13
};

template <size_t N> QString Au(const char* const (&liste)[N], size_t i) {
    return QString::fromUtf8(liste[i % N]);
}

QString Six(int id) {
    return QStringLiteral("%1").arg(id, 6, 10, QLatin1Char('0'));
}

} // namespace

const std::vector<TableSynchronisee>& TablesSynchronisees() {
    static const std::vector<TableSynchronisee> tables = {
        {QStringLiteral("patient"), QStringLiteral("identifiant"), QStringLiteral("identifiant")},
        {QStringLiteral("consultation"), QStringLiteral("identconsultation"),
         QStringLiteral("identifiant")},
        {QStringLiteral("ordonnance"), QStringLiteral("identordonnance"),
         QStringLiteral("identifiant")},
        {QStringLiteral("courrier"), QStringLiteral("identcourrier"),
         QStringLiteral("identifiant")},
        {QStringLiteral("cro"), QStringLiteral("identcro"), QStringLiteral("identifiant")},
        {QStringLiteral("correspondance"), QStringLiteral("identcorrespondance"),
         QStringLiteral("identifiant")},
        {QStringLiteral("objet"), QStringLiteral("identobjet"), QStringLiteral("identpatient")}};
    return tables;
}

struct Generateur::Tables {
    explicit Tables(BaseSqlite& base)
        : patient(base, QStringLiteral("patient"),
                  {QStringLiteral("identifiant"), QStringLiteral("numdossier"),
                   QStringLiteral("nom"), QStringLiteral("prenom"), QStringLiteral("sexe"),
                   QStringLiteral("datenaissance"), QStringLiteral("adresse"),
                   QStringLiteral("codepostal"), QStringLiteral("ville"),
                   QStringLiteral("telephone"), QStringLiteral("medecintraitant"),
                   QStringLiteral("observations"), QStringLiteral("datecreation"),
                   QStringLiteral("actif")})
        , consultation(base, QStringLiteral("consultation"),
                       {QStringLiteral("identconsultation"), QStringLiteral("identifiant"),
                        QStringLiteral("dateconsultation"), QStringLiteral("motif"),
                        QStringLiteral("texte"), QStringLiteral("conclusion"),
                        QStringLiteral("montant")})
        , ordonnance(base, QStringLiteral("ordonnance"),
                     {QStringLiteral("identordonnance"), QStringLiteral("identifiant"),
                      QStringLiteral("identconsultation"), QStringLiteral("dateordonnance"),
                      QStringLiteral("texte"), QStringLiteral("renouvelable")})
        , courrier(base, QStringLiteral("courrier"),
                   {QStringLiteral("identcourrier"), QStringLiteral("identifiant"),
                    QStringLiteral("datecourrier"), QStringLiteral("destinataire"),
                    QStringLiteral("objet"), QStringLiteral("nomfichier")})
        , cro(base, QStringLiteral("cro"),
              {QStringLiteral("identcro"), QStringLiteral("identifiant"), QStringLiteral("datecro"),
               QStringLiteral("intervention"), QStringLiteral("operateur"),
               QStringLiteral("nomfichier")})
        , correspondance(base, QStringLiteral("correspondance"),
                         {QStringLiteral("identcorrespondance"), QStringLiteral("identifiant"),
                          QStringLiteral("datecorrespondance"), QStringLiteral("expediteur"),
                          QStringLiteral("objet"), QStringLiteral("nomfichier")})
        , objet(base, QStringLiteral("objet"),
                {QStringLiteral("identobjet"), QStringLiteral("identpatient"),
                 QStringLiteral("attachobjet"), QStringLiteral("identattach"),
                 QStringLiteral("typeobjet"), QStringLiteral("nomfichier"),
                 QStringLiteral("libelle"), QStringLiteral("datecreation")}) {}

    Insertion patient;
    Insertion consultation;
    Insertion ordonnance;
    Insertion courrier;
    Insertion cro;
    Insertion correspondance;
    Insertion objet;

    void Compter(QMap<QString, int>& comptes) const {
        comptes[QStringLiteral("patient")] += patient.Lignes();
        comptes[QStringLiteral("consultation")] += consultation.Lignes();
        comptes[QStringLiteral("ordonnance")] += ordonnance.Lignes();
        comptes[QStringLiteral("courrier")] += courrier.Lignes();
        comptes[QStringLiteral("cro")] += cro.Lignes();
        comptes[QStringLiteral("correspondance")] += correspondance.Lignes();
        comptes[QStringLiteral("objet")] += objet.Lignes();
    }
};

Generateur::Generateur(const OptionsDemo& options)
    : options_(options)
    , alea_(options.graine) {}

// The practice numbers its records itself; deleted records leave gaps.
int Generateur::NouvelId(const QString& table, bool avecTrous) {
    int& dernier = dernier_[table];
    dernier += 1;
    if (avecTrous && alea_.bounded(20) == 0) {
        dernier += Entre(1, 3);
    }
    return dernier;
}

QDateTime Generateur::Moment() {
    const QDate jour = QDate(2012, 1, 2).addDays(Entre(0, 5400));
    return QDateTime(jour, QTime(Entre(8, 18), Entre(0, 3) * 15));
}

// The folder is translated once: translating each new file's path would scan its folder for a
// name of another case, and the folders hold tens of thousands of files.
void Generateur::Ecrire(const QString& cheminWindows, const QByteArray& contenu) {
    const qsizetype barre = cheminWindows.lastIndexOf(QLatin1Char('\\'));
    const QString dossier = cheminWindows.left(barre);
    auto it = dossiersNatifs_.find(dossier);
    if (it == dossiersNatifs_.end()) {
        it = dossiersNatifs_.insert(dossier, plateforme::CheminNatif(dossier));
    }
    const QString natif = it.value() + QLatin1Char('/') + cheminWindows.mid(barre + 1);
    QFile f(natif);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenu) != contenu.size()) {
        plateforme::Lever(plateforme::err::PermissionRefusee,
                          QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(natif));
    }
    ++bilan_->fichiers;
}

Generateur::Patient& Generateur::AjouterPatient(Tables& t, bool avecTrous, bool dossierAlpha) {
    Patient p;
    p.id = NouvelId(QStringLiteral("patient"), avecTrous);
    const bool femme = alea_.bounded(2) == 0;
    p.nom = Au(Noms, alea_.bounded(100000));
    p.prenom = femme ? Au(PrenomsF, alea_.bounded(1000)) : Au(PrenomsH, alea_.bounded(1000));
    const size_t ville = alea_.bounded(100);
    const QString dossier = dossierAlpha ? QStringLiteral("A-%1").arg(p.id) : QString::number(p.id);
    const QVariant observations =
        alea_.bounded(3) == 0 ? QVariant(QStringLiteral("Allergie à la pénicilline")) : QVariant();
    t.patient.Ajouter({p.id, dossier, p.nom.toUpper(), p.prenom, femme ? "F" : "M",
                       QDate(1930, 1, 1).addDays(Entre(0, 32000)),
                       QStringLiteral("%1 %2").arg(Entre(1, 120)).arg(Au(Rues, alea_.bounded(100))),
                       QString::fromUtf8(Villes[ville % 10][0]),
                       QString::fromUtf8(Villes[ville % 10][1]),
                       QStringLiteral("04 %1 %2 %3 %4")
                           .arg(Entre(10, 99))
                           .arg(Entre(10, 99))
                           .arg(Entre(10, 99))
                           .arg(Entre(10, 99)),
                       Au(Confreres, alea_.bounded(100)), observations, Moment(), 1});
    patients_.push_back(std::move(p));
    return patients_.back();
}

int Generateur::AjouterConsultation(Tables& t, Patient& p, bool avecTrous, bool ordonnance) {
    const int id = NouvelId(QStringLiteral("consultation"), avecTrous);
    const QDateTime quand = Moment();
    const QString motif = Au(Motifs, alea_.bounded(1000));
    t.consultation.Ajouter(
        {id, p.id, quand, motif,
         QStringLiteral("Examen ORL : %1. Tympans normaux, pas de fièvre.").arg(motif.toLower()),
         QStringLiteral("Revoir dans %1 semaines").arg(Entre(2, 12)),
         alea_.bounded(2) == 0 ? 30.0 : 50.0});
    p.consultations.push_back(id);
    if (ordonnance) {
        t.ordonnance.Ajouter({NouvelId(QStringLiteral("ordonnance"), avecTrous), p.id, id, quand,
                              Au(Traitements, alea_.bounded(1000)), alea_.bounded(4) == 0 ? 1 : 0});
    }
    return id;
}

int Generateur::AjouterDocument(Tables& t, Sorte sorte, Patient& p, QChar poste,
                                const QString& arbre, bool avecTrous) {
    static const char* const tables[] = {"courrier", "cro", "correspondance"};
    static const char* const dossiers[] = {"courrier", "cro", "corres"};
    static const char* const extensions[] = {".doc", ".doc", ".pdf"};
    const int k = static_cast<int>(sorte);
    const int id = NouvelId(QLatin1String(tables[k]), avecTrous);
    const QString nom = QStringLiteral("x") + poste + Six(id) + QLatin1String(extensions[k]);
    // The stored path is the one the practice application sees, through its drive P.
    const QString nomfichier =
        QStringLiteral("P:\\zelvano\\") + QLatin1String(dossiers[k]) + QLatin1Char('\\') + nom;
    const QString confrere = Au(Confreres, alea_.bounded(100));
    const QDateTime quand = Moment();
    QString texte;
    switch (sorte) {
    case Sorte::Courrier:
        texte = QStringLiteral("Courrier n° %1 du %2\r\nÀ l'attention de : %3\r\nObjet : %4 %5\r\n"
                               "Cher confrère, j'ai vu en consultation votre patient(e)...\r\n");
        t.courrier.Ajouter({id, p.id, quand, confrere,
                            QStringLiteral("Compte rendu de consultation"), nomfichier});
        courriers_.push_back({id, p.id});
        p.courriers.push_back(id);
        break;
    case Sorte::Cro:
        texte = QStringLiteral("Compte rendu opératoire n° %1 du %2\r\nAnesthésie : %3\r\n"
                               "Patient(e) : %4 %5\r\nIntervention réalisée sans incident.\r\n");
        t.cro.Ajouter({id, p.id, quand, Au(Interventions, alea_.bounded(100)),
                       QStringLiteral("Dr Zelvano"), nomfichier});
        cros_.push_back({id, p.id});
        break;
    case Sorte::Correspondance:
        texte = QStringLiteral("%PDF-1.4\r\nCorrespondance n° %1 reçue le %2\r\nDe : %3\r\n"
                               "Concernant : %4 %5\r\n");
        t.correspondance.Ajouter(
            {id, p.id, quand, confrere, QStringLiteral("Résultats d'examens"), nomfichier});
        correspondances_.push_back({id, p.id});
        break;
    }
    Ecrire(arbre + QLatin1Char('\\') + QLatin1String(dossiers[k]) + QLatin1Char('\\') + nom,
           texte.arg(id)
               .arg(quand.toString(QStringLiteral("dd/MM/yyyy")), confrere, p.nom, p.prenom)
               .toUtf8());
    return id;
}

bool Generateur::AjouterObjet(Tables& t, int genre, Patient& p, const QString& arbre,
                              bool avecTrous) {
    const GenreObjet& g = Genres[genre];
    const QString ecran = QString::fromUtf8(g.ecran);
    int identattach = 0;
    if (ecran == QLatin1String("consultation")) {
        identattach = p.consultations.empty() ? 0 : Choisir(p.consultations);
    } else if (ecran == QLatin1String("courrier")) {
        if (courriers_.empty()) {
            return false;
        }
        identattach = p.courriers.empty() ? Choisir(courriers_).id : Choisir(p.courriers);
    } else if (genre == FichePhoto) {
        identattach = p.id;
    }
    QString reference;
    if (g.gestion == Gestion::Lien) {
        const std::vector<Document>& cibles = g.prefixe[2] == 'u'   ? courriers_
                                              : g.prefixe[2] == 'o' ? cros_
                                                                    : correspondances_;
        if (cibles.empty()) {
            return false;
        }
        reference = QLatin1String(g.prefixe) + QString::number(Choisir(cibles).id);
    }
    const int id = NouvelId(QStringLiteral("objet"), avecTrous);
    QString nomfichier = reference;
    if (g.gestion == Gestion::Fichier || g.gestion == Gestion::Fixe) {
        nomfichier = QLatin1String(g.prefixe) + Six(id) +
                     (g.extension != nullptr ? QLatin1String(g.extension) : QLatin1String("."));
        QByteArray contenu =
            "ZLV-OBJ " + QByteArray(g.typeobjet) + ' ' + QByteArray::number(id) + "\r\n";
        for (int i = 0; i < Entre(4, 40); ++i) {
            contenu += static_cast<char>(alea_.bounded(256));
        }
        Ecrire(arbre + QStringLiteral("\\data\\") + nomfichier, contenu);
    } else if (g.gestion == Gestion::Inconnu) {
        nomfichier = QStringLiteral("ancien%1.dat").arg(id);
    }
    // The practice writes some types with capitals: the lookup of their mode ignores case.
    QString type = QString::fromUtf8(g.typeobjet);
    if (genre == Photo && id % 3 == 0) {
        type = QStringLiteral("Photo");
    }
    t.objet.Ajouter(
        {id, p.id, ecran, identattach, type, nomfichier, QString::fromUtf8(g.libelle), Moment()});
    return true;
}

void Generateur::EcrireDossiersAnnexes(const QString& arbre) {
    for (int i = 1; i <= 3; ++i) {
        Ecrire(arbre + QStringLiteral("\\certif\\certificat%1.doc").arg(i),
               QStringLiteral("Certificat médical type n° %1\r\n").arg(i).toUtf8());
        Ecrire(
            arbre + QStringLiteral("\\flash\\fiche%1.txt").arg(i),
            QStringLiteral("Fiche flash n° %1 : conseils après intervention\r\n").arg(i).toUtf8());
    }
    for (const char* modele : {"courrier", "ordonnance", "cro", "certificat"}) {
        Ecrire(arbre + QStringLiteral("\\modeles\\modele_%1.doc").arg(QLatin1String(modele)),
               QStringLiteral("Modèle de %1 : «NOM» «PRENOM»\r\n")
                   .arg(QLatin1String(modele))
                   .toUtf8());
    }
    // Reference data that stays on the server (never copied to a workstation).
    QDir().mkpath(plateforme::CheminNatif(arbre + QStringLiteral("\\REF")));
    Ecrire(arbre + QStringLiteral("\\REF\\medicaments.txt"),
           QByteArray("Référentiel des médicaments\r\n"));
}

void Generateur::RemplirServeur(BaseSqlite& base, const QString& arbre, BilanDemo& bilan) {
    bilan_ = &bilan;
    Insertion types(base, QStringLiteral("typeobjet"),
                    {QStringLiteral("typeobjet"), QStringLiteral("nomecran"),
                     QStringLiteral("modegestion"), QStringLiteral("extension"),
                     QStringLiteral("libelle")});
    for (int i = 0; i < NombreGenres; ++i) {
        const GenreObjet& g = Genres[i];
        if (i == LienCourrier + 1 || i == LienCourrier + 2) {
            continue; // one row for the three kinds of links
        }
        const QVariant extension =
            g.extension != nullptr ? QVariant(QString::fromUtf8(g.extension + 1)) : QVariant();
        types.Ajouter({QString::fromUtf8(g.typeobjet), QString::fromUtf8(g.ecran),
                       QString::fromUtf8(g.modegestion), extension, QString::fromUtf8(g.libelle)});
    }

    Tables t(base);
    const QChar postes[] = {QLatin1Char('A'), QLatin1Char('B'), QLatin1Char('S')};
    for (int i = 0; i < options_.patients; ++i) {
        Patient& p = AjouterPatient(t, true, alea_.bounded(10) == 0);
        for (int c = 0; c < options_.consultations; ++c) {
            AjouterConsultation(t, p, true, alea_.bounded(2) == 0);
        }
    }
    if (!patients_.empty()) {
        for (int d = 0; d < options_.documents; ++d) {
            Patient& p = patients_[alea_.bounded(static_cast<quint32>(patients_.size()))];
            AjouterDocument(t, static_cast<Sorte>(d % 3), p, postes[alea_.bounded(3)], arbre, true);
        }
        for (int o = 0; o < options_.objets; ++o) {
            Patient& p = patients_[alea_.bounded(static_cast<quint32>(patients_.size()))];
            if (!AjouterObjet(t, o % NombreGenres, p, arbre, true)) {
                AjouterObjet(t, Photo, p, arbre, true);
            }
        }
    }
    EcrireDossiersAnnexes(arbre);
    t.Compter(bilan.distants);
    bilan.distants[QStringLiteral("typeobjet")] = types.Lignes();
}

void Generateur::RemplirNouveaux(BaseSqlite& base, const QString& arbre, BilanDemo& bilan,
                                 QChar poste) {
    bilan_ = &bilan;
    Tables t(base);
    const size_t anciens = patients_.size();
    for (int n = 0; n < options_.nouveaux; ++n) {
        Patient& p = AjouterPatient(t, false, n % 4 == 3);
        const int consultations = std::max(1, options_.consultations);
        for (int c = 0; c < consultations; ++c) {
            AjouterConsultation(t, p, false, c % 2 == 0);
        }
        AjouterDocument(t, Sorte::Courrier, p, poste, arbre, false);
        if (n % 3 == 0) {
            AjouterDocument(t, Sorte::Cro, p, poste, arbre, false);
        }
        if (n % 2 == 0) {
            AjouterDocument(t, Sorte::Correspondance, p, poste, arbre, false);
        }
        // The object kinds in turn, plus a photo, a link to the new letter and an audiogram.
        AjouterObjet(t, Photo, p, arbre, false);
        AjouterObjet(t, n % NombreGenres, p, arbre, false);
        AjouterObjet(t, Audio, p, arbre, false);
        if (n % 4 == 0) {
            AjouterObjet(t, Alerte, p, arbre, false);
        }
        if (n % 5 == 4) {
            AjouterObjet(t, GenreInconnu, p, arbre, false);
        }
    }
    // Links to the new letters: each new patient's letter is the last one added for it.
    for (size_t i = anciens; i < patients_.size(); ++i) {
        Patient& p = patients_[i];
        if (!p.courriers.empty() && !p.consultations.empty()) {
            const int id = NouvelId(QStringLiteral("objet"), false);
            t.objet.Ajouter({id, p.id, QStringLiteral("consultation"), p.consultations.front(),
                             QStringLiteral("objinfo"),
                             QStringLiteral("cou%1").arg(p.courriers.back()),
                             QStringLiteral("Courrier lié"), Moment()});
        }
    }
    // New consultations of patients who were already in the base, with a drawing each.
    if (anciens > 0) {
        for (int k = 0; k < (options_.nouveaux + 1) / 2; ++k) {
            Patient& p = patients_[alea_.bounded(static_cast<quint32>(anciens))];
            AjouterConsultation(t, p, false, k % 2 == 0);
            AjouterObjet(t, Dessin, p, arbre, false);
            if (k % 2 == 1) {
                AjouterObjet(t, Vestib, p, arbre, false);
            }
        }
    }
    t.Compter(bilan.nouveaux);
}

void Generateur::Reprendre(BaseSqlite& base) {
    for (const TableSynchronisee& t : TablesSynchronisees()) {
        dernier_[t.table] = static_cast<int>(
            base.Entier(QStringLiteral("SELECT max(%1) FROM %2").arg(t.champId, t.table)));
    }
    patients_.clear();
    QHash<int, size_t> rangs;
    const auto lire = [&base](const char* sql, const std::function<void(sqlite3_stmt*)>& ligne) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(base.Db(), sql, -1, &s, nullptr) != SQLITE_OK) {
            base.Echouer(sqlite3_errcode(base.Db()));
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            ligne(s);
        }
        sqlite3_finalize(s);
    };
    const auto texte = [](sqlite3_stmt* s, int colonne) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, colonne)));
    };
    lire("SELECT identifiant, nom, prenom FROM patient ORDER BY identifiant", [&](sqlite3_stmt* s) {
        Patient p;
        p.id = sqlite3_column_int(s, 0);
        p.nom = texte(s, 1);
        p.prenom = texte(s, 2);
        rangs.insert(p.id, patients_.size());
        patients_.push_back(std::move(p));
    });
    const auto ajouter = [&](sqlite3_stmt* s, std::vector<int> Patient::*liste) {
        const auto it = rangs.constFind(sqlite3_column_int(s, 0));
        if (it != rangs.constEnd()) {
            (patients_[*it].*liste).push_back(sqlite3_column_int(s, 1));
        }
    };
    lire("SELECT identifiant, identconsultation FROM consultation ORDER BY 2",
         [&](sqlite3_stmt* s) { ajouter(s, &Patient::consultations); });
    lire("SELECT identifiant, identcourrier FROM courrier ORDER BY 2",
         [&](sqlite3_stmt* s) { ajouter(s, &Patient::courriers); });
}

} // namespace demo
