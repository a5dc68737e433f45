#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include <QApplication>

// The windows under test draw offscreen when no display is given. The clocks
// of the tests are local times in a zone without daylight saving, so that
// every day lasts 24 hours.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
