#include "platform/alimentation.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

using plateforme::ExecuterCommandeArret;
namespace arret = plateforme::arret;

int Shell(const char* script, int delaiMs = 5000) {
    return ExecuterCommandeArret(QStringLiteral("/bin/sh"),
                                 {QStringLiteral("-c"), QString::fromLatin1(script)}, delaiMs);
}

// Only a command that exits normally with 0 has powered the machine off; every other way out
// gives a code that is not 0, which the journal shows.
TEST(CommandeArret, SeulUnCodeNulEstUnSucces) {
    EXPECT_EQ(Shell("exit 0"), 0);
    EXPECT_EQ(Shell("exit 3"), 3);
    EXPECT_EQ(ExecuterCommandeArret(QStringLiteral("/nulle/part/systemctl"), {}, 5000),
              arret::ProgrammeIntrouvable);
    EXPECT_EQ(Shell("kill -KILL $$"), arret::FinAnormale);
}

TEST(CommandeArret, CommandeTropLongueEstUnEchecEtEstArretee) {
    QElapsedTimer duree;
    duree.start();
    EXPECT_EQ(Shell("sleep 30", 200), arret::DelaiDepasse);
    EXPECT_LT(duree.elapsed(), 10000) << "the late command is ended, not waited for";
}

} // namespace
