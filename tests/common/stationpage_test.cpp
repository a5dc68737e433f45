#include "common/stationpage.h"

#include "common/pagename.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

// A template shaped like the shipped ones: every placeholder inside the
// markers the reader looks for, the stream link in a parameter and an embed.
const std::string kMediaTemplate
    = "<html>\r\n"
      "<font name=\"titre\">!NomRadio!</font>\r\n"
      "<param name=\"filename\" value=\"!NomFichierRadio!\">\r\n"
      "<embed src=\"!NomFichierRadio!\">\r\n"
      "<td valign=\"middle\"><a href=\"!LienHTTPRadio!\" target=_blank>"
      "!NomFichierLogo!</a></td>\r\n"
      "<a href=\"app:live('http://feed.example/nova')\">live</a>\r\n"
      "<!-- la description entre <small> et </small> -->\r\n"
      "<small>!Description!</small>\r\n"
      "</html>\r\n";

const std::string kRealTemplate = "<html>\r\n"
                                  "<font name=\"titre\">!NomRadio!</font>\r\n"
                                  "<param name=\"src\" value=\"!NomFichierRadio!\">\r\n"
                                  "<td valign=\"middle\"><a href=\"!LienHTTPRadio!\" target=_blank>"
                                  "!NomFichierLogo!</a></td>\r\n"
                                  "<!-- la description entre <small> et </small> -->\r\n"
                                  "<small>!Description!</small>\r\n"
                                  "</html>\r\n";

class StationPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        html = dir.path();
        std::filesystem::create_directory(html + "logo");
        ASSERT_TRUE(WriteTextFile(html + "mediaplayer.htm", kMediaTemplate));
        ASSERT_TRUE(WriteTextFile(html + "realplayer.htm", kRealTemplate));
    }

    std::vector<std::string> htmlFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(html))
            if (entry.is_regular_file())
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string html;
};

// Answers the test flow from a script and records what it was asked.
class ScriptedTester : public StationPageTester {
public:
    explicit ScriptedTester(bool answer)
        : m_answer(answer)
    {
    }

    void beginTest(const std::string& pagePath) override
    {
        events.push_back("begin " + pagePath);
        pageWhenOpened = ReadTextFile(pagePath);
    }
    bool ask(const std::string& title, const std::string& text) override
    {
        events.push_back("ask " + title + " | " + text);
        return m_answer;
    }
    void setAddEnabled(bool enabled) override { events.push_back(enabled ? "enable" : "disable"); }
    void endTest() override { events.push_back("end"); }

    std::vector<std::string> events;
    std::string pageWhenOpened;

private:
    bool m_answer;
};

TEST_F(StationPageTest, generatesNewStationPageByteForByte)
{
    const std::string logoDir = dir.path() + "chosen/";
    std::filesystem::create_directory(logoDir);
    ASSERT_TRUE(WriteTextFile(logoDir + "sud.gif", "GIF89a-picture"));

    StationForm form;
    form.name = "\xE9toile du sud"; // starts with a small accented letter
    form.logoChecked = true;
    form.siteChecked = true;
    form.siteLink = "http://sud.example/";
    form.descriptionChecked = true;
    form.description = "Jazz & chanson";

    ASSERT_TRUE(GenerateStationPage(
        html, form, "mms://stream.example/sud", logoDir + "sud.gif", "", nullptr));

    EXPECT_EQ(form.name, "\xC9toile du sud");
    const std::string expected
        = "<html>\r\n"
          "<font name=\"titre\">\xC9toile du sud</font>\r\n"
          "<param name=\"filename\" value=\"mms://stream.example/sud\">\r\n"
          "<embed src=\"mms://stream.example/sud\">\r\n"
          "<td valign=\"middle\"><a href=\"http://sud.example/\" target=_blank>"
          "<IMG SRC=\"logo/sud.gif\" BORDER=0 WIDTH=66 HEIGHT=50></a></td>\r\n"
          "<a href=\"app:live('http://feed.example/nova')\">live</a>\r\n"
          "<!-- la description entre <small> et </small> -->\r\n"
          "<small>Jazz & chanson</small>\r\n"
          "</html>\r\n";
    EXPECT_EQ(ReadTextFile(html + FileNameOnDisk("\xC9toile_du_sud.htm")), expected);
    EXPECT_EQ(ReadTextFile(html + "logo/sud.gif"), "GIF89a-picture");
}

