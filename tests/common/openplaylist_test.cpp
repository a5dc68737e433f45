#include "common/openplaylist.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "common/rebuild.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

class OpenPlaylist : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(m_dir.path() + "html");
        std::filesystem::create_directory(m_dir.path() + "Téléchargements");
    }

    std::string write(const std::string& name, const std::string& text)
    {
        const std::string path = m_dir.path() + "Téléchargements/" + name;
        EXPECT_TRUE(WriteTextFile(path, text));
        return path;
    }

    std::string html() const { return m_dir.path() + "html/"; }

    testsupport::TempDir m_dir { "sonalto-playlist" };
};

TEST_F(OpenPlaylist, findsTheFirstExistingPlaylistArgument)
{
    const std::string pls = write("radio.PLS", "[playlist]\nFile1=http://a/\n");
    write("autre.m3u", "http://b/\n");
    const std::string downloads = m_dir.path() + "Téléchargements/";
    // Options, a missing file and a file of another kind are passed over;
    // a relative name is taken from where the player was started.
    EXPECT_EQ(FindPlaylistArgument(
                  { "-quiet", downloads + "absent.pls", "radio.PLS", "autre.m3u" }, downloads),
        pls);
    EXPECT_EQ(FindPlaylistArgument({ "file://" + pls }, "/"), pls);
    write("page.htm", "x");
    EXPECT_EQ(FindPlaylistArgument({ "page.htm", "-radio", "FIP.htm" }, downloads), "");
    std::filesystem::create_directory(downloads + "dossier.m3u");
    EXPECT_EQ(FindPlaylistArgument({ "dossier.m3u" }, downloads), "");
}

TEST_F(OpenPlaylist, makesAPageThatPlaysACopyOfThePlaylist)
{
    const std::string text = "[playlist]\r\nFile1=http://127.0.0.1:8000/flux\r\n"
                             "Title1=Radio <Été> & Cie\r\nNumberOfEntries=1\r\n";
    const std::string path = write("Écoute.pls", text);
    const OpenedPlaylist opened = MakePlaylistPage(html(), path);
    ASSERT_EQ(opened.error, "");
    EXPECT_EQ(opened.page, "lecture/Ecoute.htm");
    // The marks that would end the name's tag are left out.
    EXPECT_EQ(opened.title, "Radio \xC9t\xE9 & Cie");

    const std::string copy = html() + "lecture/Ecoute.pls";
    EXPECT_EQ(ReadTextFile(copy), text);
    const std::string page = ReadTextFile(html() + opened.page);
    EXPECT_NE(page.find("<font name=\"titre\">Radio \xC9t\xE9 & Cie</font>"), std::string::npos)
        << page;
    EXPECT_NE(page.find("<param name=\"src\" value=\"" + copy + "\">"), std::string::npos);

    // The original may go away (a browser's download): the copy plays on.
    std::filesystem::remove(path);
    EXPECT_EQ(ReadTextFile(copy), text);
}

TEST_F(OpenPlaylist, namesThePageAfterTheFileWithoutTitlesAndReusesIt)
{
    const std::string path = write("ma radio préférée.m3u", "#EXTM3U\nhttp://h/stream\n");
    const OpenedPlaylist first = MakePlaylistPage(html(), path);
    EXPECT_EQ(first.page, "lecture/ma_radio_preferee.htm");
    EXPECT_EQ(first.title,
        "ma radio pr\xE9"
        "f\xE9"
        "r\xE9"
        "e");
    const OpenedPlaylist again = MakePlaylistPage(html(), path);
    EXPECT_EQ(again.page, first.page);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
        std::filesystem::directory_iterator(html() + "lecture"))
        ++files;
    EXPECT_EQ(files, 2u);
}

TEST_F(OpenPlaylist, refusesAPlaylistWithoutAddressesAndWritesNothing)
{
    const OpenedPlaylist opened
        = MakePlaylistPage(html(), write("vide.pls", "[playlist]\nNumberOfEntries=0\n"));
    EXPECT_EQ(opened.page, "");
    EXPECT_EQ(
        opened.error, "La liste de lecture « vide.pls » ne contient aucune adresse de radio.");
    EXPECT_FALSE(std::filesystem::exists(html() + "lecture/vide.htm"));
    EXPECT_EQ(MakePlaylistPage(html(), m_dir.path() + "absent.pls").error,
        "La liste de lecture « absent.pls » est illisible.");
}

TEST_F(OpenPlaylist, openedPagesNeverJoinTheStationIndex)
{
    ASSERT_TRUE(WriteTextFile(html() + "FIP.htm",
        "<html><font name=\"titre\">FIP</font><param name=\"src\" value=\"http://f/\"></html>"));
    ASSERT_TRUE(WriteTextFile(IndexPath(html()), EmptyIndexText()));
    ASSERT_FALSE(
        MakePlaylistPage(html(), write("x.pls", "[playlist]\nFile1=http://x/\n")).page.empty());
    ASSERT_TRUE(RebuildIndex(html()));
    std::vector<std::string> names;
    for (const StationEntry& station : ListStations(ReadTextFile(IndexPath(html()))))
        names.push_back(station.name);
    EXPECT_EQ(names, std::vector<std::string> { "FIP" });
}

} // namespace
