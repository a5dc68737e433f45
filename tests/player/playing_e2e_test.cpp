#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::TempDir;

// The real player in a private installation directory with a small
// catalogue of its own, whose station plays the local server's endless
// stream into a null output.
class PlayerPlaying : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::chmod(m_runtime.path().c_str(), 0700);
        m_player = testsupport::CopyProgram(SONALTO_PLAYER_PATH, m_install.path());
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
        ASSERT_TRUE(m_server.start(m_install.path()));

        testsupport::WriteSmallCatalogue(m_install.path() + "html/",
            m_server.url("/_stream?title=Alpha+en+direct"), "\r\n<a href=\"app:rec()\">REC</a>",
            false);
    }

    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    void writeIndex(bool pick)
    {
        WriteTextFile(m_install.path() + "html/haut.htm", testsupport::SmallIndexPage(pick));
    }

    Environment environment() const
    {
        const char* platform = std::getenv("SONALTO_E2E_PLATFORM");
        return Environment {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen" },
            { "SONALTO_DIAG_LOG", logPath() },
            { "SONALTO_AUDIO_SINK", "fakesink sync=true" },
        };
    }

    void startFirst(Process& player, const std::vector<std::string>& arguments = {})
    {
        ASSERT_TRUE(
            player.start(m_player, arguments, environment(), "/", m_install.path() + "first.out"));
        ASSERT_TRUE(testsupport::WaitForFileLine(logPath(), "ready", 30s))
            << ReadTextFile(m_install.path() + "first.out");
    }

    std::optional<int> runSecond(const std::vector<std::string>& arguments)
    {
        return testsupport::RunSecondStart(m_player, arguments, environment());
    }

    void stopFirst(Process& player)
    {
        EXPECT_EQ(runSecond({ "-stop" }), 0);
        EXPECT_EQ(player.waitForExit(30s), 0) << ReadTextFile(m_install.path() + "first.out");
    }

    std::string logPath() const { return m_install.path() + "diag.log"; }
    std::string html() const { return m_install.path() + "html/"; }

    bool logHas(const std::string& line, std::chrono::milliseconds timeout = 30s) const
    {
        return testsupport::WaitForFileLine(logPath(), line, timeout);
    }

    TempDir m_install { "sonalto-install" };
    TempDir m_runtime { "sonalto-runtime" };
    testsupport::HttpServer m_server;
    std::string m_player;
};

TEST_F(PlayerPlaying, choosingAStationInTheDropDownPlaysIt)
{
    writeIndex(true);
    Process player;
    ASSERT_NO_FATAL_FAILURE(startFirst(player));
    EXPECT_TRUE(logHas("station Radio Alpha"));
    EXPECT_TRUE(logHas("first audio")) << ReadTextFile(m_install.path() + "first.out");

    stopFirst(player);
}

TEST_F(PlayerPlaying, radioForwardedByASecondStartNavigatesLive)
{
    Process player;
    ASSERT_NO_FATAL_FAILURE(startFirst(player));
    ASSERT_TRUE(logHas("welcome"));

    EXPECT_EQ(runSecond({ "-radio", "Alpha.htm" }), 0);
    EXPECT_TRUE(logHas("navigate live " + html() + "Alpha.htm"));
    EXPECT_TRUE(logHas("station Radio Alpha"));
    EXPECT_TRUE(logHas("first audio"));
    stopFirst(player);
}

TEST_F(PlayerPlaying, rebuildForwardedByASecondStartRewritesTheIndex)
{
    Process player;
    ASSERT_NO_FATAL_FAILURE(startFirst(player));
    EXPECT_EQ(runSecond({ "-rebuild" }), 0);
    ASSERT_TRUE(logHas("rebuilt"));
    const std::string index = ReadTextFile(html() + "haut.htm");
    EXPECT_NE(index.find("Alpha.htm"), std::string::npos);
    EXPECT_NE(index.find("Radio Alpha"), std::string::npos);
    EXPECT_TRUE(logHas("navigate view " + html() + "index.htm"));
    stopFirst(player);
}

TEST_F(PlayerPlaying, miniLayoutShowsTheMiniPageAndPlaysTheLastStation)
{
    ASSERT_TRUE(WriteTextFile(m_install.path() + "Sonalto.ini",
        "[Sonalto]\r\nMini Player=True\r\nSauve Derniere URL=True\r\nDerniere URL=" + html()
            + "Alpha.htm\r\n"));
    Process player;
    ASSERT_NO_FATAL_FAILURE(startFirst(player));
    EXPECT_TRUE(logHas("navigate view " + html() + "indexmini.htm"));
    EXPECT_TRUE(logHas("navigate main " + html() + "playermini.html"));
    EXPECT_TRUE(logHas("station Radio Alpha"));
    EXPECT_TRUE(logHas("first audio"));
    const std::string mini = ReadTextFile(html() + "playermini.html");
    EXPECT_NE(mini.find(m_server.url("/_stream?title=Alpha+en+direct")), std::string::npos);

    // Back to the normal layout: the station is shown again in "live" and
    // keeps playing without a new start.
    EXPECT_EQ(SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, SC_MAXIMIZE, 0),
        std::optional<std::int64_t>(0));
    EXPECT_TRUE(logHas("navigate view " + html() + "index.htm"));
    EXPECT_TRUE(logHas("navigate live " + html() + "Alpha.htm"));
    const auto count = [&](const char* line) {
        const std::vector<std::string> log = ReadLines(logPath());
        return std::count(log.begin(), log.end(), line);
    };
    // The page is read again; a new start would bring a second first audio
    // soon after.
    EXPECT_TRUE(testsupport::WaitFor([&] { return count("station Radio Alpha") == 2; }, 10s));
    EXPECT_FALSE(testsupport::WaitFor([&] { return count("first audio") > 1; }, 500ms));
    EXPECT_EQ(count("station Radio Alpha"), 2);
    stopFirst(player);
}

TEST_F(PlayerPlaying, playlistFilesOpenedWithThePlayerPlayLikeStations)
{
    // As the file manager opens them: a path among the arguments.
    TempDir downloads("sonalto-downloads");
    const std::string pls = downloads.path() + "beta.pls";
    ASSERT_TRUE(WriteTextFile(
        pls, "[playlist]\nFile1=" + m_server.url("/_stream?title=Beta") + "\nTitle1=Radio Beta\n"));
    Process player;
    ASSERT_NO_FATAL_FAILURE(startFirst(player, { pls }));
    EXPECT_TRUE(logHas("station Radio Beta")) << ReadTextFile(logPath());
    EXPECT_TRUE(logHas("first audio")) << ReadTextFile(m_install.path() + "first.out");

    // A second start with another file hands it to the running player.
    const std::string m3u = downloads.path() + "gamma.m3u";
    ASSERT_TRUE(WriteTextFile(m3u, "#EXTM3U\n" + m_server.url("/_stream?title=Gamma") + "\n"));
    EXPECT_EQ(runSecond({ m3u }), 0);
    EXPECT_TRUE(logHas("navigate live " + html() + "lecture/gamma.htm"));
    EXPECT_TRUE(logHas("station gamma"));
    // Sound again, from the second playlist's stream.
    const auto sounds = [&] {
        const std::vector<std::string> log = ReadLines(logPath());
        return std::count(log.begin(), log.end(), "first audio");
    };
    testsupport::WaitFor([&] { return sounds() >= 2; }, 30s);
    EXPECT_EQ(sounds(), 2);
    stopFirst(player);
}

} // namespace
