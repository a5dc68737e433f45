#include <chrono>
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/profile.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "schedule.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"
#include "testclock.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::TempDir;

// The times of the scheduler's "slot start"/"slot end" lines in the log.
std::vector<std::string> Logged(const std::string& log, const std::string& event)
{
    std::vector<std::string> times;
    const std::string prefix = "scheduler: " + event + " ";
    for (const std::string& line : ReadLines(log)) {
        if (line.rfind(prefix, 0) == 0)
            times.push_back(line.substr(prefix.size()));
    }
    return times;
}

// The real scheduler copied into a private installation directory beside a
// stand-in player that writes its arguments, one line per start, to a log.
// Nothing registers as the player's window there. The scheduler's clock is
// the test clock, shown 10/03/26 10:00:00 when the scheduler first reads it,
// and its diagnostic log tells when each slot started and ended.
class SchedulerRun : public testsupport::PlayerTest {
protected:
    SchedulerRun()
        : PlayerTest("sonalto-install", false)
    {
        variables = { { "XDG_CONFIG_HOME", m_config.path() }, { kTestClockVariable, clockFile() } };
    }

    void SetUp() override
    {
        m_scheduler = testsupport::CopyProgram(SONALTO_SCHEDULER_PATH, path());
        // The look plug-in is installed beside the programs; without it the
        // scheduler would stop on its message first.
        testsupport::CopyProgram(SONALTO_LOOK_PATH, path());
        const std::string player = path() + "Sonalto";
        ASSERT_TRUE(WriteTextFile(player, "#!/bin/sh\necho \"$*\" >> '" + playerLog() + "'\n"));
        ::chmod(player.c_str(), 0755);

        std::filesystem::create_directory(path() + "html");
        const std::string index = IndexPath(path() + "html/");
        ASSERT_TRUE(WriteTextFile(index, EmptyIndexText()));
        ASSERT_TRUE(InsertStation(index, "Radio Test"));
        ASSERT_TRUE(InsertStation(index, "Autre Radio"));
        for (const StationEntry& station : ListStations(ReadTextFile(index))) {
            if (station.name == "Radio Test")
                m_page = station.pageFile;
        }
        ASSERT_FALSE(m_page.empty());
        ASSERT_TRUE(WriteTestClock(clockFile(), LocalMoment({ 2026, 3, 10 }, { 10, 0, 0 })));
    }

    // Waits until the scheduler logged n ends of a slot.
    bool waitForSlotEnds(std::size_t n)
    {
        testsupport::WaitFor([&] { return Logged(logPath(), "slot end").size() >= n; }, 15s);
        return Logged(logPath(), "slot end").size() == n;
    }

    // A schedule holding one slot of the given action and periodicity.
    bool writeSchedule(const std::string& action, const std::string& start, const std::string& end,
        const std::string& periodicity, const std::string& station)
    {
        return WriteTextFile(scheduleFile(),
            "[SntScheduler]\r\nInfo=A utiliser avec Sonalto\r\nLaunchStartUp=False\r\n"
            "[Enregistrement n\xB0"
            "1]\r\nAction="
                + action
                + "\r\nHeure d\xE9"
                  "but="
                + start + "\r\nHeure fin=" + end + "\r\nPeriodicit\xE9=" + periodicity
                + "\r\nRadio=" + station + "\r\n");
    }

    // Puts the real player beside the scheduler, with the small catalogue
    // streaming from the server. The scheduler lists the stations of a real
    // index; the page it names for "Radio Alpha" is the catalogue's station
    // page, and that name is returned.
    std::string useRealPlayer(testsupport::HttpServer& server, const std::string& stream)
    {
        installPlayer();
        const std::string html = this->html();
        testsupport::WriteSmallCatalogue(html, server.url(stream), "", false);
        const std::string index = IndexPath(html);
        EXPECT_TRUE(WriteTextFile(index, EmptyIndexText()));
        EXPECT_TRUE(InsertStation(index, "Radio Alpha"));
        std::string page;
        for (const StationEntry& station : ListStations(ReadTextFile(index)))
            page = station.pageFile;
        EXPECT_TRUE(WriteTextFile(html + page, ReadTextFile(html + "Alpha.htm")));
        return page;
    }

    // Ends the scheduler the way the session closes a window.
    void close(Process& scheduler)
    {
        EXPECT_EQ(
            SendMessage(kSchedulerWindowClass, kSchedulerWindowTitle, WM_SYSCOMMAND, SC_CLOSE, 0),
            1);
        EXPECT_EQ(scheduler.waitForExit(20s), 0) << ReadTextFile(schedulerOut());
    }

    std::string playerLog() const { return path() + "player.log"; }
    std::string scheduleFile() const { return path() + "SntScheduler.ini"; }
    std::string schedulerOut() const { return path() + "scheduler.out"; }
    std::string clockFile() const { return path() + "clock.txt"; }

    TempDir m_config { "sonalto-config" };
    std::string m_scheduler;
    std::string m_page;
};

