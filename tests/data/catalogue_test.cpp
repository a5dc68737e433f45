// The installation directory as the build lays it out: templates, frame
// pages, pictures, appearances and the default catalogue, read back with the
// same routines the programs use.

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include "common/cp1252.h"
#include "common/pagemarkers.h"
#include "common/profile.h"
#include "common/settings.h"
#include "common/stationindex.h"
#include "common/stationpage.h"
#include "common/textfile.h"
#include "stationlist.h"

namespace fs = std::filesystem;

namespace {

const std::string kHtml = SONALTO_HTML_TREE;

std::vector<CatalogueStation> catalogue()
{
    std::vector<CatalogueStation> stations;
    std::string error;
    EXPECT_TRUE(ReadCatalogue(SONALTO_STATION_FILE, stations, error)) << error;
    return stations;
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

QImage picture(const std::string& path)
{
    return QImage(QString::fromStdString(path));
}

// The value of the NAME attribute of every <FRAME> tag, with its SRC.
std::map<std::string, std::string> frames(const std::string& page)
{
    std::map<std::string, std::string> result;
    const std::string lowered = cp1252::lower(page);
    for (std::size_t at = lowered.find("<frame "); at != std::string::npos;
         at = lowered.find("<frame ", at + 1)) {
        const std::string tag = page.substr(at, page.find('>', at) - at);
        result[ExtractBetween(tag, "name=\"", "\"")] = ExtractBetween(tag, "src=\"", "\"");
    }
    return result;
}

TEST(ShippedCatalogue, templatesCarryEveryPlaceholderBetweenTheReadersMarkers)
{
    const struct {
        const char* file;
        bool windowsMedia;
    } templates[] = { { "mediaplayer.htm", true }, { "realplayer.htm", false } };
    for (const auto& t : templates) {
        SCOPED_TRACE(t.file);
        const std::string text = ReadTextFile(kHtml + t.file);
        StationPageInfo info;
        ReadStationPage(kHtml + t.file, info);
        EXPECT_EQ(info.title, "!NomRadio!");
        EXPECT_EQ(info.streamLink, "!NomFichierRadio!");
        EXPECT_EQ(info.windowsMedia, t.windowsMedia);
        EXPECT_EQ(info.siteLink, "!LienHTTPRadio!");
        EXPECT_EQ(info.description, "!Description!");
        // The live link is laid in by the catalogue tool only; pages made by
        // the editor have none.
        EXPECT_EQ(info.liveId, kNotFound);
        EXPECT_EQ(count(text, "<!--!LienLive!-->"), 1u);
        EXPECT_EQ(count(text, "!NomRadio!"), 1u);
        EXPECT_EQ(count(text, "!NomFichierRadio!"), 2u);
        EXPECT_EQ(count(text, "!LienHTTPRadio!"), 1u);
        EXPECT_EQ(count(text, "!Description!"), 1u);
        EXPECT_EQ(count(text, "!NomFichierLogo!"), 1u);
        EXPECT_EQ(count(text, "app:rec()"), 1u);
    }
}

TEST(ShippedCatalogue, everyStationPageReadsBackAsTheStationFileSaysWithItsLogo)
{
    const std::vector<CatalogueStation> stations = catalogue();
    ASSERT_GE(stations.size(), 25u);
    for (const CatalogueStation& s : stations) {
        SCOPED_TRACE(s.name);
        const std::string base = CatalogueBaseName(s.name);
        StationPageInfo info;
        ReadStationPage(kHtml + base + ".htm", info);
        EXPECT_EQ(info.title, cp1252::fromUtf8(s.name));
        EXPECT_EQ(info.streamLink, cp1252::fromUtf8(s.stream));
        EXPECT_EQ(info.siteLink, cp1252::fromUtf8(s.site));
        EXPECT_EQ(info.description, cp1252::fromUtf8(s.description));
        // Every station has the now-playing link; an empty address for a
        // station without a feed.
        EXPECT_EQ(info.liveId, cp1252::fromUtf8(s.live));
        EXPECT_EQ(info.logoFile, base + ".jpg");
        EXPECT_EQ(picture(kHtml + "logo/" + info.logoFile).size(), QSize(66, 50));
    }
}

TEST(ShippedCatalogue, indexListsExactlyTheCatalogueSortedAndActive)
{
    const std::string index = ReadTextFile(kHtml + "haut.htm");
    ASSERT_EQ(index.rfind(IndexHeader(), 0), 0u) << "the index starts with its fixed header";
    const std::vector<StationEntry> listed = ListStations(index);

    std::map<std::string, std::string> expected;
    for (const CatalogueStation& s : catalogue())
        expected[cp1252::fromUtf8(s.name)] = CatalogueBaseName(s.name) + ".htm";
    std::map<std::string, std::string> got;
    for (const StationEntry& e : listed) {
        EXPECT_TRUE(e.active) << e.name;
        got[e.name] = e.pageFile;
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(listed.size(), expected.size()) << "no station is listed twice";
    for (std::size_t i = 1; i < listed.size(); ++i)
        EXPECT_LE(CompareStationNames(listed[i - 1].name, listed[i].name), 0)
            << listed[i - 1].name << " before " << listed[i].name;
}

TEST(ShippedCatalogue, localStreamsShipBesideThePages)
{
    int local = 0;
    for (const CatalogueStation& s : catalogue()) {
        if (s.stream.find("://") != std::string::npos)
            continue;
        ++local;
        SCOPED_TRACE(s.stream);
        const std::string audio = ReadTextFile(kHtml + s.stream);
        ASSERT_GT(audio.size(), 50000u);
        EXPECT_EQ(audio.substr(0, 4), "OggS");
    }
    EXPECT_GE(local, 1) << "one station plays without a connection";
}

TEST(ShippedCatalogue, framePagesNameTheFramesThePlayerTargets)
{
    const auto normal = frames(ReadTextFile(kHtml + "index.htm"));
    EXPECT_EQ(normal,
        (std::map<std::string, std::string> {
            { "haut", "haut.htm" }, { "live", "bienvenue.htm" } }));
    const auto mini = frames(ReadTextFile(kHtml + "indexmini.htm"));
    EXPECT_EQ(mini,
        (std::map<std::string, std::string> { { "main", "haut.htm" }, { "live", "black.htm" } }));
}

TEST(ShippedCatalogue, everyPageIsWindows1252WithCrLfAndDeclaresItsCharset)
{
    int pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kHtml)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".htm")
            continue;
        ++pages;
        SCOPED_TRACE(entry.path().string());
        const std::string text = ReadTextFile(entry.path().string());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            // Bytes that Windows-1252 leaves undefined, and control characters.
            const bool undefined = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
            ASSERT_FALSE(undefined || (c < 0x20 && c != '\t' && c != '\r' && c != '\n'))
                << "byte " << int(c) << " at " << i;
            if (c == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "lone LF at " << i;
            }
            if (c == '\r') {
                ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "lone CR at " << i;
            }
        }
        EXPECT_NE(cp1252::findNoCase(text, "charset=iso-8859-1"), std::string::npos);
    }
    EXPECT_GT(pages, 30);
}

