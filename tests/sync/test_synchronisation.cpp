#include "sync/synchronisation.h"
#include "testutil/journal_attendu.h"

#include "demo/pratique.h"
#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/processus.h"
#include "settings/etat.h"
#include "settings/parametres.h"
#include "sync/test_synchronisation_poste.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using poste::BaseC;
using poste::BaseP;
using poste::BaseServeur;

namespace {

using attendu::DemarrageInit;
using attendu::InitTerminee;
using attendu::Plus40;
const QString& Demarrage = attendu::DemarrageSynchro;
const QString& Terminee = attendu::SynchroTerminee;
const QString OuvertureDistante =
    QStringLiteral("Ouverture de la base de données distante P:\\zelvano\\bd\\zelvano.mdb");
const QString OuvertureLocale =
    QStringLiteral("Ouverture de la base de données locale C:\\zelvano\\bd\\zelvano.mdb");

const QStringList DistanteNonVide = {
    QStringLiteral(" "),
    QStringLiteral("INFORMATION TRES IMPORTANTE"),
    QStringLiteral("La base de données distante contient une table de synchronisation"),
    QStringLiteral("non vide, ce qui peut provoquer de graves dysfonctionnements."),
    QStringLiteral("Votre configuration doit impérativement être vérifiée."),
    QStringLiteral("Impossible de continuer..."),
};

const QStringList LocaleNonInitialisee = {
    QStringLiteral(" "),
    QStringLiteral("INFORMATION TRES IMPORTANTE"),
    QStringLiteral(
        "La dernière synchronisation de votre base locale s'est TERMINEE CORRECTEMENT mais"),
    QStringLiteral(
        "une erreur s'est produite dans l'initialisation qui est lancée automatiquement "),
    QStringLiteral("après cette synchronisation."),
    QStringLiteral("Vous devez relancer une INITIALISATION (et non une synchronisation) avant "),
    QStringLiteral("de commencer à saisir dans votre base locale."),
};

const QStringList DebutRun = {Demarrage, Demarrage, Demarrage, OuvertureDistante, OuvertureLocale};

// One field of a row of poste::Brut::Lignes replaced: "champ=kind:value".
QString Changer(const QString& ligne, const QString& champ, const QString& valeur) {
    QStringList champs = ligne.split(QLatin1Char('|'));
    bool trouve = false;
    for (QString& c : champs) {
        if (c.startsWith(champ + QLatin1Char('='))) {
            c = champ + QLatin1Char('=') + valeur;
            trouve = true;
        }
    }
    EXPECT_TRUE(trouve) << champ.toStdString() << " in " << ligne.toStdString();
    return champs.join(QLatin1Char('|'));
}

std::string Texte(const QStringList& lignes) {
    return lignes.join(QLatin1Char('\n')).toStdString();
}

class Synchronisation : public poste::Poste {
protected:
    // Server: two patients known at the last initialisation, a third one added since by another
    // workstation, a consultation and a letter. Local copy: the state of that initialisation
    // plus, typed since, a patient with a consultation, a prescription, a letter with its file
    // and a drawing with its file.
    void PreparerPratique() {
        CreerBasesVides();
        for (const QString& base : {BaseServeur, BaseC}) {
            Executer(base, QStringLiteral(
                               "insert into patient (identifiant, numdossier, nom, prenom, "
                               "datecreation) values (1, '1', 'Martin', 'Anne', "
                               "'2025-03-01 10:00:00'), (2, '2', 'Durand', 'Paul', "
                               "'2025-03-02 11:00:00');"
                               "insert into consultation (identconsultation, identifiant, "
                               "dateconsultation, motif) values (10, 1, '2026-01-05 09:00:00', "
                               "'Contrôle');"
                               "insert into courrier (identcourrier, identifiant, datecourrier, "
                               "destinataire, objet, nomfichier) values (5, 1, "
                               "'2026-01-05 00:00:00', 'Dr Alpha', 'Résultats', "
                               "'P:\\zelvano\\courrier\\xB000005.doc');"));
        }
        Executer(BaseServeur, QStringLiteral("insert into patient (identifiant, numdossier, nom) "
                                             "values (3, '3', 'Petit')"));
        Ecrire(QStringLiteral("\\\\serveur\\zelvano\\zelvano\\courrier\\xB000005.doc"), "ancienne");
        Ecrire(QStringLiteral("C:\\zelvano\\courrier\\xB000005.doc"), "ancienne");
        RemplirSynchro(BaseC, {2, 10, 0, 5, 0, 0, 0});

        Executer(BaseC, QStringLiteral(
                            "insert into patient (identifiant, numdossier, nom, prenom, "
                            "datenaissance, datecreation) values (3, '3', 'Lefèvre', 'Élodie', "
                            "'1990-04-03 00:00:00', '2026-12-07 08:00:00');"
                            "insert into consultation (identconsultation, identifiant, "
                            "dateconsultation, motif, texte, montant) values (11, 3, "
                            "'2026-12-07 08:10:00', 'Première', 'Examen normal', 25.5);"
                            "insert into ordonnance (identordonnance, identifiant, "
                            "identconsultation, dateordonnance, texte) values (1, 3, 11, "
                            "'2026-12-07 08:20:00', 'Paracétamol');"
                            "insert into courrier (identcourrier, identifiant, datecourrier, "
                            "destinataire, nomfichier) values (6, 3, '2026-12-07 08:30:00', "
                            "'Dr Bêta', 'P:\\zelvano\\courrier\\lettre.doc');"
                            "insert into objet (identobjet, identpatient, typeobjet, nomfichier, "
                            "libelle) values (1, 3, 'dessin1', 'dessin.des', 'Schéma');"));
        Ecrire(QStringLiteral("C:\\zelvano\\courrier\\lettre.doc"), "contenu de la lettre");
        Ecrire(QStringLiteral("C:\\zelvano\\data\\dessin.des"), "dessin");
    }

