// The folder copies' fast road: files reached by name in folders opened once.
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"
#include "testutil/conditions.h"
#include "testutil/copies_en_panne.h"
#include "testutil/factices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace err = plateforme::err;
using plateforme::DossierOuvert;

const QString Source = QStringLiteral("P:\\zelvano\\courrier");
const QString Destination = QStringLiteral("C:\\zelvano\\courrier");

int NumeroLeve(const std::function<void()>& f) {
    return essais::ErreurDe(f).Number();
}

struct stat Etat(const QString& natif) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(natif).constData(), &st), 0) << qPrintable(natif);
    return st;
}

void DefinirTemps(const QString& natif, time_t secondes, long nanos) {
    const struct timespec t[2] = {{0, UTIME_OMIT}, {secondes, nanos}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(natif).constData(), t, 0), 0);
}

class DossiersOuverts : public ::testing::Test {
protected:
    factices::Machine machine;

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(machine.Natif(Source)));
        ASSERT_TRUE(QDir().mkpath(machine.Natif(Destination)));
    }

    QString S(const QString& nom) const { return Source + QLatin1Char('\\') + nom; }
    QString D(const QString& nom) const { return Destination + QLatin1Char('\\') + nom; }

    // Entries of the destination folder, hidden ones (temporary copies) included.
    QStringList EntreesDestination() const {
        return QDir(machine.Natif(Destination))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

    void Copier(const QString& nom) const {
        const DossierOuvert src(Source);
        const DossierOuvert dst(Destination);
        plateforme::LotCopies lot(dst);
        lot.Copier(src, nom);
        lot.Placer();
    }
};

TEST_F(DossiersOuverts, CopieContenuDroitsEtDateSousDesNomsDifficiles) {
    const QString longNom = QString(200, QChar(0x00E9)).left(120) + QStringLiteral(" fin.rtf");
    const QStringList noms{QStringLiteral("lettre à Mme Hélène Œuvray.rtf"),
                           QStringLiteral("  blancs  au début et à la fin  "), longNom,
                           QStringLiteral("vide.txt")};
    ASSERT_GT(QFile::encodeName(longNom).size(), 240); // near the name limit of the disk
    for (qsizetype i = 0; i < noms.size(); ++i) {
        const QByteArray contenu =
            noms[i] == QLatin1String("vide.txt") ? QByteArray() : QByteArray(70000 + i, 'a' + i);
        machine.EcrireFichier(S(noms[i]), contenu);
        DefinirTemps(machine.Natif(S(noms[i])), 1700000000 + i, 123456789);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(machine.Natif(S(noms[0]))).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(machine.Natif(S(noms[1]))).constData(), 0750), 0);

    const DossierOuvert src(Source);
    const DossierOuvert dst(Destination);
    plateforme::LotCopies lot(dst);
    for (const QString& nom : noms) {
        lot.Copier(src, nom);
    }
    lot.Placer();
    for (qsizetype i = 0; i < noms.size(); ++i) {
        SCOPED_TRACE(noms[i].toStdString());
        EXPECT_EQ(machine.LireFichier(D(noms[i])), machine.LireFichier(S(noms[i])));
        const struct stat st = Etat(machine.Natif(D(noms[i])));
        EXPECT_EQ(st.st_mtim.tv_sec, 1700000000 + i);
        EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
        EXPECT_EQ(st.st_mode & 07777, Etat(machine.Natif(S(noms[i]))).st_mode & 07777);
    }
    EXPECT_EQ(Etat(machine.Natif(D(noms[0]))).st_mode & 07777, 0444u);
    QStringList attendus = noms;
    attendus.sort();
    EXPECT_EQ(EntreesDestination(), attendus) << "no temporary copy left behind";

    // Seen through the folder, as the modified-only copies compare them.
    qint64 secondes = 0;
    ASSERT_TRUE(dst.SecondeEcriture(noms[2], secondes));
    EXPECT_EQ(secondes, 1700000002);
}

