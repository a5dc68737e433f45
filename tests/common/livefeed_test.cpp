#include "common/livefeed.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/hosts.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

const std::string kNone = kNotFound;

SongRecord record(std::string title, std::string artist, std::string album, std::string date,
    std::string label, std::string cover, std::string info)
{
    return { std::move(title), std::move(artist), std::move(album), std::move(date),
        std::move(label), std::move(cover), std::move(info) };
}

std::string scriptEntry(int i, const std::string& title)
{
    const std::string e = "radio_entry[" + std::to_string(i) + "]";
    return e + ".titre = \"" + title + "\";\n" + e + ".interprete = \"Artiste " + std::to_string(i)
        + "\";\n" + e + ".album = \"Album " + std::to_string(i) + "\";\n" + e
        + ".dateSortie = \"200" + std::to_string(i) + "\";\n" + e + ".label = \"Label "
        + std::to_string(i) + "\";\n" + e + ".urlPochette = \"http://img.example/"
        + std::to_string(i) + ".jpg\";\n";
}

class LiveFeedTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.start(m_root.path())); }

    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(m_root.path() + name, std::ios::binary) << bytes;
    }

    testsupport::TempDir m_root { "sonalto-feed-root" };
    testsupport::HttpServer m_server;
};

TEST_F(LiveFeedTest, scriptFeedFillsOnlyTheEntriesItHolds)
{
    write("direct.js",
        "var radio_entry = new Array();\r\n" + scriptEntry(0, "Premier")
            + scriptEntry(1, "Le \\\"grand\\\" soir") + scriptEntry(2, "Troisième"));
    SongList songs;
    ASSERT_TRUE(ParseLiveFeed(m_server.url("/direct.js"), songs));

    EXPECT_EQ(songs[0],
        record(
            "Premier", "Artiste 0", "Album 0", "2000", "Label 0", "http://img.example/0.jpg", ""));
    // An escaped quote ends the value.
    EXPECT_EQ(songs[1].title, "Le \\");
    EXPECT_EQ(songs[2].title, "Troisième");
    EXPECT_EQ(songs[2].coverAddress, "http://img.example/2.jpg");
    for (int i = 3; i < kSongCount; ++i)
        EXPECT_EQ(songs[i], record(kNone, kNone, kNone, kNone, kNone, kNone, "")) << i;
}

TEST_F(LiveFeedTest, xmlFeedTakesTheFirstFivePassagesInOrder)
{
    std::string seven = "<?xml version=\"1.0\"?>\n<historique>\n";
    for (int i = 0; i < 7; ++i)
        seven += "  <passage DATE=\"12:0" + std::to_string(i) + "\" TITREMUSICAL=\"Titre "
            + std::to_string(i) + "\" NOMINTERPRETE=\"Voix " + std::to_string(i)
            + "\" POCHETTE=\"http://img.example/p" + std::to_string(i) + ".jpg\"/>\n";
    seven += "</historique>\n";
    write("nrj_live.xml", seven);

    SongList songs;
    ASSERT_TRUE(ParseLiveFeed(m_server.url("/nrj_live.xml"), songs));
    for (int i = 0; i < kSongCount; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(songs[i],
            record("Titre " + n, "Voix " + n, "", "", "", "http://img.example/p" + n + ".jpg", ""))
            << i;
    }
}

TEST_F(LiveFeedTest, xmlAttributeCaseIsIgnoredButElementCaseIsNot)
{
    write("nrj-lower.xml",
        "<passage date=\"12:00\" titremusical=\"Un\" nominterprete=\"A\" pochette=\"u.jpg\"/>"
        "<passage date=\"12:04\" titremusical=\"Deux\" nominterprete=\"B\" pochette=\"d.jpg\"/>");
    SongList songs;
    ASSERT_TRUE(ParseLiveFeed(m_server.url("/nrj-lower.xml"), songs));
    EXPECT_EQ(songs[0], record("Un", "A", "", "", "", "u.jpg", ""));
    // Once no element is left the text only loses three characters a round,
    // so the last element's values repeat.
    for (int i = 1; i < kSongCount; ++i)
        EXPECT_EQ(songs[i], record("Deux", "B", "", "", "", "d.jpg", "")) << i;

    // Element names in capitals are never found: the text loses three
    // characters a round and every record reads the first element.
    write("nrj-upper.xml",
        "<PASSAGE DATE=\"12:00:00\" TITREMUSICAL=\"Un\" NOMINTERPRETE=\"A\" POCHETTE=\"u.jpg\"/>"
        "<PASSAGE DATE=\"12:04:00\" TITREMUSICAL=\"Deux\" NOMINTERPRETE=\"B\" "
        "POCHETTE=\"d.jpg\"/>");
    ASSERT_TRUE(ParseLiveFeed(m_server.url("/nrj-upper.xml"), songs));
    for (int i = 0; i < kSongCount; ++i)
        EXPECT_EQ(songs[i], record("Un", "A", "", "", "", "u.jpg", "")) << i;
}

