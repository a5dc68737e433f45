#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/profile.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::TempDir;

std::string Clock(std::time_t when, const char* format)
{
    char text[32];
    std::tm local {};
    ::localtime_r(&when, &local);
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// The real scheduler copied into a private installation directory beside a
// stand-in player that writes its arguments, one line per start, to a log.
// Nothing registers as the player's window there.
class SchedulerRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::chmod(m_runtime.path().c_str(), 0700);
        m_scheduler = testsupport::CopyProgram(SONALTO_SCHEDULER_PATH, m_install.path());
        // The look plug-in is installed beside the programs; without it the
        // scheduler would stop on its message first.
        testsupport::CopyProgram(SONALTO_LOOK_PATH, m_install.path());
        const std::string player = m_install.path() + "Sonalto";
        ASSERT_TRUE(WriteTextFile(player,
            "#!/bin/sh\necho \"$*\" >> '" + playerLog() + "'\n"));
        ::chmod(player.c_str(), 0755);

        std::filesystem::create_directory(m_install.path() + "html");
        const std::string index = IndexPath(m_install.path() + "html/");
        ASSERT_TRUE(WriteTextFile(index, EmptyIndexText()));
        ASSERT_TRUE(InsertStation(index, "Radio Test"));
        ASSERT_TRUE(InsertStation(index, "Autre Radio"));
        for (const StationEntry& station : ListStations(ReadTextFile(index))) {
            if (station.name == "Radio Test")
                m_page = station.pageFile;
        }
        ASSERT_FALSE(m_page.empty());
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
    }

    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    Environment environment() const
    {
        return {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "XDG_CONFIG_HOME", m_config.path() },
            { "QT_QPA_PLATFORM", "offscreen" },
        };
    }

    // A schedule holding one slot of the given action and periodicity.
    void writeSchedule(const std::string& action, const std::string& start,
        const std::string& end, const std::string& periodicity, const std::string& station)
    {
        ASSERT_TRUE(WriteTextFile(scheduleFile(),
            "[SntScheduler]\r\nInfo=A utiliser avec Sonalto\r\nLaunchStartUp=False\r\n"
            "[Enregistrement n\xB0" "1]\r\nAction=" + action + "\r\nHeure d\xE9" "but=" + start
                + "\r\nHeure fin=" + end + "\r\nPeriodicit\xE9=" + periodicity
                + "\r\nRadio=" + station + "\r\n"));
    }

    // Ends the scheduler the way the session closes a window.
    void close(Process& scheduler)
    {
        EXPECT_EQ(
            SendMessage(kSchedulerWindowClass, kSchedulerWindowTitle, WM_SYSCOMMAND, SC_CLOSE, 0),
            1);
        EXPECT_EQ(scheduler.waitForExit(20s), 0) << ReadTextFile(output());
    }

    std::string playerLog() const { return m_install.path() + "player.log"; }
    std::string scheduleFile() const { return m_install.path() + "SntScheduler.ini"; }
    std::string output() const { return m_install.path() + "scheduler.out"; }

    TempDir m_install { "sonalto-install" };
    TempDir m_runtime { "sonalto-runtime" };
    TempDir m_config { "sonalto-config" };
    std::string m_scheduler;
    std::string m_player;
    std::string m_page;
};

TEST_F(SchedulerRun, oneDateRecordSlotStartsPlayerOnceAndIsRemoved)
{
    // A slot that would cross midnight is another case; wait past it.
    while (Clock(std::time(nullptr), "%H:%M:%S") > "23:59:40")
        std::this_thread::sleep_for(1s);
    const std::time_t now = std::time(nullptr);
    // The station text is a shortened, differently cased name.
    writeSchedule("Rec", Clock(now + 3, "%H:%M:%S"), Clock(now + 6, "%H:%M:%S"),
        Clock(now + 3, "%d/%m/%y"), "radio te");

    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, { "-quiet" }, environment(), "/", output()));
    ASSERT_TRUE(testsupport::WaitForFileLine(
        playerLog(), "-quiet -radio " + m_page + " -record start", 15s))
        << ReadTextFile(output());
    EXPECT_LE(std::time(nullptr), now + 6);

    // A second start finds the first one and ends at once, launching nothing.
    Process second;
    ASSERT_TRUE(second.start(m_scheduler, {}, environment(), "/"));
    EXPECT_EQ(second.waitForExit(10s), 0);
    EXPECT_TRUE(scheduler.isRunning());

    // Past the end: no player window exists, so no "-stop" went out.
    while (std::time(nullptr) <= now + 8)
        std::this_thread::sleep_for(200ms);
    EXPECT_EQ(ReadLines(playerLog()),
        std::vector<std::string> { "-quiet -radio " + m_page + " -record start" });

    close(scheduler);
    Profile saved;
    ASSERT_TRUE(saved.load(scheduleFile()));
    EXPECT_EQ(saved.get("SntScheduler", "LaunchStartUp"), "False");
    EXPECT_EQ(saved.get("Enregistrement n\xB0" "1", "Action"), "");
    EXPECT_FALSE(FileExists(m_config.path() + "autostart/SntScheduler.desktop"));
    EXPECT_FALSE(FindWindow(kSchedulerWindowClass, kSchedulerWindowTitle));
}

