#include "testutil/principal/environnement.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// The tests of the logic run inside a core application only: the event-loop yields work, and
// nothing of the widgets is linked.
int main(int argc, char** argv) {
    PreparerEnvironnementTests();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
