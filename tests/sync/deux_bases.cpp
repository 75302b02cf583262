#include "sync/deux_bases.h"

#include "demo/base_sqlite.h"
#include "demo/pratique.h"

#include "platform/chemins.h"
#include "settings/parametres.h"
#include "sync/bases_ouvertes.h"
#include "sync/test_synchronisation_poste.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace essais {

namespace {

const QString BaseServeur = QStringLiteral("\\\\serveur\\zelvano\\zelvano\\bd\\zelvano.mdb");
const QString BaseLocaleC = QStringLiteral("C:\\zelvano\\bd\\zelvano.mdb");

void CreerArbre(const QString& racineWindows) {
    for (const char* dossier : {"bd", "courrier", "cro", "corres", "data"}) {
        QDir().mkpath(
            plateforme::CheminNatif(racineWindows + QLatin1Char('\\') + QLatin1String(dossier)));
    }
}

QString Sorte(const QVariant& v) {
    if (v.isNull()) {
        return QStringLiteral("Null");
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        return QLatin1Char('"') + v.toString() + QLatin1Char('"');
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return QLatin1Char('#') + v.toDateTime().toString(Qt::ISODate) + QLatin1Char('#');
    default:
        return v.toString();
    }
}

} // namespace

void DeuxBases::SetUp() {
    Parametres& p = Param();
    p.unite = QStringLiteral("P");
    p.zelvanodir = QStringLiteral("zelvano");
    p.courrierdir = QStringLiteral("courrier");
    p.crodir = QStringLiteral("cro");
    p.corresdir = QStringLiteral("corres");
    p.datadir = QStringLiteral("data");
    p.fmpathClient = QStringLiteral("C");
    p.inifile = QStringLiteral("C:\\zelvano\\zelvano.ini");

    CreerArbre(QStringLiteral("\\\\serveur\\zelvano\\zelvano"));
    CreerArbre(QStringLiteral("C:\\zelvano"));
    // Drive P leads to the share, as a mapped drive does.
    const QString lecteurP = plateforme::Machine::EntreeLecteur(QLatin1Char('P'));
    QDir().mkpath(QFileInfo(lecteurP).absolutePath());
    ASSERT_TRUE(QFile::link(
        plateforme::Machine::DossierPartage(QStringLiteral("serveur"), QStringLiteral("zelvano")),
        lecteurP));

    demo::CreerBasePratique(plateforme::CheminNatif(BaseServeur));
    demo::CreerBasePratique(plateforme::CheminNatif(BaseLocaleC));
    BaseDistante() =
        dao::DBEngine::Instance().OpenDatabase(QStringLiteral("P:\\zelvano\\bd\\zelvano.mdb"));
    BaseLocale() = dao::DBEngine::Instance().OpenDatabase(BaseLocaleC);
}

void DeuxBases::TearDown() {
    for (auto* base : {&BaseDistante(), &BaseLocale()}) {
        if (*base) {
            (*base)->Close();
            base->reset();
        }
    }
}

dao::Database& DeuxBases::Distante() {
    return *BaseDistante();
}

dao::Database& DeuxBases::Locale() {
    return *BaseLocale();
}

void Inserer(dao::Database& base, const QString& table, Champs champs) {
    QStringList noms;
    QStringList marques;
    QVariantList valeurs;
    for (const auto& [nom, valeur] : champs) {
        noms.append(QLatin1String(nom));
        marques.append(QStringLiteral("?"));
        valeurs.append(valeur);
    }
    base.Execute(QStringLiteral("insert into %1 (%2) values (%3)")
                     .arg(table, noms.join(QLatin1Char(',')), marques.join(QLatin1Char(','))),
                 valeurs);
}

void DeuxBases::ExecuterBrut(bool distante, const QString& sql) {
    demo::BaseSqlite base(plateforme::CheminNatif(distante ? BaseServeur : BaseLocaleC), false);
    base.Executer(sql);
}

QList<Ligne> Lire(dao::Database& base, const QString& table, const QString& champId) {
    QList<Ligne> lignes;
    const auto rs =
        base.OpenRecordset(QStringLiteral("select * from %1 order by %2").arg(table, champId));
    while (!rs->Eof()) {
        Ligne ligne;
        for (int i = 0; i < rs->FieldsCount(); ++i) {
            ligne.insert(rs->Fields(i).Name(), rs->Fields(i).Value());
        }
        lignes.append(ligne);
        rs->MoveNext();
    }
    return lignes;
}

Ligne Enregistrement(dao::Database& base, const QString& table, const QString& champId,
                     int identifiant) {
    for (const Ligne& ligne : Lire(base, table, champId)) {
        if (ligne.value(champId).toInt() == identifiant) {
            return ligne;
        }
    }
    ADD_FAILURE() << "no record " << identifiant << " in " << table.toStdString();
    return {};
}

void DeuxBases::RemplirSynchro(const QList<int>& derniersNo) {
    for (int i = 0; i < derniersNo.size(); ++i) {
        Locale().Execute(QStringLiteral("insert into synchro ([table], champ_id, champ_id_dossier, "
                                        "dernier_no) values (?, ?, ?, ?)"),
                         {QLatin1String(poste::LignesSynchro[i].table),
                          QLatin1String(poste::LignesSynchro[i].champId),
                          QLatin1String(poste::LignesSynchro[i].champDossier), derniersNo[i]});
    }
}

bool DeuxBases::Existe(const QString& chemin) const {
    return QFileInfo(env.machine.Natif(chemin)).isFile();
}

void DeuxBases::DefinirPoste(const QString& lettre) {
    Ecrire(Param().inifile, "[path]\r\nposte=" + lettre.toUtf8() + "\r\n");
}

std::string Decrire(const QList<Ligne>& lignes) {
    QString texte;
    for (const Ligne& ligne : lignes) {
        QStringList champs;
        for (auto it = ligne.cbegin(); it != ligne.cend(); ++it) {
            champs.append(it.key() + QLatin1Char('=') + Sorte(it.value()));
        }
        texte += champs.join(QStringLiteral(" ")) + QLatin1Char('\n');
    }
    return texte.toStdString();
}

} // namespace essais