TEST_F(LiveFeedTest, forwardingPageLeadsToScriptInSameFolder)
{
    std::filesystem::create_directories(m_root.path() + "radio");
    // "direct.html" is an 11-character name: the target replaces it.
    write("radio/direct.html",
        "<html><head><meta http-equiv=\"refresh\" content=\"0; url=next.js\"></head></html>");
    std::string script;
    for (int i = 1; i <= 5; ++i) {
        const std::string n = std::to_string(i);
        script += "p.titresPochettes[" + n + "] = \"Titre " + n + "\";\r\n";
        script += "p.interpretesPochettes[" + n + "] = \"Voix " + n + "\";\r\n";
        script += "p.albumsPochettes[" + n + "] = \"Album " + n + "\";\r\n";
        script += "p.sortiePochettes[" + n + "] = \"199" + n + "\";\r\n";
        script += "p.labelPochettes[" + n + "] = \"Label " + n + "\";\r\n";
        script += "p.imagesPochettesSrc[" + n + "] = \"/cache/" + n + ".jpg\";\r\n";
        if (i != 3)
            script += "p.urlsInfosPochettes[" + n + "] = \"http://info.example/" + n + "\";\r\n";
    }
    write("radio/next.js", script);

    const std::string page = m_server.url("/radio/direct.html");
    EXPECT_EQ(ChooseFeedForm(page), FeedForm::Page);
    SongList songs;
    ASSERT_TRUE(ParseLiveFeed(page, songs));
    const std::string host = kCoverImageHost;
    for (int i = 0; i < kSongCount; ++i) {
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(songs[i],
            record("Titre " + n, "Voix " + n, "Album " + n, "199" + n, "Label " + n,
                host + "/cache/" + n + ".jpg", i == 2 ? kNone : "http://info.example/" + n))
            << i;
    }
}

TEST_F(LiveFeedTest, xmlAddressWithoutNrjIsReadAsForwardingPage)
{
    write("flux.xml", "<passage TITREMUSICAL=\"Un\" NOMINTERPRETE=\"A\"/>");
    const std::string address = m_server.url("/flux.xml");
    EXPECT_EQ(ChooseFeedForm(address), FeedForm::Page);
    // No " url=" in it: the target is "Introuvable", and what that address
    // answers holds none of the markers.
    EXPECT_EQ(ForwardedFeedAddress(address, ReadTextFile(m_root.path() + "flux.xml")),
        address.substr(0, address.size() - 11) + kNone);
    SongList songs;
    ASSERT_TRUE(ParseLiveFeed(address, songs));
    for (const SongRecord& song : songs)
        EXPECT_EQ(song,
            record(kNone, kNone, kNone, kNone, kNone, std::string(kCoverImageHost) + kNone, kNone));
}

TEST(LiveFeed, chooseFormByAddressOnly)
{
    const std::vector<std::pair<std::string, FeedForm>> cases {
        { "http://radio.example/titres.js", FeedForm::Script },
        { "http://radio.example/nrj.xml.js", FeedForm::Script },
        { "http://nrj.example/live.xml", FeedForm::Xml },
        { "http://NRJ.example/live.xml", FeedForm::Page },
        { "http://radio.example/live.XML?nrj", FeedForm::Page },
        { "Introuvable", FeedForm::Page },
        { "", FeedForm::Page },
    };
    for (const auto& [address, form] : cases)
        EXPECT_EQ(ChooseFeedForm(address), form) << address;
    // A page address shorter than 11 characters leaves only the target.
    EXPECT_EQ(ForwardedFeedAddress("a.htm", " url=b.js\""), "b.js");
}

// A fetch that runs out of time, on the first or on the forwarded address,
// leaves the song list exactly as it was; the limits asked are 2 then 25.
TEST(LiveFeed, timeoutLeavesSongListUntouched)
{
    SongList before;
    before[0] = record("Ancien", "A", "B", "C", "D", "E", "F");
    before[4].title = "Plus ancien";

    for (int failing = 0; failing < 2; ++failing) {
        std::vector<int> limits;
        int call = 0;
        const FeedFetcher fetch = [&](const std::string&, int limit, std::string& text) {
            limits.push_back(limit);
            text = " url=next.js\" .titresPochettes[1] = \"Nouveau\"";
            return call++ != failing;
        };
        SongList songs = before;
        EXPECT_FALSE(ParseLiveFeed("http://radio.example/direct.html", songs, fetch));
        EXPECT_EQ(songs, before);
        const std::vector<int> expected
            = failing == 0 ? std::vector<int> { 2 } : std::vector<int> { 2, 25 };
        EXPECT_EQ(limits, expected);
    }
}

} // namespace
