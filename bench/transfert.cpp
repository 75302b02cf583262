// bench_transfert: what a synchronisation costs.
//
//   bench_transfert [--patients N] [--documents N] [--tours N]
//
// 1. Records: the demo practice with N patients (20,000), 5 consultations and 2 prescriptions
//    each, on the server; the laptop's copy of it, every record counted as new (dernier_no 0).
//    The walk sends them all into the server base (renumbered after its own), inside one
//    transaction, beside SQLite's own INSERT INTO ... SELECT of the same rows in one
//    transaction on a copy of the same server base, and beside the least a transfer record by
//    record costs: one prepared INSERT per record, each value bound from the column read, on
//    another copy, and again with 64 records per INSERT. Each is measured N times (3), in
//    rounds, from the same server base; medians and ranges. Peak memory during the walk.
// 2. Files: N letters (2,000) and N file objects (2,000), each with its file, sent by the walk,
//    beside cp -p of the same files.

#include "bench/mesures.h"
#include "demo/base_sqlite.h"
#include "demo/pratique.h"
#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "settings/parametres.h"
#include "sync/bases_ouvertes.h"
#include "sync/parcours.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using mesures::Echec;
using mesures::Sortie;

struct TableMesuree {
    const char* table;
    const char* champId;
    const char* champIdDossier;
};
constexpr TableMesuree Tables[] = {{"patient", "identifiant", "identifiant"},
                                   {"consultation", "identconsultation", "identifiant"},
                                   {"ordonnance", "identordonnance", "identifiant"},
                                   {"courrier", "identcourrier", "identifiant"},
                                   {"cro", "identcro", "identifiant"},
                                   {"correspondance", "identcorrespondance", "identifiant"},
                                   {"objet", "identobjet", "identpatient"}};

// Kilobytes of /proc/self/status field `champ` (VmRSS, VmHWM).
qint64 MemoireKo(const char* champ) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefixe = QByteArray(champ) + ':';
    for (const QByteArray& ligne : f.readAll().split('\n')) {
        if (ligne.startsWith(prefixe)) {
            return ligne.mid(prefixe.size()).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

using mesures::Mesure;

// The peak resident size counts from here.
void RemettrePic() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) {
        f.write("5");
    }
}

// Drive P leads to the share, as the run's net use leaves it.
void MonterP() {
    const QString lecteur = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
    QDir().mkpath(QFileInfo(lecteur).absolutePath());
    QFile::remove(lecteur);
    if (!QFile::link(plateforme::Machine::DossierPartage(QStringLiteral("serveur"),
                                                         QStringLiteral("zelvano")),
                     lecteur)) {
        Echec(QStringLiteral("lecteur P"));
    }
}

QMap<QString, qint64> Comptes(demo::BaseSqlite& base) {
    QMap<QString, qint64> comptes;
    for (const TableMesuree& t : Tables) {
        comptes[QLatin1String(t.table)] =
            base.Entier(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t.table)));
    }
    return comptes;
}

