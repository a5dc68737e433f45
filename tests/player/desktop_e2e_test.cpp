#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/profile.h"
#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::OnXDisplay;
using testsupport::PlayerWindowId;
using testsupport::PlayerWindowShown;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::WaitFor;

// The web engine's processes under the player (of one type, "renderer" for
// instance, or all of them).
int WebEngineProcesses(pid_t player, const std::string& type = {})
{
    int count = 0;
    for (const auto& member : testsupport::ProcessTree(player)) {
        std::ifstream file("/proc/" + std::to_string(member.first) + "/cmdline");
        std::string command(
            (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (command.find("QtWebEngineProcess") != std::string::npos
            && (type.empty() || command.find("--type=" + type) != std::string::npos))
            ++count;
    }
    return count;
}

// The real player in a private installation with a small catalogue
// (station "Radio Alpha"), the way a listener's desktop starts it: on the
// X display when the tests run under Xvfb, offscreen otherwise.
class PlayerDesktop : public testsupport::PlayerTest {
protected:
    PlayerDesktop()
    {
        testsupport::WriteSmallCatalogue(html(), "http://127.0.0.1:9/flux", "", false);
        variables = {
            { "PULSE_SERVER", "unix:" + runtime() + "no-sound-server" },
            // No desktop bus: the notification area, if any, is the X one.
            { "DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime() + "no-bus" },
            { "XDG_ACTIVATION_TOKEN", std::nullopt },
            { "DESKTOP_STARTUP_ID", std::nullopt },
        };
    }

    // A bare notification-area owner on the display: with it the player
    // really hides into the tray.
    ::testing::AssertionResult startTrayOwner()
    {
        const std::string out = path() + "trayowner.out";
        if (!m_trayOwner.start(SONALTO_TRAYOWNER_PATH, {}, {}, "/", out)
            || !WaitFor([&] { return ReadTextFile(out).find("owner yes") != std::string::npos; }))
            return ::testing::AssertionFailure() << "no notification area\n" << ReadTextFile(out);
        return ::testing::AssertionSuccess();
    }

    Process m_trayOwner;
};

// A double click on the launcher, or the scheduler starting the player while
// the listener does: the second start comes before the first has a window.
TEST_F(PlayerDesktop, quickStartsGiveOnePlayerThatTakesEveryOption)
{
    for (const int gapMs : { 0, 50, 150, 300 }) {
        SCOPED_TRACE("second start " + std::to_string(gapMs) + " ms later");
        std::filesystem::remove(logPath());
        ASSERT_TRUE(writeSettings(""));
        Process listener;
        Process scheduler;
        ASSERT_TRUE(start(listener, {}));
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
        ASSERT_TRUE(start(scheduler, { "-quiet", "-radio", "Alpha.htm", "-record", "start" }));

        // One of the two hands over and ends at once; the other plays.
        Process* survivor = nullptr;
        ASSERT_TRUE(WaitFor([&] { return !listener.isRunning() || !scheduler.isRunning(); }));
        std::this_thread::sleep_for(1s);
        EXPECT_NE(listener.isRunning(), scheduler.isRunning()) << "two players";
        for (Process* p : { &listener, &scheduler }) {
            if (p->isRunning())
                survivor = p;
            else
                EXPECT_EQ(p->waitForExit(1s), 0);
        }
        ASSERT_NE(survivor, nullptr) << output();
        EXPECT_TRUE(logHas("station Radio Alpha")) << log();
        EXPECT_TRUE(logHas("syscommand 108"));
        EXPECT_EQ(logCount("ready"), 1u);
        EXPECT_EQ(logCount("syscommand 108"), 1u);
        EXPECT_GE(logCount("syscommand 61472"), 1u);

        EXPECT_TRUE(stop(*survivor));
        EXPECT_FALSE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle));
        // Nothing of the claim is left behind.
        const std::string socket = MessengerSocketPath(kPlayerWindowClass, kPlayerWindowTitle);
        EXPECT_FALSE(std::filesystem::exists(socket));
        EXPECT_FALSE(std::filesystem::exists(socket + ".owner"));
        EXPECT_FALSE(std::filesystem::exists(socket + ".lock"));
    }
}

// The scheduler ends one slot with "-stop" and starts the next one right
// away: the second start finds the player quitting, waits for it, and plays.
TEST_F(PlayerDesktop, startWhileThePlayerQuitsTakesItsPlace)
{
    ASSERT_TRUE(writeSettings(""));
    Process first;
    ASSERT_TRUE(startReady(first));
    ASSERT_EQ(SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, 32834, 0),
        std::optional<std::int64_t>(0));
    Process next;
    ASSERT_TRUE(start(next, { "-quiet", "-radio", "Alpha.htm" }));
    EXPECT_EQ(first.waitForExit(30s), 0);
    ASSERT_TRUE(WaitFor([this] { return logCount("ready") == 2; }, 30s)) << log();
    EXPECT_TRUE(logHas("station Radio Alpha"));
    EXPECT_TRUE(next.isRunning());
    EXPECT_TRUE(stop(next));
}

