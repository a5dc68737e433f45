#include "view/minipage.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/testsupport.h"
#include "view/hosts.h"

namespace {

using testsupport::TempDir;

const std::string kHead
    = "<HTML>\r\n"
      "<HEAD>\r\n"
      "<META http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">\r\n"
      "</HEAD>\r\n"
      "<BODY bgcolor=\"#000000\" topmargin=\"0\" leftmargin=\"0\">\r\n"
      "<DIV ALIGN=\"center\">\r\n"
      "<TABLE cellpadding=0 cellspacing=4>\r\n"
      "<TR>\r\n";

const std::string kTail
    = "</OBJECT>\r\n"
      "<TD><a href=\"javascript:history.back()\"><IMG SRC=\"home.gif\" BORDER=0 "
      "WIDTH=25 HEIGHT=25></A></TD>\r\n"
      "</TR>\r\n"
      "</TABLE>\r\n"
      "</BODY>\r\n"
      "</HTML>";

std::string windowsMediaBlock(const std::string& stream)
{
    // The vendor's hosts are the one part of these texts left to choose.
    return "<object id=\"NSPlay\" name=\"NSPlay\" "
           "classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\" width=92 height=25\r\n"
           "codebase=\"http://"
        + std::string(kMediaPlayerCabinetHost)
        + "/activex/controls/mplayer/en/nsmp2inf.cab#Version=6,1,5,217\"\r\n"
          "standby=\"Loading Microsoft\xAE Windows Media Player components...\" \r\n"
          "type=\"application/x-oleobject\">\r\n"
          "  <param name=\"Filename\" value=\""
        + stream
        + "\">\r\n"
          "  <param name=\"AudioStream\" value=\"-1\">\r\n"
          "  <param name=\"AutoSize\" value=\"0\">\r\n"
          "  <param name=\"AutoRewind\" value=\"0\">\r\n"
          "  <param name=\"BufferingTime\" value=\"5\">\r\n"
          "  <param name=\"DisplaySize\" value=\"4\">\r\n"
          "  <param name=\"EnableContextMenu\" value=\"1\">\r\n"
          "  <param name=\"ShowCaptioning\" value=\"0\">\r\n"
          "  <param name=\"ShowControls\" value=\"1\">\r\n"
          "  <param name=\"ShowAudioControls\" value=\"1\">\r\n"
          "  <param name=\"ShowDisplay\" value=\"0\">\r\n"
          "  <param name=\"ShowGotoBar\" value=\"0\">\r\n"
          "  <param name=\"ShowPositionControls\" value=\"0\">\r\n"
          "  <param name=\"ShowStatusBar\" value=\"0\">\r\n"
          "  <param name=\"ShowTracker\" value=\"0\">\r\n"
          "  <param name=\"TransparentAtStart\" value=\"-1\">\r\n"
          "  <param name=\"Volume\" value=\"-200\">\r\n"
          "<embed type=\"application/x-mplayer2\"\r\n"
          "pluginspage=\"http://"
        + std::string(kMediaPlayerPluginPageHost)
        + "/isapi/redir.dll?prd=windows&sbp=mediaplayer&ar=Media&sba=Plugin&\"\r\n"
          "\t\tsrc=\""
        + stream
        + "\"\tname=\"NSPlay\"\twidth=152 height=20\r\n"
          "\t\tshowstatusbar=\"1\" showcontrols=\"1\" showdisplay=\"1\" showgotobar=\"0\" "
          "autosize=\"0\" showcaptioning=\"0\" \r\n"
          "\t\tenabletracker=\"0\" showtracker=\"0\" enablecontextmenu=\"0\" volume=\"0\">\r\n"
          "</embed>\r\n";
}

std::string realPlayerBlock(const std::string& stream)
{
    return "<object id=\"NSPlay\" CLASSID=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\" "
           "width=92 height=25>\r\n"
           "  <param name=\"SRC\" value=\""
        + stream
        + "\">\r\n"
          "  <param NAME=\"controls\" value=\"Controlpanel\">\r\n"
          "  <param NAME=\"CONSOLE\" value=\"clip1\">\r\n"
          "  <param name=\"_ExtentX\" value=\"7276\">\r\n"
          "  <param name=\"_ExtentY\" value=\"3307\">\r\n"
          "  <param name=\"AUTOSTART\" value=\"-1\">\r\n"
          "  <param name=\"SHUFFLE\" value=\"0\">\r\n"
          "  <param name=\"PREFETCH\" value=\"0\">\r\n"
          "  <param name=\"NOLABELS\" value=\"0\">\r\n"
          "  <param name=\"LOOP\" value=\"0\">\r\n"
          "  <param name=\"NUMLOOP\" value=\"0\">\r\n"
          "  <param name=\"CENTER\" value=\"0\">\r\n"
          "  <param name=\"MAINTAINASPECT\" value=\"0\">\r\n"
          "  <param name=\"BACKGROUNDCOLOR\" value=\"#000000\">\r\n";
}

std::string cells(const std::string& firstCell)
{
    return "<TD VALIGN=\"MIDDLE\">" + firstCell + "</a></TD>\r\n<TD VALIGN=\"MIDDLE\">\r\n";
}

StationPageInfo station(
    bool windowsMedia, const std::string& site, const std::string& logo, const std::string& stream)
{
    StationPageInfo info;
    info.windowsMedia = windowsMedia;
    info.siteLink = site;
    info.logoFile = logo;
    info.streamLink = stream;
    info.title = "Nova";
    return info;
}

TEST(MiniPageTest, buildsWindowsMediaPageWithSiteAndLogo)
{
    TempDir dir;
    BuildMiniPlayerPage(
        dir.path(), station(true, "http://nova.example/", "nova.gif", "mms://s/nova"));
    EXPECT_EQ(ReadTextFile(dir.path() + "playermini.html"),
        kHead
            + cells("<a href=\"http://nova.example/\" target=\"_blank\">"
                    "<IMG SRC=\"logo/nova.gif\" BORDER=0 WIDTH=33 HEIGHT=25>")
            + windowsMediaBlock("mms://s/nova") + kTail);
}

TEST(MiniPageTest, buildsRealPlayerPageWithoutSiteOrLogo)
{
    struct Case {
        std::string site, logo, firstCell;
    };
    const Case cases[] = {
        { "Introuvable", "Introuvable",
            "<IMG SRC=\"logo/sntlogo.jpg\" BORDER=0 WIDTH=33 HEIGHT=25>" },
        { "", "", "<IMG SRC=\"logo/\" BORDER=0 WIDTH=33 HEIGHT=25>" },
    };
    for (const Case& c : cases) {
        TempDir dir;
        BuildMiniPlayerPage(dir.path(), station(false, c.site, c.logo, "rtsp://s/real"));
        EXPECT_EQ(ReadTextFile(dir.path() + "playermini.html"),
            kHead + cells(c.firstCell) + realPlayerBlock("rtsp://s/real") + kTail);
    }
}

class ListButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        onChangeIndex = IndexHeader() + "<option value=\"Nova.htm\">Nova</option>\r\n"
            + "<!--<option value=\"Fip.htm\">Fip</option>-->\r\n" + IndexFooter();
        ASSERT_TRUE(WriteTextFile(IndexPath(dir.path()), onChangeIndex));
    }

    std::string index() const { return ReadTextFile(IndexPath(dir.path())); }

    TempDir dir;
    std::string onChangeIndex;
};