TEST_F(SchedulerRun, twoStartsAtTheSameMomentLeaveOneScheduler)
{
    // The session's autostart and a click: both may find no scheduler yet.
    // Only one may run the schedule; the other ends without saving.
    writeSchedule("Lecture", "03:00:00", "04:00:00", "Quotidien", "Radio Test");
    for (int round = 0; round < 3; ++round) {
        Process first;
        Process second;
        ASSERT_TRUE(first.start(m_scheduler, { "-quiet" }, environment(), "/", output()));
        ASSERT_TRUE(second.start(m_scheduler, { "-quiet" }, environment(), "/", output()));
        const auto ended = [](Process& p) { return p.waitForExit(100ms).has_value(); };
        for (int i = 0; i < 100 && !ended(first) && !ended(second); ++i)
            std::this_thread::sleep_for(100ms);
        std::this_thread::sleep_for(1s);
        EXPECT_NE(first.isRunning(), second.isRunning()) << "round " << round;
        Process& running = first.isRunning() ? first : second;
        close(running);
        Profile saved;
        ASSERT_TRUE(saved.load(scheduleFile()));
        EXPECT_EQ(saved.get("Enregistrement n\xB0" "1", "Radio"), "Radio Test");
    }
}

TEST_F(SchedulerRun, dailyPlaySlotRunsOnceAndStays)
{
    while (Clock(std::time(nullptr), "%H:%M:%S") > "23:59:40")
        std::this_thread::sleep_for(1s);
    const std::time_t now = std::time(nullptr);
    writeSchedule("Lecture", Clock(now + 2, "%H:%M:%S"), Clock(now + 4, "%H:%M:%S"),
        "Quotidien", "Autre Radio");

    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, {}, environment(), "/", output()));
    std::string page;
    for (const StationEntry& station :
        ListStations(ReadTextFile(IndexPath(m_install.path() + "html/")))) {
        if (station.name == "Autre Radio")
            page = station.pageFile;
    }
    ASSERT_TRUE(testsupport::WaitForFileLine(playerLog(), "-quiet -radio " + page, 15s))
        << ReadTextFile(output());
    while (std::time(nullptr) <= now + 6)
        std::this_thread::sleep_for(200ms);
    EXPECT_EQ(ReadLines(playerLog()).size(), 1u);

    close(scheduler);
    // The daily slot stays for tomorrow.
    Profile saved;
    ASSERT_TRUE(saved.load(scheduleFile()));
    EXPECT_EQ(saved.get("Enregistrement n\xB0" "1", "Action"), "Lecture");
    EXPECT_EQ(saved.get("Enregistrement n\xB0" "1", "Periodicit\xE9"), "Quotidien");
    EXPECT_EQ(saved.get("Enregistrement n\xB0" "1", "Radio"), "Autre Radio");
}