// The end of the session, a shutdown or a kill: the day is kept as with
// "-stop".
TEST_F(PlayerDesktop, terminationSignalsQuitLikeStop)
{
    for (const int signalNumber : { SIGTERM, SIGINT, SIGHUP }) {
        SCOPED_TRACE("signal " + std::to_string(signalNumber));
        std::filesystem::remove(logPath());
        ASSERT_TRUE(writeSettings("Position X=40\r\nPosition Y=30\r\nSauve Derniere URL=True\r\n"));
        Process player;
        ASSERT_TRUE(startReady(player, { "-radio", "Alpha.htm" }));
        ASSERT_TRUE(logHas("station Radio Alpha"));
        ::kill(player.pid(), signalNumber);
        EXPECT_EQ(player.waitForExit(30s), 0) << output();
        EXPECT_EQ(logCount("syscommand 107"), 1u) << log();
        EXPECT_TRUE(logHas("exit", 1s));
        Profile saved;
        ASSERT_TRUE(saved.load(settingsPath()));
        EXPECT_EQ(saved.get("Sonalto", "Derniere URL"), html() + "Alpha.htm");
        EXPECT_EQ(saved.get("Sonalto", "Mini Player"), "False");
        EXPECT_FALSE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle));
    }
}

// The desktop's activation token of a second start goes to the running
// player with the activation; without one the activation goes alone.
TEST_F(PlayerDesktop, activationTokenTravelsWithTheActivation)
{
    ASSERT_TRUE(writeSettings(""));
    Process player;
    ASSERT_TRUE(startReady(player));
    EXPECT_EQ(runSecond({}, { { "XDG_ACTIVATION_TOKEN", "jeton-42" } }), 0);
    ASSERT_TRUE(logHas("received activate"));
    const std::vector<std::string> lines = ReadLines(logPath());
    const auto token = std::find(lines.begin(), lines.end(), "received copydata 32841 jeton-42");
    ASSERT_NE(token, lines.end()) << log();
    EXPECT_EQ(*(token + 1), "activation token");
    EXPECT_EQ(*(token + 2), "received activate");
    EXPECT_EQ(runSecond({}), 0);
    EXPECT_EQ(logCount("received activate"), 2u);
    EXPECT_EQ(logCount("activation token"), 1u);
    EXPECT_TRUE(stop(player));
}

