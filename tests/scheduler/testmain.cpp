#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include <QCoreApplication>

// The clocks of the tests are local times in a zone without daylight saving,
// so that every day lasts 24 hours; the timers need an application object.
int main(int argc, char** argv)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
