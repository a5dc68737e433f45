#include "schedule.h"

#include <algorithm>
#include <cstdio>

#include "common/cp1252.h"
#include "common/pagename.h"
#include "common/profile.h"
#include "common/textfile.h"

namespace {

constexpr const char* kMainSection = "SntScheduler";
constexpr const char* kInfoKey = "Info";
constexpr const char* kInfoValue = "A utiliser avec Sonalto";
constexpr const char* kStartUpKey = "LaunchStartUp";
// "Enregistrement n°", the sign being the single byte 0xB0.
constexpr const char* kSlotSectionPrefix = "Enregistrement n\xB0";
constexpr const char* kActionKey = "Action";
constexpr const char* kStartKey = "Heure d\xE9"
                                  "but";
constexpr const char* kEndKey = "Heure fin";
constexpr const char* kPeriodicityKey = "Periodicit\xE9";
constexpr const char* kStationKey = "Radio";

// Buffers of 10 and 40 characters hold 9 and 39 of them.
constexpr std::size_t kShortValue = 9;
constexpr std::size_t kStationValue = 39;

std::string SlotSection(int n)
{
    return kSlotSectionPrefix + std::to_string(n);
}

ClockTime TimeOrMidnight(const std::string& text)
{
    ClockTime time;
    ParseTime(text, time);
    return time;
}

} // namespace

Day DayOf(std::time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    return { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday };
}

ClockTime TimeOf(std::time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    return { local.tm_hour, local.tm_min, local.tm_sec };
}