    // The lines of the run from its first line on (the journal may hold older ones).
    QStringList LignesRun() const {
        const QStringList m = Messages();
        const qsizetype debut = m.indexOf(Demarrage);
        return debut < 0 ? QStringList() : m.mid(debut);
    }

    void AttendreRefus(const QStringList& bloc) {
        EXPECT_EQ(Texte(LignesRun()), Texte(DebutRun + bloc));
    }
};

TEST_F(Synchronisation, EnvoieLesNouveauxEnregistrementsPuisInitialise) {
    PreparerPratique();
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    const poste::Photo localAvant = poste::Photographier(BaseC);

    LancerSynchronisation();

    // Whole remote tables: the old rows untouched, the local ones renumbered after the server's
    // largest identifiers, their links following.
    const QString patient = localAvant["patient"].at(2);
    EXPECT_EQ(
        Texte(Table(BaseServeur, "patient", "identifiant")),
        Texte(serveurAvant["patient"] +
              QStringList{Changer(Changer(patient, "identifiant", "I:4"), "numdossier", "T:4")}));
    EXPECT_EQ(Texte(Table(BaseServeur, "consultation", "identconsultation")),
              Texte(serveurAvant["consultation"] +
                    QStringList{Changer(localAvant["consultation"].at(1), "identifiant", "I:4")}));
    EXPECT_EQ(Texte(Table(BaseServeur, "ordonnance", "identordonnance")),
              Texte(QStringList{Changer(localAvant["ordonnance"].at(0), "identifiant", "I:4")}));
    EXPECT_EQ(Texte(Table(BaseServeur, "courrier", "identcourrier")),
              Texte(serveurAvant["courrier"] +
                    QStringList{Changer(Changer(localAvant["courrier"].at(1), "identifiant", "I:4"),
                                        "nomfichier", "T:P:\\zelvano\\courrier\\xA000006.doc")}));
    EXPECT_EQ(Texte(Table(BaseServeur, "objet", "identobjet")),
              Texte(QStringList{Changer(Changer(localAvant["objet"].at(0), "identpatient", "I:4"),
                                        "nomfichier", "T:FI000001.des")}));
    EXPECT_EQ(Table(BaseServeur, "cro", "identcro"), QStringList());
    EXPECT_EQ(Table(BaseServeur, "correspondance", "identcorrespondance"), QStringList());
    EXPECT_EQ(Synchro(BaseServeur), QStringList());
    // The documents on the server under their new names.
    EXPECT_EQ(Contenu("\\\\serveur\\zelvano\\zelvano\\courrier\\xA000006.doc"),
              "contenu de la lettre");
    EXPECT_EQ(Contenu("\\\\serveur\\zelvano\\zelvano\\data\\FI000001.des"), "dessin");

    // The local base is again the server's, with the seven rows of the initialisation.
    poste::Photo local = poste::Photographier(BaseC);
    poste::Photo serveur = poste::Photographier(BaseServeur);
    const QStringList synchro = local.take("synchro");
    serveur.remove("synchro");
    EXPECT_EQ(poste::Decrire(local), poste::Decrire(serveur));
    ASSERT_EQ(synchro.size(), 7);
    const QList<int> derniers = {4, 11, 1, 6, 0, 0, 1};
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(synchro[i].endsWith(QStringLiteral("dernier_no=I:%1").arg(derniers[i])))
            << synchro[i].toStdString();
    }
    EXPECT_FALSE(EstFichier(poste::Intention));
    EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());

    const QStringList m = Messages();
    ASSERT_GE(m.size(), 12);
    EXPECT_EQ(Texte(m.mid(0, 5)), Texte(DebutRun));
    QStringList tables;
    for (const QString& l : m) {
        if (l.startsWith(QStringLiteral("Transfert des nouveaux enregistrements de la table : "))) {
            tables.append(l.section(QStringLiteral(" : "), 1));
        }
        EXPECT_FALSE(l.startsWith(QStringLiteral("ERREUR"))) << l.toStdString();
    }
    EXPECT_EQ(tables, (QStringList{"patient", "consultation", "ordonnance", "courrier", "cro",
                                   "correspondance", "objet"}));
    const qsizetype fin = m.indexOf(Terminee);
    ASSERT_GT(fin, 5);
    EXPECT_EQ(m.mid(fin, 4), (QStringList{Terminee, Terminee, Terminee, DemarrageInit}));
    EXPECT_EQ(m.mid(m.size() - 3), (QStringList{InitTerminee, InitTerminee, InitTerminee}));
    EXPECT_EQ(m.count(Demarrage), 3);
    EXPECT_EQ(m.count(Terminee), 3);
    // EtatBase "D": the drive is not redirected, neither by the run nor by the initialisation.
    EXPECT_FALSE(m.join('\n').contains(QStringLiteral("Redirection de l'unité")));
    ASSERT_FALSE(env.ecran.pointeurs.isEmpty());
    EXPECT_EQ(env.ecran.pointeurs.first(), 11);
    EXPECT_EQ(env.ecran.pointeurs.last(), 0);
}

