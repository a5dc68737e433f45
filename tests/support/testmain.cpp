#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include <QApplication>

#ifdef SONALTO_TEST_WEB_ENGINE
#include "view/framebridge.h"
#endif

// The main of every test program that shows windows. Without a display they
// draw on the offscreen platform. The tests' clocks are local times in a
// zone without daylight saving, so that every day lasts 24 hours. The
// player's windows need the web engine prepared before the application
// object exists.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
#ifdef SONALTO_TEST_WEB_ENGINE
    PrepareWebEngine();
#endif
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
