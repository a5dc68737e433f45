// A long run of the real player, as a listener leaves it on: the local test
// stream plays through a headless sound server, the station changes every
// minute, the server of the streams drops every few minutes and the song
// window stays open. Figures are printed, not asserted:
//
//   every minute  the resident memory (VmRSS) of the player and of every
//                 process under it, each process's own figure, how much
//                 sound reached the output during the minute and how often
//                 the song window read its feed
//   every change  the player's "first audio" after -radio, and when sound
//                 actually flows at the output
//   every drop    how long after the server went away sound played again,
//                 and the length of the silence
//   at the end    memory growth from minute 1 and the worst recovery, each
//                 against its target (growth under 5 MB, sound again within
//                 5 s of every drop)
//
//   soak_bench [--minutes N] [--drop-every M]      (defaults 60 and 10)
//
// A drop stops the HTTP server (its connections close) and starts it again
// at once on the same port, half a minute before the end of every M-th
// minute, away from the station changes at the start of each minute. What
// reaches the output is read from GStreamer's own debug log of the sinks
// ("rendering object", one line per buffer), whatever the player itself
// reports. run-soak.sh runs this under Xvfb; the sound server is started
// here.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/framepages.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using testsupport::Environment;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::TempDir;

// Command id of "Informations": opens the song window.
constexpr std::uint64_t kSongInformationCommand = 32839;
const char* const kSongWindowTitle = "Chanson en cours";

// The local stream is MPEG audio at 44.1 kHz: one buffer per frame of 1152
// samples reaches the output (the sink logs each buffer's times too).
constexpr double kSecondsPerBuffer = 1152.0 / 44100.0;
// Buffers arrive every 26 ms while sound plays: a longer pause is silence.
constexpr double kSilence = 0.5;
// After a drop, sound flowing this long without a pause is playing again;
// after a station change, this shorter time.
constexpr double kSteadyAfterDrop = 10.0;
constexpr double kSteadyAfterChange = 5.0;

constexpr double kGrowthTargetMiB = 5e6 / (1024.0 * 1024.0); // 5 MB
constexpr double kRecoveryTarget = 5.0;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

const Clock::time_point g_start = Clock::now();

double Now()
{
    return Seconds(Clock::now() - g_start).count();
}

std::string MinSec(double seconds)
{
    const int whole = static_cast<int>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

// ---------------------------------------------------------------------------
// The server of the pages' streams, feeds and covers, on a port that stays
// the same across drops (the station pages name it).

class StreamServer {
public:
    explicit StreamServer(std::string root)
        : m_root(std::move(root))
    {
    }

    bool start() { return launch(0); }

    // The drop: the server ends, closing its connections, and a new one
    // listens on the same port at once.
    bool restart()
    {
        m_process.terminate();
        if (!m_process.waitForExit(5s))
            m_process.kill();
        return launch(m_port);
    }

    int port() const { return m_port; }
    std::string output() const { return m_root + "server.out"; }
    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    bool launch(int port)
    {
        // Every server appends to the same file, its requests included (the
        // song window's feed reads are counted there).
        std::error_code error;
        const std::uintmax_t from
            = std::filesystem::exists(output()) ? std::filesystem::file_size(output(), error) : 0;
        if (!m_process.start("python3",
                { testsupport::SupportDirectory() + "/httpserver.py", "--root", m_root, "--port",
                    std::to_string(port), "--verbose" },
                { { "PYTHONUNBUFFERED", "1" } }, {}, output()))
            return false;
        // It prints its port on its first line once it listens.
        const auto deadline = Clock::now() + 10s;
        while (Clock::now() < deadline) {
            const std::string text = ReadTextFile(output());
            for (std::size_t at = from; at < text.size();) {
                std::size_t end = text.find('\n', at);
                if (end == std::string::npos)
                    break;
                const std::string line = text.substr(at, end - at);
                if (!line.empty() && std::all_of(line.begin(), line.end(), ::isdigit)) {
                    m_port = std::atoi(line.c_str());
                    return m_port > 0 && (port == 0 || m_port == port);
                }
                at = end + 1;
            }
            if (!m_process.isRunning())
                break;
            std::this_thread::sleep_for(10ms);
        }
        std::fprintf(stderr, "the HTTP server did not listen on port %d:\n%s\n", port,
            ReadTextFile(output()).substr(from).c_str());
        return false;
    }

    std::string m_root;
    Process m_process;
    int m_port = 0;
};

// ---------------------------------------------------------------------------
// Growing text files, read from a kept offset

class FileTail {
public:
    explicit FileTail(std::string path)
        : m_path(std::move(path))
    {
    }

    // The complete lines written since the last call.
    std::vector<std::string> readNew()
    {
        std::vector<std::string> lines;
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return lines;
        char buffer[1 << 16];
        ssize_t n;
        while ((n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(m_offset))) > 0) {
            m_pending.append(buffer, static_cast<std::size_t>(n));
            m_offset += static_cast<std::uint64_t>(n);
        }
        ::close(fd);
        std::size_t start = 0;
        for (std::size_t nl; (nl = m_pending.find('\n', start)) != std::string::npos;
             start = nl + 1)
            lines.push_back(m_pending.substr(start, nl - start));
        m_pending.erase(0, start);
        return lines;
    }

    // Gives back the disk space of what was read (the sinks' debug log grows
    // by some 200 MB an hour). The file keeps its size, and its writer its
    // offset: only the blocks already read become a hole.
    void releaseRead()
    {
        const std::uint64_t end = m_offset & ~std::uint64_t(0xFFFFF);
        if (end <= m_released)
            return;
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        if (::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                static_cast<off_t>(m_released), static_cast<off_t>(end - m_released))
            == 0)
            m_released = end;
        ::close(fd);
    }

    std::uint64_t offset() const { return m_offset; }

