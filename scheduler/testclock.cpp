#include "testclock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "common/textfile.h"

namespace {

// The last time read from the file, and when (monotonic) it was read.
struct TestClockState {
    std::string text;
    std::time_t shown = 0;
    std::chrono::steady_clock::time_point readAt;
    bool valid = false;
};

TestClockState g_clock;

bool ParseLocalTime(const std::string& text, std::time_t& when)
{
    std::tm local {};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%n", &local.tm_year, &local.tm_mon,
            &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec, &consumed)
        != 6)
        return false;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    when = std::mktime(&local);
    return when != static_cast<std::time_t>(-1);
}

} // namespace

std::time_t SchedulerNow()
{
    const char* file = std::getenv(kTestClockVariable);
    if (file == nullptr || file[0] == '\0')
        return std::time(nullptr);
    const auto now = std::chrono::steady_clock::now();
    const std::string text = ReadTextFile(file);
    std::time_t shown = 0;
    if (text != g_clock.text && ParseLocalTime(text, shown))
        g_clock = { text, shown, now, true };
    if (!g_clock.valid)
        return std::time(nullptr);
    const auto ran = std::chrono::duration_cast<std::chrono::seconds>(now - g_clock.readAt);
    return g_clock.shown + static_cast<std::time_t>(ran.count());
}

bool WriteTestClock(const std::string& file, std::time_t when)
{
    std::tm local {};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S\n", &local);
    return WriteTextFile(file, text);
}