// The walk of a run: one transaction over both bases, committed at the end.
Mesure Transferer() {
    dao::DBEngine& moteur = dao::DBEngine::Instance();
    const Mesure mesure = mesures::Mesurer([&moteur] {
        moteur.BeginTrans();
        BaseDistante() = moteur.OpenDatabase(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"));
        BaseLocale() = moteur.OpenDatabase(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"));
        if (!ParcourirTableSynchro()) {
            moteur.Rollback();
            Echec(QStringLiteral("le parcours a échoué"));
        }
        moteur.CommitTrans();
    });
    BaseDistante()->Close();
    BaseLocale()->Close();
    BaseDistante().reset();
    BaseLocale().reset();
    return mesure;
}

// Every patient with exactly two prescriptions, those of its first two consultations.
void DeuxOrdonnances(demo::BaseSqlite& base) {
    base.Executer(QStringLiteral("BEGIN"));
    base.Executer(QStringLiteral("DELETE FROM ordonnance"));
    base.Executer(QStringLiteral(
        "INSERT INTO ordonnance (identordonnance, identifiant, identconsultation, dateordonnance, "
        "texte, renouvelable) SELECT row_number() OVER (ORDER BY identconsultation), identifiant, "
        "identconsultation, dateconsultation, 'Paracétamol 1 g, trois fois par jour', 0 FROM "
        "(SELECT *, row_number() OVER (PARTITION BY identifiant ORDER BY identconsultation) AS "
        "rang FROM consultation) WHERE rang <= 2"));
    base.Executer(QStringLiteral("COMMIT"));
}

// The largest `champ` of `table`: the renumbering goes on from there.
qint64 Maximum(demo::BaseSqlite& base, const char* champ, const QString& table) {
    return base.Entier(QStringLiteral("SELECT max(%1) FROM %2").arg(QLatin1String(champ), table));
}

// SQLite's own figure: the same rows, renumbered the same way, in one transaction.
Mesure InsertSelect(const QString& copieDistante, const QString& locale) {
    demo::BaseSqlite base(copieDistante, false);
    base.Executer(QStringLiteral("ATTACH DATABASE '%1' AS loc").arg(locale));
    return mesures::Mesurer([&] {
        base.Executer(QStringLiteral("BEGIN"));
        const qint64 decalagePatient = Maximum(base, "identifiant", QStringLiteral("main.patient"));
        for (const TableMesuree& t : Tables) {
            const QString table = QLatin1String(t.table);
            const qint64 decalage = Maximum(base, t.champId, QStringLiteral("main.") + table);
            QStringList colonnes;
            QStringList valeurs;
            sqlite3_stmt* s = nullptr;
            sqlite3_prepare_v2(
                base.Db(),
                QStringLiteral("PRAGMA main.table_info(%1)").arg(table).toUtf8().constData(), -1,
                &s, nullptr);
            while (sqlite3_step(s) == SQLITE_ROW) {
                const QString colonne =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
                colonnes << colonne;
                if (colonne == QLatin1String(t.champId)) {
                    valeurs << QStringLiteral("%1 + %2").arg(colonne).arg(decalage);
                } else if (colonne == QLatin1String(t.champIdDossier)) {
                    valeurs << QStringLiteral("%1 + %2").arg(colonne).arg(decalagePatient);
                } else {
                    valeurs << colonne;
                }
            }
            sqlite3_finalize(s);
            base.Executer(
                QStringLiteral("INSERT INTO main.%1 (%2) SELECT %3 FROM loc.%1 ORDER BY %4")
                    .arg(table, colonnes.join(QLatin1Char(',')), valeurs.join(QLatin1Char(',')),
                         QLatin1String(t.champId)));
        }
        base.Executer(QStringLiteral("COMMIT"));
    });
}

// Records per INSERT of the second floor: beyond some tens, the statement's own cost is spread
// thin and the value copies take over.
constexpr int RangeesParInsert = 64;

// The least a transfer that reads record by record costs: the same rows read from the laptop's
// base and written by prepared INSERTs of `parInstruction` records each into a copy of the server
// base, each value bound from the column read (sqlite3_bind_value), the identifier and the patient
// link as new integers; one transaction on each base. One record per INSERT is the module's own
// shape: an error is known at the record that caused it.
Mesure InsertParPaquets(const QString& copieDistante, const QString& locale, int parInstruction) {
    demo::BaseSqlite distante(copieDistante, false);
    demo::BaseSqlite base(locale, false);
    const auto preparer = [&](const QString& table, int colonnes, int lignes) {
        QStringList marques;
        for (int i = 0; i < colonnes; ++i) {
            marques << QStringLiteral("?");
        }
        const QString ligne = QLatin1Char('(') + marques.join(QLatin1Char(',')) + QLatin1Char(')');
        QStringList tuples;
        for (int j = 0; j < lignes; ++j) {
            tuples << ligne;
        }
        sqlite3_stmt* insertion = nullptr;
        sqlite3_prepare_v2(distante.Db(),
                           QStringLiteral("INSERT INTO %1 VALUES %2")
                               .arg(table, tuples.join(QLatin1Char(',')))
                               .toUtf8()
                               .constData(),
                           -1, &insertion, nullptr);
        return insertion;
    };
    const auto executer = [&](sqlite3_stmt* insertion) {
        if (sqlite3_step(insertion) != SQLITE_DONE) {
            Echec(QString::fromUtf8(sqlite3_errmsg(distante.Db())));
        }
        sqlite3_reset(insertion);
    };
    return mesures::Mesurer([&] {
        distante.Executer(QStringLiteral("BEGIN"));
        base.Executer(QStringLiteral("BEGIN"));
        const qint64 decalagePatient = Maximum(distante, "identifiant", QStringLiteral("patient"));
        for (const TableMesuree& t : Tables) {
            const QString table = QLatin1String(t.table);
            const qint64 decalage = Maximum(distante, t.champId, table);
            sqlite3_stmt* lecture = nullptr;
            sqlite3_prepare_v2(base.Db(),
                               QStringLiteral("SELECT * FROM %1 WHERE %2 > 0 ORDER BY %2")
                                   .arg(table, QLatin1String(t.champId))
                                   .toUtf8()
                                   .constData(),
                               -1, &lecture, nullptr);
            const int n = sqlite3_column_count(lecture);
            int id = -1;
            int lien = -1;
            for (int i = 0; i < n; ++i) {
                const char* nom = sqlite3_column_name(lecture, i);
                id = qstrcmp(nom, t.champId) == 0 ? i : id;
                lien = qstrcmp(nom, t.champIdDossier) == 0 && i != id ? i : lien;
            }
            sqlite3_stmt* paquet = preparer(table, n, parInstruction);
            sqlite3_stmt* une = preparer(table, n, 1);
            // The last records of the table, fewer than a whole statement, go one by one.
            qint64 enPaquets = base.Entier(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 > 0")
                                               .arg(table, QLatin1String(t.champId))) /
                               parInstruction * parInstruction;
            int enAttente = 0;
            while (sqlite3_step(lecture) == SQLITE_ROW) {
                const bool parPaquet = enPaquets-- > 0;
                sqlite3_stmt* cible = parPaquet ? paquet : une;
                for (int i = 0; i < n; ++i) {
                    const int rang = enAttente * n + i + 1;
                    if (i == id) {
                        sqlite3_bind_int64(cible, rang,
                                           sqlite3_column_int64(lecture, i) + decalage);
                    } else if (i == lien) {
                        sqlite3_bind_int64(cible, rang,
                                           sqlite3_column_int64(lecture, i) + decalagePatient);
                    } else {
                        sqlite3_bind_value(cible, rang, sqlite3_column_value(lecture, i));
                    }
                }
                if (++enAttente == (parPaquet ? parInstruction : 1)) {
                    executer(cible);
                    enAttente = 0;
                }
            }
            sqlite3_finalize(lecture);
            sqlite3_finalize(paquet);
            sqlite3_finalize(une);
        }
        distante.Executer(QStringLiteral("COMMIT"));
        base.Executer(QStringLiteral("COMMIT"));
    });
}

// The server base holds its records and the new ones, no more, no less.
void VerifierComptes(const QString& distante, const QMap<QString, qint64>& avant,
                     const QMap<QString, qint64>& nouveaux) {
    demo::BaseSqlite d(distante, false);
    const QMap<QString, qint64> apres = Comptes(d);
    for (auto it = apres.cbegin(); it != apres.cend(); ++it) {
        if (it.value() != avant.value(it.key()) + nouveaux.value(it.key())) {
            Echec(QStringLiteral("table %1 : %2 enregistrements au lieu de %3")
                      .arg(it.key())
                      .arg(it.value())
                      .arg(avant.value(it.key()) + nouveaux.value(it.key())));
        }
    }
}

// The median elapsed and the median processor time of the rounds, with the range of the first.
struct Mediane {
    explicit Mediane(std::vector<Mesure> m) {
        const auto milieu = [&m](double Mesure::*champ) {
            std::sort(m.begin(), m.end(),
                      [champ](const Mesure& a, const Mesure& b) { return a.*champ < b.*champ; });
            return m[m.size() / 2].*champ;
        };
        processeur = milieu(&Mesure::processeur);
        ecoule = milieu(&Mesure::ecoule);
        min = m.front().ecoule;
        max = m.back().ecoule;
    }
    double ecoule = 0;
    double processeur = 0;
    double min = 0;
    double max = 0;
};

void MesurerEnregistrements(const QString& racine, int patients, int tours) {
    Sortie() << "== Enregistrements : " << patients
             << " patients nouveaux, 5 consultations et 2 ordonnances chacun" << Qt::endl;
    demo::OptionsDemo options;
    options.machine = racine;
    options.patients = patients;
    options.consultations = 5;
    options.documents = 0;
    options.objets = 0;
    options.local = true;
    QElapsedTimer chrono;
    chrono.start();
    const demo::BilanDemo bilan = demo::GenererDemo(options);
    const QString distante = plateforme::CheminNatif(bilan.baseDistante);
    const QString locale = plateforme::CheminNatif(bilan.baseLocale);
    for (const QString& fichier : {distante, locale}) {
        demo::BaseSqlite base(fichier, false);
        DeuxOrdonnances(base);
    }
    {
        // Every record of the laptop's copy counts as created since the initialisation.
        demo::BaseSqlite base(locale, false);
        base.Executer(QStringLiteral("UPDATE synchro SET dernier_no = 0"));
    }
    Param().FichierIni = bilan.fichierIni;
    LireParametres();
    MonterP();
    QMap<QString, qint64> avant;
    QMap<QString, qint64> nouveaux;
    {
        demo::BaseSqlite d(distante, false);
        demo::BaseSqlite l(locale, false);
        avant = Comptes(d);
        nouveaux = Comptes(l);
    }
    qint64 total = 0;
    for (const qint64 n : nouveaux) {
        total += n;
    }
    Sortie() << "   préparation (démo) : " << QString::number(chrono.elapsed() / 1000.0, 'f', 1)
             << " s ; " << total << " enregistrements à envoyer ("
             << nouveaux.value(QStringLiteral("patient")) << " patients, "
             << nouveaux.value(QStringLiteral("consultation")) << " consultations, "
             << nouveaux.value(QStringLiteral("ordonnance")) << " ordonnances) ; " << tours
             << " tours" << Qt::endl;

    // Each measure starts from the server base as the demo left it, copied and on disk, so
    // that no measure pays for writing back the copy it works on. The order turns from one
    // round to the next: a measure never always follows the same one.
    QFile vierge(distante);
    if (!vierge.open(QIODevice::ReadOnly)) {
        Echec(distante);
    }
    const QByteArray octetsVierges = vierge.readAll();
    vierge.close();
    const QString copie = racine + QStringLiteral("/reference.mdb");
    const auto restaurer = [&](const QString& cible) {
        QFile f(cible);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(octetsVierges) != octetsVierges.size() || !f.flush() ||
            ::fsync(f.handle()) != 0) {
            Echec(QStringLiteral("copie de la base distante vers %1").arg(cible));
        }
    };
    enum Quoi { Sqlite, Boucle, Paquets, Parcours, NombreMesures };
    std::array<std::vector<Mesure>, NombreMesures> mesures;
    qint64 rssAvant = 0;
    qint64 hausse = 0; // the largest rise of the resident size during a walk
    for (int tour = 0; tour < tours; ++tour) {
        for (int k = 0; k < NombreMesures; ++k) {
            const int quoi = (tour + k) % NombreMesures;
            restaurer(quoi == Parcours ? distante : copie);
            switch (quoi) {
            case Sqlite:
                mesures[Sqlite].push_back(InsertSelect(copie, locale));
                break;
            case Boucle:
                mesures[Boucle].push_back(InsertParPaquets(copie, locale, 1));
                break;
            case Paquets:
                mesures[Paquets].push_back(InsertParPaquets(copie, locale, RangeesParInsert));
                break;
            default:
                rssAvant = MemoireKo("VmRSS");
                RemettrePic();
                mesures[Parcours].push_back(Transferer());
                hausse = std::max(hausse, MemoireKo("VmHWM") - rssAvant);
                VerifierComptes(distante, avant, nouveaux);
                break;
            }
        }
    }
    const Mediane sqlite(mesures[Sqlite]);
    const Mediane boucle(mesures[Boucle]);
    const Mediane paquets(mesures[Paquets]);
    const Mediane transfert(mesures[Parcours]);
    const auto ligne = [total](const char* quoi, const Mediane& m) {
        Sortie() << "   " << quoi << " : " << QString::number(m.ecoule, 'f', 2) << " s ("
                 << QString::number(m.min, 'f', 2) << " – " << QString::number(m.max, 'f', 2)
                 << " ; " << QString::number(static_cast<double>(total) / m.ecoule, 'f', 0)
                 << " enregistrements/s), processeur " << QString::number(m.processeur, 'f', 2)
                 << " s" << Qt::endl;
    };
    ligne("ParcourirTableSynchro", transfert);
    ligne("SQLite INSERT ... SELECT", sqlite);
    ligne("SQLite, un INSERT par enregistrement", boucle);
    const QByteArray libellePaquets =
        QStringLiteral("SQLite, %1 enregistrements par INSERT").arg(RangeesParInsert).toUtf8();
    ligne(libellePaquets.constData(), paquets);
    Sortie() << "   rapport : " << QString::number(transfert.ecoule / sqlite.ecoule, 'f', 2)
             << " fois le temps de SQLite (processeur : "
             << QString::number(transfert.processeur / sqlite.processeur, 'f', 2) << " fois)"
             << Qt::endl;
    Sortie() << "   un INSERT par enregistrement : "
             << QString::number(boucle.ecoule / sqlite.ecoule, 'f', 2)
             << " fois le temps de SQLite (processeur : "
             << QString::number(boucle.processeur / sqlite.processeur, 'f', 2)
             << " fois) ; le parcours : "
             << QString::number(transfert.ecoule / boucle.ecoule, 'f', 2)
             << " fois ce plancher (processeur : "
             << QString::number(transfert.processeur / boucle.processeur, 'f', 2) << " fois)"
             << Qt::endl;
    Sortie() << "   " << RangeesParInsert << " enregistrements par INSERT : "
             << QString::number(paquets.ecoule / sqlite.ecoule, 'f', 2)
             << " fois le temps de SQLite (processeur : "
             << QString::number(paquets.processeur / sqlite.processeur, 'f', 2) << " fois)"
             << Qt::endl;
    // Within a round the measures are neighbours: their ratio moves less than their times.
    std::vector<double> rapports;
    for (size_t i = 0; i < mesures[Parcours].size(); ++i) {
        rapports.push_back(mesures[Parcours][i].ecoule / mesures[Sqlite][i].ecoule);
    }
    std::sort(rapports.begin(), rapports.end());
    Sortie() << "   rapport du parcours à SQLite, tour par tour : "
             << QString::number(rapports[rapports.size() / 2], 'f', 2) << " ("
             << QString::number(rapports.front(), 'f', 2) << " – "
             << QString::number(rapports.back(), 'f', 2) << ")" << Qt::endl;
    Sortie() << "   mémoire : " << rssAvant / 1024 << " Mo avant le dernier parcours, hausse "
             << hausse / 1024 << " Mo au plus pendant un parcours" << Qt::endl;
}

QByteArray Contenu(int taille, int graine) {
    QByteArray octets(taille, '\0');
    quint32 x = static_cast<quint32>(graine) * 2654435761U + 1;
    for (char& c : octets) {
        x = x * 1664525U + 1013904223U;
        c = static_cast<char>(x >> 24);
    }
    return octets;
}

void Ecrire(const QString& natif, const QByteArray& octets) {
    QFile f(natif);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size()) {
        Echec(natif);
    }
}

