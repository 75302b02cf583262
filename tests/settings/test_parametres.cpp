#include "platform/erreur.h"
#include "platform/profil.h"
#include "settings/cles.h"
#include "settings/parametres.h"
#include "testutil/factices.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

class LectureParametres : public ::testing::Test {
protected:
    factices::Environnement env;

    void Ini(const QByteArray& contenu) {
        env.machine.EcrireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini"), contenu);
    }
};

TEST_F(LectureParametres, SansFichierLesValeursParDefaut) {
    LireParametres();
    const Parametres& p = Param();
    EXPECT_EQ(p.unite, QStringLiteral("P"));
    EXPECT_EQ(p.zelvanodir, QStringLiteral("zelvano"));
    EXPECT_EQ(p.bddir, QStringLiteral("bd"));
    EXPECT_EQ(p.courrierdir, QString());
    EXPECT_EQ(p.copiesecurisee, 1);
    EXPECT_EQ(p.modifiesuniquement, 1);
    EXPECT_EQ(p.shellsynchrone, 1);
    EXPECT_EQ(p.createlog, 0);
    EXPECT_EQ(p.TpsAttente, 10);
    EXPECT_TRUE(p.fmpathServeur.startsWith(QStringLiteral("\\\\")));
    // The local disk is a drive letter: paths built from it read "C:\zelvano", not "C:\:\".
    EXPECT_EQ(p.fmpathClient + QStringLiteral(":\\") + p.zelvanodir, QStringLiteral("C:\\zelvano"));
    EXPECT_EQ(env.fenetre.libelles[0], QString());
}

TEST_F(LectureParametres, ValeursLuesDuFichierParDefautDansWindows) {
    Ini("[General]\r\nUNITE=Q\r\nzelvanodir=zv\r\ncourrierdir=courrier\r\nTpsAttente= 25 \r\n"
        "[serveur]\r\nfmpath=\\\\srv\\partage\r\n[client]\r\nfmpath=D\r\n"
        "[options]\r\ncreatelog=1\r\ncopiesecurisee=0\r\nboutonclient=Local\r\n"
        "boutonserveur=Serveur\r\n[synchro]\r\nsurclient1=cmd un\r\n");
    LireParametres();
    const Parametres& p = Param();
    EXPECT_EQ(p.unite, QStringLiteral("Q"));
    EXPECT_EQ(p.zelvanodir, QStringLiteral("zv"));
    EXPECT_EQ(p.courrierdir, QStringLiteral("courrier"));
    EXPECT_EQ(p.TpsAttente, 25);
    EXPECT_EQ(p.fmpathServeur, QStringLiteral("\\\\srv\\partage"));
    EXPECT_EQ(p.fmpathClient, QStringLiteral("D"));
    EXPECT_EQ(p.createlog, 1);
    EXPECT_EQ(p.copiesecurisee, 0);
    EXPECT_EQ(p.surclient1, QStringLiteral("cmd un"));
    EXPECT_EQ(env.fenetre.libelles[0], QStringLiteral("Local"));
    EXPECT_EQ(env.fenetre.libelles[1], QStringLiteral("Serveur"));
}

TEST_F(LectureParametres, FichierNommeSurLaLigneDeCommande) {
    env.machine.EcrireFichier(QStringLiteral("D:\\conf\\poste2.ini"), "[general]\nbddir=base\n");
    Ini("[general]\nbddir=autre\n");
    Param().FichierIni = QStringLiteral("D:\\conf\\poste2.ini");
    LireParametres();
    EXPECT_EQ(Param().bddir, QStringLiteral("base"));
    EcrireCle(QStringLiteral("position"), QStringLiteral("left"), QStringLiteral("120"));
    EXPECT_TRUE(
        env.machine.LireFichier(QStringLiteral("D:\\conf\\poste2.ini")).contains("left=120"));
    EXPECT_FALSE(
        env.machine.LireFichier(QStringLiteral("C:\\WINDOWS\\synchro.ini")).contains("left"));
}

TEST_F(LectureParametres, UniteVideOuLongue) {
    Ini("[general]\nunite=\n");
    LireParametres();
    EXPECT_EQ(Param().unite, QStringLiteral(" "));
    Ini("[general]\nunite=QX\n");
    LireParametres();
    EXPECT_EQ(Param().unite, QStringLiteral("Q"));
}

TEST_F(LectureParametres, TexteDe300CaracteresTronqueA254) {
    Ini("[general]\nzelvanodir=" + QByteArray(300, 'a') + "\n");
    LireParametres();
    EXPECT_EQ(Param().zelvanodir, QString(254, QLatin1Char('a')));
}

