#include "view/minipage.h"

#include <initializer_list>
#include <string_view>
#include <utility>

#include "common/pagemarkers.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "view/hosts.h"

namespace {

// The frame that receives station pages.
constexpr std::string_view kLiveFrame = "live";

constexpr const char* kCrLf = "\r\n";

constexpr const char* kMiniPageFile = "playermini.html";

constexpr const char* kDefaultSmallLogoTag
    = "<IMG SRC=\"logo/sntlogo.jpg\" BORDER=0 WIDTH=33 HEIGHT=25>";

std::string lines(std::initializer_list<std::string_view> texts)
{
    std::string out;
    for (const std::string_view text : texts) {
        out += text;
        out += kCrLf;
    }
    return out;
}

std::string param(std::string_view name, std::string_view value)
{
    return "  <param name=\"" + std::string(name) + "\" value=\"" + std::string(value) + "\">"
        + kCrLf;
}

std::string headBlock()
{
    return lines({
        "<HTML>",
        "<HEAD>",
        "<META http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">",
        "</HEAD>",
        "<BODY bgcolor=\"#000000\" topmargin=\"0\" leftmargin=\"0\">",
        "<DIV ALIGN=\"center\">",
        "<TABLE cellpadding=0 cellspacing=4>",
        "<TR>",
        "<TD VALIGN=\"MIDDLE\">!LienHTTPRadio!!NomFichierLogo!</a></TD>",
        "<TD VALIGN=\"MIDDLE\">",
    });
}

std::string windowsMediaBlock()
{
    static const std::pair<std::string_view, std::string_view> kParams[] = {
        { "Filename", "!NomFichierRadio!" },
        { "AudioStream", "-1" },
        { "AutoSize", "0" },
        { "AutoRewind", "0" },
        { "BufferingTime", "5" },
        { "DisplaySize", "4" },
        { "EnableContextMenu", "1" },
        { "ShowCaptioning", "0" },
        { "ShowControls", "1" },
        { "ShowAudioControls", "1" },
        { "ShowDisplay", "0" },
        { "ShowGotoBar", "0" },
        { "ShowPositionControls", "0" },
        { "ShowStatusBar", "0" },
        { "ShowTracker", "0" },
        { "TransparentAtStart", "-1" },
        { "Volume", "-200" },
    };
    const std::string codebase = std::string("codebase=\"http://") + kMediaPlayerCabinetHost
        + "/activex/controls/mplayer/en/nsmp2inf.cab#Version=6,1,5,217\"";
    const std::string pluginsPage = std::string("pluginspage=\"http://")
        + kMediaPlayerPluginPageHost
        + "/isapi/redir.dll?prd=windows&sbp=mediaplayer&ar=Media&sba=Plugin&\"";

    std::string block = lines({
        "<object id=\"NSPlay\" name=\"NSPlay\" "
        "classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\" width=92 height=25",
        codebase,
        // "\xAE" is the registered sign in Windows-1252.
        "standby=\"Loading Microsoft\xAE Windows Media Player components...\" ",
        "type=\"application/x-oleobject\">",
    });
    for (const auto& [name, value] : kParams)
        block += param(name, value);
    block += lines({
        "<embed type=\"application/x-mplayer2\"",
        pluginsPage,
        "\t\tsrc=\"!NomFichierRadio!\"\tname=\"NSPlay\"\twidth=152 height=20",
        "\t\tshowstatusbar=\"1\" showcontrols=\"1\" showdisplay=\"1\" showgotobar=\"0\" "
        "autosize=\"0\" showcaptioning=\"0\" ",
        "\t\tenabletracker=\"0\" showtracker=\"0\" enablecontextmenu=\"0\" volume=\"0\">",
        "</embed>",
    });
    return block;
}

std::string realPlayerBlock()
{
    static const std::pair<std::string_view, std::string_view> kParams[] = {
        { "_ExtentX", "7276" },
        { "_ExtentY", "3307" },
        { "AUTOSTART", "-1" },
        { "SHUFFLE", "0" },
        { "PREFETCH", "0" },
        { "NOLABELS", "0" },
        { "LOOP", "0" },
        { "NUMLOOP", "0" },
        { "CENTER", "0" },
        { "MAINTAINASPECT", "0" },
        { "BACKGROUNDCOLOR", "#000000" },
    };
    // The first three tags keep their own letter case.
    std::string block = lines({
        "<object id=\"NSPlay\" CLASSID=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\" width=92 "
        "height=25>",
        "  <param name=\"SRC\" value=\"!NomFichierRadio!\">",
        "  <param NAME=\"controls\" value=\"Controlpanel\">",
        "  <param NAME=\"CONSOLE\" value=\"clip1\">",
    });
    for (const auto& [name, value] : kParams)
        block += param(name, value);
    return block;
}

std::string tailBlock()
{
    // The page's last line has no line end.
    return lines({
               "</OBJECT>",
               "<TD><a href=\"javascript:history.back()\"><IMG SRC=\"home.gif\" BORDER=0 "
               "WIDTH=25 HEIGHT=25></A></TD>",
               "</TR>",
               "</TABLE>",
               "</BODY>",
           })
        + "</HTML>";
}

std::string smallLogoTag(const std::string& logoFile)
{
    return "<IMG SRC=\"logo/" + logoFile + "\" BORDER=0 WIDTH=33 HEIGHT=25>";
}

std::string plainSelect()
{
    return "<select name=\"select\" size=\"1\">";
}

std::string onChangeSelect()
{
    return "<select name=\"select\" size=\"1\" onChange=\"parent.frames['" + std::string(kLiveFrame)
        + "'].window.location=this.options[this.selectedIndex].value\">";
}

std::string listCloser()
{
    return "</select><BR>";
}

std::string listButton()
{
    return "<input type=\"button\" onClick=\"parent.frames['" + std::string(kLiveFrame)
        + "'].window.location=document.loc.select.options[document.loc.select.selectedIndex]."
          "value;\" value=\"Ecouter !\">";
}

} // namespace

