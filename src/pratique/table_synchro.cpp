#include "pratique/table_synchro.h"

#include "pratique/lieux.h"

namespace pratique {

namespace {

QString Texte(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

} // namespace

const std::array<TableSynchro, 7>& TablesSynchro() {
    static const std::array<TableSynchro, 7> tables{{
        {"patient", "identifiant", "identifiant", "-> Dernier dossier : "},
        {"consultation", "identconsultation", "identifiant", "-> Dernière consultation : "},
        {"ordonnance", "identordonnance", "identifiant", "-> Dernière ordonnance : "},
        {"courrier", "identcourrier", "identifiant", "-> Dernier courrier : "},
        {"cro", "identcro", "identifiant", "-> Dernier CRO : "},
        {"correspondance", "identcorrespondance", "identifiant", "-> Dernière correspondance : "},
        {"objet", "identobjet", "identpatient", "-> Dernier objet : "},
    }};
    return tables;
}

bool EstTableSynchronisee(const QString& table) {
    for (const TableSynchro& t : TablesSynchro()) {
        if (table.compare(QLatin1String(t.table), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QList<LigneSynchro> LireSynchro(dao::Database& base) {
    QList<LigneSynchro> lignes;
    const auto rs = base.OpenRecordset(QStringLiteral("select * from synchro order by id"));
    while (!rs->Eof()) {
        LigneSynchro l;
        l.id = rs->Fields(QStringLiteral("id")).Value().toLongLong();
        l.table = Texte(rs->Fields(QStringLiteral("table")).Value());
        l.champId = Texte(rs->Fields(QStringLiteral("champ_id")).Value());
        l.champIdDossier = Texte(rs->Fields(QStringLiteral("champ_id_dossier")).Value());
        l.dernierNo = rs->Fields(QStringLiteral("dernier_no")).Value().toLongLong();
        lignes.append(l);
        rs->MoveNext();
    }
    rs->Close();
    return lignes;
}

int CompterSynchro(dao::Database& base) {
    const auto rs = base.OpenRecordset(
        QStringLiteral("SELECT DISTINCTROW Count(synchro.id) AS NBENR FROM synchro;"));
    const QVariant n = rs->Fields(QStringLiteral("NBENR")).Value();
    rs->Close();
    return n.isNull() ? 0 : n.toInt();
}

int CompterSynchro(const QString& chemin) {
    const std::shared_ptr<dao::Database> base = dao::DBEngine::Instance().OpenDatabase(chemin);
    const int lignes = CompterSynchro(*base);
    base->Close();
    return lignes;
}

bool BaseLocaleInitialisee() {
    const int lignes = CompterSynchro(CheminBaseLocale());
    return lignes == 6 || lignes == 7;
}

bool BaseLocaleInitialiseeAvecObjets() {
    return CompterSynchro(CheminBaseLocale()) == 7;
}

void ViderSynchro(dao::Database& base) {
    base.Execute(QStringLiteral("delete * from synchro"));
}

void EcrireSynchro(dao::Database& base, const std::array<qint32, 7>& derniers) {
    ViderSynchro(base);
    const auto synchro = base.OpenRecordset(QStringLiteral("select * from synchro"));
    for (size_t i = 0; i < TablesSynchro().size(); ++i) {
        const TableSynchro& t = TablesSynchro()[i];
        synchro->AddNew();
        synchro->Fields(QStringLiteral("table")).SetValue(QString::fromUtf8(t.table));
        synchro->Fields(QStringLiteral("champ_id")).SetValue(QString::fromUtf8(t.champId));
        synchro->Fields(QStringLiteral("champ_id_dossier"))
            .SetValue(QString::fromUtf8(t.champIdDossier));
        synchro->Fields(QStringLiteral("dernier_no")).SetValue(derniers[i]);
        synchro->Update();
    }
}

} // namespace pratique
