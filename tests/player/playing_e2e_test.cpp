#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;
using testsupport::TempDir;

// The real player in a private installation directory with a small
// catalogue of its own, whose station plays the local server's endless
// stream into a null output.
class PlayerPlaying : public testsupport::PlayerTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.start(path()));
        testsupport::WriteSmallCatalogue(html(), m_server.url("/_stream?title=Alpha+en+direct"),
            "\r\n<a href=\"app:rec()\">REC</a>", false);
    }

    testsupport::HttpServer m_server;
};

TEST_F(PlayerPlaying, choosingAStationInTheDropDownPlaysIt)
{
    WriteTextFile(html() + "haut.htm", testsupport::SmallIndexPage(true));
    Process player;
    ASSERT_TRUE(startReady(player));
    EXPECT_TRUE(logHas("station Radio Alpha"));
    EXPECT_TRUE(logHas("first audio")) << output();

    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerPlaying, radioForwardedByASecondStartNavigatesLive)
{
    Process player;
    ASSERT_TRUE(startReady(player));
    ASSERT_TRUE(logHas("welcome"));

    EXPECT_EQ(runSecond({ "-radio", "Alpha.htm" }), 0);
    EXPECT_TRUE(logHas("navigate live " + html() + "Alpha.htm"));
    EXPECT_TRUE(logHas("station Radio Alpha"));
    EXPECT_TRUE(logHas("first audio"));
    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerPlaying, rebuildForwardedByASecondStartRewritesTheIndex)
{
    Process player;
    ASSERT_TRUE(startReady(player));
    EXPECT_EQ(runSecond({ "-rebuild" }), 0);
    ASSERT_TRUE(logHas("rebuilt"));
    const std::string index = ReadTextFile(html() + "haut.htm");
    EXPECT_NE(index.find("Alpha.htm"), std::string::npos);
    EXPECT_NE(index.find("Radio Alpha"), std::string::npos);
    EXPECT_TRUE(logHas("navigate view " + html() + "index.htm"));
    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerPlaying, miniLayoutShowsTheMiniPageAndPlaysTheLastStation)
{
    ASSERT_TRUE(writeSettings(
        "Mini Player=True\r\nSauve Derniere URL=True\r\nDerniere URL=" + html() + "Alpha.htm\r\n"));
    Process player;
    ASSERT_TRUE(startReady(player));
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
    // The page is read again; a new start would bring a second first audio
    // soon after.
    EXPECT_TRUE(testsupport::WaitFor([&] { return logCount("station Radio Alpha") == 2; }, 10s));
    EXPECT_FALSE(testsupport::WaitFor([&] { return logCount("first audio") > 1; }, 500ms));
    EXPECT_EQ(logCount("station Radio Alpha"), 2u);
    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerPlaying, playlistFilesOpenedWithThePlayerPlayLikeStations)
{
    // As the file manager opens them: a path among the arguments.
    TempDir downloads("sonalto-downloads");
    const std::string pls = downloads.path() + "beta.pls";
    ASSERT_TRUE(WriteTextFile(
        pls, "[playlist]\nFile1=" + m_server.url("/_stream?title=Beta") + "\nTitle1=Radio Beta\n"));
    Process player;
    ASSERT_TRUE(startReady(player, { pls }));
    EXPECT_TRUE(logHas("station Radio Beta")) << log();
    EXPECT_TRUE(logHas("first audio")) << output();

    // A second start with another file hands it to the running player.
    const std::string m3u = downloads.path() + "gamma.m3u";
    ASSERT_TRUE(WriteTextFile(m3u, "#EXTM3U\n" + m_server.url("/_stream?title=Gamma") + "\n"));
    EXPECT_EQ(runSecond({ m3u }), 0);
    EXPECT_TRUE(logHas("navigate live " + html() + "lecture/gamma.htm"));
    EXPECT_TRUE(logHas("station gamma"));
    // Sound again, from the second playlist's stream.
    testsupport::WaitFor([&] { return logCount("first audio") >= 2; }, 30s);
    EXPECT_EQ(logCount("first audio"), 2u);
    EXPECT_TRUE(stop(player));
}

} // namespace
