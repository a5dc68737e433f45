#pragma once

#include <ctime>

#include "schedule.h"

// A local moment of March 2025 (the tests run in UTC, where every day lasts
// 24 hours).
inline std::time_t At(int day, int hour, int minute, int second = 0)
{
    return LocalMoment({ 2025, 3, day }, { hour, minute, second });
}

// One row of the schedule as the file stores it.
inline ScheduleRow Row(const char* action, const char* start, const char* end, const char* period,
    const char* station = "Jazz Paris")
{
    ScheduleRow row;
    row.action = action;
    row.start = start;
    row.end = end;
    row.periodicity = period;
    row.station = station;
    return row;
}
