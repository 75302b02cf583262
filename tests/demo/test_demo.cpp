#include "demo/pratique.h"
#include "init/empreintes.h"
#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/dossier_programme.h"
#include "platform/erreur.h"
#include "platform/profil.h"
#include "pratique/lieux.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "sync/synchronisation.h"
#include "testutil/factices.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {

using dao::DBEngine;

const QString Serveur = QStringLiteral("\\\\serveur\\zelvano\\zelvano");
const QString Distante = QStringLiteral("\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb");
const QString Locale = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");
const QStringList Tables = {
    QStringLiteral("patient"),  QStringLiteral("consultation"), QStringLiteral("ordonnance"),
    QStringLiteral("courrier"), QStringLiteral("cro"),          QStringLiteral("correspondance"),
    QStringLiteral("objet"),    QStringLiteral("typeobjet"),    QStringLiteral("synchro")};

demo::OptionsDemo Petite(const factices::Machine& machine, quint32 graine) {
    demo::OptionsDemo o;
    o.machine = machine.Racine();
    o.patients = 30;
    o.consultations = 2;
    o.documents = 30;
    o.objets = 40;
    o.graine = graine;
    o.local = true;
    o.nouveaux = 6;
    return o;
}

// Every row of every table, as text, in rowid order.
QString Contenu(const QString& base) {
    auto db = DBEngine::Instance().OpenDatabase(base);
    QString texte;
    for (const QString& table : Tables) {
        auto rs = db->OpenRecordset(QStringLiteral("select * from %1 order by rowid").arg(table));
        for (; !rs->Eof(); rs->MoveNext()) {
            texte += table + QLatin1Char(':');
            for (int i = 0; i < rs->FieldsCount(); ++i) {
                texte += rs->Fields(i).Value().toString() + QLatin1Char('|');
            }
            texte += QLatin1Char('\n');
        }
    }
    return texte;
}

// The files of the machine (relative path and digest), bases and INI files aside.
QStringList Fichiers(const QString& racine) {
    QStringList liste;
    QDirIterator it(racine, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        if (chemin.endsWith(QLatin1String(".mdb")) || chemin.endsWith(QLatin1String(".ini"))) {
            continue;
        }
        QFile f(chemin);
        f.open(QIODevice::ReadOnly);
        liste.append(chemin.mid(racine.size()) + QLatin1Char(' ') +
                     QString::fromLatin1(
                         QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex()));
    }
    liste.sort();
    return liste;
}

QString Ini(const QString& section, const QString& cle, const QString& fichier) {
    QString valeur;
    plateforme::GetPrivateProfileStringA(section, cle, QStringLiteral("?"), valeur, 256, fichier);
    return valeur;
}

qint64 Entier(dao::Database& base, const QString& sql) {
    auto rs = base.OpenRecordset(sql);
    return rs->Eof() ? -1 : rs->Fields(0).Value().toLongLong();
}

TEST(DemoPratique, MemeGraineMemePratique) {
    QString contenus[3];
    QStringList fichiers[3];
    const quint32 graines[3] = {7, 7, 8};
    for (int i = 0; i < 3; ++i) {
        factices::Machine machine;
        demo::GenererDemo(Petite(machine, graines[i]));
        contenus[i] = Contenu(Distante) + Contenu(Locale);
        fichiers[i] = Fichiers(machine.Racine());
    }
    EXPECT_FALSE(contenus[0].isEmpty());
    EXPECT_EQ(contenus[0], contenus[1]);
    EXPECT_EQ(fichiers[0], fichiers[1]);
    EXPECT_NE(contenus[0], contenus[2]);
}

