#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// The scheduler's list of slots and its file "SntScheduler.ini". Every slot
// is held as the texts shown in the list (Windows-1252); every computation
// parses them again, so that what is shown, saved and run never differ.
// The current time is always passed in, so that the time logic can be run
// against any clock.

inline constexpr const char* kScheduleFileName = "SntScheduler.ini";
inline constexpr const char* kActionPlay = "Lecture";
inline constexpr const char* kActionRecord = "Rec";
inline constexpr const char* kDaily = "Quotidien";
inline constexpr const char* kRunningMark = "X";
inline constexpr const char* kRunMark = " ";

struct ScheduleRow {
    std::string mark; // "", "X" while running, " " once run
    std::string action; // "Lecture" or "Rec"
    std::string start; // "%H:%M:%S"
    std::string end; // "%H:%M:%S"
    std::string periodicity; // "Quotidien" or "%d/%m/%y"
    std::string station; // display name
    int id = 0; // row identifier, unique for the run

    bool isDaily() const { return periodicity == kDaily; }
};

struct ClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct Day {
    int year = 2000; // four digits
    int month = 1;
    int day = 1;
};

// The local day and time of a moment, and back (mktime rules: fields out of
// range carry over, so day + 1 is the next day).
Day DayOf(std::time_t when);
ClockTime TimeOf(std::time_t when);
std::time_t LocalMoment(const Day& day, const ClockTime& time);
std::time_t AddDays(std::time_t when, int days);

// "%H:%M:%S" and "%d/%m/%y" texts of the list; the parses read three numbers
// and are false otherwise. A parsed date's year is the two-digit value + 2000.
std::string FormatTime(const ClockTime& time);
std::string FormatDate(const Day& day);
bool ParseTime(const std::string& text, ClockTime& time);
bool ParseDate(const std::string& text, Day& day);

// The moment a row starts next: its date (today when daily) at its start
// time, a daily row already past today moving to tomorrow.
std::time_t NextStart(const ScheduleRow& row, std::time_t now);

// Ascending next start; rows with equal next starts keep their order.
void SortSchedule(std::vector<ScheduleRow>& rows, std::time_t now);

// Whole seconds from now to the row's next start (end false) or end (end
// true). Negative for a one-date row whose moment has passed.
long long SecondsUntil(const ScheduleRow& row, bool end, std::time_t now);

// The end of the row's run that starts at the given moment: the same day at
// its end time, or the next day when the slot runs past midnight.
std::time_t OccurrenceEnd(const ScheduleRow& row, std::time_t start);

// A one-date slot read from the file whose end has already passed.
struct MissedSlot {
    ScheduleRow row;
};

struct LoadedSchedule {
    bool found = false; // false: no file, nothing loaded
    // The file is there but could not be read: it is never written over.
    bool unreadable = false;
    bool launchStartUp = true;
    std::vector<ScheduleRow> rows; // sorted
    std::vector<MissedSlot> missed; // dropped, in file order
};

// Reads the file: the start-up option, then the sections "Enregistrement n°1",
// "n°2"... up to the first whose "Action" is empty. Values are cut to the
// lengths of the classic buffers (9 characters, 39 for the station). Rows get
// identifiers from nextId on, which is advanced.
LoadedSchedule LoadSchedule(const std::string& path, std::time_t now, int& nextId);

// Rewrites the file from the rows in list order and the start-up option,
// replacing it as a whole. False when it cannot be written; the earlier
// file is then left as it was.
bool SaveSchedule(
    const std::string& path, const std::vector<ScheduleRow>& rows, bool launchStartUp);

// The file's text, as SaveSchedule writes it.
std::string ScheduleText(const std::vector<ScheduleRow>& rows, bool launchStartUp);

// What the entry controls describe.
struct SlotEntry {
    bool record = false;
    ClockTime start;
    ClockTime end;
    bool daily = false;
    Day date;
};

// The row an entry makes, for the given station (identifier not set).
ScheduleRow RowFromEntry(const SlotEntry& entry, const std::string& station);

enum class EntryRefusal { None, DateBeforeToday, StartBeforeNow, Overlap };

struct EntryCheck {
    EntryRefusal refusal = EntryRefusal::None;
    int overlapRow = -1; // the first listed row overlapped
};

// The clock checks of a one-date entry, compared as texts, then the overlap
// check against every listed row in order, bounds inclusive.
EntryCheck CheckEntry(
    const SlotEntry& entry, const std::vector<ScheduleRow>& rows, std::time_t now);

// The page file of the first station whose display name begins with the
// row's station text, letter case ignored; nullopt when none does.
std::optional<std::string> PageForStation(const std::string& station,
    const std::vector<std::string>& names, const std::vector<std::string>& pages);

// The player's parameters at a slot's start: "-quiet -radio " + page (as the
// index names it; handed over as its name on disk), with " -record start"
// for a record slot.
std::string StartParameters(const ScheduleRow& row, const std::string& page);
inline constexpr const char* kStopParameters = "-stop";