TEST_F(Synchronisation, PratiqueDeDemonstration) {
    GenererDemo(6);
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    QMap<QString, qint64> maxima;
    QMap<QString, QStringList> nouveauxLocaux;
    for (const poste::LigneSynchro& t : poste::LignesSynchro) {
        const QString table = QLatin1String(t.table);
        maxima[table] = Entier(BaseServeur, QStringLiteral("select coalesce(max(%1), 0) from %2")
                                                .arg(QLatin1String(t.champId), table));
    }
    const qint64 nouveauxPatients =
        Entier(BaseC, QStringLiteral("select count(*) from patient where identifiant > %1")
                          .arg(maxima["patient"]));
    ASSERT_EQ(nouveauxPatients, 6);
    const QStringList nomsLocaux = poste::Brut(BaseC).Lignes(
        QStringLiteral(
            "select nom, prenom from patient where identifiant > %1 order by nom, prenom")
            .arg(maxima["patient"]));

    LancerSynchronisation();

    for (const QString& l : Messages()) {
        EXPECT_FALSE(l.startsWith(QStringLiteral("ERREUR"))) << l.toStdString();
    }
    for (auto it = maxima.cbegin(); it != maxima.cend(); ++it) {
        const QString& table = it.key();
        const QString champ = QLatin1String(
            std::find_if(std::cbegin(poste::LignesSynchro), std::cend(poste::LignesSynchro),
                         [&](const poste::LigneSynchro& t) { return table == t.table; })
                ->champId);
        // The rows the server had stay as they were, the new ones follow with consecutive
        // identifiers.
        const QStringList apres = Table(BaseServeur, table, champ);
        ASSERT_GE(apres.size(), serveurAvant[table].size()) << table.toStdString();
        EXPECT_EQ(Texte(apres.mid(0, serveurAvant[table].size())), Texte(serveurAvant[table]));
        const qint64 nouveaux =
            Entier(BaseServeur, QStringLiteral("select count(*) from %1 where %2 > %3")
                                    .arg(table, champ)
                                    .arg(it.value()));
        // Consecutive, but for objects left out, whose identifiers stay unused.
        const qint64 maximum = Entier(
            BaseServeur, QStringLiteral("select coalesce(max(%1), 0) from %2").arg(champ, table));
        if (table == "objet") {
            EXPECT_GE(maximum, it.value() + nouveaux);
        } else {
            EXPECT_EQ(maximum, it.value() + nouveaux) << table.toStdString();
        }
        if (table != "objet" && table != "typeobjet") {
            EXPECT_GT(nouveaux, 0) << table.toStdString();
        }
    }
    // Each new patient once, under its own name.
    EXPECT_EQ(poste::Brut(BaseServeur)
                  .Lignes(QStringLiteral("select nom, prenom from patient where identifiant > %1 "
                                         "order by nom, prenom")
                              .arg(maxima["patient"])),
              nomsLocaux);
    // Every new document row names a file that is on the server.
    for (const QString table : {"courrier", "cro", "correspondance"}) {
        const QStringList fichiers =
            poste::Brut(BaseServeur)
                .Lignes(QStringLiteral("select nomfichier from %1 where %2 > %3")
                            .arg(table, table == "courrier" ? "identcourrier"
                                        : table == "cro"    ? "identcro"
                                                            : "identcorrespondance")
                            .arg(maxima[table]));
        for (const QString& f : fichiers) {
            const QString chemin = f.section(QStringLiteral("=T:"), 1);
            EXPECT_TRUE(
                QRegularExpression(QStringLiteral("^P:\\\\zelvano\\\\[a-z]+\\\\xA\\d{6}\\.\\w+$"))
                    .match(chemin)
                    .hasMatch())
                << chemin.toStdString();
            EXPECT_TRUE(EstFichier(chemin)) << chemin.toStdString();
        }
    }
    poste::Photo local = poste::Photographier(BaseC);
    poste::Photo serveur = poste::Photographier(BaseServeur);
    const QStringList synchro = local.take("synchro");
    serveur.remove("synchro");
    EXPECT_EQ(poste::Decrire(local), poste::Decrire(serveur));
    EXPECT_EQ(synchro.size(), 7);
    EXPECT_EQ(Messages().mid(Messages().size() - 1), QStringList{InitTerminee});
}