// The real player on a Wayland compositor (headless weston). A second start
// hands its activation token to the window's activation; a start without one
// still activates. Compositors that offer xdg_activation_v1 then see the
// token in the activation request; weston 10 offers none, and the test says
// so in its output.
TEST_F(PlayerDesktop, waylandSecondStartActivatesWithItsToken)
{
    if (testsupport::RunCommand("command -v weston").empty())
        GTEST_SKIP() << "weston is not installed";
    if (testsupport::RunCommand("ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so "
                                "2>/dev/null")
            .empty())
        GTEST_SKIP() << "Qt's Wayland plugin (qt6-wayland) is not installed";
    Process compositor;
    ASSERT_TRUE(compositor.start("/usr/bin/weston",
        { "--backend=headless-backend.so", "--socket=sonalto-wl", "--idle-time=0" },
        { { "XDG_RUNTIME_DIR", runtime() }, { "WAYLAND_DISPLAY", std::nullopt },
            { "DISPLAY", std::nullopt } },
        "/", path() + "weston.out"));
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(runtime() + "sonalto-wl"); }))
        << ReadTextFile(path() + "weston.out");

    ASSERT_TRUE(writeSettings(""));
    Environment wayland = environment();
    wayland["QT_QPA_PLATFORM"] = "wayland";
    wayland["WAYLAND_DISPLAY"] = "sonalto-wl";
    wayland["DISPLAY"] = std::nullopt;
    wayland["WAYLAND_DEBUG"] = "client";
    wayland["QTWEBENGINE_CHROMIUM_FLAGS"] = "--disable-gpu";
    wayland["QTWEBENGINE_DISABLE_SANDBOX"] = "1";
    Process player;
    ASSERT_TRUE(startReady(player, {}, wayland));
    // A window of the compositor's own, not one through X.
    EXPECT_TRUE(WaitFor([&] { return output().find("get_toplevel") != std::string::npos; }));

    EXPECT_EQ(runSecond({}), 0);
    EXPECT_TRUE(logHas("received activate"));
    EXPECT_EQ(logCount("activate with token"), 0u);
    EXPECT_EQ(runSecond({}, { { "XDG_ACTIVATION_TOKEN", "jeton-wl" } }), 0);
    EXPECT_TRUE(logHas("activate with token"));
    EXPECT_EQ(logCount("received activate"), 2u);

    const std::string protocol = output();
    if (protocol.find("\"xdg_activation_v1\"") != std::string::npos) {
        EXPECT_TRUE(WaitFor(
            [&] { return output().find(".activate(\"jeton-wl\"") != std::string::npos; }, 5s));
    } else {
        std::printf("note: the compositor offers no xdg_activation_v1; the raise itself is not "
                    "observable here\n");
    }
    EXPECT_TRUE(stop(player));
}

// A desktop's launch of a second start on X11: the running player ends the
// launch feedback with the start's id, and raises itself with it only when
// the start asks to be seen.
TEST_F(PlayerDesktop, startupIdEndsTheLaunchOnX11)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    ASSERT_TRUE(startTrayOwner());
    ASSERT_TRUE(writeSettings(""));
    Process player;
    ASSERT_TRUE(startReady(player, { "-quiet" }));
    ASSERT_TRUE(logHas("syscommand 61472"));
    const std::string events = path() + "xev.out";
    Process watch;
    ASSERT_TRUE(watch.start(
        "/usr/bin/stdbuf", { "-oL", "xev", "-root", "-event", "property" }, {}, "/", events));
    std::this_thread::sleep_for(500ms);

    EXPECT_EQ(runSecond({ "-quiet", "-radio", "Alpha.htm" },
                  { { "DESKTOP_STARTUP_ID", "lanceur-1_TIME1000" } }),
        0);
    EXPECT_TRUE(logHas("startup id"));
    EXPECT_TRUE(WaitFor(
        [&] { return ReadTextFile(events).find("_NET_STARTUP_INFO_BEGIN") != std::string::npos; },
        5s))
        << ReadTextFile(events);
    EXPECT_FALSE(PlayerWindowShown());

    EXPECT_EQ(runSecond({}, { { "DESKTOP_STARTUP_ID", "lanceur-2_TIME2000" } }), 0);
    EXPECT_TRUE(logHas("activate with startup id"));
    EXPECT_TRUE(WaitFor(PlayerWindowShown));
    EXPECT_NE(testsupport::RunCommand("xprop -id " + PlayerWindowId() + " _NET_STARTUP_ID")
                  .find("\"lanceur-2_TIME2000\""),
        std::string::npos);
    EXPECT_TRUE(stop(player));
}

// A scheduled start of a player last left in the mini layout stays in the
// tray, in its mini layout.
TEST_F(PlayerDesktop, quietStartInTheMiniLayoutStaysHidden)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    ASSERT_TRUE(startTrayOwner());
    ASSERT_TRUE(writeSettings("Mini Player=True\r\n"));
    Process player;
    ASSERT_TRUE(startReady(player, { "-quiet", "-radio", "Alpha.htm" }));
    EXPECT_TRUE(logHas("station Radio Alpha"));
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(PlayerWindowShown());
    // Brought back by a start with no option.
    EXPECT_EQ(runSecond({}), 0);
    EXPECT_TRUE(WaitFor(PlayerWindowShown));
    EXPECT_TRUE(stop(player));
}