TEST_F(DossiersOuverts, UneAutreCasseEstLeFichierRemplace) {
    machine.EcrireFichier(S(QStringLiteral("Compte-Rendu.RTF")), "version du serveur");
    machine.EcrireFichier(D(QStringLiteral("compte-rendu.rtf")), "version locale");
    DefinirTemps(machine.Natif(D(QStringLiteral("compte-rendu.rtf"))), 1600000000, 0);

    const DossierOuvert dst(Destination);
    qint64 secondes = 0;
    ASSERT_TRUE(dst.SecondeEcriture(QStringLiteral("COMPTE-rendu.rtf"), secondes));
    EXPECT_EQ(secondes, 1600000000);

    Copier(QStringLiteral("Compte-Rendu.RTF"));
    EXPECT_EQ(EntreesDestination(), QStringList{QStringLiteral("compte-rendu.rtf")});
    EXPECT_EQ(machine.LireFichier(D(QStringLiteral("compte-rendu.rtf"))), "version du serveur");
}

TEST_F(DossiersOuverts, RefusEtErreursCommeLaCopieParChemin) {
    machine.EcrireFichier(S(QStringLiteral("a.txt")), "serveur");
    // A read-only destination is not replaced (70) and stays as it was.
    machine.EcrireFichier(D(QStringLiteral("a.txt")), "local protégé");
    const QString protege = machine.Natif(D(QStringLiteral("a.txt")));
    ASSERT_EQ(::chmod(QFile::encodeName(protege).constData(), 0444), 0);
    EXPECT_EQ(NumeroLeve([&] { Copier(QStringLiteral("a.txt")); }), err::PermissionRefusee);
    EXPECT_EQ(machine.LireFichier(D(QStringLiteral("a.txt"))), "local protégé");
    ASSERT_EQ(::chmod(QFile::encodeName(protege).constData(), 0644), 0);

    // A folder under the name: 75; a source that is missing: 53.
    ASSERT_TRUE(QDir().mkpath(machine.Natif(D(QStringLiteral("dossier.txt")))));
    machine.EcrireFichier(S(QStringLiteral("dossier.txt")), "x");
    EXPECT_EQ(NumeroLeve([&] { Copier(QStringLiteral("dossier.txt")); }), err::ErreurAccesChemin);
    EXPECT_EQ(NumeroLeve([&] { Copier(QStringLiteral("absent.txt")); }), err::FichierIntrouvable);

    // The destination folder is missing (its parent too): 76, like the copy by path.
    {
        const DossierOuvert src(Source);
        const DossierOuvert manque(QStringLiteral("C:\\absent\\courrier"));
        EXPECT_FALSE(manque.Ouvert());
        plateforme::LotCopies lot(manque);
        EXPECT_EQ(NumeroLeve([&] { lot.Copier(src, QStringLiteral("a.txt")); }),
                  err::CheminIntrouvable);
        EXPECT_EQ(NumeroLeve([&] {
                      plateforme::CopierFichier(S(QStringLiteral("a.txt")),
                                                QStringLiteral("C:\\absent\\courrier\\a.txt"));
                  }),
                  err::CheminIntrouvable);
    }
    EXPECT_EQ(EntreesDestination(),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("dossier.txt")}));
}

void CrochetQuiLeve(const QString&, const QString&) {
    plateforme::Lever(err::ErreurEntreeSortie);
}

