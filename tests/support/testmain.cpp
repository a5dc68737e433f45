#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>

#ifdef SONALTO_TEST_WEB_ENGINE
#include "view/engineframe.h"
#include "view/webframe.h"
#endif

// The main of every test program that shows windows. Without a display they
// draw on the offscreen platform. The tests' clocks are local times in a
// zone without daylight saving, so that every day lasts 24 hours. The
// player's windows need the web engine prepared before the application
// object exists; they link the web view rather than load it.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
#ifdef SONALTO_TEST_WEB_ENGINE
    // Test programs run side by side: each gets its own data and cache
    // folders, so that no two web engines share one profile on disk.
    std::string home = "/tmp/sonalto-testweb-XXXXXX";
    if (!::mkdtemp(home.data()))
        home.clear();
    if (!home.empty()) {
        ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
    }
    PrepareWebEngine();
    UseWebFrameFactory(&CreateEngineFrame);
#endif
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef SONALTO_TEST_WEB_ENGINE
    std::error_code error;
    if (!home.empty())
        std::filesystem::remove_all(home, error);
#endif
    return result;
}