// The real player, already running, and the real scheduler in one
// installation directory; the recorder is a stand-in that logs its calls.
TEST_F(SchedulerRun, recordSlotDrivesTheRunningPlayer)
{
    m_player = testsupport::CopyProgram(SONALTO_PLAYER_PATH, m_install.path());
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(m_install.path()));
    const std::string html = m_install.path() + "html/";
    testsupport::WriteSmallCatalogue(
        html, server.url("/_stream?title=Alpha+en+direct"), "", false);
    // The scheduler lists the stations of a real index; the page it names
    // is the small catalogue's station page.
    const std::string index = IndexPath(html);
    ASSERT_TRUE(WriteTextFile(index, EmptyIndexText()));
    ASSERT_TRUE(InsertStation(index, "Radio Alpha"));
    std::string page;
    for (const StationEntry& station : ListStations(ReadTextFile(index)))
        page = station.pageFile;
    ASSERT_TRUE(WriteTextFile(html + page, ReadTextFile(html + "Alpha.htm")));

    std::filesystem::create_directory(m_install.path() + "HarddiskOgg");
    const std::string recorderLog = m_install.path() + "recorder.log";
    const std::string recorder = m_install.path() + "HarddiskOgg/harddisk";
    ASSERT_TRUE(WriteTextFile(recorder, "#!/bin/sh\necho \"$*\" >> '" + recorderLog + "'\n"));
    ::chmod(recorder.c_str(), 0755);

    const std::string diag = m_install.path() + "diag.log";
    Environment playerEnvironment = environment();
    playerEnvironment["SONALTO_DIAG_LOG"] = diag;
    playerEnvironment["SONALTO_AUDIO_SINK"] = "fakesink sync=true";
    Process player;
    ASSERT_TRUE(player.start(m_player, {}, playerEnvironment, "/", m_install.path() + "player.out"));
    ASSERT_TRUE(testsupport::WaitForFileLine(diag, "ready", 30s))
        << ReadTextFile(m_install.path() + "player.out");

    while (Clock(std::time(nullptr), "%H:%M:%S") > "23:59:30")
        std::this_thread::sleep_for(1s);
    const std::time_t now = std::time(nullptr);
    writeSchedule("Rec", Clock(now + 3, "%H:%M:%S"), Clock(now + 10, "%H:%M:%S"),
        Clock(now + 3, "%d/%m/%y"), "Radio Alpha");
    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, { "-quiet" }, environment(), "/", output()));

    // The forwarded start: hide, play the station, start recording.
    const auto logged = [&](const std::string& line) {
        return testsupport::WaitForFileLine(diag, line, 20s);
    };
    EXPECT_TRUE(logged("syscommand 61472")) << ReadTextFile(diag); // SC_MINIMIZE
    EXPECT_TRUE(logged("navigate live " + html + page)) << ReadTextFile(diag);
    EXPECT_TRUE(logged("station Radio Alpha")) << ReadTextFile(diag);
    EXPECT_TRUE(logged("first audio")) << ReadTextFile(m_install.path() + "player.out");
    EXPECT_TRUE(logged("syscommand 108")) << ReadTextFile(diag); // -record start
    for (int i = 0; i < 100 && ReadLines(recorderLog).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    const std::vector<std::string> calls = ReadLines(recorderLog);
    ASSERT_FALSE(calls.empty()) << "the recorder was not started";
    EXPECT_EQ(calls.front().rfind("-record -preset Snt.hdp -filter smart.hfs -output "
                  + m_install.path() + "Record/",
                  0),
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
    m_player = testsupport::CopyProgram(SONALTO_PLAYER_PATH, m_install.path());
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(m_install.path()));
    const std::string html = m_install.path() + "html/";
    testsupport::WriteSmallCatalogue(html, server.url("/_stream"), "", false);
    const std::string index = IndexPath(html);
    ASSERT_TRUE(WriteTextFile(index, EmptyIndexText()));
    ASSERT_TRUE(InsertStation(index, "Radio Alpha"));
    std::string page;
    for (const StationEntry& station : ListStations(ReadTextFile(index)))
        page = station.pageFile;
    ASSERT_TRUE(WriteTextFile(html + page, ReadTextFile(html + "Alpha.htm")));

    while (Clock(std::time(nullptr), "%H:%M:%S") > "23:59:30")
        std::this_thread::sleep_for(1s);
    const std::time_t now = std::time(nullptr);
    writeSchedule("Lecture", Clock(now + 3, "%H:%M:%S"), Clock(now + 4, "%H:%M:%S"),
        Clock(now + 3, "%d/%m/%y"), "Radio Alpha");
    Environment env = environment();
    env["SONALTO_DIAG_LOG"] = m_install.path() + "diag.log";
    env["SONALTO_AUDIO_SINK"] = "fakesink sync=true";
    env["QTWEBENGINE_DISABLE_SANDBOX"] = "1";
    Process scheduler;
    ASSERT_TRUE(scheduler.start(m_scheduler, { "-quiet" }, env, "/", output()));

    bool appeared = false;
    for (int i = 0; i < 300 && !appeared; ++i) {
        appeared = FindWindow(kPlayerWindowClass, kPlayerWindowTitle);
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(appeared) << ReadTextFile(m_install.path() + "diag.log");
    bool gone = false;
    for (int i = 0; i < 400 && !gone; ++i) {
        gone = !FindWindow(kPlayerWindowClass, kPlayerWindowTitle);
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(gone) << ReadTextFile(m_install.path() + "diag.log");
    close(scheduler);
    if (!gone)
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, 32834, 0);
}

} // namespace
