#include "schedulercore.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::time_t At(int day, int hour, int minute, int second = 0)
{
    return LocalMoment({ 2025, 3, day }, { hour, minute, second });
}

ScheduleRow Row(const char* action, const char* start, const char* end, const char* period)
{
    ScheduleRow row;
    row.action = action;
    row.start = start;
    row.end = end;
    row.periodicity = period;
    row.station = "Jazz Paris";
    return row;
}

// The core with a settable clock, a player that logs its parameters and a
// player window that exists on demand.
struct Rig {
    SchedulerCore core;
    std::time_t now = At(4, 9, 0);
    std::vector<std::string> launched;
    bool playerWindow = true;
    std::vector<QString> missing;

    Rig()
    {
        core.setClock([this] { return now; });
        core.setLauncher([this](const std::string& parameters) { launched.push_back(parameters); });
        core.setPlayerWindowProbe([this] { return playerWindow; });
        core.setStations({ "Rock FM", "Jazz Paris" }, { "Rock_FM.htm", "Jazz_Paris.htm" });
        QObject::connect(&core, &SchedulerCore::stationMissing,
            [this](const QString& station) { missing.push_back(station); });
    }
};

} // namespace

TEST(SchedulerCore, runsARecordSlotAndRemovesItWhenOneTime)
{
    Rig rig;
    rig.core.addRow(Row("Rec", "10:00:00", "11:00:00", "04/03/25"));
    EXPECT_EQ(rig.core.startTimerDelay(), 3600 * 1000);

    rig.now = At(4, 10, 0);
    rig.core.startSlot();
    EXPECT_TRUE(rig.core.isRunning());
    EXPECT_EQ(rig.core.rows().front().mark, "X");
    EXPECT_EQ(rig.core.endTimerDelay(), 3600 * 1000);
    EXPECT_EQ(rig.core.startTimerDelay(), -1);

    rig.now = At(4, 11, 0);
    rig.core.endSlot();
    EXPECT_FALSE(rig.core.isRunning());
    EXPECT_TRUE(rig.core.rows().empty());
    EXPECT_EQ(rig.launched,
        (std::vector<std::string> { "-quiet -radio Jazz_Paris.htm -record start", "-stop" }));
}

TEST(SchedulerCore, keepsADailySlotAndSendsStopOnlyToARunningPlayer)
{
    Rig rig;
    rig.playerWindow = false;
    rig.now = At(4, 23, 0);
    rig.core.addRow(Row("Lecture", "23:00:00", "01:00:00", "Quotidien"));
    EXPECT_EQ(rig.core.startTimerDelay(), 0);
    rig.core.startSlot();
    EXPECT_EQ(rig.core.endTimerDelay(), 2 * 3600 * 1000);
    rig.now = At(5, 1, 0);
    rig.core.endSlot();
    ASSERT_EQ(rig.core.rows().size(), 1u);
    EXPECT_EQ(rig.core.rows().front().mark, " ");
    EXPECT_EQ(rig.launched, (std::vector<std::string> { "-quiet -radio Jazz_Paris.htm" }));
    EXPECT_EQ(rig.core.startTimerDelay(), 22 * 3600 * 1000);
}

TEST(SchedulerCore, addingWhileRunningWaitsForTheEnd)
{
    // Daily 10-11 running; a one-time 12:00 slot added meanwhile is listed
    // first, and both stay after 11:00.
    Rig rig;
    rig.now = At(4, 10, 0);
    rig.core.addRow(Row("Lecture", "10:00:00", "11:00:00", "Quotidien"));
    rig.core.startSlot();
    rig.now = At(4, 10, 30);
    rig.core.addRow(Row("Lecture", "12:00:00", "12:30:00", "04/03/25"));
    EXPECT_EQ(rig.core.rows().front().start, "12:00:00");
    EXPECT_EQ(rig.core.endTimerDelay(), 3600 * 1000);
    rig.now = At(4, 11, 0);
    rig.core.endSlot();
    ASSERT_EQ(rig.core.rows().size(), 2u);
    EXPECT_EQ(rig.core.rows()[0].start, "12:00:00");
    EXPECT_EQ(rig.core.rows()[1].mark, " ");
    EXPECT_EQ(rig.core.startTimerDelay(), 3600 * 1000);
}

TEST(SchedulerCore, deletingRunningSlots)
{
    {
        // Others remain: the end stays planned, and at the end nothing else
        // is removed.
        Rig rig;
        rig.now = At(4, 10, 0);
        rig.core.addRow(Row("Lecture", "10:00:00", "11:00:00", "04/03/25"));
        rig.core.addRow(Row("Lecture", "12:00:00", "13:00:00", "04/03/25"));
        rig.core.startSlot();
        rig.core.deleteRow(0);
        EXPECT_EQ(rig.core.endTimerDelay(), 3600 * 1000);
        rig.now = At(4, 11, 0);
        rig.core.endSlot();
        ASSERT_EQ(rig.core.rows().size(), 1u);
        EXPECT_EQ(rig.core.rows()[0].start, "12:00:00");
        EXPECT_EQ(rig.launched.back(), "-stop");
    }
    {
        // The only slot: the run ends at once.
        Rig rig;
        rig.now = At(4, 10, 0);
        rig.core.addRow(Row("Lecture", "10:00:00", "11:00:00", "04/03/25"));
        rig.core.startSlot();
        rig.core.deleteRow(0);
        EXPECT_FALSE(rig.core.isRunning());
        EXPECT_EQ(rig.launched, (std::vector<std::string> { "-quiet -radio Jazz_Paris.htm", "-stop" }));
    }
}

TEST(SchedulerCore, aSlotUnderWayStartsAtOnceAndAGoneStationLaunchesNothing)
{
    Rig rig;
    rig.now = At(4, 10, 30);
    ScheduleRow row = Row("Rec", "10:00:00", "11:00:00", "04/03/25");
    row.station = "Gone FM";
    rig.core.addRow(row);
    EXPECT_EQ(rig.core.startTimerDelay(), 0);
    rig.core.startSlot();
    EXPECT_TRUE(rig.launched.empty());
    EXPECT_EQ(rig.missing, std::vector<QString> { "Gone FM" });
    EXPECT_EQ(rig.core.endTimerDelay(), 1800 * 1000);
}