// A day of work added to a laptop already holding new records: numbered on from its own
// largest identifiers, every table again, the documents' files written, nothing before touched.
TEST(DemoPratique, JourneeSurUnPortableInitialise) {
    factices::Machine machine;
    demo::OptionsDemo options = Petite(machine, 5);
    const demo::BilanDemo premier = demo::GenererDemo(options);
    const QString avant = Contenu(Locale);
    QMap<QString, qint64> maxima;
    {
        auto locale = DBEngine::Instance().OpenDatabase(Locale);
        for (const QString& table : Tables.mid(0, 7)) {
            maxima[table] = Entier(*locale, QStringLiteral("select count(*) from %1").arg(table));
        }
    }
    options.nouveaux = 4;
    options.graine = 6;
    const demo::BilanDemo jour = demo::AjouterJournee(options);
    EXPECT_EQ(jour.baseLocale, Locale);
    const QString apres = Contenu(Locale);
    EXPECT_TRUE(apres.startsWith(avant.left(avant.indexOf(QStringLiteral("consultation:")))));
    auto locale = DBEngine::Instance().OpenDatabase(Locale);
    for (const QString& table : Tables.mid(0, 7)) {
        EXPECT_GT(jour.nouveaux.value(table), 0) << qPrintable(table);
        EXPECT_EQ(Entier(*locale, QStringLiteral("select count(*) from %1").arg(table)),
                  maxima[table] + jour.nouveaux.value(table))
            << qPrintable(table);
    }
    EXPECT_EQ(jour.nouveaux.value(QStringLiteral("patient")), 4);
    // Identifiers go on from the laptop's own, past the records the demo had already added.
    EXPECT_GT(Entier(*locale, QStringLiteral("select min(identifiant) from patient where "
                                             "identifiant > %1")
                                  .arg(premier.maxima.value(QStringLiteral("patient")) +
                                       premier.nouveaux.value(QStringLiteral("patient")))),
              0);
    auto rs = locale->OpenRecordset(
        QStringLiteral("select nomfichier from courrier order by identcourrier desc"));
    ASSERT_FALSE(rs->Eof());
    const QString dernier = rs->Fields(0).Value().toString();
    EXPECT_TRUE(QFileInfo(machine.Natif(QStringLiteral("C:\\") + dernier.mid(3))).isFile())
        << qPrintable(dernier);
}

// One demo practice built for the whole suite: its tests only read it.
class DemoConstruite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        machine_ = new factices::Machine;
        bilan_ = new demo::BilanDemo(demo::GenererDemo(Petite(*machine_, 3)));
    }
    static void TearDownTestSuite() {
        delete bilan_;
        delete machine_;
    }
    bool Existe(const QString& cheminWindows) const {
        return QFileInfo(machine_->Natif(cheminWindows)).isFile();
    }
    static inline factices::Machine* machine_ = nullptr;
    static inline demo::BilanDemo* bilan_ = nullptr;
    const demo::BilanDemo& bilan = *bilan_;
};