private:
    std::string m_path;
    std::uint64_t m_offset = 0;
    std::uint64_t m_released = 0;
    std::string m_pending;
};

// The buffers handed to the listener's output, from GStreamer's debug log
// of the sinks, on this program's clock (seconds since it started).
class OutputWatch {
public:
    explicit OutputWatch(const std::string& path)
        : m_tail(path)
    {
    }

    void poll()
    {
        const double seen = Now();
        for (const std::string& line : m_tail.readNew()) {
            // "0:01:02.123456789 <pid> <thread> DEBUG basesink file:line:
            //  function:<element> got times start: 0:00:01.0, end: 0:00:01.1"
            // then "...:<element> rendering object 0x..." for the same buffer.
            const bool times = line.find("> got times start: ") != std::string::npos;
            const std::size_t rendering = line.find("> rendering object");
            if (!times && rendering == std::string::npos)
                continue;
            const std::size_t open = line.rfind(":<", times ? line.find("> got times") : rendering);
            const std::size_t close = line.find('>', open);
            if (open == std::string::npos || close == std::string::npos)
                continue;
            const std::string element = line.substr(open + 2, close - open - 2);
            // The copy of the sound for the recorder is not what one hears,
            // nor the connection's sink, which feeds the player's queue.
            if (element == "sonalto-record-sink" || element == "sonalto-tap")
                continue;
            if (times) {
                const std::size_t start = line.find("start: ", close);
                const std::size_t end = line.find("end: ", close);
                const std::optional<double> from = Stamp(line, start + 7);
                const std::optional<double> to = Stamp(line, end + 5);
                if (start != std::string::npos && end != std::string::npos && from && to
                    && *to > *from)
                    m_duration[element] = *to - *from;
                continue;
            }
            const std::optional<double> logged = Stamp(line, 0);
            if (!logged)
                continue;
            // The log's clock starts with the player: its offset to ours is
            // at most the gap between writing and reading a line.
            m_offset = std::min(m_offset, seen - *logged);
            const auto known = m_duration.find(element);
            m_rendered.push_back(
                { *logged, known != m_duration.end() ? known->second : kSecondsPerBuffer });
            if (known != m_duration.end())
                m_duration.erase(known);
        }
        while (m_rendered.size() > 20000)
            m_rendered.pop_front();
        if (m_tail.offset() - m_lastRelease > (8u << 20)) {
            m_tail.releaseRead();
            m_lastRelease = m_tail.offset();
        }
    }

    // Times of the buffers rendered in [from, to).
    std::vector<double> between(double from, double to) const
    {
        std::vector<double> times;
        for (const auto& [logged, duration] : m_rendered) {
            const double t = logged + m_offset;
            if (t >= from && t < to)
                times.push_back(t);
        }
        return times;
    }

    // Seconds of sound in the buffers rendered in [from, to).
    double soundBetween(double from, double to) const
    {
        double sound = 0;
        for (const auto& [logged, duration] : m_rendered) {
            const double t = logged + m_offset;
            if (t >= from && t < to)
                sound += duration;
        }
        return sound;
    }

