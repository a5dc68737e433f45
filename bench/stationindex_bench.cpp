// Station index operations on a catalogue of 10,000 stations, a quarter of
// them inactive, each with its page, written to a temporary HTML directory.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include <benchmark/benchmark.h>

#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/textfile.h"

namespace {

struct Catalogue {
    std::string dir;
    std::string index;
    std::string text;
    std::vector<std::string> names;
    std::unordered_set<std::string> personal;

    Catalogue()
    {
        std::string tmpl
            = (std::filesystem::temp_directory_path() / "stationindex-bench-XXXXXX").string();
        dir = std::string(::mkdtemp(tmpl.data())) + "/";
        std::filesystem::create_directories(dir + "logo");
        index = IndexPath(dir);

        const std::vector<std::string> words
            = { "Radio", "FM", "\xC9toile", "\xE9t\xE9", "Nova", "Sud", "Ouest", "Bleue",
                  "Z\xE8"
                  "bre",
                  "Jazz", "Caf\xE9", "Ch\xE2teau", "Musique", "Info" };
        std::mt19937 rng(42);
        for (int i = 0; i < 10000; ++i) {
            std::string name = words[rng() % words.size()];
            for (unsigned k = 1 + rng() % 2; k > 0; --k)
                name += " " + words[rng() % words.size()];
            names.push_back(name + " " + std::to_string(i));
        }
        std::sort(names.begin(), names.end(),
            [](const auto& a, const auto& b) { return CompareStationNames(a, b) < 0; });

        text = IndexHeader();
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string file = names[i];
            std::replace(file.begin(), file.end(), ' ', '_');
            const std::string line = "<option value=\"" + file + ".htm\">" + names[i] + "</option>";
            // Every station has its page, which a removal looks through for
            // the pictures and playlists that other stations still use.
            std::ofstream(dir + FileNameOnDisk(file + ".htm"), std::ios::binary)
                << "<font name=\"titre\">" << names[i]
                << "</font>\r\n<IMG SRC=\"logo/sntlogo.jpg\" "
                << "BORDER=0 WIDTH=66 HEIGHT=50>\r\n<PARAM NAME=\"filename\" VALUE=\"http://s/" << i
                << "\">\r\n";
            text += i % 4 == 3 ? "<!--" + line + "-->\r\n" : line + "\r\n";
            if (rng() % 2 == 0)
                personal.insert(names[i]);
        }
        text += IndexFooter();
        WriteTextFile(index, text);
    }
    ~Catalogue() { std::filesystem::remove_all(dir); }
};

Catalogue& catalogue()
{
    static Catalogue c;
    return c;
}

void BM_ListStations(benchmark::State& state)
{
    const auto& c = catalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(ListStations(c.text));
}

void BM_ReadAndListStations(benchmark::State& state)
{
    const auto& c = catalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(ListStations(ReadTextFile(c.index)));
}

void BM_FindStationLine(benchmark::State& state)
{
    const auto& c = catalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(FindStationLine(c.text, c.names.back()));
}

void BM_FindPageFileByPrefix(benchmark::State& state)
{
    const auto& c = catalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(FindPageFileByPrefix(c.text, c.names.back()));
}

void BM_InsertStation(benchmark::State& state)
{
    const auto& c = catalogue();
    for (auto _ : state) {
        state.PauseTiming();
        WriteTextFile(c.index, c.text);
        state.ResumeTiming();
        if (!InsertStation(c.index, "Musique Nouvelle"))
            state.SkipWithError("insert failed");
    }
}

void BM_RemoveStation(benchmark::State& state)
{
    const auto& c = catalogue();
    const std::string& name = c.names[c.names.size() / 2 + 3]; // an inactive line
    const std::string page = FindStationLine(c.text, name).pageFile;
    for (auto _ : state) {
        state.PauseTiming();
        WriteTextFile(c.index, c.text);
        WriteTextFile(c.dir + FileNameOnDisk(page),
            "<IMG SRC=\"logo/bench.jpg\" BORDER=0 WIDTH=66 HEIGHT=50>\r\n"
            "<PARAM NAME=\"filename\" VALUE=\"bench.asx\">\r\n");
        WriteTextFile(c.dir + "logo/bench.jpg", "jpg");
        WriteTextFile(c.dir + "bench.asx", "asx");
        state.ResumeTiming();
        if (!RemoveStation(c.index, name))
            state.SkipWithError("remove failed");
    }
}

void BM_ApplyPersonalList(benchmark::State& state)
{
    const auto& c = catalogue();
    const auto isPersonal = [&c](const std::string& name) { return c.personal.count(name) > 0; };
    for (auto _ : state) {
        state.PauseTiming();
        WriteTextFile(c.index, c.text);
        state.ResumeTiming();
        if (!ApplyPersonalList(c.index, c.names, isPersonal))
            state.SkipWithError("apply failed");
    }
}

void BM_ApplyPersonalListText(benchmark::State& state)
{
    const auto& c = catalogue();
    const auto isPersonal = [&c](const std::string& name) { return c.personal.count(name) > 0; };
    for (auto _ : state)
        benchmark::DoNotOptimize(ApplyPersonalListText(c.text, c.names, isPersonal));
}

} // namespace

BENCHMARK(BM_ListStations)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndListStations)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindStationLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPageFileByPrefix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertStation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveStation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyPersonalList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyPersonalListText)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