TEST_F(Synchronisation, TableDistanteNonVideRefusee) {
    PreparerPratique();
    RemplirSynchro(BaseServeur, {3});
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    const poste::Photo localAvant = poste::Photographier(BaseC);

    LancerSynchronisation();

    AttendreRefus(DistanteNonVide);
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
    EXPECT_FALSE(EstFichier(poste::Intention));
    EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
    EXPECT_EQ(env.ecran.pointeurs, QList<int>{11});
}

TEST_F(Synchronisation, TableLocaleNiSixNiSeptLignesRefusee) {
    PreparerPratique();
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    for (const int lignes : {0, 5, 8}) {
        SCOPED_TRACE(lignes);
        Executer(BaseC, "delete from synchro");
        RemplirSynchro(BaseC, QList<int>{2, 10, 0, 5, 0, 0, 0, 0}.mid(0, lignes));
        const poste::Photo localAvant = poste::Photographier(BaseC);
        env.fenetre.lignes.clear();

        LancerSynchronisation();

        AttendreRefus(LocaleNonInitialisee);
        EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
        EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
        EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
    }
}

TEST_F(Synchronisation, SixLignesAccepteesSansLesObjets) {
    PreparerPratique();
    Executer(BaseC, "delete from synchro where \"table\" = 'objet'");

    LancerSynchronisation();

    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 4);
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from ordonnance"), 1);
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from objet"), 0);
    EXPECT_FALSE(Messages().contains(
        QStringLiteral("Transfert des nouveaux enregistrements de la table : objet")));
    EXPECT_EQ(LignesSynchro(BaseC), 7);
    EXPECT_EQ(Messages().last(), InitTerminee);
}

