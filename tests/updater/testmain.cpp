#include <cstdlib>

#include <gtest/gtest.h>

#include <QApplication>

// The dialogs under test draw offscreen when no display is given.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