TEST_F(DossiersOuverts, CopieInterrompueNeLaissePasDeFichierSousLeVraiNom) {
    machine.EcrireFichier(S(QStringLiteral("gros.dcm")), QByteArray(1 << 20, 'g'));
    machine.EcrireFichier(S(QStringLiteral("neuf.dcm")), QByteArray(1 << 20, 'n'));
    machine.EcrireFichier(D(QStringLiteral("gros.dcm")), "version locale");

    // The hook sees the Windows paths the copies have always named.
    {
        QStringList vus;
        const factices::CrochetCopie note(
            [&vus](const QString& source, const QString& destination) {
                vus << source << destination;
            });
        Copier(QStringLiteral("neuf.dcm"));
        EXPECT_EQ(vus, (QStringList{S(QStringLiteral("neuf.dcm")), D(QStringLiteral("neuf.dcm"))}));
    }
    ASSERT_TRUE(QFile::remove(machine.Natif(D(QStringLiteral("neuf.dcm")))));

    {
        const factices::CrochetCopie leve(CrochetQuiLeve);
        EXPECT_EQ(NumeroLeve([&] { Copier(QStringLiteral("gros.dcm")); }), err::ErreurEntreeSortie);
    }

    // Writes that fail half-way, as on a full disk.
    int remplace = 0;
    int nouveau = 0;
    {
        const essais::DisquePleinSimule plein(65536);
        ASSERT_TRUE(plein.Pose());
        remplace = NumeroLeve([&] { Copier(QStringLiteral("gros.dcm")); });
        nouveau = NumeroLeve([&] { Copier(QStringLiteral("neuf.dcm")); });
    }

    EXPECT_EQ(remplace, err::DisquePlein);
    EXPECT_EQ(nouveau, err::DisquePlein);
    EXPECT_EQ(machine.LireFichier(D(QStringLiteral("gros.dcm"))), "version locale");
    EXPECT_EQ(EntreesDestination(), QStringList{QStringLiteral("gros.dcm")});
}

TEST_F(DossiersOuverts, SecondeEcritureCommeUneLecturePourLesDates) {
    machine.EcrireFichier(S(QStringLiteral("a.txt")), "a");
    DefinirTemps(machine.Natif(S(QStringLiteral("a.txt"))), 1650000000, 999999999);
    ASSERT_TRUE(QDir().mkpath(machine.Natif(S(QStringLiteral("sous")))));
    ASSERT_TRUE(QFile::link(machine.Natif(S(QStringLiteral("absent"))),
                            machine.Natif(S(QStringLiteral("mort.txt")))));
    ASSERT_TRUE(QFile::link(machine.Natif(S(QStringLiteral("a.txt"))),
                            machine.Natif(S(QStringLiteral("lien.txt")))));

    const DossierOuvert src(Source);
    qint64 s = 0;
    ASSERT_TRUE(src.SecondeEcriture(QStringLiteral("a.txt"), s));
    EXPECT_EQ(s, 1650000000) << "to the second, not rounded up";
    ASSERT_TRUE(src.SecondeEcriture(QStringLiteral("lien.txt"), s)) << "a link is followed";
    EXPECT_EQ(s, 1650000000);
    EXPECT_FALSE(src.SecondeEcriture(QStringLiteral("sous"), s)) << "a folder";
    EXPECT_FALSE(src.SecondeEcriture(QStringLiteral("mort.txt"), s)) << "a dangling link";
    EXPECT_FALSE(src.SecondeEcriture(QStringLiteral("absent.txt"), s));

    // The folder object stays on the folder it was opened on.
    const DossierOuvert absent(QStringLiteral("P:\\zelvano\\absent"));
    EXPECT_FALSE(absent.Ouvert());
    EXPECT_FALSE(absent.SecondeEcriture(QStringLiteral("a.txt"), s));

    if (::geteuid() != 0) {
        // Unreadable: the open of LireTempsFichier would fail, so no time.
        ASSERT_EQ(
            ::chmod(QFile::encodeName(machine.Natif(S(QStringLiteral("a.txt")))).constData(), 0200),
            0);
        EXPECT_FALSE(src.SecondeEcriture(QStringLiteral("a.txt"), s));
        plateforme::TempsFichier temps;
        EXPECT_FALSE(plateforme::LireTempsFichier(S(QStringLiteral("a.txt")), temps));
    }
}

} // namespace

