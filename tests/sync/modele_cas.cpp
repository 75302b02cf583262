#include "sync/modele_cas.h"

#include "demo/base_sqlite.h"
#include "demo/pratique.h"
#include "platform/chemins.h"
#include "platform/fichiers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTimeZone>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace modele {

namespace {

const QString ArbreServeur = QStringLiteral("\\\\serveur\\zelvano\\zelvano");
const QString ArbreLocal = QStringLiteral("C:\\zelvano");

struct FermerSqlite {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connexion = std::unique_ptr<sqlite3, FermerSqlite>;

Genre GenreDeclare(const QString& type) {
    const QString t = type.toUpper();
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME"))) {
        return Genre::Date;
    }
    if (t.contains(QLatin1String("INT"))) {
        return Genre::Entier;
    }
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB"))) {
        return Genre::Reel;
    }
    return Genre::Texte;
}

// A default as the schema writes it: '' or 'text', a number, NULL.
QVariant Defaut(const QString& texte) {
    if (texte.isEmpty() || texte.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) {
        return {};
    }
    if (texte.startsWith(QLatin1Char('\''))) {
        return texte.mid(1, texte.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    }
    bool entier = false;
    const qint64 n = texte.toLongLong(&entier);
    if (entier) {
        return n;
    }
    return texte.toDouble();
}

Schema LireSchema() {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    const Connexion connexion(db);
    sqlite3_exec(db, demo::SchemaPratique().toUtf8().constData(), nullptr, nullptr, nullptr);
    Schema schema;
    for (const char* table : {"patient", "consultation", "ordonnance", "courrier", "cro",
                              "correspondance", "objet", "typeobjet", "synchro"}) {
        // cid, name, type, notnull, dflt_value, pk
        const photos::Lecture info =
            photos::Lire(db, QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)));
        QList<Colonne> colonnes;
        for (const QVariantList& c : info.lignes) {
            colonnes.append({c[1].toString(), GenreDeclare(c[2].toString()),
                             c[4].isNull() ? QVariant() : Defaut(c[4].toString())});
        }
        schema.insert(QLatin1String(table), colonnes);
    }
    return schema;
}

QString Six(qint64 n) {
    return QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
}