    std::optional<double> lastBefore(double when) const
    {
        std::optional<double> last;
        for (const auto& [logged, duration] : m_rendered) {
            if (logged + m_offset <= when)
                last = logged + m_offset;
        }
        return last;
    }

private:
    // "H:MM:SS.fraction" at pos.
    static std::optional<double> Stamp(const std::string& line, std::size_t pos)
    {
        int hours = 0, minutes = 0;
        double seconds = 0;
        if (pos >= line.size()
            || std::sscanf(line.c_str() + pos, "%d:%d:%lf", &hours, &minutes, &seconds) != 3)
            return std::nullopt;
        return hours * 3600.0 + minutes * 60.0 + seconds;
    }

    FileTail m_tail;
    std::map<std::string, double> m_duration; // of each sink's buffer on its way
    std::deque<std::pair<double, double>> m_rendered; // log time, seconds of sound
    double m_offset = 1e300;
    std::uint64_t m_lastRelease = 0;
};

// ---------------------------------------------------------------------------
// Memory of the player's processes

struct ProcessMemory {
    pid_t pid = 0;
    std::string name;
    long rssKib = 0;
    long pssKib = 0;
    long anonKib = 0; // private memory: what a leak grows, unlike pages of files
};

struct MemorySample {
    std::vector<ProcessMemory> processes;
    long rssKib = 0;
    long pssKib = 0;
    long anonKib = 0;
};

MemorySample SampleMemory(pid_t root)
{
    MemorySample sample;
    std::map<pid_t, std::string> types;
    for (const auto& [pid, parent] : testsupport::ProcessTree(root)) {
        const std::string dir = "/proc/" + std::to_string(pid);
        ProcessMemory p { pid, {}, -1, 0, 0 };
        for (const std::string& line : ReadLines(dir + "/status")) {
            if (line.rfind("Name:", 0) == 0)
                p.name = line.substr(std::min(line.size(), line.find_first_not_of(" \t", 5)));
            else if (line.rfind("VmRSS:", 0) == 0)
                p.rssKib = std::atol(line.c_str() + 6);
            else if (line.rfind("RssAnon:", 0) == 0)
                p.anonKib = std::atol(line.c_str() + 8);
        }
        if (p.rssKib < 0)
            continue; // gone, or a zombie
        // The web engine's processes differ by their --type=; what a zygote
        // forks (the pages' renderers) keeps the zygote's command line.
        const std::string command = ReadTextFile(dir + "/cmdline");
        const std::size_t type = command.find("--type=");
        if (type != std::string::npos) {
            types[pid] = command.substr(type + 7, command.find('\0', type) - type - 7);
            p.name += types[parent] == "zygote" ? "(zygote child)" : "(" + types[pid] + ")";
        }
        // Proportional set size: shared pages divided among their sharers,
        // so that the sum counts each page once.
        for (const std::string& line : ReadLines(dir + "/smaps_rollup")) {
            if (line.rfind("Pss:", 0) == 0)
                p.pssKib = std::atol(line.c_str() + 4);
        }
        sample.rssKib += p.rssKib;
        sample.pssKib += p.pssKib;
        sample.anonKib += p.anonKib;
        sample.processes.push_back(p);
    }
    return sample;
}

double MiB(long kib)
{
    return kib / 1024.0;
}

// ---------------------------------------------------------------------------
// The installation under test

struct Station {
    std::string name;
    std::string page; // file name in html/
};

const char* const kStationNames[]
    = { "Radio Alpha", "Radio Beta", "Radio Gamma", "Radio Delta", "Radio Epsilon" };

// A 16 x 16 PNG for the song window's covers.
const char kCoverPng[] = "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52"
                         "\x00\x00\x00\x10\x00\x00\x00\x10\x08\x02\x00\x00\x00\x90\x91\x68"
                         "\x36\x00\x00\x00\x16\x49\x44\x41\x54\x78\xda\x63\x90\xb3\x39\x41"
                         "\x12\x62\x18\xd5\x30\xaa\x61\xf8\x6a\x00\x00\x83\x05\x22\x10\xf4"
                         "\xe0\x7b\x1e\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";

std::string UrlWord(std::string text)
{
    std::replace(text.begin(), text.end(), ' ', '+');
    return text;
}