TEST_F(StationPageTest, choosesTemplateByPlayerTypeAndLink)
{
    struct Case {
        PlayerType type;
        std::string link;
        bool mediaPlayer;
    };
    const std::vector<Case> cases = {
        { PlayerType::Auto, "mms://a.example/live", true },
        { PlayerType::Auto, "http://a.example/live.asx", true },
        { PlayerType::Auto, "http://a.example/live.mp3", false },
        { PlayerType::Auto, "MMS://a.example/live", false },
        { PlayerType::Auto, "http://a.example/live.ASX", false },
        { PlayerType::WindowsMedia, "http://a.example/live.mp3", true },
        { PlayerType::RealPlayer, "mms://a.example/live", false },
    };
    for (const Case& c : cases) {
        StationForm form;
        form.name = "Nova";
        form.playerType = c.type;
        ASSERT_TRUE(GenerateStationPage(html, form, c.link, "", "", nullptr)) << c.link;
        StationPageInfo info;
        ReadStationPage(html + "Nova.htm", info);
        EXPECT_EQ(info.windowsMedia, c.mediaPlayer) << c.link;
        EXPECT_EQ(info.streamLink, c.link);
    }
}

TEST_F(StationPageTest, untickedBoxesLeaveEmptyPlacesAndDefaultLogo)
{
    StationForm form;
    form.name = "Nova";
    form.siteLink = "http://ignored.example/";
    form.description = "ignored";
    ASSERT_TRUE(WriteTextFile(dir.path() + "nova.gif", "gif"));
    ASSERT_TRUE(
        GenerateStationPage(html, form, "http://s/x", dir.path() + "nova.gif", "", nullptr));

    const std::string page = ReadTextFile(html + "Nova.htm");
    EXPECT_NE(page.find("<a href=\"\" target=_blank>"
                        "<IMG SRC=\"logo/sntlogo.jpg\" BORDER=0 WIDTH=66 HEIGHT=50></a>"),
        std::string::npos);
    EXPECT_NE(page.find("<small></small>"), std::string::npos);
    EXPECT_EQ(page.find("ignored"), std::string::npos);
    EXPECT_FALSE(FileExists(html + "logo/nova.gif"));
}

TEST_F(StationPageTest, rewritesExistingPageUnderItsOwnName)
{
    StationForm form;
    form.name = "radio bleue";
    form.logoChecked = true;
    // A logo path written with backslashes gives the same file name.
    ASSERT_TRUE(WriteTextFile(html + "C:\\logos\\bleue.jpg", "jpeg"));
    ASSERT_TRUE(GenerateStationPage(
        html, form, "http://s/bleue", html + "C:\\logos\\bleue.jpg", "bleue-2004.htm", nullptr));

    EXPECT_EQ(form.name, "radio bleue");
    EXPECT_FALSE(FileExists(html + "Radio_bleue.htm"));
    StationPageInfo info;
    ReadStationPage(html + "bleue-2004.htm", info);
    EXPECT_EQ(info.title, "radio bleue");
    EXPECT_EQ(info.logoFile, "bleue.jpg");
    EXPECT_EQ(ReadTextFile(html + "logo/bleue.jpg"), "jpeg");
}

TEST_F(StationPageTest, singleStreamPlaceholderIsFilledOnce)
{
    StationForm form;
    form.name = "Nova";
    ASSERT_TRUE(GenerateStationPage(html, form, "rtsp://s/plain", "", "", nullptr));
    const std::string plain = ReadTextFile(html + "Nova.htm");
    EXPECT_EQ(plain.find("!NomFichierRadio!"), std::string::npos);
    EXPECT_NE(plain.find("value=\"rtsp://s/plain\""), std::string::npos);
}

TEST_F(StationPageTest, refusesNamesThatLeaveTheHtmlDirectory)
{
    const std::string inner = html + "inner/";
    std::filesystem::create_directory(inner);
    std::filesystem::create_directory(inner + "logo");
    std::filesystem::copy_file(html + "mediaplayer.htm", inner + "mediaplayer.htm");

    struct Case {
        std::string name, existing, logo;
    };
    const std::vector<Case> cases = {
        { "../escape", "", "" },
        { "Nova", "../escape.htm", "" },
        { "Nova", "/tmp/escape.htm", "" },
        { "Nova", "", html + "sub/.." },
    };
    for (const Case& c : cases) {
        StationForm form;
        form.name = c.name;
        form.playerType = PlayerType::WindowsMedia;
        form.logoChecked = !c.logo.empty();
        EXPECT_FALSE(GenerateStationPage(inner, form, "mms://s", c.logo, c.existing, nullptr))
            << c.name << c.existing << c.logo;
    }
    EXPECT_EQ(htmlFiles(), (std::vector<std::string> { "mediaplayer.htm", "realplayer.htm" }));
    EXPECT_TRUE(std::filesystem::is_empty(inner + "logo"));
}

