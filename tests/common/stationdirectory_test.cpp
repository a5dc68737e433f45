#include "common/stationdirectory.h"

#include "common/pagename.h"

#include <string>
#include <vector>

#include <filesystem>

#include <gtest/gtest.h>

#include "common/stationindex.h"
#include "common/stationpage.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

// Answers shaped like the directory's, with the oddities met in its data.
constexpr const char* kJazzInFrance = R"json([
  {"stationuuid":"9617a958-0601-11e8-ae97-52543be04c81","name":"FIP Jazz",
   "url":"http://icecast.radiofrance.fr/fipjazz-midfi.mp3",
   "url_resolved":"https://icecast.radiofrance.fr/fipjazz-midfi.mp3",
   "homepage":"https://www.fip.fr/","favicon":"https://www.fip.fr/favicon.png",
   "tags":"jazz,public radio","country":"France","countrycode":"FR",
   "language":"french","codec":"MP3","bitrate":128,"lastcheckok":1},
  {"stationuuid":"b2","name":"  Jazz Café Élysée\r\n","url":"http://jazz.example/stream.pls",
   "url_resolved":"","homepage":"javascript:alert(1)","favicon":"",
   "tags":"","country":"France","countrycode":"FR","language":"","codec":"AAC+",
   "bitrate":"64","lastcheckok":1},
  {"stationuuid":"b3","name":"Jazz cassé","url_resolved":"http://dead.example/",
   "country":"France","countrycode":"FR","codec":"MP3","bitrate":0,"lastcheckok":0},
  {"stationuuid":"b4","name":"Jazz local","url_resolved":"file:///etc/passwd","lastcheckok":1},
  {"stationuuid":"b5","name":"","url_resolved":"http://noname.example/","lastcheckok":1},
  "pas un objet"
])json";

TEST(StationDirectory, readsStationsKeepingOnlyPlayableWebStreams)
{
    const DirectoryAnswer answer = ReadDirectoryStations(kJazzInFrance);
    ASSERT_TRUE(answer.error.empty());
    ASSERT_EQ(answer.stations.size(), 3u);

    const DirectoryStation& fip = answer.stations[0];
    EXPECT_EQ(fip.stream, "https://icecast.radiofrance.fr/fipjazz-midfi.mp3");
    EXPECT_EQ(fip.bitrate, 128);
    EXPECT_TRUE(fip.working);
    EXPECT_EQ(DirectoryDescription(fip), "France - french - jazz,public radio");

    // A name trimmed to one line, the plain address when none was resolved,
    // a bit rate given as text, a home page that is no web address dropped.
    const DirectoryStation& cafe = answer.stations[1];
    EXPECT_EQ(cafe.name, "Jazz Café Élysée");
    EXPECT_EQ(cafe.stream, "http://jazz.example/stream.pls");
    EXPECT_EQ(cafe.bitrate, 64);
    EXPECT_EQ(cafe.homepage, "");
    EXPECT_EQ(DirectoryDescription(cafe), "France");

    EXPECT_FALSE(answer.stations[2].working);

    struct Case {
        const char* text;
        bool showBroken;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        { "", false, { "FIP Jazz", "Jazz Café Élysée" } },
        { "", true, { "FIP Jazz", "Jazz Café Élysée", "Jazz cassé" } },
        { "CAFE ELYSEE", false, { "Jazz Café Élysée" } },
        { "casse", false, {} },
        { "casse", true, { "Jazz cassé" } },
    };
    for (const Case& c : cases) {
        std::vector<std::string> names;
        for (const DirectoryStation& s : FilterDirectory(answer.stations, c.text, c.showBroken))
            names.push_back(s.name);
        EXPECT_EQ(names, c.names) << c.text << ' ' << c.showBroken;
    }
}

TEST(StationDirectory, turnsAnswersThatAreNotStationListsIntoAnError)
{
    for (const char* answer :
        { "<html><body>502 Bad Gateway</body></html>", "", "{\"name\":\"FIP\"}", "[{\"name\":" }) {
        const DirectoryAnswer read = ReadDirectoryStations(answer);
        EXPECT_EQ(read.error, "La réponse de l'annuaire n'est pas lisible.") << answer;
        EXPECT_TRUE(read.stations.empty());
    }
    EXPECT_TRUE(ReadDirectoryStations("[]").error.empty());
}

TEST(StationDirectory, buildsRequestsAndReadsTheServerList)
{
    DirectoryQuery query;
    query.name = "Rock & Folk été";
    query.countryCode = "FR";
    EXPECT_EQ(DirectorySearchPath(query),
        "/json/stations/search?order=votes&reverse=true&limit=200"
        "&name=Rock%20%26%20Folk%20%C3%A9t%C3%A9&countrycode=FR&hidebroken=true");
    EXPECT_EQ(DirectoryClickPath("9617a958-0601"), "/json/url/9617a958-0601");

    EXPECT_EQ(ReadDirectoryServers(R"([{"ip":"1.2.3.4","name":"de1.api.radio-browser.info"},
        {"name":"fr1.api.radio-browser.info"},{"name":"de1.api.radio-browser.info"},
        {"name":"evil/../path"},{"ip":"5.6.7.8"}])"),
        (std::vector<std::string> { "de1.api.radio-browser.info", "fr1.api.radio-browser.info" }));
    EXPECT_TRUE(ReadDirectoryServers("<html>").empty());
}

