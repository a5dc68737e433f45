#include "schedule.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/textfile.h"
#include "scheduletestdata.h"
#include "support/testsupport.h"

namespace {

std::time_t At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return LocalMoment({ year, month, day }, { hour, minute, second });
}

std::string Section(int n, const std::string& action, const std::string& start,
    const std::string& end, const std::string& period, const std::string& station)
{
    return "[Enregistrement n\xB0" + std::to_string(n) + "]\r\nAction=" + action
        + "\r\nHeure d\xE9"
          "but="
        + start + "\r\nHeure fin=" + end + "\r\nPeriodicit\xE9=" + period + "\r\nRadio=" + station
        + "\r\n";
}

} // namespace

TEST(Schedule, savesTheTabledFileInListOrder)
{
    const std::vector<ScheduleRow> rows
        = { Row("Rec", "07:00:00", "08:00:00", "04/03/25", "Jazz Paris"),
              Row("Lecture", "08:00:00", "09:00:00", "Quotidien", "Radio \xC9t\xE9") };
    testsupport::TempDir dir;
    const std::string path = dir.path() + kScheduleFileName;
    ASSERT_TRUE(SaveSchedule(path, rows, false));
    const std::string expected
        = "[SntScheduler]\r\nInfo=A utiliser avec Sonalto\r\nLaunchStartUp=False\r\n"
        + Section(1, "Rec", "07:00:00", "08:00:00", "04/03/25", "Jazz Paris")
        + Section(2, "Lecture", "08:00:00", "09:00:00", "Quotidien", "Radio \xC9t\xE9");
    EXPECT_EQ(ReadTextFile(path), expected);
}

TEST(Schedule, loadsUpToTheFirstGapAndCutsLongValues)
{
    testsupport::TempDir dir;
    const std::string path = dir.path() + kScheduleFileName;
    const std::string longName(60, 'n');
    ASSERT_TRUE(WriteTextFile(path,
        "[SntScheduler]\r\nLaunchStartUp=TRUE\r\n"
            + Section(1, "Lecture", "10:00:00xyz", "11:00:00", "Quotidien", longName)
            + Section(3, "Rec", "12:00:00", "13:00:00", "Quotidien", "Lost")));
    int nextId = 5;
    const LoadedSchedule loaded = LoadSchedule(path, At(2025, 3, 4, 9, 0), nextId);
    ASSERT_TRUE(loaded.found);
    EXPECT_TRUE(loaded.launchStartUp);
    ASSERT_EQ(loaded.rows.size(), 1u);
    EXPECT_EQ(loaded.rows[0].start, "10:00:00x");
    EXPECT_EQ(loaded.rows[0].station, std::string(39, 'n'));
    EXPECT_EQ(loaded.rows[0].id, 5);
    EXPECT_EQ(nextId, 6);
}

TEST(Schedule, readsTheStartUpOptionAndAMissingFile)
{
    struct Case {
        const char* value;
        bool expected;
    };
    for (const Case& c : { Case { "TRUE", true }, Case { "true", true }, Case { "yes", false },
             Case { "False", false } }) {
        testsupport::TempDir dir;
        const std::string path = dir.path() + kScheduleFileName;
        ASSERT_TRUE(WriteTextFile(
            path, std::string("[SntScheduler]\r\nLaunchStartUp=") + c.value + "\r\n"));
        int nextId = 0;
        EXPECT_EQ(LoadSchedule(path, At(2025, 3, 4, 9, 0), nextId).launchStartUp, c.expected)
            << c.value;
    }
    testsupport::TempDir dir;
    int nextId = 0;
    const LoadedSchedule missing = LoadSchedule(dir.path() + kScheduleFileName, 0, nextId);
    EXPECT_FALSE(missing.found);
    EXPECT_TRUE(missing.launchStartUp);
}

TEST(Schedule, dropsMissedOneDateSlotsOnly)
{
    // Yesterday 22:00 to 01:00 ends today at 01:00.
    struct Case {
        int hour, minute;
        bool missed;
    };
    for (const Case& c : { Case { 0, 30, false }, Case { 1, 0, true }, Case { 1, 30, true } }) {
        testsupport::TempDir dir;
        const std::string path = dir.path() + kScheduleFileName;
        ASSERT_TRUE(WriteTextFile(path,
            Section(1, "Rec", "22:00:00", "01:00:00", "03/03/25", "Jazz Paris")
                + Section(2, "Lecture", "05:00:00", "06:00:00", "Quotidien", "Daily")));
        int nextId = 0;
        const LoadedSchedule loaded = LoadSchedule(path, At(2025, 3, 4, c.hour, c.minute), nextId);
        EXPECT_EQ(loaded.missed.size(), c.missed ? 1u : 0u) << c.hour << ":" << c.minute;
        EXPECT_EQ(loaded.rows.size(), c.missed ? 1u : 2u);
        EXPECT_EQ(loaded.rows.back().station, "Daily");
    }
}

TEST(Schedule, ordersByNextStart)
{
    // At 09:00 a daily 08:00 slot next runs tomorrow 08:00, after a one-date
    // slot tomorrow at 07:00; a slot today at 10:00 comes before both.
    std::vector<ScheduleRow> rows = { Row("Lecture", "08:00:00", "08:30:00", "Quotidien", "A"),
        Row("Lecture", "07:00:00", "07:30:00", "05/03/25", "B"),
        Row("Lecture", "10:00:00", "10:30:00", "04/03/25", "C") };
    SortSchedule(rows, At(2025, 3, 4, 9, 0));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].station, "C");
    EXPECT_EQ(rows[1].station, "B");
    EXPECT_EQ(rows[2].station, "A");
}

