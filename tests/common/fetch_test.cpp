#include "common/fetch.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool waitForIdleWorkers(std::chrono::milliseconds timeout)
{
    return testsupport::WaitFor([] { return FetchWorkersRunning() == 0; }, timeout);
}

class FetchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        write("lines.txt", "a\r\nb\nc");
        write("nine.bin", "123456789");
        write("ten.bin", "1234567890");
        write("empty.txt", "");
        ASSERT_TRUE(m_server.start(m_root.path()));
    }

    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(m_root.path() + name, std::ios::binary) << bytes;
    }

    testsupport::TempDir m_root { "sonalto-fetch-root" };
    testsupport::TempDir m_out { "sonalto-fetch-out" };
    testsupport::HttpServer m_server;
};

TEST_F(FetchTest, joinsLinesInEachFormFromServerAndDisk)
{
    struct Case {
        std::string address;
        FetchForm form;
        std::string expected;
    };
    const std::string local = m_root.path() + "lines.txt";
    const std::string web = m_server.url("/lines.txt");
    const std::vector<Case> cases {
        { web, FetchForm::Player, "abc" },
        { web, FetchForm::Updater, "a\r\nb\r\nc\r\n" },
        { local, FetchForm::Player, "abc" },
        { local, FetchForm::Updater, "a\r\nb\r\nc\r\n" },
    };
    for (const Case& c : cases) {
        std::string text = "previous";
        EXPECT_TRUE(FetchText(c.address, 2, text, c.form)) << c.address;
        EXPECT_EQ(text, c.expected) << c.address;
    }
}

TEST_F(FetchTest, errorStatusBodyIsContent)
{
    std::string text;
    ASSERT_TRUE(FetchText(m_server.url("/_status/404?body=<html>Absent</html>"), 2, text));
    EXPECT_EQ(text, "<html>Absent</html>");

    const std::string destination = m_out.path() + "error.html";
    EXPECT_TRUE(FetchToFile(
        m_server.url("/_status/500?body=Panne du serveur"), destination, FetchUse::Install));
    EXPECT_EQ(ReadTextFile(destination), "Panne du serveur");
}

TEST_F(FetchTest, unreadableAddressesGiveEmptyTextAndNoFile)
{
    // A refused connection, a missing file, and a scheme in capitals, which
    // is taken for a local path that does not exist.
    const std::vector<std::string> addresses {
        "http://127.0.0.1:1/feed.js", m_root.path() + "absent.js",
        "HTTP://127.0.0.1:" + std::to_string(m_server.port()) + "/lines.txt",
        m_root.path(), // a directory is not a file
    };
    for (const std::string& address : addresses) {
        std::string text = "previous";
        EXPECT_TRUE(FetchText(address, 2, text)) << address;
        EXPECT_EQ(text, "") << address;

        const std::string destination = m_out.path() + "never.bin";
        EXPECT_FALSE(FetchToFile(address, destination, FetchUse::Cover)) << address;
        EXPECT_FALSE(FileExists(destination)) << address;
    }
}

TEST_F(FetchTest, downloadNeedsTenBytes)
{
    struct Case {
        std::string address;
        bool ok;
        std::string content;
    };
    const std::vector<Case> cases {
        { m_server.url("/nine.bin"), false, "123456789" },
        { m_server.url("/ten.bin"), true, "1234567890" },
        { m_root.path() + "nine.bin", false, "123456789" },
        { m_root.path() + "ten.bin", true, "1234567890" },
        // An empty answer still creates the file once the address is open.
        { m_server.url("/empty.txt"), false, "" },
    };
    for (const Case& c : cases) {
        const std::string destination = m_out.path() + "download.bin";
        EXPECT_EQ(FetchToFile(c.address, destination, FetchUse::Install), c.ok) << c.address;
        // A short download stays on disk.
        EXPECT_TRUE(FileExists(destination)) << c.address;
        EXPECT_EQ(ReadTextFile(destination), c.content) << c.address;
        DeleteFile(destination);
    }
}

TEST_F(FetchTest, httpsCountsAsWebAddress)
{
    EXPECT_TRUE(IsWebAddress("https://example.org/feed.xml"));
    EXPECT_TRUE(IsWebAddress("http://example.org/feed.xml"));
    EXPECT_FALSE(IsWebAddress("HTTP://example.org/feed.xml"));
    EXPECT_FALSE(IsWebAddress("html/sonalto-demo.js"));
}

TEST_F(FetchTest, stalledServerIsGivenUpAfterLimitPlusTwoSeconds)
{
    std::string text = "kept";
    const auto start = Clock::now();
    EXPECT_FALSE(FetchText(m_server.url("/_stall/30/lines.txt"), 2, text));
    const long long elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 4000 - 20);
    EXPECT_LT(elapsed, 4000 + 1500);
    EXPECT_EQ(text, "kept");
    // The abandoned worker notices and ends instead of piling up.
    EXPECT_TRUE(waitForIdleWorkers(5s));
}