// cp -p of every file of `source` into `destination`; with `durable`, each copy then forced to
// disk (sync), as the module's own copy does before it renames its temporary file.
double Cp(const QString& source, const QString& destination, bool durable) {
    QDir().mkpath(destination);
    QElapsedTimer chrono;
    chrono.start();
    QProcess cp;
    const QString commande = durable ? QStringLiteral("cp -p \"$0\"/* \"$1\"/ && sync \"$1\"/*")
                                     : QStringLiteral("cp -p \"$0\"/* \"$1\"/");
    cp.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commande, source, destination});
    if (!cp.waitForFinished(-1) || cp.exitCode() != 0) {
        Echec(QStringLiteral("cp"));
    }
    return static_cast<double>(chrono.nsecsElapsed()) / 1e9;
}

void MesurerFichiers(const QString& racine, int nombre) {
    constexpr int TailleLettre = 24 * 1024;
    constexpr int TailleObjet = 96 * 1024;
    Sortie() << "== Fichiers : " << nombre << " courriers (" << TailleLettre / 1024 << " Ko) et "
             << nombre << " objets fichiers (" << TailleObjet / 1024 << " Ko)" << Qt::endl;
    plateforme::Machine::DefinirRacine(racine);
    Param() = Parametres{};
    Param().courrierdir = QStringLiteral("courrier");
    Param().datadir = QStringLiteral("data");
    Param().inifile = QStringLiteral("C:\\zelvano\\zelvano.ini");
    for (const char* arbre : {"\\\\serveur\\zelvano\\zelvano", "C:\\zelvano"}) {
        for (const char* dossier : {"bd", "courrier", "data"}) {
            QDir().mkpath(plateforme::CheminNatif(QLatin1String(arbre) + QLatin1Char('\\') +
                                                  QLatin1String(dossier)));
        }
    }
    MonterP();
    const QString distante =
        plateforme::CheminNatif(QStringLiteral("\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb"));
    const QString locale = plateforme::CheminNatif(QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb"));
    demo::CreerBasePratique(distante);
    demo::CreerBasePratique(locale);
    {
        demo::BaseSqlite d(distante, false);
        d.Executer(QStringLiteral("INSERT INTO typeobjet (typeobjet, nomecran, modegestion, "
                                  "extension) VALUES ('photo', 'consultation', 'fichier', 'jpg')"));
        demo::BaseSqlite l(locale, false);
        l.Executer(QStringLiteral("BEGIN"));
        demo::Insertion lettres(l, QStringLiteral("courrier"),
                                {QStringLiteral("identcourrier"), QStringLiteral("identifiant"),
                                 QStringLiteral("nomfichier")});
        demo::Insertion objets(l, QStringLiteral("objet"),
                               {QStringLiteral("identobjet"), QStringLiteral("identpatient"),
                                QStringLiteral("attachobjet"), QStringLiteral("identattach"),
                                QStringLiteral("typeobjet"), QStringLiteral("nomfichier")});
        demo::Insertion synchro(l, QStringLiteral("synchro"),
                                {QStringLiteral("table"), QStringLiteral("champ_id"),
                                 QStringLiteral("champ_id_dossier"), QStringLiteral("dernier_no")});
        for (int i = 1; i <= nombre; ++i) {
            const QString lettre = QStringLiteral("xA%1.doc").arg(i, 6, 10, QLatin1Char('0'));
            lettres.Ajouter({i, i, QStringLiteral("P:\\zelvano\\courrier\\") + lettre});
            Ecrire(plateforme::CheminNatif(QStringLiteral("C:\\zelvano\\courrier\\") + lettre),
                   Contenu(TailleLettre, i));
            const QString photo = QStringLiteral("photo%1.jpg").arg(i);
            objets.Ajouter(
                {i, i, QStringLiteral("consultation"), i, QStringLiteral("photo"), photo});
            Ecrire(plateforme::CheminNatif(QStringLiteral("C:\\zelvano\\data\\") + photo),
                   Contenu(TailleObjet, -i));
        }
        for (const TableMesuree& t : Tables) {
            synchro.Ajouter({QLatin1String(t.table), QLatin1String(t.champId),
                             QLatin1String(t.champIdDossier), 0});
        }
        l.Executer(QStringLiteral("COMMIT"));
    }
    // Files just written sit in the page cache, as cp finds them too.
    const Mesure transfert = Transferer();
    const int copies = QDir(plateforme::CheminNatif(QStringLiteral("P:\\zelvano\\courrier")))
                           .entryList(QDir::Files)
                           .size() +
                       QDir(plateforme::CheminNatif(QStringLiteral("P:\\zelvano\\data")))
                           .entryList(QDir::Files)
                           .size();
    if (copies != 2 * nombre) {
        Echec(QStringLiteral("%1 fichiers copiés au lieu de %2").arg(copies).arg(2 * nombre));
    }
    const auto copier = [&](bool durable) {
        const QString cible =
            racine + (durable ? QStringLiteral("/cp-sync") : QStringLiteral("/cp"));
        return Cp(plateforme::CheminNatif(QStringLiteral("C:\\zelvano\\courrier")),
                  cible + QStringLiteral("/courrier"), durable) +
               Cp(plateforme::CheminNatif(QStringLiteral("C:\\zelvano\\data")),
                  cible + QStringLiteral("/data"), durable);
    };
    const double cp = copier(false);
    const double cpSync = copier(true);
    Sortie() << "   ParcourirTableSynchro (enregistrements et fichiers) : "
             << QString::number(transfert.ecoule, 'f', 2) << " s, processeur "
             << QString::number(transfert.processeur, 'f', 2) << " s" << Qt::endl;
    Sortie() << "   cp -p des mêmes fichiers : " << QString::number(cp, 'f', 2)
             << " s ; suivi de sync : " << QString::number(cpSync, 'f', 2) << " s" << Qt::endl;
    Sortie() << "   rapport : " << QString::number(transfert.ecoule / cp, 'f', 2) << " fois cp, "
             << QString::number(transfert.ecoule / cpSync, 'f', 2) << " fois cp et sync"
             << Qt::endl;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser ligne;
    ligne.addHelpOption();
    const QCommandLineOption patients =
        mesures::OptionNombre("patients", "Patients nouveaux", 20000);
    const QCommandLineOption documents =
        mesures::OptionNombre("documents", "Courriers et objets fichiers", 2000);
    const QCommandLineOption tours =
        mesures::OptionNombre("tours", "Mesures de chaque façon d'envoyer les enregistrements", 3);
    ligne.addOptions({patients, documents, tours});
    ligne.process(app);

    QTemporaryDir dossier;
    if (!dossier.isValid()) {
        Echec(QStringLiteral("dossier temporaire"));
    }
    // The journal file of the runs goes there too, not beside the program.
    plateforme::DefinirDossierProgramme(dossier.path());
    try {
        MesurerEnregistrements(dossier.path() + QStringLiteral("/enregistrements"),
                               ligne.value(patients).toInt(),
                               std::max(1, ligne.value(tours).toInt()));
        if (ligne.value(documents).toInt() > 0) {
            MesurerFichiers(dossier.path() + QStringLiteral("/fichiers"),
                            ligne.value(documents).toInt());
        }
    } catch (const plateforme::Erreur& e) {
        Echec(QStringLiteral("%1 (%2)").arg(e.Description()).arg(e.Number()));
    }
    return 0;
}