std::time_t LocalMoment(const Day& day, const ClockTime& time)
{
    std::tm local {};
    local.tm_year = day.year - 1900;
    local.tm_mon = day.month - 1;
    local.tm_mday = day.day;
    local.tm_hour = time.hour;
    local.tm_min = time.minute;
    local.tm_sec = time.second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::time_t AddDays(std::time_t when, int days)
{
    Day day = DayOf(when);
    day.day += days;
    return LocalMoment(day, TimeOf(when));
}

std::string FormatTime(const ClockTime& time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

std::string FormatDate(const Day& day)
{
    char text[16];
    std::snprintf(
        text, sizeof text, "%02d/%02d/%02d", day.day, day.month, ((day.year % 100) + 100) % 100);
    return text;
}

bool ParseTime(const std::string& text, ClockTime& time)
{
    return std::sscanf(text.c_str(), "%d:%d:%d", &time.hour, &time.minute, &time.second) == 3;
}

bool ParseDate(const std::string& text, Day& day)
{
    if (std::sscanf(text.c_str(), "%d/%d/%d", &day.day, &day.month, &day.year) != 3)
        return false;
    day.year += 2000;
    return true;
}

std::time_t NextStart(const ScheduleRow& row, std::time_t now)
{
    Day day = DayOf(now);
    if (!row.isDaily())
        ParseDate(row.periodicity, day);
    std::time_t start = LocalMoment(day, TimeOrMidnight(row.start));
    if (row.isDaily() && start < now)
        start = AddDays(start, 1);
    return start;
}

void SortSchedule(std::vector<ScheduleRow>& rows, std::time_t now)
{
    std::stable_sort(rows.begin(), rows.end(), [now](const ScheduleRow& a, const ScheduleRow& b) {
        return NextStart(a, now) < NextStart(b, now);
    });
}

long long SecondsUntil(const ScheduleRow& row, bool end, std::time_t now)
{
    Day day = DayOf(now);
    int extraDays = 0;
    if (row.isDaily()) {
        if (!end && FormatTime(TimeOf(now)) > row.start)
            extraDays = 1;
    } else {
        ParseDate(row.periodicity, day);
    }
    if (end && row.start > row.end)
        extraDays = 1;
    day.day += extraDays;
    const std::time_t moment = LocalMoment(day, TimeOrMidnight(end ? row.end : row.start));
    return static_cast<long long>(moment) - static_cast<long long>(now);
}

std::time_t OccurrenceEnd(const ScheduleRow& row, std::time_t start)
{
    Day day = DayOf(start);
    if (row.start > row.end)
        day.day += 1;
    return LocalMoment(day, TimeOrMidnight(row.end));
}

LoadedSchedule LoadSchedule(const std::string& path, std::time_t now, int& nextId)
{
    LoadedSchedule result;
    Profile profile;
    if (!profile.load(path)) {
        result.unreadable = PathPresent(path);
        return result;
    }
    result.found = true;
    result.launchStartUp
        = cp1252::lower(profile.get(kMainSection, kStartUpKey, {}, kShortValue)) == "true";

    for (int n = 1;; ++n) {
        const std::string section = SlotSection(n);
        ScheduleRow row;
        row.action = profile.get(section, kActionKey, {}, kShortValue);
        if (row.action.empty())
            break;
        row.start = profile.get(section, kStartKey, {}, kShortValue);
        row.end = profile.get(section, kEndKey, {}, kShortValue);
        row.periodicity = profile.get(section, kPeriodicityKey, {}, kShortValue);
        row.station = profile.get(section, kStationKey, {}, kStationValue);

        // A daily row is given a far date so that it never counts as missed.
        Day day { 2038, 1, 1 };
        if (!row.isDaily())
            ParseDate(row.periodicity, day);
        if (row.end < row.start)
            day.day += 1;
        const std::time_t endMoment = LocalMoment(day, TimeOrMidnight(row.end));
        if (endMoment <= now && !row.isDaily()) {
            result.missed.push_back({ row });
            continue;
        }
        row.id = nextId++;
        // Each row goes in at the top, as the list view receives them.
        result.rows.insert(result.rows.begin(), row);
    }
    SortSchedule(result.rows, now);
    return result;
}

std::string ScheduleText(const std::vector<ScheduleRow>& rows, bool launchStartUp)
{
    Profile profile;
    profile.set(kMainSection, kInfoKey, kInfoValue);
    profile.set(kMainSection, kStartUpKey, launchStartUp ? "True" : "False");
    int n = 1;
    for (const ScheduleRow& row : rows) {
        const std::string section = SlotSection(n++);
        profile.set(section, kActionKey, row.action);
        profile.set(section, kStartKey, row.start);
        profile.set(section, kEndKey, row.end);
        profile.set(section, kPeriodicityKey, row.periodicity);
        profile.set(section, kStationKey, row.station);
    }
    return profile.text();
}

bool SaveSchedule(const std::string& path, const std::vector<ScheduleRow>& rows, bool launchStartUp)
{
    return WriteTextFile(path, ScheduleText(rows, launchStartUp));
}

ScheduleRow RowFromEntry(const SlotEntry& entry, const std::string& station)
{
    ScheduleRow row;
    row.action = entry.record ? kActionRecord : kActionPlay;
    row.start = FormatTime(entry.start);
    row.end = FormatTime(entry.end);
    row.periodicity = entry.daily ? std::string(kDaily) : FormatDate(entry.date);
    row.station = station;
    return row;
}

EntryCheck CheckEntry(const SlotEntry& entry, const std::vector<ScheduleRow>& rows, std::time_t now)
{
    const Day today = DayOf(now);
    if (!entry.daily) {
        // "%y/%m/%d" texts compared as the dialog always did.
        char entered[16];
        char current[16];
        std::snprintf(entered, sizeof entered, "%02d/%02d/%02d", entry.date.year % 100,
            entry.date.month, entry.date.day);
        std::snprintf(
            current, sizeof current, "%02d/%02d/%02d", today.year % 100, today.month, today.day);
        const int order = std::string(entered).compare(current);
        if (order < 0)
            return { EntryRefusal::DateBeforeToday, -1 };
        if (order == 0 && FormatTime(entry.start) < FormatTime(TimeOf(now)))
            return { EntryRefusal::StartBeforeNow, -1 };
    }

    constexpr std::time_t kDay = 24 * 3600;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ScheduleRow& listed = rows[i];
        Day newDay = entry.daily ? today : entry.date;
        Day listedDay = newDay;
        if (!listed.isDaily()) {
            ParseDate(listed.periodicity, listedDay);
            if (entry.daily)
                newDay = listedDay;
        }
        const std::time_t ns = LocalMoment(newDay, entry.start);
        std::time_t ne = LocalMoment(newDay, entry.end);
        if (ns > ne)
            ne += kDay;
        // A daily slot also runs the day before and the day after: one that
        // runs past midnight meets a slot early on the next day.
        const bool eitherDaily = entry.daily || listed.isDaily();
        for (int shift = eitherDaily ? -1 : 0; shift <= (eitherDaily ? 1 : 0); ++shift) {
            Day day = listedDay;
            day.day += shift;
            const std::time_t os = LocalMoment(day, TimeOrMidnight(listed.start));
            std::time_t oe = LocalMoment(day, TimeOrMidnight(listed.end));
            if (os > oe)
                oe += kDay;
            const bool overlap = (ns <= os && ne >= oe) || (ns >= os && ne <= oe)
                || (os <= ns && ns <= oe) || (os <= ne && ne <= oe);
            if (overlap)
                return { EntryRefusal::Overlap, static_cast<int>(i) };
        }
    }
    return {};
}

std::optional<std::string> PageForStation(const std::string& station,
    const std::vector<std::string>& names, const std::vector<std::string>& pages)
{
    const std::string wanted = cp1252::lower(station);
    for (std::size_t i = 0; i < names.size() && i < pages.size(); ++i) {
        if (cp1252::lower(names[i]).compare(0, wanted.size(), wanted) == 0)
            return pages[i];
    }
    return std::nullopt;
}

std::string StartParameters(const ScheduleRow& row, const std::string& page)
{
    // The index names the page in Windows-1252; the player is handed the
    // page's name on disk, as a command line carries it.
    std::string parameters = "-quiet -radio " + FileNameOnDisk(page);
    if (row.action != kActionPlay)
        parameters += " -record start";
    return parameters;
}