// The frame pages, a real station index and one page per station: each
// plays the local server's endless stream under its own title and names its
// own on-air feed of five songs with covers, read by the song window.
bool WriteCatalogue(
    const std::string& root, const StreamServer& server, std::vector<Station>& stations)
{
    const std::string html = root + "html/";
    bool ok
        = testsupport::WriteFramePages(html) && WriteTextFile(IndexPath(html), EmptyIndexText());
    for (int i = 0; i < 5; ++i)
        ok = ok
            && WriteTextFile(root + "cover-" + std::to_string(i) + ".png",
                std::string(kCoverPng, sizeof kCoverPng - 1));
    for (int s = 0; ok && s < 5; ++s) {
        const std::string name = kStationNames[s];
        ok = InsertStation(IndexPath(html), name);
        const std::string file = FindStationLine(ReadTextFile(IndexPath(html)), name).pageFile;
        const std::string feed = "feed-" + std::to_string(s) + ".js";
        std::string songs;
        for (int i = 0; i < 5; ++i) {
            const std::string e = "radio_entry[" + std::to_string(i) + "]";
            songs += e + ".titre = \"" + name + " chanson " + std::to_string(i) + "\";\n" + e
                + ".interprete = \"Voix " + std::to_string(i) + "\";\n" + e
                + ".album = \"Album\";\n" + e + ".dateSortie = \"2001\";\n" + e
                + ".label = \"Label\";\n" + e + ".urlPochette = \""
                + server.url("/cover-" + std::to_string(i) + ".png") + "\";\n";
        }
        const std::string stream
            = server.url("/_stream?title=" + UrlWord(name) + "+en+direct&name=" + UrlWord(name));
        ok = ok && !file.empty() && WriteTextFile(root + feed, songs)
            && WriteTextFile(html + file,
                std::string("<html><body><font name=\"titre\">") + name + "</font>\r\n"
                    + "<param name=\"filename\" value=\"" + stream + "\">\r\n"
                    + "<a href=\"app:live('" + server.url("/" + feed) + "')\">Informations</a>\r\n"
                    + "</body></html>");
        stations.push_back({ name, file });
    }
    return ok;
}

class Player {
public:
    explicit Player(const std::string& root)
        : m_root(root)
    {
        m_program = testsupport::CopyProgram(SONALTO_PLAYER_PATH, root);
    }

    Environment environment() const
    {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        return Environment {
            { "QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen" },
            { "SONALTO_DIAG_LOG", diagPath() },
            { "SONALTO_AUDIO_SINK", std::nullopt }, // the desktop's output
            { "GST_DEBUG", "basesink:5" },
            { "GST_DEBUG_FILE", sinkLogPath() },
            { "GST_DEBUG_NO_COLOR", "1" },
        };
    }

    // SONALTO_SOAK_WRAPPER (for instance "heaptrack -o /tmp/soak") runs the
    // player under a tool; the memory figures then include the tool's.
    bool start()
    {
        const char* wrapper = std::getenv("SONALTO_SOAK_WRAPPER");
        if (wrapper == nullptr || *wrapper == '\0')
            return m_process.start(m_program, {}, environment(), "/", outputPath());
        return m_process.start("/bin/sh", { "-c", std::string(wrapper) + " \"$0\"", m_program },
            environment(), "/", outputPath());
    }

    // A second start of the program with arguments: it hands them to the
    // running player and ends at once.
    bool forward(const std::vector<std::string>& arguments)
    {
        Environment env = environment();
        env["SONALTO_DIAG_LOG"] = std::nullopt;
        env["GST_DEBUG"] = std::nullopt;
        env["GST_DEBUG_FILE"] = std::nullopt;
        env["QT_QPA_PLATFORM"] = "offscreen";
        Process second;
        if (!second.start(m_program, arguments, env, "/", m_root + "second.out"))
            return false;
        return second.waitForExit(30s) == std::optional<int>(0);
    }

    void stop()
    {
        if (!m_process.isRunning())
            return;
        forward({ "-stop" });
        if (!m_process.waitForExit(30s))
            m_process.kill();
    }

    bool running() { return m_process.isRunning(); }
    pid_t pid() const { return m_process.pid(); }
    std::string diagPath() const { return m_root + "diag.log"; }
    std::string sinkLogPath() const { return m_root + "sink.log"; }
    std::string outputPath() const { return m_root + "player.out"; }

private:
    std::string m_root;
    std::string m_program;
    Process m_process;
};

// The song window on the X display, when there is one to ask.
std::optional<bool> SongWindowShown()
{
    if (std::getenv("DISPLAY") == nullptr || std::getenv("QT_QPA_PLATFORM") == nullptr
        || std::string(std::getenv("QT_QPA_PLATFORM")) != "xcb")
        return std::nullopt;
    const std::string tree = testsupport::RunCommand("xwininfo -root -tree 2>/dev/null");
    if (tree.empty())
        return std::nullopt;
    return tree.find(std::string("\"") + kSongWindowTitle + "\"") != std::string::npos;
}

// ---------------------------------------------------------------------------
// The run