TEST_F(DemoConstruite, ServeurEtTableSynchro) {
    EXPECT_EQ(bilan.baseDistante, Distante);
    EXPECT_EQ(bilan.baseLocale, Locale);
    auto distante = DBEngine::Instance().OpenDatabase(Distante);
    auto locale = DBEngine::Instance().OpenDatabase(Locale);
    EXPECT_EQ(Entier(*distante, QStringLiteral("select count(*) from synchro")), 0);
    EXPECT_EQ(Entier(*distante, QStringLiteral("select count(*) from patient")), 30);
    EXPECT_EQ(bilan.distants.value(QStringLiteral("patient")), 30);

    // The local table as an initialisation writes it: seven rows, in order, with the maxima.
    const char* attendus[][3] = {{"patient", "identifiant", "identifiant"},
                                 {"consultation", "identconsultation", "identifiant"},
                                 {"ordonnance", "identordonnance", "identifiant"},
                                 {"courrier", "identcourrier", "identifiant"},
                                 {"cro", "identcro", "identifiant"},
                                 {"correspondance", "identcorrespondance", "identifiant"},
                                 {"objet", "identobjet", "identpatient"}};
    auto rs = locale->OpenRecordset(QStringLiteral("select * from synchro order by id"));
    for (const auto& ligne : attendus) {
        ASSERT_FALSE(rs->Eof());
        const QString table = QLatin1String(ligne[0]);
        EXPECT_EQ(rs->Fields(QStringLiteral("table")).Value().toString(), table);
        EXPECT_EQ(rs->Fields(QStringLiteral("champ_id")).Value().toString(),
                  QLatin1String(ligne[1]));
        EXPECT_EQ(rs->Fields(QStringLiteral("champ_id_dossier")).Value().toString(),
                  QLatin1String(ligne[2]));
        const qint64 maximum =
            Entier(*distante,
                   QStringLiteral("select max(%1) from %2").arg(QLatin1String(ligne[1]), table));
        EXPECT_EQ(rs->Fields(QStringLiteral("dernier_no")).Value().toLongLong(), maximum)
            << ligne[0];
        EXPECT_EQ(bilan.maxima.value(table), maximum);
        // The new local records lie above it, and only they.
        const qint64 nouveaux =
            Entier(*locale, QStringLiteral("select count(*) from %1 where %2 > %3")
                                .arg(table, QLatin1String(ligne[1]))
                                .arg(maximum));
        EXPECT_EQ(nouveaux, bilan.nouveaux.value(table)) << ligne[0];
        EXPECT_GT(nouveaux, 0) << ligne[0];
        rs->MoveNext();
    }
    EXPECT_TRUE(rs->Eof());
    // Both bases have the same columns in the same order.
    for (const QString& table : Tables) {
        auto d = distante->OpenRecordset(QStringLiteral("select * from %1").arg(table));
        auto l = locale->OpenRecordset(QStringLiteral("select * from %1").arg(table));
        ASSERT_EQ(d->FieldsCount(), l->FieldsCount());
        for (int i = 0; i < d->FieldsCount(); ++i) {
            EXPECT_EQ(d->Fields(i).Name(), l->Fields(i).Name());
        }
    }
}

TEST_F(DemoConstruite, DocumentsAvecLeursFichiers) {
    const std::pair<const char*, const char*> sortes[] = {
        {"courrier", "courrier"}, {"cro", "cro"}, {"correspondance", "corres"}};
    const QRegularExpression forme(
        QStringLiteral("^P:\\\\zelvano\\\\(\\w+)\\\\x[ABS]\\d{6}\\.\\w+$"));
    for (const QString& base : {Distante, Locale}) {
        auto db = DBEngine::Instance().OpenDatabase(base);
        // The local files sit on C:, the server's on the share; the records say P: for both.
        const QString arbre = base == Distante ? Serveur : QStringLiteral("C:\\zelvano");
        for (const auto& [table, dossier] : sortes) {
            auto rs = db->OpenRecordset(
                QStringLiteral("select nomfichier from %1").arg(QLatin1String(table)));
            int n = 0;
            for (; !rs->Eof(); rs->MoveNext(), ++n) {
                const QString nom = rs->Fields(0).Value().toString();
                const auto m = forme.match(nom);
                ASSERT_TRUE(m.hasMatch()) << nom.toStdString();
                EXPECT_EQ(m.captured(1), QLatin1String(dossier));
                EXPECT_TRUE(Existe(arbre + nom.mid(10))) << nom.toStdString();
            }
            EXPECT_GT(n, 0) << table;
        }
    }
    for (const char* annexe : {"\\certif\\certificat1.doc", "\\modeles\\modele_courrier.doc",
                               "\\flash\\fiche1.txt", "\\REF\\medicaments.txt"}) {
        EXPECT_TRUE(Existe(Serveur + QLatin1String(annexe))) << annexe;
    }
}