TEST_F(Synchronisation, SansTableSynchro) {
    for (const QString& base : {BaseC, BaseServeur}) {
        SCOPED_TRACE(base.toStdString());
        QDir(env.machine.Natif("C:\\zelvano")).removeRecursively();
        QDir(env.machine.Natif("\\\\serveur\\zelvano\\zelvano")).removeRecursively();
        PreparerPratique();
        Executer(base, "drop table synchro");
        const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
        env.fenetre.lignes.clear();

        LancerSynchronisation();

        EXPECT_EQ(Messages().last(),
                  QStringLiteral("ERREUR : Vous devez d'abord initialiser la synchronisation"));
        EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
        EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
        EXPECT_FALSE(Messages().contains(DemarrageInit));
    }
}

TEST_F(Synchronisation, EchecDansLaTroisiemeTableToutEstAnnule) {
    PreparerPratique();
    Executer(BaseServeur, "create trigger refus before insert on ordonnance begin "
                          "select raise(abort, 'ordonnance refusée'); end");
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    const poste::Photo localAvant = poste::Photographier(BaseC);

    LancerSynchronisation();

    // The patient and the consultation had been written: they are gone with the rollback.
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
    EXPECT_EQ(LignesSynchro(BaseC), 7);
    const QStringList m = Messages();
    EXPECT_TRUE(m.contains(QStringLiteral("Transfert des nouveaux enregistrements de la table : "
                                          "ordonnance")));
    EXPECT_FALSE(m.contains(QStringLiteral("Transfert des nouveaux enregistrements de la table : "
                                           "courrier")));
    EXPECT_TRUE(m.last().startsWith(QStringLiteral("ERREUR "))) << m.last().toStdString();
    EXPECT_TRUE(m.last().contains(QStringLiteral("ordonnance refusée"))) << m.last().toStdString();
    EXPECT_FALSE(m.contains(Terminee));
    EXPECT_FALSE(m.contains(DemarrageInit));
    EXPECT_FALSE(EstFichier(poste::Intention));
    EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
}

TEST_F(Synchronisation, AutreErreurTexteEtNumero) {
    PreparerPratique();
    QFile::remove(env.machine.Natif(BaseServeur));
    QString attendu;
    try {
        dao::DBEngine::Instance().OpenDatabase(BaseP);
    } catch (const plateforme::Erreur& e) {
        attendu = e.Description() + QStringLiteral(" (") + QString::number(e.Number()) + ")";
    }
    ASSERT_FALSE(attendu.isEmpty());
    const poste::Photo localAvant = poste::Photographier(BaseC);

    LancerSynchronisation();

    EXPECT_EQ(Texte(Messages()),
              Texte(QStringList{Demarrage, Demarrage, Demarrage, OuvertureDistante, attendu}));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
    EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
}

