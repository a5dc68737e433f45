#include "common/stationpage.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/cp1252.h"
#include "common/pagemarkers.h"
#include "common/stationindex.h"
#include "common/textfile.h"

namespace {

constexpr const char* kMediaPlayerTemplate = "mediaplayer.htm";
constexpr const char* kRealPlayerTemplate = "realplayer.htm";


constexpr const char* kDefaultLogoTag
    = "<IMG SRC=\"logo/sntlogo.jpg\" BORDER=0 WIDTH=66 HEIGHT=50>";

std::string logoTag(const std::string& logoFile)
{
    return "<IMG SRC=\"logo/" + logoFile + "\" BORDER=0 WIDTH=66 HEIGHT=50>";
}

// The file name part of the chosen logo path. Paths chosen here use '/', and
// a name typed or stored with backslashes is split the same way.
std::string logoFileName(const std::string& logoPath)
{
    const std::size_t sep = logoPath.find_last_of("/\\");
    return sep == std::string::npos ? logoPath : logoPath.substr(sep + 1);
}

std::string templateFor(PlayerType type, const std::string& streamLink)
{
    switch (type) {
    case PlayerType::WindowsMedia:
        return kMediaPlayerTemplate;
    case PlayerType::RealPlayer:
        return kRealPlayerTemplate;
    case PlayerType::Auto:
        break;
    }
    const bool windowsMedia = streamLink.find("mms://") != std::string::npos
        || streamLink.find(".asx") != std::string::npos;
    return windowsMedia ? kMediaPlayerTemplate : kRealPlayerTemplate;
}

} // namespace

bool GenerateStationPage(const std::string& htmlDir, StationForm& form,
    const std::string& streamLink, const std::string& logoPath, const std::string& existingPageFile,
    StationPageTester* tester)
{
    std::string base;
    if (existingPageFile.empty()) {
        if (!form.name.empty())
            form.name[0]
                = static_cast<char>(cp1252::toUpper(static_cast<unsigned char>(form.name[0])));
        base = form.name;
        std::replace(base.begin(), base.end(), ' ', '_');
    } else {
        base = existingPageFile.substr(
            0, existingPageFile.size() - std::min<std::size_t>(4, existingPageFile.size()));
    }

    // A name or a stored page file must not lead the page, the test page or
    // the logo copy out of the HTML directory.
    const std::string logoFile = logoFileName(logoPath);
    if (!IsSafeRelativePath(base + ".htm"))
        return false;
    if (form.logoChecked && !logoFile.empty() && !IsSafeRelativePath(logoFile))
        return false;

    std::string page = ReadTextFile(htmlDir + templateFor(form.playerType, streamLink));
    ReplaceFirst(page, kNamePlaceholder, form.name);
    // A template holds the stream link in the plug-in's parameter and, where
    // it has one, in a fallback embed.
    ReplaceFirst(page, kStreamPlaceholder, streamLink);
    ReplaceFirst(page, kStreamPlaceholder, streamLink);
    ReplaceFirst(page, kSitePlaceholder, form.siteChecked ? form.siteLink : std::string());
    ReplaceFirst(
        page, kDescriptionPlaceholder, form.descriptionChecked ? form.description : std::string());
    ReplaceFirst(page, kLogoPlaceholder,
        form.logoChecked ? logoTag(logoFile) : std::string(kDefaultLogoTag));

    if (form.logoChecked && !logoFile.empty()) {
        // A failed copy leaves the page showing a missing picture; copying a
        // logo that already lies in place fails harmlessly too.
        std::error_code error;
        std::filesystem::copy_file(logoPath, htmlDir + "logo/" + logoFile,
            std::filesystem::copy_options::overwrite_existing, error);
    }

    if (!tester)
        return WriteTextFile(htmlDir + base + ".htm", page);

    const std::string testPage = htmlDir + base + "_temp.htm";
    if (!WriteTextFile(testPage, page))
        return false;
    tester->openInBrowser(testPage);
    tester->setAddEnabled(tester->ask(kTestResultTitle, kTestResultQuestion));
    tester->closeBrowserAndWait(1000);
    DeleteFile(testPage);
    return true;
}

void ReadStationPageText(std::string_view text, StationPageInfo& info)
{
    if (text.empty()) {
        info.title = info.streamLink = info.logoFile = info.liveId = info.siteLink
            = info.description = kNotFound;
        return;
    }
    info.liveId = ExtractBetween(text, kPageLiveStart, kPageLiveEnd);
    info.title = ExtractBetween(text, kPageTitleStart, kPageTitleEnd);
    info.streamLink = ExtractBetween(text, kPageWindowsMediaLinkStart, kPageStreamLinkEnd);
    info.windowsMedia = true;
    if (info.streamLink == kNotFound) {
        info.streamLink = ExtractBetween(text, kPageRealPlayerLinkStart, kPageStreamLinkEnd);
        // A page with neither link counts as a Windows Media page.
        info.windowsMedia = info.streamLink == kNotFound;
    }
    info.logoFile = ExtractBetween(text, kPageLogoStart, kPageLogoEnd);
    info.siteLink = ExtractBetween(text, kPageSiteLinkStart, kPageSiteLinkEnd);
    info.description = ExtractBetween(text, kPageDescriptionStart, kPageDescriptionEnd);
}

void ReadStationPage(const std::string& pagePath, StationPageInfo& info)
{
    info.pagePath = pagePath;
    ReadStationPageText(ReadTextFile(pagePath), info);
}