TEST_F(DemoConstruite, ObjetsDeTousLesGenres) {
    auto db = DBEngine::Instance().OpenDatabase(Distante);
    const QString typeFichier = QStringLiteral("select * from typeobjet where typeobjet = ? and "
                                               "nomecran = ?");
    QSet<QString> genres;
    auto rs = db->OpenRecordset(QStringLiteral("select * from objet"));
    for (; !rs->Eof(); rs->MoveNext()) {
        const QString type = rs->Fields(QStringLiteral("typeobjet")).Value().toString();
        const QString ecran = rs->Fields(QStringLiteral("attachobjet")).Value().toString();
        const QString nom = rs->Fields(QStringLiteral("nomfichier")).Value().toString();
        const int id = rs->Fields(QStringLiteral("identobjet")).Value().toInt();
        genres.insert(type.toLower());
        auto mode = db->OpenRecordset(typeFichier, {type, ecran});
        ASSERT_FALSE(mode->Eof()) << type.toStdString() << "/" << ecran.toStdString();
        const QString gestion =
            mode->Fields(QStringLiteral("modegestion")).Value().toString().toLower();
        if (type.toLower() == QLatin1String("objinfo")) {
            const QString prefixe = nom.left(3);
            const QString table = prefixe == QLatin1String("cou") ? QStringLiteral("courrier")
                                  : prefixe == QLatin1String("cro")
                                      ? QStringLiteral("cro")
                                      : QStringLiteral("correspondance");
            const QString cle = prefixe == QLatin1String("cou") ? QStringLiteral("identcourrier")
                                : prefixe == QLatin1String("cro")
                                    ? QStringLiteral("identcro")
                                    : QStringLiteral("identcorrespondance");
            ASSERT_TRUE(
                QStringList({QStringLiteral("cou"), QStringLiteral("cro"), QStringLiteral("cor")})
                    .contains(prefixe))
                << nom.toStdString();
            EXPECT_EQ(Entier(*db, QStringLiteral("select count(*) from %1 where %2 = %3")
                                      .arg(table, cle, nom.mid(3))),
                      1)
                << nom.toStdString();
            continue;
        }
        // Every other object has its file in the data folder, named after its identifier.
        EXPECT_TRUE(nom.contains(QStringLiteral("%1").arg(id, 6, 10, QLatin1Char('0'))))
            << nom.toStdString();
        EXPECT_TRUE(Existe(Serveur + QStringLiteral("\\data\\") + nom)) << nom.toStdString();
        if (gestion == QLatin1String("fichier")) {
            const QVariant extension = mode->Fields(QStringLiteral("extension")).Value();
            EXPECT_TRUE(nom.startsWith(QLatin1String("FI")));
            EXPECT_TRUE(nom.endsWith(QLatin1Char('.') + extension.toString())) << nom.toStdString();
        }
    }
    for (const char* type : {"vestib1", "cardio1", "impedanc", "audio40", "dessin1", "alerte",
                             "objinfo", "photo", "document", "divers"}) {
        EXPECT_TRUE(genres.contains(QLatin1String(type))) << type;
    }
    // A file-managed type without an extension, and a mode written with a capital.
    EXPECT_EQ(Entier(*db, QStringLiteral("select count(*) from typeobjet where extension is null "
                                         "and modegestion = 'fichier'")),
              1);
    EXPECT_GE(Entier(*db, QStringLiteral("select count(*) from typeobjet where modegestion = "
                                         "'Fichier'")),
              2);
}

TEST_F(DemoConstruite, ParametresDuPosteEtDuModule) {
    const QString ini = bilan.fichierIni;
    EXPECT_EQ(ini, QStringLiteral("C:\\WINDOWS\\synchro.ini"));
    EXPECT_EQ(Ini(QStringLiteral("general"), QStringLiteral("unite"), ini), QStringLiteral("P"));
    EXPECT_EQ(Ini(QStringLiteral("general"), QStringLiteral("zelvanodir"), ini),
              QStringLiteral("zelvano"));
    EXPECT_EQ(Ini(QStringLiteral("general"), QStringLiteral("corresdir"), ini),
              QStringLiteral("corres"));
    EXPECT_EQ(Ini(QStringLiteral("general"), QStringLiteral("modeledir"), ini),
              QStringLiteral("modeles"));
    EXPECT_EQ(Ini(QStringLiteral("general"), QStringLiteral("inifile"), ini),
              QStringLiteral("C:\\zelvano\\zelvano.ini"));
    EXPECT_EQ(Ini(QStringLiteral("serveur"), QStringLiteral("fmpath"), ini),
              QStringLiteral("\\\\serveur\\zelvano"));
    EXPECT_EQ(Ini(QStringLiteral("client"), QStringLiteral("fmpath"), ini), QStringLiteral("C"));
    EXPECT_EQ(Ini(QStringLiteral("options"), QStringLiteral("createlog"), ini),
              QStringLiteral("1"));
    EXPECT_EQ(Ini(QStringLiteral("path"), QStringLiteral("poste"),
                  QStringLiteral("C:\\zelvano\\zelvano.ini")),
              QStringLiteral("A"));
    // The share and the local disk are where the layer looks for them.
    EXPECT_TRUE(QFileInfo(plateforme::Machine::DossierPartage(QStringLiteral("serveur"),
                                                              QStringLiteral("zelvano")))
                    .isDir());
}