// A date as the module's dates read back: date-only texts take a time of midnight.
QString DateCanonique(const QString& texte) {
    if (QDateTime::fromString(texte, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid()) {
        return texte;
    }
    const QDate jour = QDate::fromString(texte, QStringLiteral("yyyy-MM-dd"));
    return jour.isValid() ? texte + QStringLiteral(" 00:00:00") : texte;
}

QString FormeColonne(const QVariant& v, Genre genre) {
    if (v.isNull()) {
        return QStringLiteral("N");
    }
    const bool nombre = v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int ||
                        v.typeId() == QMetaType::Double;
    if (nombre && genre == Genre::Reel) {
        return QStringLiteral("R:") + QString::number(v.toDouble(), 'g', 17);
    }
    if (v.typeId() == QMetaType::QString && genre == Genre::Date) {
        return QStringLiteral("T:") + DateCanonique(v.toString());
    }
    return Forme(v);
}

// The identifier order of a table's rows: its first column; typeobjet by type and screen.
bool Avant(const QString& table, const Ligne& a, const Ligne& b) {
    if (table == QLatin1String("typeobjet")) {
        return std::pair(a[0].toString().toUtf8(), a[1].toString().toUtf8()) <
               std::pair(b[0].toString().toUtf8(), b[1].toString().toUtf8());
    }
    return a[0].toLongLong() < b[0].toLongLong();
}

class Generateur {
public:
    Generateur(quint32 graine, int taille)
        : alea_(graine)
        , taille_(taille) {
        cas_.graine = graine;
    }
    Cas Construire();

private:
    struct Monde {
        QList<qint64> patients;
        QList<qint64> consultations;
        QList<qint64> documents[3]; // courrier, cro, correspondance
    };
    enum class Cote { Ancien, Serveur, Local };

    int Entre(int min, int max) { return min + static_cast<int>(alea_.bounded(max - min + 1)); }
    bool Chance(int pourcent) { return static_cast<int>(alea_.bounded(100)) < pourcent; }
    template <typename T> T Parmi(const QList<T>& liste) {
        return liste[static_cast<qsizetype>(alea_.bounded(static_cast<quint32>(liste.size())))];
    }
    QString Moment() {
        const QDateTime t = QDateTime(QDate(2015, 1, 1), QTime(8, 0))
                                .addDays(Entre(0, 4000))
                                .addSecs(Entre(0, 10 * 3600));
        return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    QString Mot();
    qint64 Identifiant(QMap<QString, qint64>& dernier, const QString& table, bool trous) {
        qint64& d = dernier[table];
        d += trous && Chance(15) ? Entre(2, 4) : 1;
        return d;
    }
    QMap<QString, qint64>& Dernier(Cote cote) {
        return cote == Cote::Local ? dernierLocal_ : dernierServeur_;
    }
    // The row goes into the server base, the local base, or both (the state of the last
    // initialisation).
    void Ajouter(Cote cote, const QString& table, const Ligne& ligne) {
        if (cote != Cote::Local) {
            cas_.serveur[table].append(ligne);
        }
        if (cote != Cote::Serveur) {
            cas_.local[table].append(ligne);
        }
    }
    void Fichier(Cote cote, const QString& cle, const QByteArray& contenu) {
        if (cote != Cote::Local) {
            cas_.arbreServeur.insert(cle, contenu);
        }
        if (cote != Cote::Serveur) {
            cas_.arbreLocal.insert(cle, contenu);
        }
    }
    static Ligne Vide(const QString& table) { return Ligne(SchemaPratique().value(table).size()); }
    static void Poser(Ligne& l, const QString& table, const char* colonne, const QVariant& v) {
        l[Rang(table, QLatin1String(colonne))] = v;
    }

    void Types();
    qint64 Patient(Cote cote, Monde& m);
    qint64 Consultation(Cote cote, Monde& m, const QVariant& patient);
    void Ordonnance(Cote cote, const QVariant& patient, const QVariant& consultation);
    qint64 Document(Cote cote, Monde& m, int sorte, const QVariant& patient, QChar poste);
    void Objet(Cote cote, const Monde& m, const Monde& anciens, qint64 patient,
               const QList<qint64>& consultations);
    QVariant NomDocument(int sorte, qint64 id, QChar poste, QString& cleFichier);
    void Peupler(Cote cote, Monde& m, const Monde& anciens, int patients, QChar poste);

    QRandomGenerator alea_;
    int taille_;
    Cas cas_;
    QMap<QString, qint64> dernierServeur_;
    QMap<QString, qint64> dernierLocal_;
};

const char* const Tables3[] = {"courrier", "cro", "correspondance"};
const char* const Dossiers3[] = {"courrier", "cro", "corres"};
const char* const Extensions3[] = {".doc", ".doc", ".pdf"};

QString Generateur::Mot() {
    static const char* const mots[] = {
        "Martin", "Lefèvre", "Châtelain", "O'Brien", "Noël",     "Dupont-Durand", "Hélène",
        "Zoé",    "Jérôme",  "\"Doc\"",   "Ñuñez",   "François", "Béranger",      "Ève"};
    return QString::fromUtf8(mots[alea_.bounded(static_cast<quint32>(std::size(mots)))]);
}

// Types as the server base knows them (the local copy holds the same rows): file-managed
// types with and without extension, one written in capitals, a fixed type also managed as
// files for one screen, a type whose mode is Null, the link type.
void Generateur::Types() {
    struct Type {
        const char* type;
        const char* ecran;
        const char* mode;
        const char* extension;
    };
    static const Type types[] = {
        {"photo", "consultation", "fichier", "jpg"},
        {"photo", "FicheDescriptive", "fichier", "jpg"},
        {"document", "consultation", "Fichier", "doc"},
        {"divers", "consultation", "fichier", nullptr},
        {"dessin1", "courrier", "fichier", "bmp"},
        {"image", "courrier", "FICHIER", "png"},
        {"vestib1", "consultation", "interne", "ves"},
        {"audio40", "consultation", "interne", "or3"},
        {"objinfo", "consultation", "lien", nullptr},
        {"tableur", "consultation", nullptr, "xls"},
    };
    for (const Type& t : types) {
        if (!Chance(88)) {
            continue;
        }
        const auto texte = [](const char* s) {
            return s ? QVariant(QString::fromUtf8(s)) : QVariant();
        };
        Ligne l = Vide(QStringLiteral("typeobjet"));
        Poser(l, QStringLiteral("typeobjet"), "typeobjet", texte(t.type));
        Poser(l, QStringLiteral("typeobjet"), "nomecran", texte(t.ecran));
        Poser(l, QStringLiteral("typeobjet"), "modegestion", texte(t.mode));
        Poser(l, QStringLiteral("typeobjet"), "extension", texte(t.extension));
        Poser(l, QStringLiteral("typeobjet"), "libelle",
              QStringLiteral("Type ") + QLatin1String(t.type));
        Ajouter(Cote::Ancien, QStringLiteral("typeobjet"), l);
    }
}

qint64 Generateur::Patient(Cote cote, Monde& m) {
    const QString t = QStringLiteral("patient");
    const qint64 id = Identifiant(Dernier(cote), t, cote != Cote::Local || Chance(20));
    Ligne l = Vide(t);
    Poser(l, t, "identifiant", id);
    const int dossier = Entre(0, 99);
    Poser(l, t, "numdossier",
          dossier < 65   ? QVariant(QString::number(id))
          : dossier < 75 ? QVariant(QStringLiteral("A-%1").arg(id))
          : dossier < 85 ? QVariant(QStringLiteral(" %1 ").arg(id))
          : dossier < 92 ? QVariant()
                         : QVariant(QString()));
    Poser(l, t, "nom", Mot().toUpper());
    Poser(l, t, "prenom",
          Chance(15)   ? QVariant()
          : Chance(10) ? QVariant(QString())
                       : QVariant(Mot()));
    Poser(l, t, "sexe", Chance(50) ? QStringLiteral("F") : QStringLiteral("M"));
    Poser(l, t, "datenaissance",
          Chance(15) ? QVariant()
                     : QVariant(QDate(1940, 1, 1).addDays(Entre(0, 25000)).toString(Qt::ISODate)));
    Poser(l, t, "adresse", QStringLiteral("%1 rue de l'Église").arg(Entre(1, 99)));
    Poser(l, t, "ville", Chance(50) ? QStringLiteral("Saint-Étienne") : QStringLiteral("Nîmes"));
    Poser(l, t, "observations",
          Chance(40)   ? QVariant()
          : Chance(20) ? QVariant(QString())
                       : QVariant(QStringLiteral("Allergie « pénicilline »\r\nsuivi")));
    Poser(l, t, "datecreation", Chance(10) ? QVariant() : QVariant(Moment()));
    Poser(l, t, "actif", Chance(10) ? QVariant() : QVariant(qint64(Chance(90) ? 1 : 0)));
    Ajouter(cote, t, l);
    m.patients.append(id);
    return id;
}

qint64 Generateur::Consultation(Cote cote, Monde& m, const QVariant& patient) {
    const QString t = QStringLiteral("consultation");
    const qint64 id = Identifiant(Dernier(cote), t, cote != Cote::Local || Chance(20));
    Ligne l = Vide(t);
    Poser(l, t, "identconsultation", id);
    Poser(l, t, "identifiant", patient);
    Poser(l, t, "dateconsultation", Moment());
    Poser(l, t, "motif",
          Chance(10) ? QVariant(QString()) : QVariant(QStringLiteral("Vertiges ") + Mot()));
    Poser(l, t, "texte",
          Chance(30) ? QVariant() : QVariant(QStringLiteral("Examen : « normal »\n") + Mot()));
    Poser(l, t, "montant",
          Chance(20)   ? QVariant()
          : Chance(20) ? QVariant(0.0)
                       : QVariant(25.5 + Entre(0, 40)));
    Ajouter(cote, t, l);
    m.consultations.append(id);
    return id;
}

void Generateur::Ordonnance(Cote cote, const QVariant& patient, const QVariant& consultation) {
    const QString t = QStringLiteral("ordonnance");
    Ligne l = Vide(t);
    Poser(l, t, "identordonnance",
          Identifiant(Dernier(cote), t, cote != Cote::Local || Chance(20)));
    Poser(l, t, "identifiant", patient);
    Poser(l, t, "identconsultation", consultation);
    Poser(l, t, "dateordonnance", Moment());
    Poser(l, t, "texte", QStringLiteral("Bétahistine 24 mg\r\n") + Mot());
    Poser(l, t, "renouvelable", qint64(Entre(0, 1)));
    Ajouter(cote, t, l);
}

// The stored name of a new local document, and the file key it leaves in the local tree (empty
// when no file is there). Most are the practice's own names; some are odd.
QVariant Generateur::NomDocument(int sorte, qint64 id, QChar poste, QString& cle) {
    const QString dossier = QLatin1String(Dossiers3[sorte]);
    const QString ext = QLatin1String(Extensions3[sorte]);
    const QString racine = QStringLiteral("P:\\zelvano\\") + dossier + QLatin1Char('\\');
    const int r = Entre(0, 99);
    QString nom;
    if (r < 60) {
        nom = QStringLiteral("x") + poste + Six(id) + ext;
    } else if (r < 67) {
        nom = QStringLiteral("Lettre à M. O'Brien n° %1 (copie)").arg(id) + ext;
    } else if (r < 72) {
        nom = QStringLiteral("note%1").arg(id);
    } else if (r < 77) {
        cle.clear(); // the file is missing
        return racine + QStringLiteral("x") + poste + Six(id) + ext;
    } else if (r < 81) {
        cle.clear();
        return {};
    } else if (r < 84) {
        cle.clear();
        return QStringLiteral("P:\\");
    } else if (r < 88) {
        // Stored through another drive: only its first three characters are replaced.
        nom = QStringLiteral("x") + poste + Six(id) + ext;
        cle = dossier + QLatin1Char('/') + nom;
        return QStringLiteral("Q:\\zelvano\\") + dossier + QLatin1Char('\\') + nom;
    } else if (r < 92) {
        cle = dossier + QStringLiteral("/v1.2/lettre%1").arg(id);
        return racine + QStringLiteral("v1.2\\lettre%1").arg(id);
    } else if (r < 96) {
        nom = QStringLiteral("X%1.tar.DOC").arg(id);
    } else {
        nom = QStringLiteral("très long nom de courrier ").repeated(6) + QString::number(id) + ext;
    }
    cle = dossier + QLatin1Char('/') + nom;
    return racine + nom;
}

qint64 Generateur::Document(Cote cote, Monde& m, int sorte, const QVariant& patient, QChar poste) {
    const QString t = QLatin1String(Tables3[sorte]);
    const qint64 id = Identifiant(Dernier(cote), t, cote != Cote::Local || Chance(20));
    QVariant nomfichier;
    QString cle;
    if (cote == Cote::Local) {
        nomfichier = NomDocument(sorte, id, poste, cle);
    } else {
        const QString nom =
            QStringLiteral("x") + poste + Six(id) + QLatin1String(Extensions3[sorte]);
        nomfichier = QStringLiteral("P:\\zelvano\\") + QLatin1String(Dossiers3[sorte]) +
                     QLatin1Char('\\') + nom;
        cle = QLatin1String(Dossiers3[sorte]) + QLatin1Char('/') + nom;
    }
    Ligne l = Vide(t);
    Poser(l, t, sorte == 0 ? "identcourrier" : sorte == 1 ? "identcro" : "identcorrespondance", id);
    Poser(l, t, "identifiant", patient);
    Poser(l, t,
          sorte == 0   ? "datecourrier"
          : sorte == 1 ? "datecro"
                       : "datecorrespondance",
          Moment());
    Poser(l, t,
          sorte == 0   ? "destinataire"
          : sorte == 1 ? "intervention"
                       : "expediteur",
          QStringLiteral("Dr ") + Mot());
    Poser(l, t, "nomfichier", nomfichier);
    Ajouter(cote, t, l);
    if (!cle.isEmpty()) {
        Fichier(cote, cle,
                QStringLiteral("%1 n° %2 de %3\r\n").arg(t).arg(id).arg(Mot()).toUtf8() +
                    QByteArray::number(alea_.generate()));
    }
    m.documents[sorte].append(id);
    return id;
}

// One object of the local base (or of the server's for the other sides), of a kind drawn
// among every kind the practice writes, attached to one of the patient's consultations, to a
// letter, to the patient's descriptive card or to nothing.
void Generateur::Objet(Cote cote, const Monde& m, const Monde& anciens, qint64 patient,
                       const QList<qint64>& consultations) {
    struct Sorte {
        const char* type;
        const char* ecran;
        const char* prefixe; // of the practice's own file name; nullptr: a reference
        const char* extension;
    };
    static const Sorte sortes[] = {
        {"photo", "consultation", "FI", ".jpg"},
        {"Photo", "consultation", "FI", ".jpg"},
        {"photo", "FicheDescriptive", "FI", ".jpg"},
        {"document", "consultation", "FI", ".doc"},
        {"divers", "consultation", "FI", "."},
        {"dessin1", "courrier", "FI", ".bmp"},
        {"dessin1", "consultation", "FI", ".des"},
        {"vestib1", "consultation", "ve", ".ves"},
        {"cardio1", "consultation", "uc", ".car"},
        {"impedanc", "consultation", "FI", ".or1"},
        {"audio40", "consultation", "FI", ".or3"},
        {"alerte", "FicheDescriptive", "FI", ".ale"},
        {"objinfo", "consultation", nullptr, nullptr},
        {"objinfo", "Consultation", nullptr, nullptr},
        {"inconnu", "consultation", "FI", ".dat"},
        {"tableur", "consultation", "FI", ".xls"},
        {nullptr, "consultation", "FI", ".bin"},
        {"image", "Courrier", "FI", ".png"},
    };
    const Sorte& s = sortes[alea_.bounded(static_cast<quint32>(std::size(sortes)))];
    const QString t = QStringLiteral("objet");
    const qint64 id = Identifiant(Dernier(cote), t, cote != Cote::Local || Chance(20));
    const QString ecran = QString::fromUtf8(s.ecran);

    QVariant identattach = qint64(0);
    if (ecran.compare(QLatin1String("consultation"), Qt::CaseInsensitive) == 0) {
        const int r = Entre(0, 9);
        if (r < 6 && !consultations.isEmpty()) {
            identattach = Parmi(consultations);
        } else if (r < 8 && !anciens.consultations.isEmpty()) {
            identattach = Parmi(anciens.consultations);
        } else if (r == 8) {
            identattach = qint64(99000 + Entre(0, 99)); // a record the practice no longer has
        }
    } else if (ecran.compare(QLatin1String("courrier"), Qt::CaseInsensitive) == 0) {
        const QList<qint64>& lettres =
            !m.documents[0].isEmpty() && Chance(70) ? m.documents[0] : anciens.documents[0];
        identattach = lettres.isEmpty() ? qint64(0) : Parmi(lettres);
    } else if (Chance(80)) {
        identattach = patient; // the descriptive card of the patient
    }

    QVariant nomfichier;
    if (s.prefixe == nullptr) {
        static const char* const prefixes[] = {"cou", "COU", "cro", "Cro", "cor", "CoR", "xyz", ""};
        const int p = Entre(0, static_cast<int>(std::size(prefixes)) - 1);
        const QString prefixe = QLatin1String(prefixes[p]);
        const int sorte = p < 2 ? 0 : p < 4 ? 1 : p < 6 ? 2 : 0;
        const QList<qint64>& cibles = !m.documents[sorte].isEmpty() && Chance(75)
                                          ? m.documents[sorte]
                                          : anciens.documents[sorte];
        const qint64 numero = cibles.isEmpty() ? Entre(1, 9) : Parmi(cibles);
        const int forme = Entre(0, 9);
        nomfichier = p == 7 && Chance(50) ? QVariant()
                     : forme < 7          ? QVariant(prefixe + QString::number(numero))
                     : forme < 9
                         ? QVariant(prefixe + QLatin1Char(' ') + QString::number(numero))
                         : QVariant(prefixe + QString::number(numero) + QStringLiteral("b"));
    } else {
        const int r = Entre(0, 99);
        QString nom = QLatin1String(s.prefixe) + Six(id) + QLatin1String(s.extension);
        if (r >= 75 && r < 83) {
            nom = QStringLiteral("photo de l'oreille gauche (%1).jpg").arg(id);
        }
        if (r < 83) {
            Fichier(cote, QStringLiteral("data/") + nom,
                    QByteArray("ZLV-OBJ ") + QByteArray::number(id) + ' ' +
                        QByteArray::number(alea_.generate()));
            nomfichier = nom;
        } else if (r < 90) {
            nomfichier = nom; // its file is missing
        } else if (r < 95) {
            nomfichier = QVariant();
        } else {
            nomfichier = QString();
        }
    }

    Ligne l = Vide(t);
    Poser(l, t, "identobjet", id);
    Poser(l, t, "identpatient", Chance(5) ? QVariant() : QVariant(patient));
    Poser(l, t, "attachobjet", ecran);
    Poser(l, t, "identattach", identattach);
    Poser(l, t, "typeobjet", s.type ? QVariant(QString::fromUtf8(s.type)) : QVariant());
    Poser(l, t, "nomfichier", nomfichier);
    Poser(l, t, "libelle", QStringLiteral("Objet ") + Mot());
    Poser(l, t, "datecreation", Moment());
    Ajouter(cote, t, l);
}

// `patients` new patients with their records on one side, then records of older patients.
void Generateur::Peupler(Cote cote, Monde& m, const Monde& anciens, int patients, QChar poste) {
    const auto poste2 = [&] {
        return cote == Cote::Local ? poste : QLatin1Char(Chance(50) ? 'B' : 'S');
    };
    for (int i = 0; i < patients; ++i) {
        const qint64 p = Patient(cote, m);
        // A few records link to no patient, or to one the practice no longer has.
        const auto lien = [&]() -> QVariant {
            const int r = Entre(0, 99);
            return r < 4   ? QVariant()
                   : r < 7 ? QVariant(qint64(88000 + Entre(0, 99)))
                           : QVariant(p);
        };
        QList<qint64> consultations;
        for (int c = Entre(0, 3); c > 0; --c) {
            consultations.append(Consultation(cote, m, lien()));
            if (Chance(40)) {
                Ordonnance(cote, lien(), consultations.last());
            }
        }
        for (int sorte = 0; sorte < 3; ++sorte) {
            if (Chance(45)) {
                Document(cote, m, sorte, lien(), poste2());
            }
        }
        for (int o = Entre(0, 4); o > 0; --o) {
            Objet(cote, m, anciens, p, consultations);
        }
    }
    // Older patients seen again.
    if (!anciens.patients.isEmpty()) {
        for (int k = Entre(0, 2 * taille_); k > 0; --k) {
            const qint64 p = Parmi(anciens.patients);
            QList<qint64> consultations{Consultation(cote, m, p)};
            if (Chance(50)) {
                Ordonnance(cote, p, consultations.last());
            }
            if (Chance(40)) {
                Document(cote, m, Entre(0, 2), p, poste2());
            }
            if (Chance(60)) {
                Objet(cote, m, anciens, p, consultations);
            }
        }
    }
}

Cas Generateur::Construire() {
    cas_.poste = Chance(50) ? QLatin1Char('A') : QChar(u'A' + Entre(0, 25));
    cas_.modifiesUniquement = Chance(50);
    Types();

    // The state of the last initialisation, the same on both sides; identifiers start anywhere.
    Monde anciens;
    if (Chance(85)) {
        for (const LigneSynchro& l : LignesSynchroCompletes()) {
            dernierServeur_[l.table] = Entre(0, 30);
        }
        Monde vide;
        Peupler(Cote::Ancien, anciens, vide, Entre(1, 5 * taille_), QLatin1Char('B'));
    }
    for (const LigneSynchro& l : LignesSynchroCompletes()) {
        LigneSynchro ligne = l;
        for (const Ligne& r : cas_.serveur.value(l.table)) {
            ligne.dernierNo = std::max(ligne.dernierNo, r[0].toLongLong());
        }
        dernierLocal_[l.table] = ligne.dernierNo;
        if (l.table != QLatin1String("objet") || Chance(88)) {
            cas_.synchro.append(ligne);
        }
    }

    // Sent to the server since by other workstations.
    Monde autres;
    if (Chance(70)) {
        Peupler(Cote::Serveur, autres, anciens, Entre(0, 3 * taille_), QLatin1Char('B'));
    }

    // Edits of older records in the local copy: never sent.
    QList<Ligne>& patientsLocaux = cas_.local[QStringLiteral("patient")];
    if (!patientsLocaux.isEmpty() && Chance(30)) {
        patientsLocaux[0][Rang(QStringLiteral("patient"), QStringLiteral("nom"))] =
            QStringLiteral("MODIFIÉ EN LOCAL");
    }
    QList<Ligne>& consultationsLocales = cas_.local[QStringLiteral("consultation")];
    if (!consultationsLocales.isEmpty() && Chance(20)) {
        consultationsLocales.removeLast();
    }

    // Typed in the local copy since the initialisation.
    Monde nouveaux;
    Peupler(Cote::Local, nouveaux, anciens, Entre(0, 8 * taille_), cas_.poste);

    // Files left on the server under names the run may give: they are replaced.
    for (int sorte = 0; sorte < 3; ++sorte) {
        if (Chance(25)) {
            const qint64 id = dernierServeur_.value(QLatin1String(Tables3[sorte])) + Entre(1, 2);
            cas_.arbreServeur.insert(QLatin1String(Dossiers3[sorte]) + QStringLiteral("/x") +
                                         cas_.poste + Six(id) + QLatin1String(Extensions3[sorte]),
                                     "orphelin");
        }
    }
    if (Chance(25)) {
        cas_.arbreServeur.insert(QStringLiteral("data/FI") +
                                     Six(dernierServeur_.value(QStringLiteral("objet")) + 1) +
                                     QStringLiteral(".jpg"),
                                 "orphelin");
    }

    // The rest of the tree: folders an initialisation copies (or not), hidden files and
    // subfolders it leaves, a draft that exists only on the workstation.
    cas_.dossiersServeur = {QStringLiteral("courrier"), QStringLiteral("cro"),
                            QStringLiteral("corres"),   QStringLiteral("data"),
                            QStringLiteral("certif"),   QStringLiteral("flash")};
    cas_.arbreServeur.insert(QStringLiteral("certif/certificat type.doc"), "Certificat médical");
    cas_.arbreServeur.insert(QStringLiteral("flash/fiche1.txt"), "Fiche flash");
    if (Chance(80)) {
        cas_.dossiersServeur.append(QStringLiteral("modeles"));
        cas_.arbreServeur.insert(QStringLiteral("modeles/modèle « courrier ».doc"), "Modèle");
    }
    cas_.arbreServeur.insert(QStringLiteral("courrier/.verrou"), "caché");
    cas_.arbreServeur.insert(QStringLiteral("courrier/archives/ancien.doc"), "archive");
    cas_.arbreLocal.insert(QStringLiteral("courrier/brouillon.doc"), "brouillon local");
    return cas_;
}

void Inserer(demo::BaseSqlite& base, const QString& table, const QList<Ligne>& lignes) {
    QStringList colonnes;
    for (const Colonne& c : SchemaPratique().value(table)) {
        colonnes.append(c.nom);
    }
    demo::Insertion insertion(base, table, colonnes);
    for (const Ligne& l : lignes) {
        insertion.Ajouter(l);
    }
}

void EcrireBase(const QString& natif, const Tables& tables, const QList<LigneSynchro>* synchro) {
    QDir().mkpath(QFileInfo(natif).absolutePath());
    demo::CreerBasePratique(natif);
    demo::BaseSqlite base(natif, false);
    base.Executer(QStringLiteral("BEGIN"));
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        Inserer(base, it.key(), it.value());
    }
    if (synchro != nullptr) {
        demo::Insertion lignes(base, QStringLiteral("synchro"),
                               {QStringLiteral("table"), QStringLiteral("champ_id"),
                                QStringLiteral("champ_id_dossier"), QStringLiteral("dernier_no")});
        for (const LigneSynchro& l : *synchro) {
            lignes.Ajouter({l.table, l.champId, l.champIdDossier, l.dernierNo});
        }
    }
    base.Executer(QStringLiteral("COMMIT"));
}

void EcrireFichier(const QString& natif, const QByteArray& contenu, const QDateTime& quand) {
    QDir().mkpath(QFileInfo(natif).absolutePath());
    QFile f(natif);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(contenu);
        f.close();
    }
    f.open(QIODevice::ReadWrite);
    f.setFileTime(quand, QFileDevice::FileModificationTime);
}

} // namespace