// The windows that the X display mapped, by id, from what "xev -root -event
// substructure" printed.
std::vector<std::string> MappedWindows(const std::string& xevOutput)
{
    std::vector<std::string> ids;
    std::istringstream lines(xevOutput);
    std::string line;
    bool inMap = false;
    while (std::getline(lines, line)) {
        if (line.rfind("MapNotify event", 0) == 0) {
            inMap = true;
        } else if (inMap) {
            const std::size_t at = line.find(" window ");
            if (at != std::string::npos)
                ids.push_back(line.substr(at + 8, line.find(',', at) - at - 8));
            inMap = false;
        }
    }
    return ids;
}

// A scheduled start of a player that is not running: it starts in the
// tray without its window (or its splash) ever reaching the screen.
TEST_F(PlayerDesktop, quietFirstStartNeverShowsTheWindow)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    ASSERT_TRUE(startTrayOwner());
    // With the splash, whose event loop let the window reach the screen.
    ASSERT_TRUE(WriteTextFile(settingsPath(), "[Sonalto]\r\nSplashscreen=True\r\n"));
    const std::string events = path() + "xev.out";
    Process watch;
    ASSERT_TRUE(watch.start(
        "/usr/bin/stdbuf", { "-oL", "xev", "-root", "-event", "substructure" }, {}, "/", events));
    std::this_thread::sleep_for(500ms);

    Process player;
    ASSERT_TRUE(startReady(player, { "-quiet", "-radio", "Alpha.htm" }));
    EXPECT_TRUE(logHas("station Radio Alpha"));
    std::this_thread::sleep_for(2500ms);
    const std::string window = PlayerWindowId();
    ASSERT_FALSE(window.empty());
    const std::vector<std::string> mapped = MappedWindows(ReadTextFile(events));
    EXPECT_EQ(std::count(mapped.begin(), mapped.end(), window), 0) << ReadTextFile(events);
    // Nothing else of the player came up either: at most its tray icon.
    EXPECT_LE(mapped.size(), 1u) << ReadTextFile(events);

    EXPECT_EQ(runSecond({}), 0);
    EXPECT_TRUE(WaitFor(PlayerWindowShown));
    EXPECT_TRUE(stop(player));
}

// A scheduled slot, the updater and the index: none of them brings a player
// hidden in the notification area back, nor maps any window at all.
TEST_F(PlayerDesktop, forwardsLeaveAPlayerInTheTrayHidden)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    ASSERT_TRUE(startTrayOwner());
    ASSERT_TRUE(writeSettings(""));
    Process player;
    ASSERT_TRUE(startReady(player));
    ASSERT_TRUE(WaitFor(PlayerWindowShown));
    ASSERT_EQ(SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, SC_MINIMIZE, 0),
        std::optional<std::int64_t>(0));
    ASSERT_TRUE(WaitFor([] { return !PlayerWindowShown(); })) << "not hidden into the tray";

    // Every window that the display maps from now on.
    const std::string events = path() + "xev.out";
    Process watch;
    ASSERT_TRUE(watch.start(
        "/usr/bin/stdbuf", { "-oL", "xev", "-root", "-event", "substructure" }, {}, "/", events));
    std::this_thread::sleep_for(500ms);

    EXPECT_EQ(runSecond({ "-quiet", "-radio", "Alpha.htm" }), 0);
    EXPECT_TRUE(logHas("station Radio Alpha"));
    EXPECT_EQ(runSecond({ "-record", "start" }), 0);
    EXPECT_EQ(runSecond({ "-rebuild" }), 0);
    EXPECT_EQ(runSecond({ "-self_update" }), 0);
    EXPECT_EQ(runSecond({ "-radio", "Alpha.htm" }), 0);
    EXPECT_TRUE(logHas("syscommand 108"));
    EXPECT_TRUE(logHas("syscommand 111"));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(ReadTextFile(events).find("MapNotify"), std::string::npos) << ReadTextFile(events);
    EXPECT_FALSE(PlayerWindowShown());

    // Only a start with no option brings it back.
    EXPECT_EQ(runSecond({}), 0);
    EXPECT_TRUE(WaitFor(PlayerWindowShown));
    EXPECT_TRUE(
        WaitFor([&] { return ReadTextFile(events).find("MapNotify") != std::string::npos; }, 5s));
    EXPECT_TRUE(stop(player));
}

