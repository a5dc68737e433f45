#include <cstdlib>

#include <gtest/gtest.h>

#include <QApplication>

#include "view/framebridge.h"

// The windows under test need an application object; without a display they
// use the offscreen platform.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    PrepareWebEngine();
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