namespace {

// A copy made ahead waits under its hidden name, then takes its real name (replacing a file of
// that name in another case) or goes away with its object, even once its folder has moved.
TEST_F(DossiersOuverts, CopieEnAttentePlaceeOuRetiree) {
    machine.EcrireFichier(S(QStringLiteral("a.doc")), "contenu a");
    machine.EcrireFichier(S(QStringLiteral("b.doc")), "contenu b");
    machine.EcrireFichier(D(QStringLiteral("XA000006.DOC")), "ancienne lettre");
    DefinirTemps(machine.Natif(S(QStringLiteral("a.doc"))), 1700000000, 0);
    auto dossier = std::make_shared<const DossierOuvert>(Destination);
    QStringList copiesVues;
    const factices::CrochetCopie note([&copiesVues](const QString&, const QString& destination) {
        copiesVues.append(destination);
    });
    {
        plateforme::CopieEnAttente a(S(QStringLiteral("a.doc")), dossier,
                                     QStringLiteral(".~a.tmp"));
        plateforme::CopieEnAttente b(S(QStringLiteral("b.doc")), dossier,
                                     QStringLiteral(".~b.tmp"));
        EXPECT_EQ(copiesVues,
                  (QStringList{D(QStringLiteral(".~a.tmp")), D(QStringLiteral(".~b.tmp"))}));
        EXPECT_EQ(EntreesDestination(),
                  (QStringList{QStringLiteral(".~a.tmp"), QStringLiteral(".~b.tmp"),
                               QStringLiteral("XA000006.DOC")}));
        a.Placer(QStringLiteral("xA000006.doc"));
        // The folder moves (a share remounted elsewhere): b still goes away from it.
        ASSERT_TRUE(QDir().rename(machine.Natif(Destination),
                                  machine.Natif(QStringLiteral("C:\\zelvano\\ailleurs"))));
    }
    const QString ailleurs = machine.Natif(QStringLiteral("C:\\zelvano\\ailleurs"));
    EXPECT_EQ(QDir(ailleurs).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("XA000006.DOC")});
    EXPECT_EQ(machine.LireFichier(QStringLiteral("C:\\zelvano\\ailleurs\\XA000006.DOC")),
              "contenu a");
    EXPECT_EQ(
        QFileInfo(ailleurs + QStringLiteral("/XA000006.DOC")).lastModified().toSecsSinceEpoch(),
        1700000000);

    EXPECT_EQ(NumeroLeve([&] {
                  plateforme::CopieEnAttente absente(S(QStringLiteral("absent.doc")), dossier,
                                                     QStringLiteral(".~c.tmp"));
              }),
              err::FichierIntrouvable);
}