TEST(Schedule, secondsUntilStartAndEnd)
{
    struct Case {
        ScheduleRow row;
        bool end;
        std::time_t now;
        long long expected;
    };
    const std::time_t at23 = At(2025, 3, 4, 23, 0);
    const Case cases[] = {
        // A daily start equal to the current second is due now; a second
        // later it is tomorrow's.
        { Row("Lecture", "23:00:00", "01:00:00", "Quotidien"), false, at23, 0 },
        { Row("Lecture", "23:00:00", "01:00:00", "Quotidien"), false, at23 + 1, 24 * 3600 - 1 },
        // An end before the start is the next day's.
        { Row("Lecture", "23:00:00", "01:00:00", "Quotidien"), true, at23, 2 * 3600 },
        { Row("Rec", "10:00:00", "11:00:00", "05/03/25"), false, At(2025, 3, 4, 10, 0), 24 * 3600 },
        { Row("Rec", "22:00:00", "01:00:00", "04/03/25"), true, at23, 2 * 3600 },
        // A one-date slot already under way has a negative start delay.
        { Row("Rec", "22:00:00", "01:00:00", "04/03/25"), false, at23, -3600 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SecondsUntil(c.row, c.end, c.now), c.expected)
            << c.row.start << "-" << c.row.end << " " << c.row.periodicity
            << (c.end ? " end" : " start");
}

TEST(Schedule, checksEntriesAgainstTheClockAndTheList)
{
    const std::time_t now = At(2025, 3, 3, 9, 0);
    struct Case {
        const char* name;
        std::vector<ScheduleRow> listed;
        SlotEntry entry;
        EntryRefusal expected;
    };
    const Day today { 2025, 3, 3 };
    const Day later { 2025, 3, 10 };
    const Case cases[] = {
        { "daily listed slot overlaps a future date",
            { Row("Lecture", "10:00:00", "11:00:00", "Quotidien") },
            { false, { 10, 30, 0 }, { 12, 0, 0 }, false, later }, EntryRefusal::Overlap },
        { "touching bounds overlap", { Row("Lecture", "10:00:00", "11:00:00", "03/03/25") },
            { false, { 11, 0, 0 }, { 12, 0, 0 }, false, today }, EntryRefusal::Overlap },
        { "one second after is free", { Row("Lecture", "10:00:00", "11:00:00", "03/03/25") },
            { false, { 11, 0, 1 }, { 12, 0, 0 }, false, today }, EntryRefusal::None },
        { "daily 23-01 against a one-date slot",
            { Row("Lecture", "23:30:00", "23:45:00", "03/03/25") },
            { false, { 23, 0, 0 }, { 1, 0, 0 }, true, later }, EntryRefusal::Overlap },
        // The daily slot that began at 23:00 the day before still runs.
        { "listed daily 23-01 runs into the new date",
            { Row("Lecture", "23:00:00", "01:00:00", "Quotidien") },
            { false, { 0, 30, 0 }, { 0, 45, 0 }, false, later }, EntryRefusal::Overlap },
        { "new daily 23-01 runs into a listed date",
            { Row("Lecture", "00:30:00", "00:45:00", "10/03/25") },
            { false, { 23, 0, 0 }, { 1, 0, 0 }, true, today }, EntryRefusal::Overlap },
        { "daily ending before midnight leaves the night free",
            { Row("Lecture", "23:00:00", "23:59:00", "Quotidien") },
            { false, { 0, 30, 0 }, { 0, 45, 0 }, false, later }, EntryRefusal::None },
        { "start at the current second", {}, { false, { 9, 0, 0 }, { 10, 0, 0 }, false, today },
            EntryRefusal::None },
        { "start a second ago", {}, { false, { 8, 59, 59 }, { 10, 0, 0 }, false, today },
            EntryRefusal::StartBeforeNow },
        { "date before today", {}, { false, { 10, 0, 0 }, { 11, 0, 0 }, false, { 2025, 3, 2 } },
            EntryRefusal::DateBeforeToday },
        { "daily past start accepted", {}, { false, { 8, 0, 0 }, { 8, 30, 0 }, true, today },
            EntryRefusal::None },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckEntry(c.entry, c.listed, now).refusal, c.expected) << c.name;
}

TEST(Schedule, findsThePageByPrefixIgnoringCase)
{
    const std::vector<std::string> names = { "Rock FM", "Jazz Paris", "Jazz Paris Soir" };
    const std::vector<std::string> pages
        = { "Rock_FM.htm", "Jazz_Paris.htm", "Jazz_Paris_Soir.htm" };
    EXPECT_EQ(PageForStation("jazz paris", names, pages).value_or(""), "Jazz_Paris.htm");
    EXPECT_EQ(PageForStation("Gone", names, pages), std::nullopt);
    EXPECT_EQ(StartParameters(Row("Rec", "", "", ""), "Jazz_Paris.htm"),
        "-quiet -radio Jazz_Paris.htm -record start");
    EXPECT_EQ(StartParameters(Row("Lecture", "", "", ""), "Jazz_Paris.htm"),
        "-quiet -radio Jazz_Paris.htm");
    // An accented page of the index goes to the player as the disk names it.
    EXPECT_EQ(StartParameters(Row("Lecture", "", "", ""), "Caf\xE9.htm"),
        "-quiet -radio Caf\xC3\xA9.htm");
}
