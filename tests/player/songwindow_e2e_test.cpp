// The real player's song window on stations without a feed: the titles of
// the local server's ICY stream become its songs, and the local server,
// answering as the recordings and covers services, fills in their album,
// date and cover.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/fetch.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::Process;
using testsupport::ReadLines;

constexpr std::uint64_t kSongInformation = 32839;
constexpr std::uint64_t kSongJournal = 32906;
constexpr std::uint64_t kLikeSong = 32907;

class PlayerSongWindow : public testsupport::PlayerTest {
protected:
    PlayerSongWindow()
        : PlayerTest("sonalto-songs")
    {
        variables = {
            { "XDG_CACHE_HOME", path() + "cache" },
            { "XDG_DATA_HOME", path() + "data" },
        };
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_server.start(path()));
        // Three titles, three seconds each: a song, a jingle, a song.
        testsupport::WriteSmallCatalogue(html(),
            m_server.url("/_stream?metaint=4096&every=12&title=Alpha+-+Premier"
                         "&title=Jingle+Radio+Alpha&title=Beta+-+Second"),
            "", false);
        station("Beta.htm", "Radio Beta", m_server.url("/_stream?title=Gamma+-+Autre"));
        station("Lent.htm", "Radio Lente", m_server.url("/_stream?title=Lent+-+Patience"));
    }

    void station(const std::string& page, const std::string& name, const std::string& stream)
    {
        WriteTextFile(html() + page,
            "<html><body><font name=\"titre\">" + name
                + "</font>\r\n<param name=\"filename\" value=\"" + stream + "\"></body></html>");
    }

    ::testing::AssertionResult writeLookups(bool lookups)
    {
        const std::string services = m_server.url("");
        return writeSettings("Recherche Pochettes=" + std::string(lookups ? "True" : "False")
            + "\r\nService Enregistrements=" + services + "\r\nService Pochettes=" + services
            + "\r\n");
    }

    void openSongWindow() { command(kSongInformation); }

    void command(std::uint64_t id)
    {
        EXPECT_EQ(SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, id, 0),
            std::optional<std::int64_t>(0));
    }

    // When the log first held the line, waiting for it at most timeout;
    // nullopt when it never came.
    std::optional<Clock::time_point> lineSeen(
        const std::string& line, std::chrono::milliseconds timeout = 30s) const
    {
        const Clock::time_point end = Clock::now() + timeout;
        do {
            const std::vector<std::string> log = logLines();
            if (std::find(log.begin(), log.end(), line) != log.end())
                return Clock::now();
            std::this_thread::sleep_for(5ms);
        } while (Clock::now() < end);
        return std::nullopt;
    }

    // Where the line first is in the log; -1 when it is not.
    long position(const std::string& line) const
    {
        const std::vector<std::string> log = logLines();
        const auto it = std::find(log.begin(), log.end(), line);
        return it == log.end() ? -1 : static_cast<long>(it - log.begin());
    }

    std::string hits()
    {
        std::string text;
        FetchText(m_server.url("/_hits"), 2, text);
        return text;
    }

    testsupport::HttpServer m_server;
};

long long ms(Clock::duration d)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

