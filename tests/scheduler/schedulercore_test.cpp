#include "schedulercore.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "scheduletestdata.h"

namespace {

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
        EXPECT_EQ(
            rig.launched, (std::vector<std::string> { "-quiet -radio Jazz_Paris.htm", "-stop" }));
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

TEST(SchedulerCore, followsTheWallClockAfterASleepOrAClockStep)
{
    Rig rig;
    std::vector<std::string> missed;
    QObject::connect(&rig.core, &SchedulerCore::slotMissed,
        [&missed](const ScheduleRow& row) { missed.push_back(row.start); });
    rig.now = At(4, 9, 59, 50);
    rig.core.addRow(Row("Rec", "10:00:00", "10:30:00", "04/03/25"));
    rig.core.addRow(Row("Lecture", "11:00:00", "11:30:00", "04/03/25"));
    // The computer sleeps through 10:00: its timers stood still, the clock
    // did not. The first check after waking starts the slot under way, and
    // its end stays 10:30.
    rig.now = At(4, 10, 5);
    rig.core.recheck();
    EXPECT_TRUE(rig.core.isRunning());
    EXPECT_EQ(
        rig.launched, std::vector<std::string> { "-quiet -radio Jazz_Paris.htm -record start" });
    EXPECT_EQ(rig.core.endTimerDelay(), 25 * 60 * 1000);
    // A clock set back is followed as well: the end is armed afresh.
    rig.now = At(4, 10, 0);
    rig.core.recheck();
    EXPECT_EQ(rig.core.endTimerDelay(), 30 * 60 * 1000);
    // Asleep again past the end, and past the whole of the next slot.
    rig.now = At(4, 11, 45);
    rig.core.recheck();
    EXPECT_FALSE(rig.core.isRunning());
    EXPECT_EQ(rig.launched.back(), "-stop");
    ASSERT_EQ(rig.launched.size(), 2u);
    rig.core.recheck();
    EXPECT_EQ(missed, std::vector<std::string> { "11:00:00" });
    EXPECT_TRUE(rig.core.rows().empty());
    EXPECT_EQ(rig.launched.size(), 2u);
}

TEST(SchedulerCore, aDailySlotStartedLateAfterMidnightEndsThatNight)
{
    Rig rig;
    rig.now = At(4, 22, 59);
    rig.core.addRow(Row("Lecture", "23:00:00", "01:00:00", "Quotidien"));
    rig.now = At(5, 0, 30);
    rig.core.recheck();
    ASSERT_TRUE(rig.core.isRunning());
    EXPECT_EQ(rig.core.endTimerDelay(), 30 * 60 * 1000);
    // Slept through the whole of the next night's run: skipped, kept.
    rig.now = At(5, 1, 0);
    rig.core.recheck();
    EXPECT_FALSE(rig.core.isRunning());
    rig.now = At(6, 2, 0);
    rig.core.recheck();
    EXPECT_FALSE(rig.core.isRunning());
    ASSERT_EQ(rig.core.rows().size(), 1u);
    EXPECT_EQ(rig.core.startTimerDelay(), 21 * 3600 * 1000);
}

TEST(SchedulerCore, theEndWaitsForAPlayerStillStartingButNotForOneItDidNotStart)
{
    Rig rig;
    rig.playerWindow = false;
    rig.now = At(4, 10, 0);
    rig.core.addRow(Row("Lecture", "10:00:00", "10:00:01", "04/03/25"));
    rig.core.startSlot();
    rig.core.endSlot();
    // The player has no window yet: the end waits for it.
    EXPECT_TRUE(rig.core.waitingToStop());
    rig.playerWindow = true;
    QEventLoop loop;
    QTimer::singleShot(1500, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(rig.core.waitingToStop());
    EXPECT_EQ(rig.launched.back(), "-stop");

    // A station that is gone launched nothing: the listener's own player
    // is left playing.
    ScheduleRow gone = Row("Lecture", "11:00:00", "12:00:00", "04/03/25");
    gone.station = "Gone FM";
    rig.launched.clear();
    rig.core.addRow(gone);
    rig.now = At(4, 11, 0);
    rig.core.startSlot();
    rig.now = At(4, 12, 0);
    rig.core.endSlot();
    EXPECT_TRUE(rig.launched.empty());
    EXPECT_FALSE(rig.core.waitingToStop());
}

TEST(SchedulerCore, followsAChangeOfTimeZoneAndOfDaylightSaving)
{
    // The listener's zone changes from Paris to London: the same 10:00 is
    // an hour further away on the real clock.
    struct Zone {
        explicit Zone(const char* name)
        {
            ::setenv("TZ", name, 1);
            ::tzset();
        }
        ~Zone()
        {
            ::setenv("TZ", "UTC", 1);
            ::tzset();
        }
    } zone("Europe/Paris");
    Rig rig;
    rig.now = LocalMoment({ 2025, 3, 4 }, { 9, 0, 0 });
    rig.core.addRow(Row("Lecture", "10:00:00", "11:00:00", "Quotidien"));
    EXPECT_EQ(rig.core.startTimerDelay(), 3600 * 1000);
    ::setenv("TZ", "Europe/London", 1);
    ::tzset();
    rig.core.recheck();
    EXPECT_EQ(rig.core.startTimerDelay(), 2 * 3600 * 1000);

    // In Paris on the night the clocks go forward, 03:30 comes 31 minutes
    // after 01:59, and the slot ends at 04:00 local time.
    ::setenv("TZ", "Europe/Paris", 1);
    ::tzset();
    Rig night;
    night.now = LocalMoment({ 2025, 3, 30 }, { 1, 59, 0 });
    night.core.addRow(Row("Lecture", "03:30:00", "04:00:00", "30/03/25"));
    EXPECT_EQ(night.core.startTimerDelay(), 31 * 60 * 1000);
    night.now += 31 * 60;
    night.core.recheck();
    ASSERT_TRUE(night.core.isRunning());
    EXPECT_EQ(night.core.endTimerDelay(), 30 * 60 * 1000);
}