// "Cacher TaskBar" keeps a normal window off the taskbar, only while a tray
// can bring it back.
TEST_F(PlayerDesktop, taskbarEntryIsLeftOutOnlyWithATray)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    for (const bool tray : { false, true }) {
        SCOPED_TRACE(tray ? "with a tray" : "without a tray");
        if (tray) {
            ASSERT_TRUE(startTrayOwner());
        }
        ASSERT_TRUE(writeSettings("Cacher TaskBar=True\r\n"));
        Process player;
        ASSERT_TRUE(startReady(player));
        ASSERT_TRUE(WaitFor(PlayerWindowShown));
        // The platform writes the window's states afresh until its first
        // paint, and the player sets its hint again then: wait for the
        // expected state, and see that it stays once the window is settled.
        std::string hints;
        const auto settled = [&] {
            hints = testsupport::RunCommand(
                "xprop -id " + PlayerWindowId() + " _NET_WM_STATE _NET_WM_WINDOW_TYPE");
            return (hints.find("_NET_WM_STATE_SKIP_TASKBAR") != std::string::npos) == tray;
        };
        EXPECT_TRUE(WaitFor(settled, 10s)) << hints << log();
        std::this_thread::sleep_for(1s);
        EXPECT_TRUE(settled()) << "changed after it settled\n" << hints;
        EXPECT_NE(hints.find("_NET_WM_WINDOW_TYPE_NORMAL"), std::string::npos) << hints;
        EXPECT_TRUE(stop(player));
    }
}

// A station sent while the frame page reloads (a change of layout here)
// plays once the page is there.
TEST_F(PlayerDesktop, radioForwardedWhileTheFramePageLoadsIsPlayed)
{
    ASSERT_TRUE(writeSettings(""));
    Process player;
    ASSERT_TRUE(startReady(player));
    ASSERT_TRUE(logHas("welcome"));
    ASSERT_EQ(SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, SC_MAXIMIZE, 0),
        std::optional<std::int64_t>(0));
    ASSERT_EQ(SendCopyData(kPlayerWindowClass, kPlayerWindowTitle, 0x8048,
                  std::string("Alpha.htm", sizeof "Alpha.htm")),
        std::optional<std::int64_t>(0));
    EXPECT_TRUE(logHas("station Radio Alpha")) << log();
    EXPECT_TRUE(stop(player));
}

// A desktop notice at each new title only when the listener ticked it; the
// player hidden in the tray, a notice is the only window that can show.
TEST_F(PlayerDesktop, songNotificationsAreTheListenersChoice)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(path()));
    testsupport::WriteSmallCatalogue(
        html(), server.url("/_stream?title=Alpha+en+direct"), "", false);
    ASSERT_TRUE(startTrayOwner());
    const auto viewableWindows = [] {
        std::istringstream tree(testsupport::RunCommand("xwininfo -root -children 2>/dev/null"));
        int viewable = 0;
        for (std::string line; std::getline(tree, line);) {
            std::istringstream words(line);
            std::string id;
            words >> id;
            if (id.rfind("0x", 0) == 0
                && testsupport::RunCommand("xwininfo -id " + id + " 2>/dev/null").find("IsViewable")
                    != std::string::npos)
                ++viewable;
        }
        return viewable;
    };
    for (const bool notify : { false, true }) {
        SCOPED_TRACE(notify ? "ticked" : "as installed");
        std::filesystem::remove(logPath());
        ASSERT_TRUE(writeSettings(notify ? "Notifier Titres=True\r\n" : ""));
        Process player;
        ASSERT_TRUE(startReady(player, { "-quiet", "-radio", "Alpha.htm" }));
        ASSERT_TRUE(logHas("stream title Alpha en direct")) << log();
        EXPECT_EQ(WaitFor([&] { return viewableWindows() > 0; }, 2s), notify);
        EXPECT_TRUE(stop(player));
        Profile saved;
        ASSERT_TRUE(saved.load(settingsPath()));
        EXPECT_EQ(saved.get("Sonalto", "Notifier Titres"), notify ? "True" : "False");
    }
}