// A lot of copies: nothing bears its real name before the lot is placed (the data then flushed
// once for all), the copies of a lot dropped unplaced go with it, a full lot places itself, and a
// copy that cannot take its name is told while the others still take theirs.
TEST_F(DossiersOuverts, LotDeCopiesPlaceToutEnsembleOuRien) {
    const DossierOuvert src(Source);
    const DossierOuvert dst(Destination);
    for (const char* nom : {"a.doc", "b.doc", "c.doc"}) {
        machine.EcrireFichier(S(QLatin1String(nom)), QByteArray("contenu ") + nom);
    }
    machine.EcrireFichier(D(QStringLiteral("B.DOC")), "ancienne");
    DefinirTemps(machine.Natif(S(QStringLiteral("a.doc"))), 1700000000, 0);
    ASSERT_TRUE(
        QFile::setPermissions(machine.Natif(S(QStringLiteral("c.doc"))), QFileDevice::ReadOwner));
    QStringList places;
    QStringList echecs;
    const auto place = [&](const QString& nom) {
        places.append(nom);
    };
    const auto echec = [&](const QString& nom, const plateforme::Erreur& e) {
        echecs.append(nom + QLatin1Char(' ') + QString::number(e.Number()));
    };
    {
        plateforme::LotCopies lot(dst, place, echec);
        lot.Copier(src, QStringLiteral("a.doc"));
        lot.Copier(src, QStringLiteral("b.doc"));
        lot.Copier(src, QStringLiteral("c.doc"), true);
        const QStringList pendant = EntreesDestination();
        EXPECT_EQ(pendant.size(), 4) << qPrintable(pendant.join(QLatin1Char(' ')));
        EXPECT_EQ(pendant.filter(QStringLiteral(".~synchro-")).size(), 3);
        EXPECT_EQ(machine.LireFichier(D(QStringLiteral("B.DOC"))), "ancienne");
        EXPECT_TRUE(places.isEmpty());
        // A folder where a copy is to go: that one cannot take its name.
        ASSERT_TRUE(QDir().mkpath(machine.Natif(D(QStringLiteral("a.doc")))));
        lot.Placer();
    }
    EXPECT_EQ(places, (QStringList{QStringLiteral("b.doc"), QStringLiteral("c.doc")}));
    ASSERT_EQ(echecs.size(), 1);
    EXPECT_TRUE(echecs[0].startsWith(QStringLiteral("a.doc "))) << qPrintable(echecs[0]);
    EXPECT_EQ(EntreesDestination(), (QStringList{QStringLiteral("B.DOC"), QStringLiteral("a.doc"),
                                                 QStringLiteral("c.doc")}));
    EXPECT_EQ(machine.LireFichier(D(QStringLiteral("B.DOC"))), "contenu b.doc");
    // Read-only at the source, writable as asked.
    EXPECT_NE(Etat(machine.Natif(D(QStringLiteral("c.doc")))).st_mode & S_IWUSR, 0U);

    // Dropped unplaced: nothing left of it; the same checks as a single copy.
    ASSERT_TRUE(QDir().rmdir(machine.Natif(D(QStringLiteral("a.doc")))));
    {
        plateforme::LotCopies lot(dst);
        lot.Copier(src, QStringLiteral("a.doc"));
        EXPECT_EQ(NumeroLeve([&] { lot.Copier(src, QStringLiteral("absent.doc")); }),
                  err::FichierIntrouvable);
    }
    EXPECT_EQ(EntreesDestination().filter(QStringLiteral(".~")).size(), 0);

    // What an interrupted lot left goes before the next lot's first copy; other hidden files
    // stay.
    machine.EcrireFichier(D(QStringLiteral(".~synchro-ab12yz.tmp")), "reste");
    machine.EcrireFichier(D(QStringLiteral(".~synchro-envoi-1-x.tmp")), "envoi");
    {
        plateforme::LotCopies lot(dst);
        lot.Copier(src, QStringLiteral("a.doc"));
        EXPECT_FALSE(EntreesDestination().contains(QStringLiteral(".~synchro-ab12yz.tmp")));
        EXPECT_TRUE(EntreesDestination().contains(QStringLiteral(".~synchro-envoi-1-x.tmp")));
    }

    // A full lot places itself, and the rest at Placer.
    const int nombre = static_cast<int>(plateforme::LotCopies::FichiersMax) + 5;
    for (int i = 0; i < nombre; ++i) {
        machine.EcrireFichier(S(QStringLiteral("n%1.txt").arg(i)), QByteArray::number(i));
    }
    places.clear();
    plateforme::LotCopies lot(dst, place);
    for (int i = 0; i < nombre; ++i) {
        lot.Copier(src, QStringLiteral("n%1.txt").arg(i));
    }
    EXPECT_EQ(places.size(), nombre - 5);
    lot.Placer();
    EXPECT_EQ(places.size(), nombre);
    EXPECT_EQ(machine.LireFichier(D(QStringLiteral("n1004.txt"))), "1004");
    EXPECT_FALSE(QFileInfo::exists(machine.Natif(D(QStringLiteral("a.doc")))));
}

} // namespace