TEST(ShippedCatalogue, appearancesAreCompleteAndTheStandardOneIsInstalled)
{
    int listed = 0;
    for (const auto& entry : fs::directory_iterator(kHtml + "Skins")) {
        if (!entry.is_directory())
            continue;
        const std::string dir = entry.path().string() + "/";
        SCOPED_TRACE(dir);
        Profile skin;
        ASSERT_TRUE(skin.load(dir + "skin.ini"));
        const std::string name = skin.get("Skin Snt", "Nom");
        const std::string preview = skin.get("Skin Snt", "Preview");
        EXPECT_FALSE(name.empty());
        EXPECT_FALSE(picture(dir + preview).isNull()) << preview;
        for (const char* file : { "index.htm", "bas.css", "haut.css" })
            EXPECT_FALSE(ReadTextFile(dir + file).empty()) << file;
        EXPECT_EQ(frames(ReadTextFile(dir + "index.htm")).count("live"), 1u);
        ++listed;
        if (name == "Skin Standard") {
            for (const char* file : { "index.htm", "bas.css", "haut.css" })
                EXPECT_EQ(ReadTextFile(dir + file), ReadTextFile(kHtml + file)) << file;
        }
    }
    EXPECT_GE(listed, 2);
}

TEST(ShippedCatalogue, sharedPicturesHaveTheSizesThePagesAsk)
{
    EXPECT_EQ(picture(kHtml + "logo/sntlogo.jpg").size(), QSize(66, 50));
    EXPECT_EQ(picture(kHtml + "home.gif").size(), QSize(25, 25));
    EXPECT_FALSE(picture(kHtml + "introuvable.jpg").isNull());
}

// A list published as the README shows it is newer than the shipped one,
// or the updater would never offer it.
TEST(ShippedFiles, readmePublishingExampleIsNewerThanTheShippedList)
{
    const fs::path data = fs::path(SONALTO_STATION_FILE).parent_path();
    const std::string readme = ReadTextFile((data.parent_path() / "README.md").string());
    const std::size_t at = readme.find("--list-date ");
    ASSERT_NE(at, std::string::npos);
    std::time_t example = 0;
    ASSERT_TRUE(
        ParseSettingsDate(readme.substr(at + 12, readme.find(' ', at + 12) - at - 12), example));
    Profile versions;
    ASSERT_TRUE(versions.load((data / "versions.txt").string()));
    std::time_t shipped = 0;
    ASSERT_TRUE(ParseSettingsDate(versions.get("Version Liste Radio", "Date"), shipped));
    EXPECT_GT(example, shipped);
}

} // namespace
