// The song journal window opening on a year of listening: 100,000 songs in
// twelve month files, read newest first, then the first search typed. Built
// with the player, the whole window is opened too, drawn offscreen.
#include <cstdio>
#include <filesystem>
#include <string>

#include <stdlib.h>

#include <benchmark/benchmark.h>

#include "common/songjournal.h"

#ifdef SONALTO_JOURNAL_WINDOW
#include <QApplication>

#include "nowplaying/heardsongs.h"
#include "nowplaying/journalwindow.h"
#endif

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
            // A song every five minutes or so, in the order heard.
            for (int i = 0; i < kSongs / 12 + 1; ++i) {
                const int second = i * 311;
                std::fprintf(file,
                    "2026-%02d-%02d %02d:%02d:%02d\t%s\tArtiste n°%d\tChanson d'été %d\t%d\n",
                    month, 1 + second / 86400, second / 3600 % 24, second / 60 % 60, second % 60,
                    stations[i % 5], i % 997, i, i % 50 == 0);
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

#ifdef SONALTO_JOURNAL_WINDOW
// From the menu's command to the window drawn with its first rows: the
// journal read, the filters filled, the table shown.
void BM_OpenJournalWindow(benchmark::State& state)
{
    const StationPageInfo station;
    HeardSongs heard(station, year().dir);
    const Settings settings;
    std::size_t shown = 0;
    for (auto _ : state) {
        auto* window = new JournalWindow(settings, heard);
        window->show();
        QApplication::processEvents();
        shown = window->model().rowCount();
        delete window;
    }
    state.counters["songs"] = static_cast<double>(shown);
}
BENCHMARK(BM_OpenJournalWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

} // namespace

int main(int argc, char** argv)
{
#ifdef SONALTO_JOURNAL_WINDOW
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
