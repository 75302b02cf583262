#include "sync/verification.h"

#include "jet/dao.h"
#include "settings/parametres.h"

QString CheminBaseLocale() {
    const Parametres& p = Param();
    return p.fmpathClient + QStringLiteral(":\\") + p.zelvanodir + QStringLiteral("\\") + p.bddir +
           QStringLiteral("\\zelvano.mdb");
}

QString CheminBaseDistante() {
    const Parametres& p = Param();
    return p.unite + QStringLiteral(":\\") + p.zelvanodir + QStringLiteral("\\") + p.bddir +
           QStringLiteral("\\zelvano.mdb");
}

int CompterLignesSynchro(const QString& chemin) {
    const std::shared_ptr<dao::Database> base = dao::DBEngine::Instance().OpenDatabase(chemin);
    std::unique_ptr<dao::Recordset> compte = base->OpenRecordset(
        QStringLiteral("SELECT DISTINCTROW Count(synchro.id) AS NBENR FROM synchro;"));
    const QVariant nombre = compte->Fields(QStringLiteral("NBENR")).Value();
    compte->Close();
    base->Close();
    return nombre.isNull() ? 0 : nombre.toInt();
}

bool BaseLocaleInitialisee() {
    const int lignes = CompterLignesSynchro(CheminBaseLocale());
    return lignes == 6 || lignes == 7;
}

bool BaseLocaleInitialiseeAvecObjets() {
    return CompterLignesSynchro(CheminBaseLocale()) == 7;
}