const std::string kOnChange
    = "<select name=\"select\" size=\"1\" onChange=\"parent.frames['live'].window.location="
      "this.options[this.selectedIndex].value\">";
const std::string kPlain = "<select name=\"select\" size=\"1\">";
const std::string kButton
    = "<input type=\"button\" onClick=\"parent.frames['live'].window.location="
      "document.loc.select.options[document.loc.select.selectedIndex].value;\" "
      "value=\"Ecouter !\">";

TEST_F(ListButtonTest, switchesToButtonFormOnceAndBack)
{
    ASSERT_NE(onChangeIndex.find(kOnChange + "\r\n"), std::string::npos);
    std::string buttonIndex = onChangeIndex;
    buttonIndex.replace(buttonIndex.find(kOnChange), kOnChange.size(), kPlain);
    buttonIndex.replace(
        buttonIndex.find("</select><BR>\r\n"), 15, "</select><BR>" + kButton + "\r\n");

    SetListButton(dir.path(), true);
    EXPECT_EQ(index(), buttonIndex);
    SetListButton(dir.path(), true);
    EXPECT_EQ(index(), buttonIndex);

    SetListButton(dir.path(), false);
    EXPECT_EQ(index(), onChangeIndex);
    SetListButton(dir.path(), false);
    EXPECT_EQ(index(), onChangeIndex);
}

TEST_F(ListButtonTest, leavesMissingOrEmptyIndexAlone)
{
    TempDir empty;
    SetListButton(empty.path(), true);
    EXPECT_FALSE(FileExists(IndexPath(empty.path())));

    ASSERT_TRUE(WriteTextFile(IndexPath(dir.path()), ""));
    SetListButton(dir.path(), true);
    EXPECT_EQ(index(), "");
}

} // namespace
