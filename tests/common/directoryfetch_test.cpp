#include "common/directoryfetch.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;

class DirectoryFetchTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.start(m_root.path())); }

    testsupport::TempDir m_root { "sonalto-dirfetch" };
    testsupport::HttpServer m_server;
};

TEST_F(DirectoryFetchTest, passesOverServersThatFailUntilOneAnswers)
{
    const auto stationList = [](const std::string& body) { return body.starts_with("["); };
    const std::string good = m_server.url("/_dir");
    struct Case {
        const char* what;
        std::string server;
        std::size_t maxBytes;
    };
    const std::vector<Case> cases = {
        { "refused", "http://127.0.0.1:1", 1 << 20 },
        { "slow", m_server.url("/_stall/5/_dir"), 1 << 20 },
        { "error status", m_server.url("/_status/503"), 1 << 20 },
        { "HTML page", m_server.url("/_status/200"), 1 << 20 },
        { "too long", good, 100 },
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const DirectoryReply alone = FetchFromDirectory(
            { c.server }, "/json/stations/search", "Sonalto/test", 1, c.maxBytes, stationList);
        EXPECT_FALSE(alone.answered) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s) << c.what;
        const DirectoryReply next = FetchFromDirectory(
            { c.server, good }, "/json/stations/search", "Sonalto/test", 1, 1 << 20, stationList);
        EXPECT_TRUE(next.answered) << c.what;
        EXPECT_EQ(next.server, good) << c.what;
    }
    // Only an answer that was refused counts as unreadable.
    EXPECT_TRUE(FetchFromDirectory(
        { m_server.url("/_status/200") }, "/json/stations/search", "x", 1, 1 << 20, stationList)
                    .unreadable);
    EXPECT_FALSE(
        FetchFromDirectory({ "http://127.0.0.1:1" }, "/json/stations/search", "x", 1, 1 << 20)
            .unreadable);

    // A favicon larger than the bound leaves no file.
    const std::string icon = m_root.path() + "icon.png";
    EXPECT_FALSE(FetchDirectoryFile(m_server.url("/_dir/icon/huge.bin"), icon, "x", 5, 1 << 20));
    EXPECT_FALSE(FileExists(icon));
    EXPECT_TRUE(FetchDirectoryFile(m_server.url("/_dir/icon/16.png"), icon, "x", 5, 1 << 20));
}

TEST_F(DirectoryFetchTest, takesTheServersFromTheDirectorysOwnList)
{
    EXPECT_EQ(DirectoryServerList("all.api.radio-browser.info, http://127.0.0.1:8/_dir"),
        (std::vector<std::string> {
            "https://all.api.radio-browser.info", "http://127.0.0.1:8/_dir" }));
    EXPECT_EQ(
        DirectoryServerAddress("https://all.api.radio-browser.info", "de1.api.radio-browser.info"),
        "https://de1.api.radio-browser.info");
    EXPECT_EQ(
        DirectoryServerAddress("http://127.0.0.1:8/_dir", "localhost"), "http://localhost:8/_dir");

    // A dead source first: the next one gives the list, whose servers come
    // before the sources.
    const std::string source = m_server.url("/_dir");
    std::vector<std::string> servers
        = ResolveDirectoryServers({ "http://127.0.0.1:1", source }, "Sonalto/test", 2);
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers.back(), "http://127.0.0.1:1");
    std::sort(servers.begin(), servers.end() - 1);
    EXPECT_EQ(servers[0], source);
    EXPECT_EQ(servers[1], DirectoryServerAddress(source, "localhost"));

    // No list anywhere: the sources as they are.
    EXPECT_EQ(ResolveDirectoryServers({ "http://127.0.0.1:1" }, "x", 1),
        std::vector<std::string> { "http://127.0.0.1:1" });
}

} // namespace
