// The index rebuild over an HTML directory of 10,000 station pages of about
// 2 KB each, against the floor of any rebuild: opening and reading every one
// of those files. The run ends with both times and their ratio.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "common/rebuild.h"
#include "common/stationindex.h"
#include "common/textfile.h"

namespace {

constexpr int kPages = 10000;

struct HtmlDir {
    std::string dir;
    std::vector<std::string> files;

    HtmlDir()
    {
        std::string tmpl
            = (std::filesystem::temp_directory_path() / "rebuild-bench-XXXXXX").string();
        dir = std::string(::mkdtemp(tmpl.data())) + "/";

        const std::vector<std::string> words = { "Radio", "FM", "\xC9toile", "\xE9t\xE9", "Nova",
            "Sud", "Ouest", "Bleue", "Jazz", "Caf\xE9", "Ch\xE2teau", "Musique", "Info" };
        std::mt19937 rng(42);
        std::string index = IndexHeader();
        for (int i = 0; i < kPages; ++i) {
            std::string name = words[rng() % words.size()];
            for (unsigned k = 1 + rng() % 2; k > 0; --k) {
                name += ' ';
                name += words[rng() % words.size()];
            }
            name += ' ';
            name += std::to_string(i);
            std::string file = name + ".htm";
            for (char& c : file)
                if (c == ' ')
                    c = '_';
            files.push_back(file);
            std::ofstream(dir + file, std::ios::binary) << page(name, file);
            // A quarter of the stations were taken out of the personal list.
            const bool inactive = i % 4 == 3;
            if (inactive)
                index += "<!--";
            index += "<option value=\"" + file + "\">" + name + "</option>";
            if (inactive)
                index += "-->";
            index += "\r\n";
        }
        index += IndexFooter();
        std::ofstream(dir + "haut.htm", std::ios::binary) << index;
        files.push_back("haut.htm");
    }
    ~HtmlDir() { std::filesystem::remove_all(dir); }

    static std::string page(const std::string& name, const std::string& file)
    {
        std::string text = "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" "
                           "CONTENT=\"text/html; charset=iso-8859-1\">\r\n"
                           "<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"bas.css\">\r\n"
                           "</HEAD>\r\n<BODY>\r\n<TABLE WIDTH=\"100%\">\r\n<TR>\r\n"
                           "<td valign=\"middle\"><a href=\"http://www.example.org/"
            + file
            + "\" target=_blank><IMG SRC=\"logo/sntlogo.jpg\" BORDER=0 WIDTH=66 "
              "HEIGHT=50></a></td>\r\n"
              "<TD><font name=\"titre\">"
            + name
            + "</font></TD>\r\n"
              "<TD><a href=\"app:live('http://feeds.example.org/"
            + file
            + "')\">Titre en cours</a> <a href=\"app:rec()\">Enregistrer</a></TD>\r\n"
              "</TR>\r\n</TABLE>\r\n"
              "<OBJECT ID=\"NSPlay\" CLASSID=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\">\r\n"
              "<PARAM NAME=\"filename\" value=\"http://streams.example.org/"
            + file + "\">\r\n";
        for (const char* param : { "AudioStream", "AutoSize", "AutoStart", "AnimationAtStart",
                 "BufferingTime", "DisplaySize", "EnableContextMenu", "ShowControls",
                 "ShowAudioControls", "ShowDisplay", "ShowGotoBar", "ShowStatusBar", "ShowTracker",
                 "TransparentAtStart", "Volume", "Balance", "Mute", "Rate" })
            text += "<PARAM NAME=\"" + std::string(param) + "\" VALUE=\"0\">\r\n";
        text += "</OBJECT>\r\n<!-- la description entre <small> et </small> -->\r\n<small>";
        while (text.size() < 1950)
            text += "Musique, informations et d\xE9"
                    "couvertes toute la journ\xE9"
                    "e. ";
        return text + "</small>\r\n</BODY>\r\n</HTML>\r\n";
    }
};

HtmlDir& htmlDir()
{
    static HtmlDir d;
    return d;
}

void BM_RebuildIndex(benchmark::State& state)
{
    auto& d = htmlDir();
    for (auto _ : state)
        benchmark::DoNotOptimize(RebuildIndex(d.dir));
}

// Open and read every file of the directory whole, nothing more.
void BM_ReadAllFiles(benchmark::State& state)
{
    auto& d = htmlDir();
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::string& file : d.files) {
            const int fd = ::open((d.dir + file).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
                total += static_cast<std::size_t>(n);
            ::close(fd);
        }
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK(BM_RebuildIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAllFiles)->Unit(benchmark::kMillisecond);

// Keeps the real time of each benchmark for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the median stands for the benchmark.
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !m_median.count(run.run_name.function_name))
                m_ms[run.run_name.function_name] = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_ms[run.run_name.function_name] = run.GetAdjustedRealTime();
                m_median.insert(run.run_name.function_name);
            }
        }
    }

    double milliseconds(const std::string& name) const
    {
        const auto it = m_ms.find(name);
        return it == m_ms.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_ms;
    std::set<std::string> m_median;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    htmlDir(); // the pages are written once, before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double rebuild = reporter.milliseconds("BM_RebuildIndex");
    const double read = reporter.milliseconds("BM_ReadAllFiles");
    if (rebuild > 0 && read > 0)
        std::printf("\n%d pages: rebuild %.1f ms, plain read %.1f ms, ratio %.2f (target <= 2)\n",
            kPages, rebuild, read, rebuild / read);
    benchmark::Shutdown();
    return 0;
}
