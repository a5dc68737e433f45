// The station directory against the local fixture server: a search for
// jazz in France from the request to the rows on show (the server list
// asked once, as a window does), and the adding of a result with its icon,
// with the bytes the page and the logo leave in the HTML directory.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "common/directoryfetch.h"
#include "common/stationdirectory.h"
#include "common/stationindex.h"
#include "common/stationpage.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

constexpr const char* kUserAgent = "Sonalto/bench";

struct Fixture {
    testsupport::TempDir root { "sonalto-dirbench" };
    testsupport::HttpServer server;
    std::vector<std::string> servers;

    Fixture()
    {
        if (server.start(root.path()))
            servers = ResolveDirectoryServers({ server.url("/_dir") }, kUserAgent, 5);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_SearchToRows(benchmark::State& state)
{
    DirectoryQuery query;
    query.countryCode = "FR";
    query.tag = "jazz";
    const std::string path = DirectorySearchPath(query);
    std::size_t rows = 0;
    for (auto _ : state) {
        const DirectoryReply reply
            = FetchFromDirectory(fixture().servers, path, kUserAgent, 5, 16 << 20);
        rows = FilterDirectory(ReadDirectoryStations(reply.body).stations, "", false).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SearchToRows)->Unit(benchmark::kMillisecond);

void BM_AddWithIcon(benchmark::State& state)
{
    DirectoryQuery query;
    query.name = "Jazz";
    query.countryCode = "FR";
    const DirectoryReply reply = FetchFromDirectory(
        fixture().servers, DirectorySearchPath(query), kUserAgent, 5, 16 << 20);
    const DirectoryStation station = ReadDirectoryStations(reply.body).stations.at(0);
    std::uintmax_t pageBytes = 0;
    std::uintmax_t logoBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        testsupport::TempDir html("sonalto-dirbench-html");
        for (const char* name : { "realplayer.htm", "mediaplayer.htm" })
            std::filesystem::copy_file(std::string(SONALTO_SOURCE_HTML) + name, html.path() + name);
        WriteTextFile(IndexPath(html.path()), EmptyIndexText());
        state.ResumeTiming();

        const std::string icon = html.path() + "icon.png";
        FetchDirectoryFile(station.favicon, icon, kUserAgent, 5, 2 << 20);
        const DirectoryAdd add = AddDirectoryStation(html.path(), station, icon, false);

        state.PauseTiming();
        StationPageInfo info;
        const std::string page = html.path() + "Jazz_\xC3\xA0_Paris.htm";
        ReadStationPage(page, info);
        if (add.result == DirectoryAddResult::Added) {
            pageBytes = std::filesystem::file_size(page);
            logoBytes = std::filesystem::file_size(html.path() + "logo/" + info.logoFile);
        }
        state.ResumeTiming();
    }
    state.counters["page_bytes"] = static_cast<double>(pageBytes);
    state.counters["logo_bytes"] = static_cast<double>(logoBytes);
}
BENCHMARK(BM_AddWithIcon)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