struct Options {
    int minutes = 60;
    int dropEvery = 10;
    int changesPerMinute = 1; // more make a leak that follows station changes show sooner
};

// What reached the output after an event: a drop, a station change.
struct SoundAfter {
    double at = 0; // the event, seconds into the run
    bool playingBefore = false;
    bool recovered = false; // sound flowing when the watch ended
    double recovery = 0; // event to sound after the last silence, 0 if none
    double gap = 0; // the longest silence
    int silences = 0;
};

struct StationChange {
    std::optional<double> firstAudio; // the player's "first audio", from -radio
    SoundAfter sound;
};

class Soak {
public:
    Soak(const Options& options, Player& player, StreamServer& server, OutputWatch& output,
        std::vector<Station> stations)
        : m_options(options)
        , m_player(player)
        , m_server(server)
        , m_output(output)
        , m_stations(std::move(stations))
        , m_diag(player.diagPath())
        , m_requests(server.output())
    {
    }

    int run()
    {
        if (!m_player.start())
            return fail("the player did not start");
        if (!waitForDiag([](const std::string& l) { return l == "ready"; }, 90s))
            return fail("the player never said \"ready\"");
        const StationChange first = changeStation(0);
        if (!first.firstAudio || !first.sound.recovered)
            return fail("the first station did not play");
        std::printf("first station %s: %s\n", m_stations[0].name.c_str(), describe(first).c_str());

        if (!openSongWindow())
            return fail("the song window did not open");

        m_t0 = Now();
        m_requests.readNew();
        const int drops = m_options.dropEvery > 0 ? m_options.minutes / m_options.dropEvery : 0;
        const std::string dropText = drops == 0
            ? "no server drop"
            : std::to_string(drops) + " server drop" + (drops == 1 ? "" : "s") + " (every "
                + std::to_string(m_options.dropEvery) + " min, 30 s before the minute ends)";
        std::printf("Soak: %d min from %s, %d station change%s a minute, %s, platform %s\n"
                    "Every minute: memory in MiB, VmRSS and PSS (shared pages counted once) of "
                    "the player and every process under it, then each process's RSS/PSS; "
                    "seconds of sound that reached the output; the song window's feed reads\n",
            m_options.minutes, MinSec(0).c_str(), m_options.changesPerMinute,
            m_options.changesPerMinute == 1 ? "" : "s", dropText.c_str(),
            std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "offscreen");
        std::fflush(stdout);

        for (int minute = 1; minute <= m_options.minutes; ++minute) {
            const double start = m_t0 + (minute - 1) * 60.0;
            const double end = m_t0 + minute * 60.0;
            std::string events;
            const int perMinute = m_options.changesPerMinute;
            for (int slot = minute > 1 ? 0 : 1; slot < perMinute; ++slot) {
                if (!idleUntil(start + slot * 60.0 / perMinute))
                    return broken();
                const int index
                    = ((minute - 1) * perMinute + slot) % static_cast<int>(m_stations.size());
                const StationChange change = changeStation(index);
                if (g_interrupted || !m_player.running())
                    return broken();
                ++m_changes;
                if (change.firstAudio && change.sound.recovered) {
                    m_worstFirstAudio = std::max(m_worstFirstAudio, *change.firstAudio);
                    m_worstChange = std::max(m_worstChange, change.sound.recovery);
                } else {
                    ++m_failedChanges;
                }
                if (perMinute == 1)
                    events += "; " + describe(change);
                else if (!change.firstAudio || !change.sound.recovered)
                    events += "; " + m_station + ": " + describe(change);
            }
            if (m_options.dropEvery > 0 && minute % m_options.dropEvery == 0) {
                if (!idleUntil(end - 30))
                    return broken();
                const std::optional<SoundAfter> drop = dropServer(end - 1);
                if (!drop)
                    return broken();
                m_drops.push_back(*drop);
                printDrop(m_drops.size(), *drop);
            }
            if (!idleUntil(end))
                return broken();
            const MemorySample memory = SampleMemory(m_player.pid());
            m_memory.push_back(memory);
            printMinute(minute, start, end, memory, events);
        }
        std::fflush(stdout);
        summary();
        m_player.stop();
        return 0;
    }

private:
    static std::string Fixed(double value, int decimals)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        return text;
    }

    int fail(const char* what)
    {
        std::fprintf(stderr, "soak: %s\n--- diagnostic log:\n%s\n--- player output (end):\n%s\n",
            what, ReadTextFile(m_player.diagPath()).c_str(), tailOf(m_player.outputPath()).c_str());
        m_player.stop();
        return 1;
    }

    // The run stopped early: by the listener (Ctrl-C), or the player ended.
    int broken()
    {
        if (g_interrupted) {
            std::printf("interrupted at %s\n", MinSec(Now() - m_t0).c_str());
            summary();
            m_player.stop();
            return 1;
        }
        summary();
        return fail("the player ended during the run");
    }

    static std::string tailOf(const std::string& path)
    {
        const std::string text = ReadTextFile(path);
        return text.size() > 4000 ? text.substr(text.size() - 4000) : text;
    }

    // Waits until the given moment, following the output all along. False
    // when the run must stop.
    bool idleUntil(double when)
    {
        for (;;) {
            m_output.poll();
            if (g_interrupted || !m_player.running())
                return false;
            const double now = Now();
            if (now >= when)
                return true;
            std::this_thread::sleep_for(std::min(Seconds(0.02), Seconds(when - now)));
        }
    }

    bool waitForDiag(
        const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout)
    {
        const double deadline = Now() + Seconds(timeout).count();
        for (;;) {
            for (std::string& line : m_diag.readNew())
                m_diagLines.push_back(std::move(line));
            while (!m_diagLines.empty()) {
                const std::string line = std::move(m_diagLines.front());
                m_diagLines.pop_front();
                if (match(line))
                    return true;
            }
            if (Now() >= deadline || !idleUntil(std::min(deadline, Now() + 0.02)))
                return false;
        }
    }

    // "-radio <page>" through a second start: when the player says it has
    // its first audio, and when sound flows at the output (the first buffer
    // may wait there while the new stream fills the player's buffer).
    StationChange changeStation(int index)
    {
        const Station& station = m_stations[static_cast<std::size_t>(index)];
        StationChange change;
        skipDiag();
        m_output.poll();
        const double asked = Now();
        change.sound.at = asked;
        if (!m_player.forward({ "-radio", station.page }))
            return change;
        m_station = station.name;
        if (!waitForDiag([&](const std::string& l) { return l == "station " + station.name; }, 30s)
            || !waitForDiag([](const std::string& l) { return l == "first audio"; }, 30s))
            return change;
        change.firstAudio = Now() - asked;
        if (const std::optional<SoundAfter> sound
            = followSound(asked, kSteadyAfterChange, asked + 25))
            change.sound = *sound;
        return change;
    }

    static std::string describe(const StationChange& change)
    {
        if (!change.firstAudio)
            return "NO AUDIO after -radio";
        std::string text = "first audio " + Fixed(*change.firstAudio, 2) + " s after -radio, ";
        if (!change.sound.recovered)
            return text + "NO SOUND at the output";
        if (change.sound.silences == 0)
            return text + "no silence at the output";
        return text + "sound flowing at " + Fixed(change.sound.recovery, 2) + " s (silence "
            + Fixed(change.sound.gap, 2) + " s)";
    }

    // Only lines written from now on count.
    void skipDiag()
    {
        m_diag.readNew();
        m_diagLines.clear();
    }

    bool openSongWindow()
    {
        skipDiag();
        const std::optional<std::int64_t> answer = SendMessage(
            kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, kSongInformationCommand, 0);
        if (!answer)
            return false;
        const std::string handled = "command " + std::to_string(kSongInformationCommand);
        if (!waitForDiag([&](const std::string& l) { return l == handled; }, 10s))
            return false;
        // Let it read its feed and show itself.
        const double until = Now() + 3;
        std::optional<bool> shown;
        while ((shown = SongWindowShown()) == false && Now() < until) {
            if (!idleUntil(Now() + 0.2))
                return false;
        }
        std::printf("song window \"%s\": %s\n", kSongWindowTitle,
            !shown       ? "asked for (no X display to check it)"
                : *shown ? "open"
                         : "NOT SHOWN");
        return shown != false;
    }

    // Stops the server and starts it again at once.
    std::optional<SoundAfter> dropServer(double deadline)
    {
        m_output.poll();
        const double at = Now();
        if (!m_server.restart()) {
            std::fprintf(stderr, "the HTTP server did not come back on port %d\n", m_server.port());
            return std::nullopt;
        }
        return followSound(at, kSteadyAfterDrop, deadline);
    }

    // Follows the output after the event at `at` until sound has flowed
    // without a pause for steadyFor, or until deadline. nullopt when the run
    // must stop.
    std::optional<SoundAfter> followSound(double at, double steadyFor, double deadline)
    {
        SoundAfter result;
        result.at = at;
        for (;;) {
            if (!idleUntil(std::min(deadline, Now() + 0.05)))
                return std::nullopt;
            const double now = Now();
            // Buffers are stamped by the player's log, so what happened
            // while this program was busy is placed where it belongs.
            const std::optional<double> before = m_output.lastBefore(at);
            result.playingBefore = before && at - *before < kSilence;
            // Silences from the last sound before the event to now; when
            // nothing played then, the event starts one.
            double previous = result.playingBefore ? *before : at;
            bool silent = !result.playingBefore;
            std::optional<double> resumed;
            result.silences = 0;
            result.gap = 0;
            for (const double t : m_output.between(at, now + 1)) {
                if (silent || t - previous > kSilence) {
                    silent = false;
                    ++result.silences;
                    result.gap = std::max(result.gap, t - previous);
                    resumed = t;
                }
                previous = t;
            }
            const bool silentNow = silent || now - previous > kSilence;
            if (!silentNow && now - resumed.value_or(at) >= steadyFor) {
                result.recovered = true;
                result.recovery = resumed ? *resumed - at : 0;
                return result;
            }
            if (now >= deadline) {
                result.recovered = !silentNow;
                if (silentNow) {
                    result.gap = std::max(result.gap, now - previous);
                    result.recovery = now - at;
                } else {
                    result.recovery = resumed ? *resumed - at : 0;
                }
                return result;
            }
        }
    }

    void printDrop(std::size_t number, const SoundAfter& drop)
    {
        std::printf("  drop %zu at %s: ", number, MinSec(drop.at - m_t0).c_str());
        if (!drop.recovered)
            std::printf("NO SOUND %.1f s after the drop", drop.recovery);
        else if (drop.silences == 0)
            std::printf("no silence at all");
        else
            std::printf("sound again %.3f s after the drop (silence of %.3f s%s)", drop.recovery,
                drop.gap,
                drop.silences > 1 ? (", " + std::to_string(drop.silences) + " silences").c_str()
                                  : "");
        if (!drop.playingBefore)
            std::printf(" [no sound just before the drop]");
        std::printf("\n");
        std::fflush(stdout);
    }

    void printMinute(
        int minute, double start, double end, const MemorySample& memory, const std::string& events)
    {
        const std::optional<bool> window = SongWindowShown();
        // The song window reads its station's feed every few seconds.
        int feedReads = 0;
        for (const std::string& line : m_requests.readNew())
            feedReads += line.find("\"GET /feed-") != std::string::npos;
        std::printf(
            "minute %3d  RSS %7.1f  PSS %7.1f  anon %7.1f  sound %4.1f s  feed read %dx  %s%s%s\n",
            minute, MiB(memory.rssKib), MiB(memory.pssKib), MiB(memory.anonKib),
            m_output.soundBetween(start, end), feedReads, m_station.c_str(), events.c_str(),
            window == false ? "; SONG WINDOW CLOSED" : "");
        std::printf("           ");
        for (const ProcessMemory& p : memory.processes)
            std::printf(" %s[%d] %.1f/%.1f/%.1f", p.name.c_str(), static_cast<int>(p.pid),
                MiB(p.rssKib), MiB(p.pssKib), MiB(p.anonKib));
        std::printf("\n");
        std::fflush(stdout);
    }

    void summary()
    {
        std::printf("\nSummary after %zu minute%s (RSS/PSS in MiB; 1 MB = 10^6 bytes)\n",
            m_memory.size(), m_memory.size() == 1 ? "" : "s");
        std::optional<bool> memoryPass;
        if (!m_memory.empty()) {
            const MemorySample& first = m_memory.front();
            const MemorySample& last = m_memory.back();
            long low = first.rssKib, high = first.rssKib;
            for (const MemorySample& m : m_memory) {
                low = std::min(low, m.rssKib);
                high = std::max(high, m.rssKib);
            }
            // A window left idle gives back its libraries' pages, which
            // lowers the resident memory whatever the heap does: the
            // anonymous memory, what a leak grows, is held to the target too.
            const double growth = MiB(last.rssKib - first.rssKib);
            const double anonGrowth = MiB(last.anonKib - first.anonKib);
            memoryPass = growth < kGrowthTargetMiB && anonGrowth < kGrowthTargetMiB;
            std::printf("  resident memory: minute 1 %.1f (PSS %.1f), minute %zu %.1f (PSS %.1f); "
                        "lowest %.1f, highest %.1f\n",
                MiB(first.rssKib), MiB(first.pssKib), m_memory.size(), MiB(last.rssKib),
                MiB(last.pssKib), MiB(low), MiB(high));
            std::printf(
                "  growth: %+.1f MiB RSS (%+.1f PSS), %+.1f MiB anonymous; target under 5 MB "
                "(%.2f MiB) for both: %s\n",
                growth, MiB(last.pssKib - first.pssKib), anonGrowth, kGrowthTargetMiB,
                *memoryPass ? "PASS" : "FAIL");
            // The rest of the resident growth is pages of the programs'
            // files read in as they are used.
            std::printf("  anonymous memory: %+.1f MiB in all;", anonGrowth);
            for (const ProcessMemory& p : last.processes) {
                const auto was = std::find_if(first.processes.begin(), first.processes.end(),
                    [&](const ProcessMemory& q) { return q.pid == p.pid; });
                if (was != first.processes.end())
                    std::printf(" %s %+.1f", p.name.c_str(), MiB(p.anonKib - was->anonKib));
                else
                    std::printf(" %s (new) %.1f", p.name.c_str(), MiB(p.anonKib));
            }
            std::printf("\n");
        }
        std::printf("  station changes: %d, %d without sound; slowest \"first audio\" %.2f s, "
                    "slowest to sound flowing at the output %.2f s\n",
            m_changes, m_failedChanges, m_worstFirstAudio, m_worstChange);
        std::optional<bool> dropPass;
        if (m_drops.empty()) {
            std::printf("  drops: none in this run\n");
        } else {
            double worst = 0;
            bool all = true;
            std::printf("  drops (sound again after):");
            for (std::size_t i = 0; i < m_drops.size(); ++i) {
                const SoundAfter& d = m_drops[i];
                all = all && d.recovered;
                worst = std::max(worst, d.recovery);
                std::printf(" %zu: %s%.3f s%s", i + 1, d.recovered ? "" : "NONE after ", d.recovery,
                    d.silences == 0 && d.recovered ? " (no silence)" : "");
                std::printf(i + 1 < m_drops.size() ? ";" : "\n");
            }
            dropPass = all && worst < kRecoveryTarget;
            std::printf("  worst recovery %.3f s; target sound again within %.0f s after every "
                        "drop: %s\n",
                worst, kRecoveryTarget, *dropPass ? "PASS" : "FAIL");
        }
        std::printf("Result: memory %s, drops %s\n",
            !memoryPass       ? "n/a"
                : *memoryPass ? "PASS"
                              : "FAIL",
            !dropPass       ? "n/a"
                : *dropPass ? "PASS"
                            : "FAIL");
        std::fflush(stdout);
    }

    Options m_options;
    Player& m_player;
    StreamServer& m_server;
    OutputWatch& m_output;
    std::vector<Station> m_stations;
    FileTail m_diag;
    std::deque<std::string> m_diagLines;
    FileTail m_requests;
    double m_t0 = 0;
    std::string m_station;
    std::vector<MemorySample> m_memory;
    std::vector<SoundAfter> m_drops;
    int m_changes = 0;
    int m_failedChanges = 0;
    double m_worstFirstAudio = 0;
    double m_worstChange = 0;
};

