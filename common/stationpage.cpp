#include "common/stationpage.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/cp1252.h"
#include "common/pagemarkers.h"
#include "common/pagename.h"
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

// The file name part of the chosen logo path, as it lies on disk. Paths
// chosen here use '/', and a name typed or stored with backslashes is split
// the same way.
std::string logoFileName(const std::string& logoPath)
{
    const std::size_t sep = logoPath.find_last_of("/\\");
    return sep == std::string::npos ? logoPath : logoPath.substr(sep + 1);
}

bool sameContent(const std::string& a, const std::string& b)
{
    const std::optional<std::string> left = TryReadTextFile(a);
    const std::optional<std::string> right = TryReadTextFile(b);
    return left && right && *left == *right;
}

// The name the chosen logo gets inside "logo/": its own name in plain ASCII,
// so that the page's address names it whatever the page's encoding. A name
// that another picture already holds gets a number, so that choosing a logo
// never replaces another station's; the same picture keeps its name.
std::string logoTarget(const std::string& htmlDir, const std::string& logoPath)
{
    const std::string base = AsciiLogoName(cp1252::fromUtf8(logoFileName(logoPath)));
    const std::size_t dot = base.find_last_of('.');
    const std::string stem = dot == std::string::npos ? base : base.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : base.substr(dot);
    std::string name = base;
    for (int n = 2;; ++n) {
        const std::string target = htmlDir + "logo/" + name;
        std::error_code error;
        if (!FileExists(target) || std::filesystem::equivalent(logoPath, target, error)
            || sameContent(logoPath, target))
            return name;
        name = stem + "_" + std::to_string(n) + extension;
    }
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

    // A name or a stored page file must not lead the page or the test page
    // out of the HTML directory.
    if (!IsSafeRelativePath(base + ".htm"))
        return false;
    const std::string chosenLogo = logoFileName(logoPath);
    if (form.logoChecked && (chosenLogo == "." || chosenLogo == ".."))
        return false; // a folder, not a picture
    const bool withLogo = form.logoChecked && !chosenLogo.empty();
    const std::string logoFile = withLogo ? logoTarget(htmlDir, logoPath) : std::string();

    std::string page = ReadTextFile(htmlDir + templateFor(form.playerType, streamLink));
    ReplaceFirst(page, kNamePlaceholder, form.name);
    // A template holds the stream link in the plug-in's parameter and, where
    // it has one, in a fallback embed.
    ReplaceFirst(page, kStreamPlaceholder, streamLink);
    ReplaceFirst(page, kStreamPlaceholder, streamLink);
    ReplaceFirst(page, kSitePlaceholder, form.siteChecked ? form.siteLink : std::string());
    ReplaceFirst(
        page, kDescriptionPlaceholder, form.descriptionChecked ? form.description : std::string());
    ReplaceFirst(
        page, kLogoPlaceholder, withLogo ? logoTag(logoFile) : std::string(kDefaultLogoTag));

    if (withLogo) {
        // A failed copy leaves the page showing a missing picture; a logo
        // that already lies in place is left alone.
        const std::string target = htmlDir + "logo/" + logoFile;
        std::error_code error;
        if (!std::filesystem::equivalent(logoPath, target, error)) {
            std::filesystem::create_directories(htmlDir + "logo", error);
            std::filesystem::copy_file(
                logoPath, target, std::filesystem::copy_options::overwrite_existing, error);
        }
    }

    // The index names the page in Windows-1252; the disk holds its UTF-8
    // name, which is the one the player opens.
    if (!tester)
        return WriteTextFile(htmlDir + FileNameOnDisk(base + ".htm"), page);

    const std::string testPage = htmlDir + FileNameOnDisk(base + "_temp.htm");
    if (!WriteTextFile(testPage, page))
        return false;
    // The player reads the page when the test begins: it is not needed once
    // the question is answered.
    tester->beginTest(testPage);
    tester->setAddEnabled(tester->ask(kTestResultTitle, kTestResultQuestion));
    tester->endTest();
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
