#include "testclock.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "schedule.h"
#include "support/testsupport.h"

namespace {

// The clock file the end-to-end tests hand to the real scheduler: shown at
// the first read, running on from there, jumping when the file changes.
TEST(TestClock, showsTheFileTimeAndJumpsWhenItChanges)
{
    testsupport::TempDir dir;
    const std::string file = dir.path() + "clock.txt";
    ::setenv(kTestClockVariable, file.c_str(), 1);
    // No file yet: the system's time.
    const std::time_t before = std::time(nullptr);
    EXPECT_GE(SchedulerNow(), before);

    const std::time_t shown = LocalMoment({ 2026, 3, 10 }, { 23, 59, 58 });
    ASSERT_TRUE(WriteTestClock(file, shown));
    EXPECT_EQ(ReadTextFile(file), "2026-03-10 23:59:58\n");
    const std::time_t first = SchedulerNow();
    EXPECT_GE(first, shown);
    EXPECT_LE(first, shown + 1);
    // Reading the same text again does not take the clock back.
    EXPECT_GE(SchedulerNow(), first);

    // A jump of a whole night forwards, as after a resume.
    const std::time_t morning = LocalMoment({ 2026, 3, 11 }, { 7, 30, 0 });
    ASSERT_TRUE(WriteTestClock(file, morning));
    EXPECT_GE(SchedulerNow(), morning);
    EXPECT_LE(SchedulerNow(), morning + 1);

    // A text that is no time leaves the clock running where it was.
    ASSERT_TRUE(WriteTextFile(file, "demain matin"));
    EXPECT_GE(SchedulerNow(), morning);
    EXPECT_LE(SchedulerNow(), morning + 1);
    ::unsetenv(kTestClockVariable);
    EXPECT_GE(SchedulerNow(), before);
}

} // namespace
