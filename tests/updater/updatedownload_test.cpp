#include "common/updatedownload.h"

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "common/fetch.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::TempDir;

class Download : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteTextFile(m_site.path() + "page.htm", "<html>une page</html>"));
        ASSERT_TRUE(WriteTextFile(m_site.path() + "court.txt", "court"));
        ASSERT_TRUE(WriteTextFile(m_site.path() + "Radio Nova #1.htm", "<html>nova</html>"));
    }

    std::string target() const { return m_here.path() + "temp1.tmp"; }

    TempDir m_site;
    TempDir m_here;
    std::atomic<bool> m_cancel { false };
};

TEST_F(Download, copiesWholeFilesOverHttpAndRefusesErrors)
{
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(m_site.path()));
    EXPECT_TRUE(DownloadToFile(server.url("/page.htm"), target(), m_cancel));
    EXPECT_EQ(ReadTextFile(target()), "<html>une page</html>");

    // A name with a blank and "#" reaches the server as it is.
    EXPECT_TRUE(DownloadToFile(
        server.url("/") + EncodeNameForAddress("Radio Nova #1.htm"), target(), m_cancel));
    EXPECT_EQ(ReadTextFile(target()), "<html>nova</html>");

    // The server's error page is not the file; less than 10 bytes is not a
    // file either. Neither leaves anything behind.
    EXPECT_FALSE(DownloadToFile(server.url("/absent.htm"), target(), m_cancel));
    EXPECT_FALSE(FileExists(target()));
    EXPECT_FALSE(DownloadToFile(server.url("/court.txt"), target(), m_cancel));
    EXPECT_FALSE(FileExists(target()));

    // A listing is read whole; a folder that cannot be listed is not empty.
    std::string listing;
    EXPECT_TRUE(FetchListingText(server.url("/court.txt"), 2, listing));
    EXPECT_EQ(listing, "court");
    EXPECT_FALSE(FetchListingText(server.url("/absent/listfiles.php"), 2, listing));

    // A local path is copied as well.
    EXPECT_TRUE(DownloadToFile(m_site.path() + "page.htm", target(), m_cancel));
    EXPECT_EQ(ReadTextFile(target()), "<html>une page</html>");
}

TEST_F(Download, stopsWhenAbandoned)
{
    testsupport::HttpServer server;
    testsupport::HttpServerOptions options;
    options.stalls.push_back({ "/page.htm", 30.0 });
    ASSERT_TRUE(server.start(m_site.path(), options));
    std::atomic<bool> finished { false };
    bool result = true;
    std::thread worker([&] {
        result = DownloadToFile(server.url("/page.htm"), target(), m_cancel);
        finished = true;
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(finished);
    const auto asked = std::chrono::steady_clock::now();
    m_cancel = true;
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
    EXPECT_FALSE(result);
    EXPECT_FALSE(FileExists(target()));
}

TEST_F(Download, worksOverHttps)
{
    testsupport::HttpServer server;
    testsupport::HttpServerOptions options;
    options.tlsPemFile = testsupport::TlsCertificateFile();
    ASSERT_TRUE(server.start(m_site.path(), options));
    ASSERT_EQ(server.url("/").rfind("https://", 0), 0u);

    DownloadOptions trusted;
    trusted.caFile = testsupport::TlsAuthorityFile();
    EXPECT_TRUE(DownloadToFile(server.url("/page.htm"), target(), m_cancel, trusted));
    EXPECT_EQ(ReadTextFile(target()), "<html>une page</html>");

    std::string listing;
    EXPECT_TRUE(FetchListingText(server.url("/court.txt"), 2, listing, trusted));
    EXPECT_EQ(listing, "court");

    // The certificate is checked: without its authority nothing arrives.
    EXPECT_FALSE(DownloadToFile(server.url("/page.htm"), target(), m_cancel));
    EXPECT_FALSE(FileExists(target()));
    EXPECT_FALSE(FetchListingText(server.url("/court.txt"), 2, listing));

    // The authority of the variable is trusted by every fetch, the
    // player's text fetch included, on top of the system's.
    ::setenv("SONALTO_CA_FILE", testsupport::TlsAuthorityFile().c_str(), 1);
    std::string text;
    EXPECT_TRUE(FetchText(server.url("/court.txt"), 2, text));
    EXPECT_EQ(text, "court");
    EXPECT_TRUE(FetchListingText(server.url("/court.txt"), 2, listing));
    ::unsetenv("SONALTO_CA_FILE");
    EXPECT_TRUE(FetchText(server.url("/court.txt"), 2, text));
    EXPECT_EQ(text, "");
}

} // namespace
