#pragma once

#include <string>

#include "common/textfile.h"
#include "support/framepages.h"

namespace testsupport {

// A script for an index page: once loaded, it chooses the first station of
// the drop-down whose name holds text (ASCII, a JavaScript string
// literal's escapes for other letters), as a listener would,
// and the drop-down's own onChange script sends "live" to the station.
inline std::string PickStationScript(const std::string& text)
{
    return "<script>window.addEventListener('load', function () {"
           " var s = document.loc.select;"
           " for (var i = 0; i < s.options.length; ++i)"
           "  if (s.options[i].text.indexOf('"
        + text
        + "') >= 0) { s.selectedIndex = i; break; }"
          " s.dispatchEvent(new Event('change')); });</script>";
}

// The index with the navigate-on-change drop-down. With pick, the page
// chooses "Radio Alpha" itself.
inline std::string SmallIndexPage(bool pick)
{
    std::string page = "<html><body><form name=\"loc\">"
                       "<select name=\"select\" size=\"1\" onChange=\"parent.frames['live']"
                       ".window.location=this.options[this.selectedIndex].value\">\r\n"
                       "<option value=\"bienvenue.htm\">Choisissez</option>\r\n"
                       "<option value=\"Alpha.htm\">Radio Alpha</option>\r\n"
                       "</select><BR></form>";
    if (pick)
        page += PickStationScript("Radio Alpha");
    return page + "</body></html>";
}

// A small HTML directory of its own for the real player: both frame pages,
// the welcome and black pages, and one station "Radio Alpha" playing
// streamUrl, with alphaExtra added to its page.
inline void WriteSmallCatalogue(
    const std::string& html, const std::string& streamUrl, const std::string& alphaExtra, bool pick)
{
    WriteFramePages(html);
    WriteTextFile(html + "Alpha.htm",
        "<html><body><font name=\"titre\">Radio Alpha</font>\r\n"
        "<param name=\"filename\" value=\""
            + streamUrl + "\">" + alphaExtra + "</body></html>");
    WriteTextFile(html + "haut.htm", SmallIndexPage(pick));
}

} // namespace testsupport