TEST_F(FetchTest, updaterRetriesOnceWithSecondWorker)
{
    // The first request stalls past the 2-second wait of limit 0; the retry
    // is answered at once.
    std::string text;
    const auto start = Clock::now();
    EXPECT_TRUE(
        FetchText(m_server.url("/_stallonce/6/updater/lines.txt"), 0, text, FetchForm::Updater));
    EXPECT_EQ(text, "a\r\nb\r\nc\r\n");
    EXPECT_LT(millisecondsSince(start), 2 * 2000 + 1500);

    // The player does not retry.
    text = "kept";
    EXPECT_FALSE(
        FetchText(m_server.url("/_stallonce/6/player/lines.txt"), 0, text, FetchForm::Player));
    EXPECT_EQ(text, "kept");

    // Both stalls time out: false after two full waits.
    const auto both = Clock::now();
    EXPECT_FALSE(FetchText(m_server.url("/_stall/30/lines.txt"), 0, text, FetchForm::Updater));
    EXPECT_GE(millisecondsSince(both), 2 * 2000 - 40);
    EXPECT_EQ(text, "kept");
}

TEST_F(FetchTest, abandonedWorkerNeverReachesLaterCall)
{
    write("late.txt", "late");
    write("fresh.txt", "fresh");
    // This answer arrives just after the caller stopped waiting for it.
    std::string text = "before";
    EXPECT_FALSE(FetchText(m_server.url("/_stall/2.2/late.txt"), 0, text));
    EXPECT_TRUE(FetchText(m_server.url("/fresh.txt"), 0, text));
    EXPECT_EQ(text, "fresh");
    ASSERT_TRUE(waitForIdleWorkers(5s));
    EXPECT_EQ(text, "fresh");
}

// Many callers at once, most of them against a server that never answers in
// time, some against one that answers at once: every stalled call gives up,
// every quick one gets its own text, and all workers end.
TEST_F(FetchTest, stressOfStalledFetches)
{
    constexpr int kCallers = 50;
    constexpr int kRounds = 4;
    for (int i = 0; i < kCallers; ++i)
        write("caller" + std::to_string(i) + ".txt", "caller " + std::to_string(i));

    std::atomic<int> quickFailed { 0 };
    std::atomic<int> stalledAnswered { 0 };
    std::atomic<int> fetches { 0 };
    std::vector<std::thread> callers;
    const auto start = Clock::now();
    for (int i = 0; i < kCallers; ++i) {
        callers.emplace_back([&, i] {
            const std::string own = "caller" + std::to_string(i) + ".txt";
            for (int round = 0; round < kRounds; ++round) {
                std::string text = "untouched";
                fetches.fetch_add(1);
                if ((i + round) % 4 == 0) {
                    if (!FetchText(m_server.url("/" + own), 1, text)
                        || text != "caller " + std::to_string(i))
                        quickFailed.fetch_add(1);
                } else if (FetchText(m_server.url("/_stall/4/" + own), 1, text)
                    || text != "untouched") {
                    stalledAnswered.fetch_add(1);
                }
            }
        });
    }
    for (std::thread& t : callers)
        t.join();
    std::printf("[ stress   ] %d fetches by %d callers in %lld ms\n", fetches.load(), kCallers,
        millisecondsSince(start));
    EXPECT_EQ(fetches.load(), 200);
    EXPECT_EQ(quickFailed.load(), 0);
    EXPECT_EQ(stalledAnswered.load(), 0);
    EXPECT_TRUE(waitForIdleWorkers(10s));
}

} // namespace

// Leaving the program stops every transfer, also a cover download on a
// worker of its own, and the wait for the workers ends soon. Last in this
// file: once stopped, fetches stay stopped in this process.
TEST_F(FetchTest, zLeavingStopsEveryWorkerSoon)
{
    std::atomic<int> ended { 0 };
    ASSERT_TRUE(StartFetchWorker([&] {
        std::string text;
        FetchText(m_server.url("/_stall/30/lines.txt"), 20, text);
        ++ended;
    }));
    ASSERT_TRUE(StartFetchWorker([&] {
        FetchToFile(
            m_server.url("/_stall/30/cover.jpg"), m_out.path() + "cover.jpg", FetchUse::Cover);
        ++ended;
    }));
    std::this_thread::sleep_for(300ms);
    EXPECT_GE(FetchWorkersRunning(), 3) << "two workers and the feed's own fetch";
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(StopFetchWorkers(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);
    EXPECT_EQ(ended.load(), 2);
    EXPECT_EQ(FetchWorkersRunning(), 0);
}