TEST_F(StationPageTest, testFlowAsksAndRemovesTheTestPage)
{
    for (const bool answer : { true, false }) {
        StationForm form;
        form.name = "nova";
        ScriptedTester tester(answer);
        ASSERT_TRUE(GenerateStationPage(html, form, "mms://s/nova", "", "", &tester));

        const std::string testPage = html + "Nova_temp.htm";
        const std::vector<std::string> expected = {
            "begin " + testPage,
            "ask R\xC3\xA9sultat du test | Patientez quelques secondes...\n\n"
            "La page internet avec la radio fonctionne-t-elle ?",
            answer ? "enable" : "disable",
            "end",
        };
        EXPECT_EQ(tester.events, expected);
        EXPECT_NE(
            tester.pageWhenOpened.find("<font name=\"titre\">Nova</font>"), std::string::npos);
        EXPECT_FALSE(FileExists(testPage));
        EXPECT_FALSE(FileExists(html + "Nova.htm"));
    }
}

TEST_F(StationPageTest, testFlowAsksNothingWhenTheTestPageCannotBeWritten)
{
    StationForm form;
    form.name = "Nova";
    ScriptedTester tester(true);
    EXPECT_FALSE(GenerateStationPage(html + "missing/", form, "mms://s", "", "", &tester));
    EXPECT_TRUE(tester.events.empty());
}

TEST_F(StationPageTest, readsPropertiesWithMarkersInAnyCase)
{
    const std::string page
        = "<FONT NAME=\"TITRE\">Fip</FONT>\r\n"
          "<PARAM NAME=\"FileName\" VALUE=\"http://fip/x.asx\">\r\n"
          "<IMG SRC=\"LOGO/fip.gif\" BORDER=0 WIDTH=66 HEIGHT=50>\r\n"
          "<a href=\"APP:LIVE('http://fip/live')\">\r\n"
          "<TD VALIGN=\"middle\"><A HREF=\"http://fip.example\" TARGET=_blank>\r\n"
          "<!-- LA DESCRIPTION ENTRE <SMALL> ET </SMALL> -->\r\n"
          "<SMALL>Musique\r\n \xE9"
          "clectique</SMALL>";
    ASSERT_TRUE(WriteTextFile(html + "fip.htm", page));

    StationPageInfo info;
    info.windowsMedia = false;
    ReadStationPage(html + "fip.htm", info);
    EXPECT_EQ(info.pagePath, html + "fip.htm");
    EXPECT_EQ(info.title, "Fip");
    EXPECT_EQ(info.streamLink, "http://fip/x.asx");
    EXPECT_TRUE(info.windowsMedia);
    EXPECT_EQ(info.logoFile, "fip.gif");
    EXPECT_EQ(info.liveId, "http://fip/live");
    EXPECT_EQ(info.siteLink, "http://fip.example");
    EXPECT_EQ(info.description,
        "Musique\r\n \xE9"
        "clectique");
}

TEST_F(StationPageTest, readsStreamLinkOfEitherPlugin)
{
    struct Case {
        std::string page;
        std::string link;
        bool windowsMedia;
    };
    const std::vector<Case> cases = {
        { "<param name=\"src\" value=\"rtsp://real/x\">", "rtsp://real/x", false },
        // Both present: the Windows Media parameter wins.
        { "<param name=\"src\" value=\"rtsp://real/x\"><param name=\"filename\" value=\"mms://w\">",
            "mms://w", true },
        { "<p>no plug-in here</p>", "Introuvable", true },
        // A marker without its end gives an empty link, not the fallback.
        { "<param name=\"filename\" value=\"mms://cut", "", true },
    };
    for (const Case& c : cases) {
        StationPageInfo info;
        info.windowsMedia = !c.windowsMedia;
        ReadStationPageText(c.page, info);
        EXPECT_EQ(info.streamLink, c.link) << c.page;
        EXPECT_EQ(info.windowsMedia, c.windowsMedia) << c.page;
        EXPECT_EQ(info.title, "Introuvable");
    }
}

TEST_F(StationPageTest, emptyOrMissingPageReadsAsNotFound)
{
    ASSERT_TRUE(WriteTextFile(html + "empty.htm", ""));
    for (const std::string& path : { html + "empty.htm", html + "absent.htm" }) {
        StationPageInfo info;
        info.windowsMedia = false;
        info.title = "old";
        ReadStationPage(path, info);
        EXPECT_EQ(info.pagePath, path);
        for (const std::string* field : { &info.title, &info.streamLink, &info.logoFile,
                 &info.liveId, &info.siteLink, &info.description })
            EXPECT_EQ(*field, "Introuvable");
        EXPECT_FALSE(info.windowsMedia);
    }
}

} // namespace