const Schema& SchemaPratique() {
    static const Schema schema = LireSchema();
    return schema;
}

int Rang(const QString& table, const QString& colonne) {
    const QList<Colonne>& colonnes = SchemaPratique().value(table);
    for (int i = 0; i < colonnes.size(); ++i) {
        if (colonnes[i].nom.compare(colonne, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

const QList<LigneSynchro>& LignesSynchroCompletes() {
    static const QList<LigneSynchro> lignes = {
        {QStringLiteral("patient"), QStringLiteral("identifiant"), QStringLiteral("identifiant"),
         0},
        {QStringLiteral("consultation"), QStringLiteral("identconsultation"),
         QStringLiteral("identifiant"), 0},
        {QStringLiteral("ordonnance"), QStringLiteral("identordonnance"),
         QStringLiteral("identifiant"), 0},
        {QStringLiteral("courrier"), QStringLiteral("identcourrier"), QStringLiteral("identifiant"),
         0},
        {QStringLiteral("cro"), QStringLiteral("identcro"), QStringLiteral("identifiant"), 0},
        {QStringLiteral("correspondance"), QStringLiteral("identcorrespondance"),
         QStringLiteral("identifiant"), 0},
        {QStringLiteral("objet"), QStringLiteral("identobjet"), QStringLiteral("identpatient"), 0},
    };
    return lignes;
}

int Cas::Nouveaux() const {
    int n = 0;
    for (const LigneSynchro& s : synchro) {
        for (const Ligne& l : local.value(s.table)) {
            n += l[0].toLongLong() > s.dernierNo ? 1 : 0;
        }
    }
    return n;
}

QString Cas::Resume() const {
    QStringList parties;
    for (const LigneSynchro& s : synchro) {
        int nouveaux = 0;
        for (const Ligne& l : local.value(s.table)) {
            nouveaux += l[0].toLongLong() > s.dernierNo ? 1 : 0;
        }
        parties.append(QStringLiteral("%1 %2/%3+%4")
                           .arg(s.table)
                           .arg(s.dernierNo)
                           .arg(serveur.value(s.table).size())
                           .arg(nouveaux));
    }
    return QStringLiteral("graine %1, poste %2, %3 lignes synchro, %4 ; %5")
        .arg(graine)
        .arg(poste)
        .arg(synchro.size())
        .arg(modifiesUniquement ? QStringLiteral("modifiés uniquement") : QStringLiteral("tout"))
        .arg(parties.join(QStringLiteral(", ")));
}

Cas GenererCas(quint32 graine, int taille) {
    return Generateur(graine, taille).Construire();
}

void Installer(const Cas& cas) {
    const QString serveur = plateforme::CheminNatif(ArbreServeur);
    const QString local = plateforme::CheminNatif(ArbreLocal);
    for (const QString& d : cas.dossiersServeur) {
        QDir().mkpath(serveur + QLatin1Char('/') + d);
    }
    for (const char* d : {"courrier", "cro", "corres", "data"}) {
        QDir().mkpath(local + QLatin1Char('/') + QLatin1String(d));
    }
    EcrireBase(serveur + QStringLiteral("/bd/zelvano.mdb"), cas.serveur, nullptr);
    EcrireBase(local + QStringLiteral("/bd/zelvano.mdb"), cas.local, &cas.synchro);

    // Times two seconds apart, so that a modified-only copy tells every pair of files apart.
    QDateTime quand(QDate(2026, 1, 5), QTime(9, 0), QTimeZone::utc());
    for (auto it = cas.arbreServeur.cbegin(); it != cas.arbreServeur.cend(); ++it) {
        EcrireFichier(serveur + QLatin1Char('/') + it.key(), it.value(), quand);
        if (cas.arbreLocal.value(it.key()) == it.value()) {
            EcrireFichier(local + QLatin1Char('/') + it.key(), it.value(), quand);
        }
        quand = quand.addSecs(2);
    }
    for (auto it = cas.arbreLocal.cbegin(); it != cas.arbreLocal.cend(); ++it) {
        if (cas.arbreServeur.value(it.key()) != it.value()) {
            EcrireFichier(local + QLatin1Char('/') + it.key(), it.value(), quand);
            quand = quand.addSecs(2);
        }
    }
    QFile ini(local + QStringLiteral("/zelvano.ini"));
    if (ini.open(QIODevice::WriteOnly)) {
        ini.write(QByteArray("[path]\r\nposte=") + QString(cas.poste).toLatin1() + "\r\n");
    }
}

void Effacer() {
    QDir(plateforme::CheminNatif(ArbreServeur)).removeRecursively();
    QDir(plateforme::CheminNatif(ArbreLocal)).removeRecursively();
    QFile::remove(
        plateforme::CheminNatif(plateforme::DossierProgramme() + QStringLiteral("\\tmpbd.mdb")));
}

QStringList Texte(const QString& table, const QList<Ligne>& lignes) {
    const QList<Colonne>& colonnes = SchemaPratique().value(table);
    QList<Ligne> triees = lignes;
    if (table != QLatin1String("synchro")) {
        std::stable_sort(triees.begin(), triees.end(),
                         [&](const Ligne& a, const Ligne& b) { return Avant(table, a, b); });
    }
    QStringList texte;
    for (const Ligne& l : triees) {
        QStringList valeurs;
        for (int i = 0; i < colonnes.size(); ++i) {
            if (table == QLatin1String("synchro") && colonnes[i].nom == QLatin1String("id")) {
                continue;
            }
            valeurs.append(colonnes[i].nom + QLatin1Char('=') +
                           FormeColonne(l.value(i), colonnes[i].genre));
        }
        texte.append(valeurs.join(QLatin1Char('|')));
    }
    return texte;
}

QMap<QString, QStringList> TexteTables(const Tables& tables) {
    QMap<QString, QStringList> texte;
    for (auto it = SchemaPratique().cbegin(); it != SchemaPratique().cend(); ++it) {
        texte.insert(it.key(), Texte(it.key(), tables.value(it.key())));
    }
    return texte;
}

QMap<QString, QStringList> LireBase(const QString& cheminWindows) {
    return photos::Photographier(plateforme::CheminNatif(cheminWindows),
                                 [](const QString& table, const photos::Lecture& lecture) {
                                     return Texte(table, lecture.lignes);
                                 });
}

Arbre LireArbre(const QString& dossierWindows) {
    Arbre arbre = photos::LireArbre(plateforme::CheminNatif(dossierWindows));
    for (auto it = arbre.begin(); it != arbre.end();) {
        // The safety folders are the run's reports on the practice, no part of it.
        const QString& cle = it.key();
        if (cle.startsWith(QLatin1String("bd/")) || cle == QLatin1String("zelvano.ini") ||
            cle.startsWith(QLatin1String("sauvegardes/"))) {
            it = arbre.erase(it);
        } else {
            ++it;
        }
    }
    return arbre;
}

QStringList FichiersBase(const QString& dossierWindows) {
    return QDir(plateforme::CheminNatif(dossierWindows + QStringLiteral("\\bd")))
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QString Difference(const QMap<QString, QStringList>& attendu,
                   const QMap<QString, QStringList>& obtenu) {
    QStringList tables = attendu.keys();
    for (const QString& t : obtenu.keys()) {
        if (!tables.contains(t)) {
            tables.append(t);
        }
    }
    for (const QString& t : tables) {
        const QStringList a = attendu.value(t);
        const QStringList o = obtenu.value(t);
        if (a == o) {
            continue;
        }
        for (qsizetype i = 0; i < std::max(a.size(), o.size()); ++i) {
            if (a.value(i) != o.value(i)) {
                return QStringLiteral("table %1 (%2 lignes attendues, %3 obtenues), ligne %4 :\n  "
                                      "attendu %5\n  obtenu  %6")
                    .arg(t)
                    .arg(a.size())
                    .arg(o.size())
                    .arg(i)
                    .arg(a.value(i, QStringLiteral("(aucune)")),
                         o.value(i, QStringLiteral("(aucune)")));
            }
        }
    }
    return {};
}

QString Difference(const Arbre& attendu, const Arbre& obtenu) {
    for (auto it = attendu.cbegin(); it != attendu.cend(); ++it) {
        if (!obtenu.contains(it.key())) {
            return QStringLiteral("fichier manquant : ") + it.key();
        }
        if (obtenu.value(it.key()) != it.value()) {
            return QStringLiteral("contenu différent : ") + it.key() +
                   QStringLiteral(" (attendu « ") + QString::fromUtf8(it.value().left(60)) +
                   QStringLiteral(" », obtenu « ") +
                   QString::fromUtf8(obtenu.value(it.key()).left(60)) + QStringLiteral(" »)");
        }
    }
    for (auto it = obtenu.cbegin(); it != obtenu.cend(); ++it) {
        if (!attendu.contains(it.key())) {
            return QStringLiteral("fichier en trop : ") + it.key();
        }
    }
    return {};
}

} // namespace modele
