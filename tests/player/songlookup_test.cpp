#include "nowplaying/songlookup.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include "common/fetch.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;

// A recording search answer as the service writes it, cut to what is read.
constexpr const char* kAnswer = R"({"count":3,"recordings":[
 {"id":"r0","score":62,"title":"Autre","releases":[{"id":"low","title":"Faux","status":"Official","date":"1970"}]},
 {"id":"r1","score":100,"title":"Titre","first-release-date":"1986","releases":[]},
 {"id":"r2","score":97,"title":"Titre","first-release-date":"1986-02",
  "releases":[{"id":"boot","title":"Pirate","status":"Bootleg","date":"1985"},
              {"id":"late","title":"Compilation","status":"Official","date":"1999-10-01"},
              {"id":"first","title":"Premier album","status":"Official","date":"1987-05-04"},
              {"id":"nodate","title":"Sans date","status":"Official"}]}]})";

TEST(SongLookup, searchAnswersGiveTheEarliestOfficialRelease)
{
    const std::optional<RecordingMatch> match = ParseRecordingSearch(kAnswer);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->releaseId, "first");
    EXPECT_EQ(match->album, "Premier album");
    EXPECT_EQ(match->releaseDate, "1987-05-04");

    // No official release with a date: the first one, dated by the recording.
    const std::optional<RecordingMatch> only
        = ParseRecordingSearch(R"({"recordings":[{"score":100,"first-release-date":"1986",)"
                               R"("releases":[{"id":"b","title":"Pirate","status":"Bootleg"}]}]})");
    ASSERT_TRUE(only);
    EXPECT_EQ(only->releaseId, "b");
    EXPECT_EQ(only->releaseDate, "1986");

    for (const char* nothing : { R"({"count":0,"recordings":[]})", "", "<html>503</html>",
             R"({"recordings":[{"score":50,"releases":[{"id":"x"}]}]})", "[1,2]" })
        EXPECT_FALSE(ParseRecordingSearch(nothing)) << nothing;

    EXPECT_EQ(RecordingSearchAddress("https://mb.test/", "Ed \"Le\" Roi", "Ça va"),
        "https://mb.test/ws/2/recording/?query=recording%3A%22%C3%87a%20va%22%20AND%20artist%3A"
        "%22Ed%20%5C%22Le%5C%22%20Roi%22&fmt=json&limit=5");
    EXPECT_EQ(
        CoverThumbnailAddress("https://caa.test", "id"), "https://caa.test/release/id/front-250");
    EXPECT_EQ(LookupUserAgent().rfind("Sonalto/", 0), 0u);
    EXPECT_NE(LookupUserAgent().find(" ( "), std::string::npos);
}

TEST(SongLookup, pacerSpacesRequestsAndHonoursRetryAfter)
{
    using Clock = RequestPacer::Clock;
    const Clock::time_point t0 = Clock::now();
    RequestPacer pacer;
    EXPECT_LE(pacer.nextAllowed(), t0);
    pacer.sent(t0);
    EXPECT_EQ(pacer.nextAllowed(), t0 + 1s);
    pacer.sent(t0 + 200ms); // a request cannot bring the next one earlier
    EXPECT_EQ(pacer.nextAllowed(), t0 + 1200ms);

    struct Case {
        const char* retryAfter;
        std::chrono::seconds wait;
    };
    for (const Case& c : std::vector<Case> {
             { "7", 7s }, { "0", 1s }, { "", 5s }, { "soon", 5s }, { "99999999", 120s } }) {
        RequestPacer busy;
        busy.busy(t0, c.retryAfter);
        EXPECT_EQ(busy.nextAllowed(), t0 + c.wait) << c.retryAfter;
    }
}

TEST(SongLookup, cacheKeepsSongsUnderItsLimitOldestGoingFirst)
{
    testsupport::TempDir dir("sonalto-covers");
    CoverCache cache(dir.path() + "pochettes", 2200);
    EXPECT_EQ(CoverCache::Key("Édith", "La Foule"), CoverCache::Key("édith", "LA FOULE"));
    EXPECT_NE(CoverCache::Key("A", "BC"), CoverCache::Key("AB", "C"));
    EXPECT_FALSE(cache.find(CoverCache::Key("A", "B")));

    const std::string bytes(1000, 'x');
    const auto a = cache.store("a", SongDetails { "Album", "1987", "", "rel-a" }, bytes);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->coverFile, cache.directory() + "a.jpg");
    EXPECT_EQ(cache.find("a"), a);
    const auto none = cache.store("n", SongDetails { "Sans", "", "", "rel-n" }, "");
    ASSERT_TRUE(none);
    EXPECT_EQ(cache.find("n")->coverFile, "");
    EXPECT_EQ(cache.find("n")->releasePage, "rel-n");

    // Older by the clock: "a" was used last, so "b" goes when "c" comes in.
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(cache.store("b", SongDetails { "B", "", "", "" }, bytes));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(cache.find("a"));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(cache.store("c", SongDetails { "C", "", "", "" }, bytes));
    EXPECT_TRUE(cache.find("a"));
    EXPECT_TRUE(cache.find("c"));
    EXPECT_FALSE(cache.find("b"));
    EXPECT_FALSE(FileExists(cache.directory() + "b.jpg"));
}