TEST(DemoRemplacement, PratiqueExistanteRefuseeOuRemplacee) {
    factices::Machine machine;
    demo::OptionsDemo o = Petite(machine, 4);
    demo::GenererDemo(o);
    const auto e = [&] {
        try {
            demo::GenererDemo(o);
        } catch (const plateforme::Erreur& erreur) {
            return erreur.Number();
        }
        return 0;
    }();
    EXPECT_EQ(e, plateforme::err::FichierExisteDeja);
    o.remplacer = true;
    o.local = false;
    o.nouveaux = 0;
    o.patients = 3;
    const demo::BilanDemo nouveau = demo::GenererDemo(o);
    EXPECT_TRUE(nouveau.baseLocale.isEmpty());
    EXPECT_FALSE(QFileInfo(machine.Natif(Locale)).exists());
    auto db = DBEngine::Instance().OpenDatabase(Distante);
    EXPECT_EQ(Entier(*db, QStringLiteral("select count(*) from patient")), 3);
}

TEST(DemoProgramme, ConstruitLaMachineDemandee) {
    factices::Machine machine;
    const QString programme = factices::DossierBinaires() + QStringLiteral("/zelvano-demo");
    const QString dossier = machine.Racine() + QStringLiteral("/demo");
    QProcess p;
    p.start(programme, {QStringLiteral("--machine"), dossier, QStringLiteral("--patients"),
                        QStringLiteral("4"), QStringLiteral("--documents"), QStringLiteral("3"),
                        QStringLiteral("--objets"), QStringLiteral("5"), QStringLiteral("--seed"),
                        QStringLiteral("9")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo(dossier + QStringLiteral("/unc/serveur/zelvano/zelvano/bd/zelvano.mdb"))
                    .isFile());
    EXPECT_TRUE(QFileInfo(dossier + QStringLiteral("/drives/C/WINDOWS/synchro.ini")).isFile());
    EXPECT_TRUE(
        QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("patient : 4")));
    // The machine's program folder holds the stand-ins built beside zelvano-demo, and the local
    // disk the practice application.
    for (const QString& nom : plateforme::ProgrammesDuDossier()) {
        EXPECT_EQ(QFileInfo(dossier + QStringLiteral("/drives/C/Program Files/Zelvano/") + nom)
                      .symLinkTarget(),
                  factices::DossierBinaires() + QLatin1Char('/') + nom);
    }
    EXPECT_EQ(QFileInfo(dossier + QStringLiteral("/drives/C/zelvano/zelvano.exe")).symLinkTarget(),
              factices::DossierBinaires() + QStringLiteral("/zelvano.exe"));

    p.start(programme, {QStringLiteral("--machine"), dossier, QStringLiteral("--patients"),
                        QStringLiteral("beaucoup")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    p.start(programme, {QStringLiteral("--machine"), dossier});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1); // a practice is already there
    EXPECT_TRUE(
        QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("--remplacer")));

    // A deferred synchronisation due at once, the tick every second.
    p.start(programme,
            {QStringLiteral("--machine"), dossier, QStringLiteral("--remplacer"),
             QStringLiteral("--patients"), QStringLiteral("2"), QStringLiteral("--differee")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString ini = dossier + QStringLiteral("/drives/C/WINDOWS/synchro.ini");
    EXPECT_EQ(plateforme::GetPrivateProfileIntA("options", "synchrodifferee", 0, ini), 1);
    EXPECT_EQ(plateforme::GetPrivateProfileIntA("options", "synchrodiffereetimer", 0, ini), 1000);
    EXPECT_EQ(plateforme::GetPrivateProfileIntA("options", "synchrodiffereearret", 1, ini), 0);
    QString moment;
    plateforme::GetPrivateProfileStringA("options", "synchrodiffereelea", {}, moment, 255, ini);
    const QDateTime due = QDateTime::fromString(moment, QStringLiteral("dd/MM/yyyy HH:mm"));
    ASSERT_TRUE(due.isValid()) << moment.toStdString();
    EXPECT_LE(due, QDateTime::currentDateTime());
    EXPECT_LT(due.secsTo(QDateTime::currentDateTime()), 120);
}

struct Sortie {
    int code = -1;
    QString sortie;
    QString erreurs;
};

// zelvano-demo with these arguments, and $ZELVANO_MACHINE when `machine` is given.
Sortie LancerDemo(const QStringList& arguments, const QString& machine = {}) {
    QProcess p;
    if (!machine.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZELVANO_MACHINE"), machine);
        p.setProcessEnvironment(env);
    }
    p.start(factices::DossierBinaires() + QStringLiteral("/zelvano-demo"), arguments);
    if (!p.waitForFinished(60000)) {
        ADD_FAILURE() << "zelvano-demo ne finit pas";
        return {};
    }
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The laptop of --local, as the demo leaves it: its fingerprint is there before any
// initialisation of the module, and the other workstations saved records on the server since
// its copy was made, so that the first synchronisation gives the new local records other
// numbers.
TEST(DemoLocale, PremiereSynchronisationRenumeroteEtEmpreintePrete) {
    factices::Environnement env;
    const Sortie demo =
        LancerDemo({QStringLiteral("--machine"), env.machine.Racine(), QStringLiteral("--local"),
                    QStringLiteral("--nouveaux"), QStringLiteral("3")});
    ASSERT_EQ(demo.code, 0) << demo.erreurs.toStdString();
    Param().FichierIni = QStringLiteral("C:\\WINDOWS\\synchro.ini");
    LireParametres();
    Param().createlog = 0;

    const ModificationsLocales modifications = AnalyserModificationsLocales(false);
    EXPECT_TRUE(modifications.empreinte);
    EXPECT_TRUE(modifications.lignes.isEmpty());

    // A town corrected on the laptop, as the stand-in application writes it.
    const QString ville = QStringLiteral("Ville corrigée sur le portable");
    {
        auto locale = dao::DBEngine::Instance().OpenDatabase(CheminBaseLocale());
        locale->Execute(QStringLiteral("update patient set ville = ? where identifiant = ?"),
                        {ville, 1});
        locale->Close();
    }

    // Drive P already on the share, as net use leaves it.
    ASSERT_TRUE(QFile::link(
        plateforme::Machine::DossierPartage(QStringLiteral("serveur"), QStringLiteral("zelvano")),
        plateforme::Machine::EntreeLecteur(QLatin1Char('P'))));
    EtatBase() = QStringLiteral("D");
    LancerSynchronisation();
    const QStringList journal = env.fenetre.MessagesComplets();
    EXPECT_EQ(journal.filter(QStringLiteral("SYNCHRONISATION TERMINEE CORRECTEMENT")).size(), 3)
        << journal.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(journal.filter(QStringLiteral("sans empreinte")).isEmpty());
    {
        auto serveur = dao::DBEngine::Instance().OpenDatabase(CheminBaseDistanteParLePartage());
        auto rs = serveur->OpenRecordset(
            QStringLiteral("select ville from patient where identifiant = 1"));
        EXPECT_EQ(rs->Fields(0).Value().toString(), ville);
        rs->Close();
        serveur->Close();
    }

    QDirIterator registres(env.machine.Natif(QStringLiteral("C:\\zelvano\\sauvegardes")),
                           {QStringLiteral("renumerotations.csv")}, QDir::Files,
                           QDirIterator::Subdirectories);
    ASSERT_TRUE(registres.hasNext());
    QFile registre(registres.next());
    ASSERT_TRUE(registre.open(QIODevice::ReadOnly));
    QMap<QString, int> renumerotes; // per table, the records sent under another number
    for (const QString& ligne :
         QString::fromUtf8(registre.readAll()).split(QStringLiteral("\r\n"))) {
        const QStringList champs = ligne.split(QLatin1Char(';'));
        if (champs.size() == 5 && champs[1] != champs[2] && champs[1] != QLatin1String("ancien")) {
            ++renumerotes[champs[0]];
        }
    }
    EXPECT_EQ(renumerotes.value(QStringLiteral("patient")), 3);
    EXPECT_GT(renumerotes.value(QStringLiteral("courrier")), 0);
}

TEST(DemoProgramme, SupprimeUneMachineDeDemoEtRienDAutre) {
    QTemporaryDir dossier;
    const QString racine = dossier.path();
    const QString machine = racine + QStringLiteral("/machine");
    ASSERT_EQ(LancerDemo({QStringLiteral("--machine"), machine, QStringLiteral("--patients"),
                          QStringLiteral("3"), QStringLiteral("--local")})
                  .code,
              0);
    // A mapped drive leading out of the machine, and the stand-ins linked into its program
    // folder: links are removed, what they lead to stays.
    const QString dehors = racine + QStringLiteral("/dehors");
    ASSERT_TRUE(QDir().mkpath(dehors));
    ASSERT_TRUE(QFile(dehors + QStringLiteral("/garde.txt")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(dehors, machine + QStringLiteral("/drives/Q")));

    // Folders that are no demo machine, each refused with nothing removed.
    const auto creer = [&](const QString& nom, const QStringList& dossiers) {
        const QString d = racine + QLatin1Char('/') + nom;
        for (const QString& sous : dossiers) {
            QDir().mkpath(d + QLatin1Char('/') + sous);
        }
        return d;
    };
    const QString sansUnc = creer(QStringLiteral("sans-unc"), {QStringLiteral("drives/C")});
    const QString enPlus = creer(QStringLiteral("en-plus"),
                                 {QStringLiteral("drives/C"), QStringLiteral("unc/serveur/zelvano"),
                                  QStringLiteral("documents")});
    const QString poste =
        creer(QStringLiteral("poste"), {QStringLiteral("drives/C"), QStringLiteral("unc/serveur")});
    ASSERT_TRUE(QFile::link(dehors, poste + QStringLiteral("/unc/serveur/zelvano")));
    const QString lien = racine + QStringLiteral("/lien");
    ASSERT_TRUE(QFile::link(machine, lien));
    for (const QString& refuse :
         {sansUnc, enPlus, poste, lien, racine + QStringLiteral("/absent")}) {
        const QStringList avant = QDir(refuse).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const Sortie s = LancerDemo({QStringLiteral("--supprimer"), refuse});
        EXPECT_EQ(s.code, 2) << refuse.toStdString();
        EXPECT_TRUE(s.erreurs.contains(QStringLiteral("Rien n'a été supprimé.")))
            << s.erreurs.toStdString();
        EXPECT_EQ(QDir(refuse).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), avant);
    }
    EXPECT_EQ(LancerDemo({QStringLiteral("--supprimer"), QStringLiteral("--local")}, machine).code,
              2);

    // The machine of $ZELVANO_MACHINE.
    const Sortie s = LancerDemo({QStringLiteral("--supprimer")}, machine);
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_FALSE(QFileInfo::exists(machine));
    EXPECT_TRUE(QFileInfo::exists(dehors + QStringLiteral("/garde.txt")));
    for (const QString& nom : plateforme::ProgrammesDuDossier()) {
        EXPECT_TRUE(QFileInfo(factices::DossierBinaires() + QLatin1Char('/') + nom).isFile())
            << nom.toStdString();
    }
}

} // namespace