TEST_F(SchedulerRun, oneDateRecordSlotStartsPlayerOnceAndIsRemoved)
{
    // The station text is a shortened, differently cased name.
    ASSERT_TRUE(writeSchedule("Rec", "10:00:02", "10:00:04", "10/03/26", "radio te"));

    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, { "-quiet" }, environment(), "/", schedulerOut()));
    ASSERT_TRUE(testsupport::WaitForFileLine(
        playerLog(), "-quiet -radio " + m_page + " -record start", 15s))
        << ReadTextFile(schedulerOut());
    // On time by the scheduler's clock: at the slot's start, or at once if
    // a slow start-up ran past it.
    const std::vector<std::string> started = Logged(logPath(), "slot start");
    ASSERT_EQ(started.size(), 1u) << ReadTextFile(logPath());
    EXPECT_GE(started[0], "10:00:02");
    EXPECT_LT(started[0], "10:00:04");

    // A second start finds the first one and ends at once, launching nothing.
    Process second;
    ASSERT_TRUE(second.start(m_scheduler, {}, environment(), "/"));
    EXPECT_EQ(second.waitForExit(10s), 0);
    EXPECT_TRUE(scheduler.isRunning());

    // Past the end: no player window exists, so no "-stop" went out.
    ASSERT_TRUE(waitForSlotEnds(1)) << ReadTextFile(logPath());
    const std::vector<std::string> ended = Logged(logPath(), "slot end");
    EXPECT_GE(ended[0], "10:00:04");
    EXPECT_LT(ended[0], "10:00:06");
    EXPECT_EQ(ReadLines(playerLog()),
        std::vector<std::string> { "-quiet -radio " + m_page + " -record start" });

    close(scheduler);
    Profile saved;
    ASSERT_TRUE(saved.load(scheduleFile()));
    EXPECT_EQ(saved.get("SntScheduler", "LaunchStartUp"), "False");
    EXPECT_EQ(saved.get("Enregistrement n\xB0"
                        "1",
                  "Action"),
        "");
    EXPECT_FALSE(FileExists(m_config.path() + "autostart/SntScheduler.desktop"));
    EXPECT_FALSE(FindWindow(kSchedulerWindowClass, kSchedulerWindowTitle));
}

TEST_F(SchedulerRun, twoStartsAtTheSameMomentLeaveOneScheduler)
{
    // The session's autostart and a click: both may find no scheduler yet.
    // Only one may run the schedule; the other ends without saving.
    ASSERT_TRUE(writeSchedule("Lecture", "03:00:00", "04:00:00", "Quotidien", "Radio Test"));
    for (int round = 0; round < 3; ++round) {
        Process first;
        Process second;
        ASSERT_TRUE(first.start(m_scheduler, { "-quiet" }, environment(), "/", schedulerOut()));
        ASSERT_TRUE(second.start(m_scheduler, { "-quiet" }, environment(), "/", schedulerOut()));
        ASSERT_TRUE(
            testsupport::WaitFor([&] { return !first.isRunning() || !second.isRunning(); }, 10s));
        // The one left runs the schedule and answers at the scheduler's
        // address.
        ASSERT_TRUE(testsupport::WaitFor(
            [] { return FindWindow(kSchedulerWindowClass, kSchedulerWindowTitle); }, 10s));
        EXPECT_NE(first.isRunning(), second.isRunning()) << "round " << round;
        Process& running = first.isRunning() ? first : second;
        close(running);
        Profile saved;
        ASSERT_TRUE(saved.load(scheduleFile()));
        EXPECT_EQ(saved.get("Enregistrement n\xB0"
                            "1",
                      "Radio"),
            "Radio Test");
    }
}

TEST_F(SchedulerRun, dailyPlaySlotRunsOnceAndStays)
{
    ASSERT_TRUE(writeSchedule("Lecture", "10:00:01", "10:00:03", "Quotidien", "Autre Radio"));

    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, {}, environment(), "/", schedulerOut()));
    std::string page;
    for (const StationEntry& station : ListStations(ReadTextFile(IndexPath(path() + "html/")))) {
        if (station.name == "Autre Radio")
            page = station.pageFile;
    }
    ASSERT_TRUE(testsupport::WaitForFileLine(playerLog(), "-quiet -radio " + page, 15s))
        << ReadTextFile(schedulerOut());
    // After its end the slot waits for tomorrow: one start, one end.
    ASSERT_TRUE(waitForSlotEnds(1)) << ReadTextFile(logPath());
    EXPECT_EQ(Logged(logPath(), "slot start").size(), 1u);
    EXPECT_EQ(ReadLines(playerLog()).size(), 1u);

    close(scheduler);
    // The daily slot stays for tomorrow.
    Profile saved;
    ASSERT_TRUE(saved.load(scheduleFile()));
    EXPECT_EQ(saved.get("Enregistrement n\xB0"
                        "1",
                  "Action"),
        "Lecture");
    EXPECT_EQ(saved.get("Enregistrement n\xB0"
                        "1",
                  "Periodicit\xE9"),
        "Quotidien");
    EXPECT_EQ(saved.get("Enregistrement n\xB0"
                        "1",
                  "Radio"),
        "Autre Radio");
}