void BuildMiniPlayerPage(const std::string& htmlDir, const StationPageInfo& current)
{
    std::string page = headBlock()
        + (current.windowsMedia ? windowsMediaBlock() : realPlayerBlock()) + tailBlock();

    const bool hasSite = !current.siteLink.empty() && current.siteLink != kNotFound;
    ReplaceFirst(page, kSitePlaceholder,
        hasSite ? "<a href=\"" + current.siteLink + "\" target=\"_blank\">" : std::string());
    ReplaceFirst(page, kLogoPlaceholder,
        current.logoFile == kNotFound ? std::string(kDefaultSmallLogoTag)
                                      : smallLogoTag(current.logoFile));
    // The Windows Media block names the stream twice, the RealPlayer block once.
    ReplaceFirst(page, kStreamPlaceholder, current.streamLink);
    ReplaceFirst(page, kStreamPlaceholder, current.streamLink);

    WriteTextFile(htmlDir + kMiniPageFile, page);
}

void SetListButton(const std::string& htmlDir, bool withButton)
{
    const std::string indexPath = IndexPath(htmlDir);
    std::string index = ReadTextFile(indexPath);
    if (index.empty())
        return;

    const bool buttonForm = index.find(plainSelect()) != std::string::npos;
    if (!buttonForm && withButton) {
        ReplaceFirst(index, onChangeSelect(), plainSelect());
        ReplaceFirst(index, listCloser(), listCloser() + listButton());
    } else if (buttonForm && !withButton) {
        ReplaceFirst(index, plainSelect(), onChangeSelect());
        ReplaceFirst(index, listCloser() + listButton(), listCloser());
    }
    // Written back even when nothing changed.
    WriteTextFile(indexPath, index);
}
