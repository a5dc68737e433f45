#pragma once

#include <ctime>
#include <string>

// The scheduler's wall clock, with a seam for the end-to-end tests.
//
// Normally SchedulerNow() is std::time(nullptr). When the environment
// variable SONALTO_TEST_CLOCK names a file, the clock is read from that file
// instead: it holds one local time, "YYYY-MM-DD HH:MM:SS". The first call
// that sees a time shows it, and from then on the clock runs on from it at
// the pace of the monotonic clock. Each call reads the file again; when its
// text has changed the clock jumps to the new time (forwards, as after a
// resume from sleep, or backwards) and runs on from there. A file that is
// missing or unreadable leaves the clock where it was running, or on the
// system's time before any good read.
//
// Only this clock is moved: the timers still run in real time, so a test
// shows the scheduler a chosen time of day a few seconds before a slot
// rather than waiting for one.
inline constexpr const char* kTestClockVariable = "SONALTO_TEST_CLOCK";

std::time_t SchedulerNow();

// Writes file so that a scheduler reading it shows when (local time) at its
// next read: for the tests that drive the clock. Atomic, like every write.
bool WriteTestClock(const std::string& file, std::time_t when);