// The scheduler's quiet start plays from the notification area without any
// web engine; shown, the window makes its view on the station that plays,
// and hidden again the renderer goes, the stream going on throughout.
TEST_F(PlayerDesktop, theWebEngineRunsOnlyWhileTheWindowIsShown)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(path()));
    testsupport::WriteSmallCatalogue(
        html(), server.url("/_stream?title=Alpha+en+direct"), "", false);
    ASSERT_TRUE(startTrayOwner());
    ASSERT_TRUE(writeSettings(""));
    Process player;
    ASSERT_TRUE(startReady(player, { "-quiet", "-radio", "Alpha.htm" }));
    ASSERT_TRUE(logHas("first audio")) << log();
    EXPECT_TRUE(logHas("station Radio Alpha"));
    // Forwarded options are answered without a view too.
    EXPECT_EQ(runSecond({ "-record", "start" }), 0);
    EXPECT_TRUE(logHas("syscommand 108"));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(WebEngineProcesses(player.pid()), 0);
    EXPECT_EQ(logCount("web view"), 0u);
    EXPECT_FALSE(PlayerWindowShown());

    EXPECT_EQ(runSecond({}), 0);
    ASSERT_TRUE(WaitFor(PlayerWindowShown));
    ASSERT_TRUE(WaitFor([&] { return WebEngineProcesses(player.pid(), "renderer") > 0; }));
    EXPECT_TRUE(WaitFor([&] { return logCount("station Radio Alpha") >= 2; })) << log();

    ASSERT_EQ(SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, SC_MINIMIZE, 0),
        std::optional<std::int64_t>(0));
    ASSERT_TRUE(WaitFor([] { return !PlayerWindowShown(); }));
    EXPECT_TRUE(WaitFor([&] { return WebEngineProcesses(player.pid(), "renderer") == 0; }))
        << "the renderer outlived the view";

    EXPECT_EQ(runSecond({}), 0);
    ASSERT_TRUE(WaitFor(PlayerWindowShown));
    EXPECT_TRUE(WaitFor([&] { return logCount("station Radio Alpha") >= 3; }));
    EXPECT_EQ(logCount("web view"), 2u);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(logCount("first audio"), 1u) << log();
    EXPECT_TRUE(stop(player));
}

// A window left shown and untouched lets go of the engine's code that only
// the player maps (MappedFiles tests that the pages go); the page still
// answers the next station afterwards.
TEST_F(PlayerDesktop, anIdleShownWindowLetsTheEngineCodeGo)
{
    if (!OnXDisplay())
        GTEST_SKIP() << "needs the X display (run under Xvfb)";
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(path()));
    testsupport::WriteSmallCatalogue(
        html(), server.url("/_stream?title=Alpha+en+direct"), "", false);
    ASSERT_TRUE(writeSettings(""));
    Process player;
    ASSERT_TRUE(
        startReady(player, { "-radio", "Alpha.htm" }, { { "SONALTO_IDLE_RELEASE_MS", "3000" } }));
    ASSERT_TRUE(logHas("first audio")) << log();
    std::vector<std::string> lines;
    auto idle = lines.end();
    ASSERT_TRUE(WaitFor(
        [&] {
            lines = logLines();
            idle = std::find(lines.begin(), lines.end(), "web view idle");
            return idle != lines.end() && idle + 1 != lines.end();
        },
        20s))
        << log();
    EXPECT_EQ(idle[1].rfind("web engine paged out ", 0), 0u) << log();
    EXPECT_EQ(std::count(lines.begin(), idle, "station Radio Alpha"), 1)
        << "released while loading";

    EXPECT_EQ(runSecond({ "-radio", "Alpha.htm" }), 0);
    EXPECT_TRUE(WaitFor([&] { return logCount("station Radio Alpha") >= 2; })) << log();
    EXPECT_EQ(WebEngineProcesses(player.pid(), "renderer"), 1);
    EXPECT_EQ(logCount("first audio"), 1u) << log();
    EXPECT_TRUE(stop(player));
}

} // namespace