int Usage()
{
    std::fprintf(stderr,
        "usage: soak_bench [--minutes N] [--drop-every M] [--changes-per-minute K]\n"
        "  N minutes of play (default 60), a server drop every M minutes "
        "(default 10, 0 for none), K station changes a minute (default 1, at most 12)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        char* end = nullptr;
        const long value = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || value < 0 || value > 24 * 60)
            return Usage();
        if (arg == "--minutes" && value >= 1)
            options.minutes = static_cast<int>(value);
        else if (arg == "--drop-every")
            options.dropEvery = static_cast<int>(value);
        else if (arg == "--changes-per-minute" && value >= 1 && value <= 12)
            options.changesPerMinute = static_cast<int>(value);
        else
            return Usage();
    }

    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    // The headless sound server: a null sink is the desktop's output, and
    // the player started from here finds it.
    testsupport::SoundServer sound;
    if (!sound.ready()) {
        std::fprintf(stderr, "soak: %s\n", sound.error().c_str());
        return 1;
    }
    TempDir install("sonalto-soak");
    StreamServer server(install.path());
    if (!server.start())
        return 1;
    std::vector<Station> stations;
    if (!WriteCatalogue(install.path(), server, stations)) {
        std::fprintf(
            stderr, "soak: the catalogue could not be written in %s\n", install.path().c_str());
        return 1;
    }
    Player player(install.path());
    OutputWatch output(player.sinkLogPath());
    std::printf("installation %s, streams on port %d, sound server %s\n", install.path().c_str(),
        server.port(), std::getenv("SONALTO_PULSE_DIR"));
    std::fflush(stdout);
    return Soak(options, player, server, output, stations).run();
}