// The lookups against the local server answering as both services.
class SongLookupServices : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.start(m_root.path())); }

    std::unique_ptr<SongLookup> lookup()
    {
        const std::string base = m_server.url("");
        return std::make_unique<SongLookup>(SongLookup::Services { base, base },
            CoverCache(m_cache.path()),
            [this](const std::string& artist, const std::string& title,
                const std::optional<SongDetails>& details) {
                m_results.push_back({ artist + " - " + title, details });
            });
    }

    std::string hits()
    {
        std::string text;
        FetchText(m_server.url("/_hits"), 2, text);
        return text;
    }

    bool waitForResults(std::size_t count, int ms)
    {
        return QTest::qWaitFor([&] { return m_results.size() >= count; }, ms);
    }

    struct Result {
        std::string song;
        std::optional<SongDetails> details;
    };
    testsupport::TempDir m_root { "sonalto-services" };
    testsupport::TempDir m_cache { "sonalto-cache" };
    testsupport::HttpServer m_server;
    std::vector<Result> m_results;
};

TEST_F(SongLookupServices, findsOncePacedThroughBusyAnswersAndCachesOnDisk)
{
    std::unique_ptr<SongLookup> songs = lookup();
    QElapsedTimer clock;
    clock.start();
    songs->request("Occupé", "Premier");
    songs->request("Inconnu", "Rien");
    songs->request("Duo", "Sans pochette");
    songs->request("Occupé", "Premier"); // on its way already
    ASSERT_TRUE(waitForResults(3, 20000));
    // 503 then the search and the cover; a search; a search and a 404: six
    // requests, a second apart at least.
    EXPECT_GE(clock.elapsed(), 5000);
    EXPECT_EQ(hits(), "searches=4 covers=2");
    ASSERT_EQ(m_results.size(), 3u);

    EXPECT_EQ(m_results[0].song, "Occupé - Premier");
    ASSERT_TRUE(m_results[0].details);
    const SongDetails found = *m_results[0].details;
    EXPECT_EQ(found.album, "Le Meilleur de Occupé");
    EXPECT_EQ(found.releaseDate, "1987-05-04");
    EXPECT_EQ(found.releasePage.rfind(m_server.url("/release/"), 0), 0u) << found.releasePage;
    EXPECT_EQ(QImage(QString::fromStdString(found.coverFile)).size(), QSize(250, 125));
    EXPECT_EQ(m_results[1].song, "Inconnu - Rien");
    EXPECT_FALSE(m_results[1].details);
    ASSERT_TRUE(m_results[2].details);
    EXPECT_EQ(m_results[2].details->coverFile, "");
    EXPECT_EQ(m_results[2].details->album, "Le Meilleur de Duo");

    // Asked again: answered from what this run knows, failures included.
    songs->request("Inconnu", "Rien");
    songs->request("Occupé", "Premier");
    EXPECT_EQ(m_results.size(), 5u);
    EXPECT_FALSE(m_results[3].details);
    EXPECT_EQ(m_results[4].details, m_results[0].details);

    // The next run finds the songs found in the disk cache, the failed one
    // is asked again.
    songs = lookup();
    songs->request("occupé", "PREMIER");
    ASSERT_EQ(m_results.size(), 6u);
    EXPECT_EQ(m_results[5].details->coverFile, found.coverFile);
    songs->request("Inconnu", "Rien");
    ASSERT_TRUE(waitForResults(7, 10000));
    EXPECT_EQ(hits(), "searches=5 covers=2");
}

TEST_F(SongLookupServices, aSlowServiceFailsTheSongWithinTheBoundAndQuitsCleanly)
{
    std::unique_ptr<SongLookup> songs = lookup();
    QElapsedTimer clock;
    clock.start();
    songs->request("Lent", "Patience");
    ASSERT_TRUE(waitForResults(1, 12000));
    EXPECT_LT(clock.elapsed(), 9000);
    EXPECT_FALSE(m_results[0].details);

    // Gone while a lookup waits for the slow service: the worker ends at
    // the program's stop, and nothing reaches the object gone.
    songs->request("Lent", "Encore");
    QTest::qWait(300);
    songs.reset();
    QTest::qWait(300);
    EXPECT_EQ(m_results.size(), 1u);
}

} // namespace
