#include "tools/vod_outils.h"

#include "jet/dao.h"

QVariant VOD_Outils::RécupererIdentMax(dao::Database& base, const QString& table,
                                       const QString& colonne, bool numerique) {
    const auto rs =
        base.OpenRecordset(QStringLiteral("select ") + colonne + QStringLiteral(" from ") + table +
                           QStringLiteral(" order by ") + colonne + QStringLiteral(" desc"));
    QVariant maximum = numerique ? QVariant(0) : QVariant(QString());
    if (!rs->Eof()) {
        maximum = rs->Fields(colonne).Value();
    }
    rs->Close();
    return maximum;
}

QVariant VOD_Outils::LireChampTable(dao::Database& base, const QString& table,
                                    const QString& clauseselect, const QString& champ) {
    QString sql = QStringLiteral("select * from ") + table;
    if (!clauseselect.isEmpty()) {
        sql += QStringLiteral(" where ") + clauseselect;
    }
    const auto rs = base.OpenRecordset(sql);
    QVariant valeur;
    if (!rs->Eof()) {
        valeur = rs->Fields(champ).Value();
    }
    rs->Close();
    return valeur;
}
