// The song journal window opening on a year of listening: 100,000 songs in
// twelve month files, read newest first, then the first search typed.
#include <cstdio>
#include <filesystem>
#include <string>

#include <stdlib.h>

#include <benchmark/benchmark.h>

#include "common/songjournal.h"

namespace {

constexpr int kSongs = 100000;

struct Year {
    std::string dir;

    Year()
    {
        std::string tmpl
            = (std::filesystem::temp_directory_path() / "journal-bench-XXXXXX").string();
        dir = std::string(::mkdtemp(tmpl.data())) + "/";
        const char* stations[] = { "FIP", "Radio Nova", "France Inter", "Europe 1", "Chérie FM" };
        for (int month = 1; month <= 12; ++month) {
            char name[16];
            std::snprintf(name, sizeof name, "2026-%02d.tsv", month);
            std::FILE* file = std::fopen((dir + name).c_str(), "w");
            for (int i = 0; i < kSongs / 12 + 1; ++i) {
                std::fprintf(file,
                    "2026-%02d-%02d %02d:%02d:00\t%s\tArtiste n°%d\tChanson d'été %d\t%d\n", month,
                    1 + i % 28, (i / 60) % 24, i % 60, stations[i % 5], i % 997, i, i % 50 == 0);
            }
            std::fclose(file);
        }
    }
    ~Year() { std::filesystem::remove_all(dir); }
};

const Year& year()
{
    static const Year y;
    return y;
}

void BM_OpenJournal(benchmark::State& state)
{
    const SongJournal journal(year().dir);
    std::size_t shown = 0;
    for (auto _ : state) {
        const auto all = journal.ReadAll();
        shown = all.size();
        benchmark::DoNotOptimize(all.data());
    }
    state.counters["songs"] = static_cast<double>(shown);
}
BENCHMARK(BM_OpenJournal)->Unit(benchmark::kMillisecond);

void BM_SearchJournal(benchmark::State& state)
{
    const auto all = SongJournal(year().dir).ReadAll();
    std::size_t found = 0;
    for (auto _ : state) {
        found = FilterJournal(all, { "ETE 42", "", "", false }).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_SearchJournal)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
