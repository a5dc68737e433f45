#include "shell/mainframe.h"

#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "common/messages.h"
#include "common/profile.h"
#include "shell/commandids.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
        ApplyDefaultSettings(m_settings, m_install.path(), ScreenSize { 1280, 1024 });
    }

    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    // Lets zero-delay timers run, as the event loop would.
    static void settle() { QTest::qWait(20); }

    TempDir m_install { "sonalto-frame" };
    TempDir m_runtime { "sonalto-runtime" };
    Settings m_settings;
};

TEST_F(MainFrameTest, creationPlacesWindowAndSavesSettings)
{
    m_settings.positionX = 40;
    m_settings.positionY = 30;
    m_settings.width = 300;
    m_settings.height = 200;
    CMainFrame frame(m_settings, m_install.path());

    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Sonalto"));
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.pos(), QPoint(40, 30));
    EXPECT_EQ(frame.size(), QSize(298, 196));
    EXPECT_TRUE(frame.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // No index page anywhere: the HTML directory falls back to "html/".
    EXPECT_EQ(m_settings.pathHtml, m_install.path() + "html/");

    Profile saved;
    ASSERT_TRUE(saved.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(saved.get("Sonalto", "Largeur"), "300");
    EXPECT_EQ(saved.get("Sonalto", "Path HTML"), m_install.path() + "html/");
}

TEST_F(MainFrameTest, quitStoresOnlyOnScreenEdgesOfThePosition)
{
    struct Case {
        QPoint at;
        int expectedX;
        int expectedY;
    };
    // Stored position before the quit: (7, 9).
    const Case cases[] = {
        { { 120, 80 }, 120, 80 },
        { { 0, 0 }, 0, 0 },
        { { -20, 50 }, 7, 50 },
        { { 30, -10 }, 30, 9 },
    };
    for (const Case& c : cases) {
        m_settings.positionX = 7;
        m_settings.positionY = 9;
        CMainFrame frame(m_settings, m_install.path());
        frame.move(c.at);
        frame.onCommand(cmd::Quit);
        EXPECT_EQ(m_settings.positionX, c.expectedX) << c.at.x();
        EXPECT_EQ(m_settings.positionY, c.expectedY) << c.at.y();
        // The window goes once the command has returned, not during it.
        EXPECT_TRUE(frame.isVisible());
        settle();
        EXPECT_FALSE(frame.isVisible());
    }
}

TEST_F(MainFrameTest, everyWayOfClosingGoesThroughTheQuitSteps)
{
    for (const auto& closeIt : std::vector<std::function<void(CMainFrame&)>> {
             [](CMainFrame& f) { f.close(); },
             [](CMainFrame& f) { f.onSysCommand(SC_CLOSE); },
             [](CMainFrame& f) { f.onCommand(cmd::Stop); },
         }) {
        CMainFrame frame(m_settings, m_install.path());
        frame.onSysCommand(cmd::RecordStart);
        ASSERT_TRUE(frame.isRecording());
        closeIt(frame);
        EXPECT_TRUE(frame.isQuitting());
        // The quit stops a running recording.
        EXPECT_FALSE(frame.isRecording());
        settle();
        EXPECT_FALSE(frame.isVisible());
    }
}

TEST_F(MainFrameTest, recordStartAndStopOnlyChangeWhatNeedsChanging)
{
    CMainFrame frame(m_settings, m_install.path());
    const std::pair<int, bool> steps[] = {
        { cmd::RecordStop, false },
        { cmd::RecordStart, true },
        { cmd::RecordStart, true },
        { cmd::RecordStop, false },
        { cmd::RecordStop, false },
    };
    for (const auto& [id, recording] : steps) {
        frame.onSysCommand(id);
        EXPECT_EQ(frame.isRecording(), recording) << id;
    }
    frame.onCommand(cmd::ToggleRecording);
    EXPECT_TRUE(frame.isRecording());
    frame.onCommand(cmd::ToggleRecording);
    EXPECT_FALSE(frame.isRecording());
}

TEST_F(MainFrameTest, recordsReachTheSameHandlersAsTheMenus)
{
    CMainFrame frame(m_settings, m_install.path());

    // The page name ends at the first zero byte; dwData is not looked at.
    EXPECT_EQ(
        frame.handleRecord(MessengerRecord::makeCopyData(7, std::string("NRJ.htm\0xx", 10))), 0);
    EXPECT_EQ(frame.livePage(), m_settings.pathHtml + "NRJ.htm");
    EXPECT_EQ(frame.currentStationPage(), m_settings.pathHtml + "NRJ.htm");

    ASSERT_FALSE(m_settings.miniPlayer);
    frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0));
    EXPECT_TRUE(m_settings.miniPlayer);

    frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0));
    EXPECT_TRUE(frame.isHiddenAway());
    frame.handleRecord(MessengerRecord::makeMessage(WM_ACTIVATE, WA_ACTIVE, 0));
    EXPECT_FALSE(frame.isHiddenAway());
    EXPECT_TRUE(frame.isVisible());

    // The command id is the low word of wParam.
    frame.handleRecord(
        MessengerRecord::makeMessage(WM_COMMAND, 0x10000u | cmd::ToggleRecording, 0));
    EXPECT_TRUE(frame.isRecording());

    // Commands not handled yet change nothing.
    frame.handleRecord(MessengerRecord::makeMessage(WM_COMMAND, cmd::SelfUpdateDone, 0));
    frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, cmd::Rebuild, 0));
    frame.handleRecord(MessengerRecord::makeMessage(0x0400, 1, 2));
    EXPECT_FALSE(frame.isQuitting());
    EXPECT_TRUE(frame.isRecording());

    frame.handleRecord(MessengerRecord::makeMessage(WM_COMMAND, cmd::Stop, 0));
    EXPECT_TRUE(frame.isQuitting());
}

// A forwarded record travels over the real socket to the window, on the GUI
// thread, and the answer travels back.
TEST_F(MainFrameTest, messengerDeliversRecordsToTheWindow)
{
    CMainFrame frame(m_settings, m_install.path());
    ASSERT_TRUE(frame.registerMessenger());
    ASSERT_TRUE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle));

    // A stranger's bytes are dropped without an answer and without effect.
    const int raw = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string path = MessengerSocketPath(kPlayerWindowClass, kPlayerWindowTitle);
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(raw, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::write(raw, "GET / HTTP/1.0\r\n\r\n", 18), 18);

    auto reply = std::async(std::launch::async, [] {
        return SendCopyData(
            kPlayerWindowClass, kPlayerWindowTitle, 0x8048, std::string("Fip.htm\0", 8));
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    EXPECT_EQ(reply.get(), std::optional<std::int64_t>(0));
    EXPECT_EQ(frame.livePage(), m_settings.pathHtml + "Fip.htm");

    char byte = 0;
    EXPECT_EQ(::read(raw, &byte, 1), 0);
    ::close(raw);

    auto stop = std::async(std::launch::async, [] {
        return SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, cmd::Stop, 0);
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return stop.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    EXPECT_EQ(stop.get(), std::optional<std::int64_t>(0));
    settle();
    EXPECT_FALSE(frame.isVisible());
}

} // namespace
