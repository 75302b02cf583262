// Child of the crash test: writes and commits, over and over, one transaction spanning two bases,
// until it is killed. Each transaction n adds Lignes rows numbered n to the table lot of each base
// and counts itself in the table compteur. "pret" is printed once both bases are open, then n
// after each commit.
//
//   enfant_crash BASE_A BASE_B

#include "jet/dao.h"
#include "platform/erreur.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace {

constexpr int Lignes = 40;

qint64 DernierLot(dao::Database& base) {
    auto rs = base.OpenRecordset(QStringLiteral("select dernier from compteur"));
    return rs->Eof() ? 0 : rs->Fields(0).Value().toLongLong();
}

void Ecrire(dao::Database& base, qint64 n) {
    // As the transfer does: a record set over the table in descending order, read for its first
    // row, then only added to.
    auto rs = base.OpenRecordset(QStringLiteral("select * from lot order by id DESC"));
    const QString charge = QString(QLatin1Char('x')).repeated(250) + QString::number(n);
    for (int i = 0; i < Lignes; ++i) {
        rs->AddNew();
        rs->Fields(QStringLiteral("n")).SetValue(n);
        rs->Fields(QStringLiteral("i")).SetValue(i);
        rs->Fields(QStringLiteral("charge")).SetValue(charge);
        rs->Update();
    }
    rs->Close();
    base.Execute(QStringLiteral("update compteur set valeur = valeur + 1, dernier = ?"), {n});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: enfant_crash BASE_A BASE_B\n");
        return 2;
    }
    try {
        dao::DBEngine& moteur = dao::DBEngine::Instance();
        auto a = moteur.OpenDatabase(QString::fromLocal8Bit(argv[1]));
        auto b = moteur.OpenDatabase(QString::fromLocal8Bit(argv[2]));
        qint64 n = std::max(DernierLot(*a), DernierLot(*b)) + 1;
        std::printf("pret\n");
        std::fflush(stdout);
        while (true) {
            moteur.BeginTrans();
            Ecrire(*a, n);
            Ecrire(*b, n);
            moteur.CommitTrans();
            std::printf("%lld\n", static_cast<long long>(n));
            std::fflush(stdout);
            ++n;
        }
    } catch (const plateforme::Erreur& e) {
        std::fprintf(stderr, "%d %s\n", e.Number(), e.what());
        return 1;
    }
}