// The shipped templates and an empty index: the HTML directory of a fresh
// installation.
struct FreshHtml {
    testsupport::TempDir dir;
    std::string html = dir.path();
    FreshHtml()
    {
        for (const char* name : { "realplayer.htm", "mediaplayer.htm" })
            std::filesystem::copy_file(std::string(SONALTO_SOURCE_HTML) + name, html + name);
        std::filesystem::create_directory(html + "logo");
        WriteTextFile(IndexPath(html), EmptyIndexText());
    }
};

TEST(StationDirectory, addsAResultAsARealStationOfTheList)
{
    FreshHtml fresh;
    const auto stations = ReadDirectoryStations(kJazzInFrance).stations;
    const std::string logo = fresh.dir.path() + "favicon à télécharger.png";
    ASSERT_TRUE(WriteTextFile(logo, "\x89PNG\r\n\x1a\n"));
    ASSERT_TRUE(WriteTextFile(fresh.html + "logo/Jazz_Cafe_Elysee.png", "autre"));

    const DirectoryAdd cafe = AddDirectoryStation(fresh.html, stations[1], logo, false);
    ASSERT_EQ(cafe.result, DirectoryAddResult::Added) << cafe.message;
    StationPageInfo info;
    // The index names the page in Windows-1252; the disk holds its UTF-8 name.
    ReadStationPage(fresh.html
            + FileNameOnDisk("Jazz_Caf\xE9_\xC9lys\xE9"
                             "e.htm"),
        info);
    EXPECT_EQ(info.title,
        "Jazz Caf\xE9 \xC9lys\xE9"
        "e");
    EXPECT_EQ(info.streamLink, "http://jazz.example/stream.pls");
    EXPECT_EQ(info.description, "France");
    // The logo is named after the station, in plain ASCII; another picture
    // already holding that name keeps it.
    EXPECT_EQ(info.logoFile, "Jazz_Cafe_Elysee_2.png");
    EXPECT_EQ(ReadTextFile(fresh.html + "logo/" + info.logoFile), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(ReadTextFile(fresh.html + "logo/Jazz_Cafe_Elysee.png"), "autre");
    const auto listed = ListStations(ReadTextFile(IndexPath(fresh.html)));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(listed[0].active);

    // The same name again: asked first, then added under a number.
    const DirectoryAdd again = AddDirectoryStation(fresh.html, stations[1], "", false);
    EXPECT_EQ(again.result, DirectoryAddResult::NameExists);
    EXPECT_EQ(again.message,
        "« Jazz Café Élysée » est déjà dans votre liste.\nAjouter une seconde station de ce nom ?");
    const DirectoryAdd second = AddDirectoryStation(fresh.html, stations[1], "", true);
    ASSERT_EQ(second.result, DirectoryAddResult::Added) << second.message;
    EXPECT_EQ(second.name,
        "Jazz Caf\xE9 \xC9lys\xE9"
        "e (2)");
    EXPECT_EQ(ListStations(ReadTextFile(IndexPath(fresh.html))).size(), 2u);
}

TEST(StationDirectory, refusesNamesThatCannotNameAPageAndChangesNothing)
{
    FreshHtml fresh;
    const std::string index = ReadTextFile(IndexPath(fresh.html));
    DirectoryStation station = ReadDirectoryStations(kJazzInFrance).stations[0];
    for (const char* name : { "../../.bashrc", "AC/DC Radio", "<script>alert(1)</script>",
             "Радио Джаз", ".cachée", "Rock &amp; Folk" }) {
        station.name = name;
        const DirectoryAdd add = AddDirectoryStation(fresh.html, station, "", true);
        EXPECT_EQ(add.result, DirectoryAddResult::UnsafeName) << name;
        EXPECT_EQ(add.message,
            std::string("Le nom « ") + name
                + " » ne peut pas servir de nom de page : la station n'a pas été ajoutée.");
    }
    station.name = "Rock & Folk";
    EXPECT_EQ(
        AddDirectoryStation(fresh.html, station, "", false).result, DirectoryAddResult::Added);
    EXPECT_NE(ReadTextFile(IndexPath(fresh.html)), index);

    // An HTML directory whose index is missing is not given a new one.
    FreshHtml broken;
    DeleteFile(IndexPath(broken.html));
    station.name = "FIP Jazz";
    EXPECT_EQ(AddDirectoryStation(broken.html, station, "", false).result,
        DirectoryAddResult::WriteFailed);
    EXPECT_FALSE(FileExists(IndexPath(broken.html)));
    EXPECT_FALSE(FileExists(broken.html + "FIP_Jazz.htm"));
}

} // namespace
