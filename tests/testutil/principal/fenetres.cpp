#include "testutil/principal/environnement.h"

#include <QApplication>

#include <gtest/gtest.h>

// The tests of the window and the dialog run inside a widget application (offscreen by default).
int main(int argc, char** argv) {
    PreparerEnvironnementTests();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