// The drive commands played on the emulated machine: net use links P to the share, subst to
// the local disk, the disconnections remove the link. With `enPanne`, nothing happens at all.
class Lecteurs final : public plateforme::Processus {
public:
    qint64 Demarrer(const QString& ligne, int) override {
        lignes.append(ligne);
        if (!enPanne) {
            const QString p = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
            if (ligne.contains(" /d")) {
                QFile::remove(p);
            } else if (ligne.contains("net use P: \\\\serveur\\zelvano")) {
                QFile::link(plateforme::Machine::DossierPartage("serveur", "zelvano"), p);
            } else if (ligne.contains("subst P: C:\\")) {
                QFile::link(plateforme::Machine::EntreeLecteur(QLatin1Char('C')), p);
            }
        }
        return 4242;
    }
    bool Existe(qint64) override { return false; }
    QStringList lignes;
    bool enPanne = false;
};

class SynchronisationRedirigee : public Synchronisation {
protected:
    void SetUp() override {
        Synchronisation::SetUp();
        EtatBase().clear();
        Param().TpsAttente = 3;
        // The drive serves the local base, as after a launch on it.
        const QString p = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
        QFile::remove(p);
        ASSERT_TRUE(QFile::link(plateforme::Machine::EntreeLecteur(QLatin1Char('C')), p));
        PreparerPratique();
    }
    Lecteurs lecteurs;
    plateforme::RemplacementServices services{
        plateforme::Services{nullptr, nullptr, nullptr, nullptr, &lecteurs}};
};

TEST_F(SynchronisationRedirigee, RedirigeLeLecteurSurLeServeur) {
    LancerSynchronisation();

    const QString redirection = QStringLiteral("Redirection de l'unité P sur \\\\serveur\\zelvano");
    const QStringList m = Messages();
    EXPECT_EQ(m.mid(0, 6), (QStringList{Demarrage, Demarrage, Demarrage, redirection,
                                        OuvertureDistante, OuvertureLocale}));
    EXPECT_TRUE(lecteurs.lignes.contains("CMD.EXE /c net use P: \\\\serveur\\zelvano /yes"));
    EXPECT_EQ(QFileInfo(plateforme::Machine::EntreeLecteur(QLatin1Char('P'))).symLinkTarget(),
              plateforme::Machine::DossierPartage("serveur", "zelvano"));
    EXPECT_EQ(Entier(BaseServeur, "select count(*) from patient"), 4);
    EXPECT_EQ(m.last(), InitTerminee);
}

TEST_F(SynchronisationRedirigee, RedirectionImpossibleRienNEstEnvoye) {
    lecteurs.enPanne = true;
    const poste::Photo serveurAvant = poste::Photographier(BaseServeur);
    const poste::Photo localAvant = poste::Photographier(BaseC);

    LancerSynchronisation();

    // The drive still leads to the local base: opening it as the "remote" one must not happen.
    EXPECT_EQ(Texte(Messages()),
              Texte(QStringList{Demarrage, Demarrage, Demarrage,
                                "Redirection de l'unité P sur \\\\serveur\\zelvano",
                                "ERREUR : l'unité P: n'a pas pu être redirigée sur "
                                "\\\\serveur\\zelvano, la synchronisation est abandonnée."}));
    EXPECT_FALSE(env.boites.affichees.isEmpty());
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseServeur)), poste::Decrire(serveurAvant));
    EXPECT_EQ(poste::Decrire(poste::Photographier(BaseC)), poste::Decrire(localAvant));
    EXPECT_FALSE(dao::DBEngine::Instance().EnTransaction());
}

} // namespace