TEST_F(PlayerSongWindow, streamTitlesBecomeSongsWithCoversAndFollowTheStation)
{
    ASSERT_TRUE(writeLookups(true));
    Process player;
    ASSERT_TRUE(startReady(player));
    // Opened before any station: nothing to show yet.
    openSongWindow();
    ASSERT_TRUE(lineSeen("song window 0:  /  /  / ", 10s)) << log();
    ASSERT_EQ(runSecond({ "-radio", "Alpha.htm" }), 0);
    ASSERT_TRUE(lineSeen("station Radio Alpha"));

    // The first title: its record at once, then the lookup's album, date
    // and cover, scaled into the window keeping its proportions.
    const auto title = lineSeen("stream title Alpha - Premier");
    const auto record = lineSeen("song window 0: Premier / Alpha / Introuvable / Introuvable");
    const auto filled
        = lineSeen("song window 0: Premier / Alpha / Le Meilleur de Alpha / 1987-05-04", 15s);
    const auto cover = lineSeen("song window cover 250x125 shown 104x52", 15s);
    ASSERT_TRUE(title && record && filled && cover) << log();
    std::printf("[ FIGURES  ] stream title to its record %lld ms, record to its cover %lld ms\n",
        ms(*record - *title), ms(*cover - *record));

    // A title without " - " is the song's title alone; then the third song.
    EXPECT_TRUE(
        lineSeen("song window 0: Jingle Radio Alpha / Introuvable / Introuvable / Introuvable"));
    EXPECT_TRUE(lineSeen("song list stream: | Second | Jingle Radio Alpha | Premier |  | "))
        << log();
    EXPECT_TRUE(lineSeen("song window 0: Second / Beta / Le Meilleur de Beta / 1987-05-04", 15s));
    // The jingle was not looked up: two searches and two covers.
    EXPECT_EQ(hits(), "searches=2 covers=2");
    EXPECT_TRUE(std::filesystem::exists(path() + "cache/sonalto/pochettes"));

    // Another station while the window is open: it empties at once, and
    // only the new station's song comes.
    ASSERT_EQ(runSecond({ "-radio", "Beta.htm" }), 0);
    ASSERT_TRUE(lineSeen("station Radio Beta"));
    ASSERT_TRUE(lineSeen("song window 0: Autre / Gamma / Le Meilleur de Gamma / 1987-05-04", 20s))
        << log();
    const std::vector<std::string> log = logLines();
    const long station = position("station Radio Beta");
    const long emptied = static_cast<long>(
        std::find(log.begin() + station, log.end(), "song list stream: |  |  |  |  | ")
        - log.begin());
    EXPECT_LT(emptied, position("song list stream: | Autre |  |  |  | "));
    for (long i = emptied; i < static_cast<long>(log.size()); ++i)
        EXPECT_TRUE(log[i].find("Premier") == std::string::npos
            && log[i].find("Second") == std::string::npos)
            << log[i];

    // Quitting while a lookup waits on a slow service ends at once.
    ASSERT_EQ(runSecond({ "-radio", "Lent.htm" }), 0);
    ASSERT_TRUE(lineSeen("stream title Lent - Patience"));
    std::this_thread::sleep_for(500ms);
    const Clock::time_point quit = Clock::now();
    EXPECT_TRUE(stop(player));
    EXPECT_LT(ms(Clock::now() - quit), 5000);
    EXPECT_EQ(position("song lookup found Lent - Patience"), -1);
}

TEST_F(PlayerSongWindow, lookupsTurnedOffAskNoService)
{
    ASSERT_TRUE(writeLookups(false));
    Process player;
    ASSERT_TRUE(startReady(player));
    ASSERT_EQ(runSecond({ "-radio", "Alpha.htm" }), 0);
    openSongWindow();
    EXPECT_TRUE(lineSeen("song window 0: Premier / Alpha / Introuvable / Introuvable")) << log();
    EXPECT_TRUE(lineSeen("song list stream: | Jingle Radio Alpha | Premier |  |  | "));
    EXPECT_EQ(hits(), "searches=0 covers=0");
    EXPECT_FALSE(std::filesystem::exists(path() + "cache/sonalto"));
    EXPECT_TRUE(stop(player));
}

// Two titles, five seconds each, in turn: the journal keeps each song once,
// under the station's name, and the song on air takes the like.
TEST_F(PlayerSongWindow, journalGetsEachSongOnce)
{
    ASSERT_TRUE(writeLookups(false));
    station("Journal.htm", "Radio Journal",
        m_server.url("/_stream?metaint=4000&every=20&title=Alpha+-+Premier&title=Beta+-+Second"));
    Process player;
    ASSERT_TRUE(startReady(player));
    ASSERT_EQ(runSecond({ "-radio", "Journal.htm" }), 0);
    ASSERT_TRUE(lineSeen("journal Radio Journal | Alpha | Premier"));
    ASSERT_TRUE(lineSeen("journal Radio Journal | Beta | Second", 15s));
    // The first title again, five seconds later.
    ASSERT_TRUE(
        testsupport::WaitFor([&] { return logCount("stream title Alpha - Premier") >= 2; }, 15s))
        << log();
    command(kLikeSong);
    EXPECT_TRUE(lineSeen("journal liked Premier", 5s));
    command(kSongJournal);
    EXPECT_TRUE(lineSeen("journal window 2", 5s)) << log();
    EXPECT_TRUE(stop(player));

    std::vector<std::string> lines;
    for (const auto& month : std::filesystem::directory_iterator(path() + "data/sonalto/journal"))
        for (const std::string& line : ReadLines(month.path().string()))
            lines.push_back(line.substr(20));
    EXPECT_EQ(lines,
        (std::vector<std::string> {
            "Radio Journal\tAlpha\tPremier\t1", "Radio Journal\tBeta\tSecond\t0" }));
}

} // namespace
