// The station search on a catalogue of 10,000 stations: per query, the index
// is read from disk, listed, and every name folded and scanned, as the
// search dialog does. The text-only run leaves the disk out.
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "common/stationindex.h"
#include "common/stationsearch.h"
#include "common/textfile.h"

namespace {

struct Catalogue {
    std::string dir;
    std::string text;

    Catalogue()
    {
        std::string tmpl
            = (std::filesystem::temp_directory_path() / "search-bench-XXXXXX").string();
        dir = std::string(::mkdtemp(tmpl.data())) + "/";
        const std::vector<std::string> words
            = { "Radio", "FM", "\xC9toile", "\xE9t\xE9", "Nova", "Sud", "Ouest", "Bleue",
                  "Z\xE8"
                  "bre",
                  "Jazz", "Caf\xE9", "Ch\xE2teau", "Musique", "Info" };
        std::mt19937 rng(7);
        text = IndexHeader();
        for (int i = 0; i < 10000; ++i) {
            std::string name = words[rng() % words.size()];
            for (unsigned k = 1 + rng() % 2; k > 0; --k)
                name += " " + words[rng() % words.size()];
            name += " " + std::to_string(i);
            std::string line
                = "<option value=\"page" + std::to_string(i) + ".htm\">" + name + "</option>";
            text += (i % 4 == 0 ? "<!--" + line + "-->" : line) + "\r\n";
        }
        text += IndexFooter();
        WriteTextFile(IndexPath(dir), text);
    }
    ~Catalogue() { std::filesystem::remove_all(dir); }
};

Catalogue& catalogue()
{
    static Catalogue instance;
    return instance;
}

// A query without accents, in capitals, that matches accented names.
const std::string kQuery = "CHATEAU";

void BM_SearchIndexFile(benchmark::State& state)
{
    const std::string index = IndexPath(catalogue().dir);
    std::size_t found = 0;
    for (auto _ : state) {
        const auto results = SearchStations(ReadTextFile(index), kQuery);
        found = results.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["results"] = static_cast<double>(found);
}
BENCHMARK(BM_SearchIndexFile)->Unit(benchmark::kMillisecond);

void BM_SearchIndexText(benchmark::State& state)
{
    const std::string& text = catalogue().text;
    for (auto _ : state)
        benchmark::DoNotOptimize(SearchStations(text, kQuery));
}
BENCHMARK(BM_SearchIndexText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