// The real player, already running, and the real scheduler in one
// installation directory; the recorder is a stand-in that logs its calls.
TEST_F(SchedulerRun, recordSlotDrivesTheRunningPlayer)
{
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(path()));
    const std::string html = path() + "html/";
    const std::string page = useRealPlayer(server, "/_stream?title=Alpha+en+direct");

    std::filesystem::create_directory(path() + "HarddiskOgg");
    const std::string recorderLog = path() + "recorder.log";
    const std::string recorder = path() + "HarddiskOgg/harddisk";
    ASSERT_TRUE(WriteTextFile(recorder, "#!/bin/sh\necho \"$*\" >> '" + recorderLog + "'\n"));
    ::chmod(recorder.c_str(), 0755);

    const std::string diag = logPath();
    Process player;
    ASSERT_TRUE(startReady(player));

    ASSERT_TRUE(writeSchedule("Rec", "10:00:02", "10:00:10", "10/03/26", "Radio Alpha"));
    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, { "-quiet" }, environment(), "/", schedulerOut()));

    // The forwarded start: hide, play the station, start recording.
    const auto logged
        = [&](const std::string& line) { return testsupport::WaitForFileLine(diag, line, 20s); };
    EXPECT_TRUE(logged("syscommand 61472")) << ReadTextFile(diag); // SC_MINIMIZE
    EXPECT_TRUE(logged("navigate live " + html + page)) << ReadTextFile(diag);
    EXPECT_TRUE(logged("station Radio Alpha")) << ReadTextFile(diag);
    EXPECT_TRUE(logged("first audio")) << output();
    EXPECT_TRUE(logged("syscommand 108")) << ReadTextFile(diag); // -record start
    testsupport::WaitFor([&] { return !ReadLines(recorderLog).empty(); }, 10s);
    const std::vector<std::string> calls = ReadLines(recorderLog);
    ASSERT_FALSE(calls.empty()) << "the recorder was not started";
    EXPECT_EQ(calls.front().rfind(
                  "-record -preset Snt.hdp -filter smart.hfs -output " + path() + "Record/", 0),
        0u)
        << calls.front();

    // At the end the player's window exists, so "-stop" ends it, and the
    // player closes the recording on its way out.
    EXPECT_EQ(player.waitForExit(30s), 0) << ReadTextFile(diag);
    EXPECT_EQ(ReadLines(recorderLog).back(), "-quit");
    close(scheduler);
}

// A slot shorter than the player's start: the end comes before the player
// it launched has a window, and the player is stopped all the same.
TEST_F(SchedulerRun, playerStillStartingAtTheEndIsStopped)
{
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(path()));
    const std::string page = useRealPlayer(server, "/_stream");

    ASSERT_TRUE(writeSchedule("Lecture", "10:00:02", "10:00:03", "10/03/26", "Radio Alpha"));
    Environment env = environment();
    env["QTWEBENGINE_DISABLE_SANDBOX"] = "1";
    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, { "-quiet" }, env, "/", schedulerOut()));

    ASSERT_TRUE(testsupport::WaitFor(
        [] { return FindWindow(kPlayerWindowClass, kPlayerWindowTitle); }, 30s))
        << ReadTextFile(logPath());
    const bool gone = testsupport::WaitFor(
        [] { return !FindWindow(kPlayerWindowClass, kPlayerWindowTitle); }, 40s);
    EXPECT_TRUE(gone) << ReadTextFile(logPath());
    close(scheduler);
    if (!gone)
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, 32834, 0);
}

// The computer sleeps through a slot's start: the scheduler's clock jumps
// past it while its timer still waits for the old time. The half-minute
// re-check starts the slot, and a jump past its end ends it and takes the
// one-time slot off the file.
TEST_F(SchedulerRun, clockJumpPastAStartStartsTheSlotThenEndsIt)
{
    ASSERT_TRUE(writeSchedule("Lecture", "10:30:00", "10:40:00", "10/03/26", "Radio Test"));
    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, { "-quiet" }, environment(), "/", schedulerOut()));
    EXPECT_FALSE(testsupport::WaitFor([&] { return !ReadLines(playerLog()).empty(); }, 1s));

    ASSERT_TRUE(WriteTestClock(clockFile(), LocalMoment({ 2026, 3, 10 }, { 10, 35, 0 })));
    EXPECT_TRUE(testsupport::WaitForFileLine(playerLog(), "-quiet -radio " + m_page, 40s))
        << ReadTextFile(schedulerOut());

    ASSERT_TRUE(WriteTestClock(clockFile(), LocalMoment({ 2026, 3, 10 }, { 10, 45, 0 })));
    Profile saved;
    EXPECT_TRUE(testsupport::WaitFor(
        [&] {
            return saved.load(scheduleFile())
                && saved
                       .get("Enregistrement n\xB0"
                            "1",
                           "Action")
                       .empty();
        },
        40s))
        << ReadTextFile(scheduleFile());
    EXPECT_EQ(Logged(logPath(), "slot end").size(), 1u);
    EXPECT_EQ(ReadLines(playerLog()).front(), "-quiet -radio " + m_page);
    close(scheduler);
}

} // namespace