TEST_F(LectureParametres, LibelleVideGardeLeLibelleDOrigine) {
    Ini("[options]\nboutonclient=\n");
    LireParametres();
    EXPECT_EQ(env.fenetre.libelles[0], QString());
}

TEST_F(LectureParametres, DrapeauNonNumeriqueLuCommeZero) {
    Ini("[options]\ncreatelog=yes\ncopiesecurisee=1abc\n");
    LireParametres();
    EXPECT_EQ(Param().createlog, 0);
    EXPECT_EQ(Param().copiesecurisee, 1);
}

TEST_F(LectureParametres, TpsAttenteNonNumeriqueEstUneErreur) {
    // The number reader takes "nan" and "inf", which no integer holds: a type mismatch too.
    for (const char* valeur : {"dix", "nan", "NaN", "inf", "-inf", "+INF", "infinity"}) {
        Ini(QByteArray("[general]\nTpsAttente=") + valeur + "\n");
        try {
            LireParametres();
            ADD_FAILURE() << "aucune erreur pour " << valeur;
        } catch (const plateforme::Erreur& e) {
            EXPECT_EQ(e.Number(), plateforme::err::IncompatibiliteType) << valeur;
            EXPECT_EQ(e.Description(), QStringLiteral("Incompatibilité de type")) << valeur;
        }
    }
}

TEST_F(LectureParametres, EntierHorsDe16BitsDepasseLaCapacite) {
    for (const QByteArray& ligne :
         {QByteArray("[options]\ncreatelog=40000\n"), QByteArray("[general]\nTpsAttente=32768\n"),
          QByteArray("[options]\nnowarning=-32769\n")}) {
        Ini(ligne);
        try {
            LireParametres();
            ADD_FAILURE() << "aucune erreur pour " << ligne.constData();
        } catch (const plateforme::Erreur& e) {
            EXPECT_EQ(e.Number(), plateforme::err::DepassementCapacite) << ligne.constData();
        }
    }
    Ini("[general]\nTpsAttente=-32768\n");
    LireParametres();
    EXPECT_EQ(Param().TpsAttente, -32768);
}

// Every key of the table: its default when absent, read back as written, and no two keys the
// same; every field of the record filled from its own key.
TEST_F(LectureParametres, ChaqueCleRelueCommeEcriteDansSonChamp) {
    QSet<QString> noms;
    QHash<const cles::Cle*, QString> ecrits;
    for (const cles::Cle* c : cles::Toutes()) {
        const QString nom = QString::fromLatin1(c->section) + QLatin1Char('/') + c->nom;
        EXPECT_FALSE(noms.contains(nom.toLower())) << nom.toStdString();
        noms.insert(nom.toLower());
        const bool texte = c->type == cles::Type::Texte;
        if (texte) {
            EXPECT_EQ(cles::Lire(*c), c->Defaut()) << nom.toStdString();
        } else {
            EXPECT_EQ(cles::LireEntier(*c), c->DefautEntier()) << nom.toStdString();
        }
        // Values no key has by default.
        const QString valeur = c->regle == cles::Regle::LettreFixe
                                   ? QStringLiteral("Q")
                                   : (texte ? QStringLiteral("valeur ") : QString()) +
                                         QString::number(100 + ecrits.size());
        cles::Ecrire(*c, valeur);
        ecrits.insert(c, valeur);
    }
    for (const cles::Cle* c : cles::Toutes()) {
        const QString lu =
            c->type == cles::Type::Texte ? cles::Lire(*c) : QString::number(cles::LireEntier(*c));
        EXPECT_EQ(lu, ecrits.value(c)) << c->section << '/' << c->nom;
    }
    LireParametres();
    const Parametres& p = Param();
    for (const ChampParametres& champ : ChampsParametres()) {
        EXPECT_EQ(champ.texte != nullptr ? p.*champ.texte : QString::number(p.*champ.entier),
                  ecrits.value(champ.cle))
            << champ.cle->nom;
    }
    EXPECT_EQ(ChampsParametres().size(), 27);
}

TEST_F(LectureParametres, FichierDOctetsAleatoiresNePlantePas) {
    QByteArray octets;
    quint32 graine = 12345;
    for (int i = 0; i < 4096; ++i) {
        graine = graine * 1103515245u + 12345u;
        octets.append(static_cast<char>(graine >> 16));
    }
    Ini(octets);
    EXPECT_NO_THROW(LireParametres());
    EXPECT_EQ(Param().bddir, QStringLiteral("bd"));
}

} // namespace
