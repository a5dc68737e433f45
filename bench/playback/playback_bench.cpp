// Playback figures of the real player on the local test stream, printed,
// not asserted.
//
//   playback_bench latency [runs]            start-up latency, ours against
//                                            gst-play-1.0 and mpv
//   playback_bench memory [first] [second]   resident memory of the player
//                                            and its web processes after
//                                            first and second seconds of play
//
// The player runs as a listener has it: the real Sonalto copied into a
// private installation directory with the shipped pages, a station page
// pointing at the local server's endless ICY stream, and a null output
// that consumes audio in real time ("fakesink sync=true"). The platform is
// QT_QPA_PLATFORM when set (run-playback-bench.sh runs everything under
// Xvfb), offscreen otherwise.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/textfile.h"
#include "support/testsupport.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using testsupport::Environment;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::TempDir;

const char* const kStreamPath = "/_stream?title=Alpha+en+direct";

// ---------------------------------------------------------------------------
// The player under measurement

class Installation {
public:
    bool prepare()
    {
        ::chmod(m_runtime.path().c_str(), 0700);
        std::error_code error;
        std::filesystem::copy(
            SONALTO_SHIPPED_HTML, html(), std::filesystem::copy_options::recursive, error);
        if (error || !std::filesystem::exists(html() + "index.htm")) {
            std::fprintf(stderr, "no shipped pages in %s: build the install tree first\n",
                SONALTO_SHIPPED_HTML);
            return false;
        }
        m_player = testsupport::CopyProgram(SONALTO_PLAYER_PATH, m_install.path());
        if (!m_server.start(m_install.path())) {
            std::fprintf(stderr, "the local HTTP server did not start\n");
            return false;
        }
        // A shipped station page, its stream moved to the local server.
        const std::optional<std::string> page = shippedStationPage();
        if (!page) {
            std::fprintf(stderr, "no station page among the shipped pages\n");
            return false;
        }
        return WriteTextFile(html() + "BenchAlpha.htm", *page);
    }

    // The first shipped page (by name) that names a stream, with every
    // mention of that stream replaced by the local one.
    std::optional<std::string> shippedStationPage() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(html())) {
            if (entry.path().extension() == ".htm")
                names.push_back(entry.path().string());
        }
        std::sort(names.begin(), names.end());
        const std::string marker = "<param name=\"src\" value=\"";
        for (const std::string& name : names) {
            std::string page = ReadTextFile(name);
            const std::size_t at = page.find(marker);
            if (at == std::string::npos)
                continue;
            const std::size_t start = at + marker.size();
            const std::string stream = page.substr(start, page.find('"', start) - start);
            if (stream.rfind("http", 0) != 0)
                continue;
            for (std::size_t pos; (pos = page.find(stream)) != std::string::npos;)
                page.replace(pos, stream.size(), m_server.url(kStreamPath));
            std::printf("station page: %s, stream %s\n",
                std::filesystem::path(name).filename().c_str(), m_server.url(kStreamPath).c_str());
            return page;
        }
        return std::nullopt;
    }

    Environment environment() const
    {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        return Environment {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen" },
            { "SONALTO_DIAG_LOG", logPath() },
            { "SONALTO_AUDIO_SINK", "fakesink sync=true" },
        };
    }

    bool startPlayer()
    {
        if (!m_process.start(m_player, {}, environment(), "/", m_install.path() + "player.out"))
            return false;
        return testsupport::WaitForFileLine(logPath(), "ready", 60s);
    }

    // A second start forwarding -radio page, as a listener's shortcut does.
    bool forwardRadio(const std::string& page)
    {
        Environment env = environment();
        env["SONALTO_DIAG_LOG"] = std::nullopt;
        env["QT_QPA_PLATFORM"] = "offscreen";
        Process second;
        if (!second.start(m_player, { "-radio", page }, env, "/"))
            return false;
        return second.waitForExit(30s) == std::optional<int>(0);
    }

    void stopPlayer()
    {
        Environment env = environment();
        env["SONALTO_DIAG_LOG"] = std::nullopt;
        env["QT_QPA_PLATFORM"] = "offscreen";
        Process second;
        if (second.start(m_player, { "-stop" }, env, "/"))
            second.waitForExit(30s);
        if (!m_process.waitForExit(30s))
            m_process.kill();
    }

    pid_t playerPid() const { return m_process.pid(); }
    bool playerRunning() { return m_process.isRunning(); }
    std::string logPath() const { return m_install.path() + "diag.log"; }
    std::string html() const { return m_install.path() + "html/"; }
    std::string streamUrl() const { return m_server.url(kStreamPath); }
    std::string output() const { return ReadTextFile(m_install.path() + "player.out"); }

private:
    TempDir m_install { "sonalto-bench" };
    TempDir m_runtime { "sonalto-bench-run" };
    testsupport::HttpServer m_server;
    Process m_process;
    std::string m_player;
};

// Follows a growing text file line by line, stamping each line with the
// moment it was seen (polled every half millisecond).
class LineFollower {
public:
    explicit LineFollower(std::string path)
        : m_path(std::move(path))
    {
        std::error_code error;
        m_offset = std::filesystem::file_size(m_path, error);
        if (error)
            m_offset = 0;
    }

    // Waits for a line satisfying match; the moment it was seen.
    std::optional<Clock::time_point> waitFor(
        const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout)
    {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const auto now = Clock::now();
            for (std::string& line : readNew())
                m_unread.push_back({ now, std::move(line) });
            while (!m_unread.empty()) {
                const auto [seen, line] = m_unread.front();
                m_unread.erase(m_unread.begin());
                if (match(line))
                    return seen;
            }
            if (now >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(500us);
        }
    }

private:
    std::vector<std::string> readNew()
    {
        std::vector<std::string> lines;
        std::ifstream in(m_path, std::ios::binary);
        if (!in)
            return lines;
        in.seekg(static_cast<std::streamoff>(m_offset));
        std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        m_pending += chunk;
        m_offset += chunk.size();
        std::size_t start = 0;
        for (std::size_t nl; (nl = m_pending.find('\n', start)) != std::string::npos;
             start = nl + 1)
            lines.push_back(m_pending.substr(start, nl - start));
        m_pending.erase(0, start);
        return lines;
    }

    std::string m_path;
    std::uintmax_t m_offset = 0;
    std::string m_pending;
    std::vector<std::pair<Clock::time_point, std::string>> m_unread;
};

// ---------------------------------------------------------------------------
// The other players: a child whose output lines are stamped as they arrive

struct StampedLine {
    Clock::time_point seen;
    std::string text;
};

struct ReferenceRun {
    std::optional<double> fromLaunch; // seconds, launch to first audio
    std::optional<double> fromOpen; // seconds, opening the address to first audio
};

// Runs command until a line satisfies firstAudio (or timeout), then ends it.
// Returns the launch moment and the lines seen.
std::pair<Clock::time_point, std::vector<StampedLine>> RunUntil(
    const std::vector<std::string>& command, const std::map<std::string, std::string>& env,
    const std::function<bool(const std::string&)>& stop, std::chrono::milliseconds timeout)
{
    std::vector<StampedLine> lines;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return { Clock::now(), lines };

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        if (!env.count(entry.substr(0, entry.find('='))))
            envStrings.push_back(entry);
    }
    for (const auto& [name, value] : env)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = command;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const Clock::time_point launched = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0)
            ::dup2(null, STDIN_FILENO);
        ::setpgid(0, 0);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return { launched, lines };
    }

    std::string pending;
    const auto deadline = launched + timeout;
    bool done = false;
    while (!done && Clock::now() < deadline) {
        pollfd p { fds[0], POLLIN, 0 };
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (::poll(&p, 1, std::max(left, 1)) <= 0)
            continue;
        char buffer[65536];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        const Clock::time_point seen = Clock::now();
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t start = 0;
        // Progress lines end in a carriage return.
        for (std::size_t end; (end = pending.find_first_of("\r\n", start)) != std::string::npos;
             start = end + 1) {
            lines.push_back({ seen, pending.substr(start, end - start) });
            if (stop(lines.back().text)) {
                done = true;
                break;
            }
        }
        pending.erase(0, start);
    }
    ::kill(-pid, SIGTERM);
    const auto killDeadline = Clock::now() + 3s;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= killDeadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::close(fds[0]);
    return { launched, lines };
}

bool Contains(const std::string& s, const char* part)
{
    return s.find(part) != std::string::npos;
}

// gst-play-1.0 with the same null output as ours. GStreamer's debug log of
// the sink marks the first buffer reaching it ("got times" in the sink's
// chain function, the same point as our probe on the sink's pad); "Now
// playing" is printed as gst-play hands the address to its pipeline.
ReferenceRun RunGstPlay(const std::string& url)
{
    const auto isFirstBuffer = [](const std::string& line) {
        return Contains(line, "gst_base_sink_chain_unlocked") && Contains(line, "got times");
    };
    auto [launched, lines]
        = RunUntil({ "stdbuf", "-oL", "gst-play-1.0", "--audiosink=fakesink sync=true", url },
            { { "GST_DEBUG", "basesink:5" }, { "GST_DEBUG_NO_COLOR", "1" } }, isFirstBuffer, 20s);
    ReferenceRun run;
    std::optional<Clock::time_point> opened;
    for (const StampedLine& line : lines) {
        if (!opened && Contains(line.text, "Now playing"))
            opened = line.seen;
        if (isFirstBuffer(line.text)) {
            run.fromLaunch = Seconds(line.seen - launched).count();
            if (opened)
                run.fromOpen = Seconds(line.seen - *opened).count();
            break;
        }
    }
    return run;
}

// mpv's own clock (--msg-time) from "Opening <address>" to the null audio
// output starting on the first decoded audio.
ReferenceRun RunMpv(const std::string& url)
{
    const auto isFirstAudio
        = [](const std::string& line) { return Contains(line, "[ao/null] starting AO"); };
    auto [launched, lines] = RunUntil({ "mpv", "--no-config", "--ytdl=no", "--ao=null",
                                          "--no-video", "--msg-level=all=v", "--msg-time", url },
        {}, isFirstAudio, 20s);
    const auto stamp = [](const std::string& line) -> std::optional<double> {
        const std::size_t open = line.find('[');
        const std::size_t close = line.find(']', open);
        if (open == std::string::npos || close == std::string::npos)
            return std::nullopt;
        char* end = nullptr;
        const double value = std::strtod(line.c_str() + open + 1, &end);
        if (end == line.c_str() + open + 1)
            return std::nullopt;
        return value;
    };
    ReferenceRun run;
    std::optional<double> opened;
    for (const StampedLine& line : lines) {
        if (!opened && Contains(line.text, "] Opening http"))
            opened = stamp(line.text);
        if (isFirstAudio(line.text)) {
            run.fromLaunch = Seconds(line.seen - launched).count();
            if (opened && stamp(line.text))
                run.fromOpen = *stamp(line.text) - *opened;
            break;
        }
    }
    return run;
}

// ---------------------------------------------------------------------------
// Figures

std::optional<double> Median(std::vector<double> values)
{
    if (values.empty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string Ms(std::optional<double> seconds)
{
    if (!seconds)
        return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.0f ms", *seconds * 1000);
    return text;
}

struct Series {
    std::vector<double> values;
    int failed = 0;
    void add(std::optional<double> v)
    {
        if (v)
            values.push_back(*v);
        else
            ++failed;
    }
};

void PrintSeries(const char* name, const Series& s)
{
    std::printf("  %-34s median %8s  min %8s  max %8s  (%zu runs%s)\n", name,
        Ms(Median(s.values)).c_str(),
        Ms(s.values.empty() ? std::nullopt
                            : std::optional(*std::min_element(s.values.begin(), s.values.end())))
            .c_str(),
        Ms(s.values.empty() ? std::nullopt
                            : std::optional(*std::max_element(s.values.begin(), s.values.end())))
            .c_str(),
        s.values.size(), s.failed ? (", " + std::to_string(s.failed) + " failed").c_str() : "");
}

int Latency(int runs)
{
    Installation install;
    if (!install.prepare())
        return 1;
    if (!install.startPlayer()) {
        std::fprintf(stderr, "the player did not start:\n%s\n", install.output().c_str());
        return 1;
    }
    // -radio names a page of the HTML directory.
    const std::string station = "BenchAlpha.htm";
    const std::string welcome = "bienvenue.htm";

    Series ours, gstOpen, gstLaunch, mpvOpen, mpvLaunch;
    for (int run = 0; run < runs; ++run) {
        // From silence: the welcome page stops the station.
        LineFollower quiet(install.logPath());
        install.forwardRadio(welcome);
        quiet.waitFor([](const std::string& l) { return l == "welcome"; }, 10s);
        std::this_thread::sleep_for(300ms);

        LineFollower log(install.logPath());
        if (!install.forwardRadio(station)) {
            std::fprintf(stderr, "run %d: -radio was not forwarded\n", run + 1);
            ours.add(std::nullopt);
            continue;
        }
        const auto navigated = log.waitFor(
            [&](const std::string& l) { return l == "navigate live " + install.html() + station; },
            30s);
        const auto audio
            = log.waitFor([](const std::string& l) { return l == "first audio"; }, 30s);
        ours.add(navigated && audio ? std::optional(Seconds(*audio - *navigated).count())
                                    : std::nullopt);
        if (!navigated || !audio) {
            std::fprintf(stderr, "run %d: no %s in the player's log:\n%s\n", run + 1,
                navigated ? "first audio" : "navigation", ReadTextFile(install.logPath()).c_str());
        }

        const ReferenceRun gst = RunGstPlay(install.streamUrl());
        gstOpen.add(gst.fromOpen);
        gstLaunch.add(gst.fromLaunch);
        const ReferenceRun mpv = RunMpv(install.streamUrl());
        mpvOpen.add(mpv.fromOpen);
        mpvLaunch.add(mpv.fromLaunch);
        std::printf("run %2d: Sonalto %s, gst-play-1.0 %s, mpv %s\n", run + 1,
            Ms(ours.values.empty() || !audio ? std::nullopt : std::optional(ours.values.back()))
                .c_str(),
            Ms(gst.fromOpen).c_str(), Ms(mpv.fromOpen).c_str());
        std::fflush(stdout);
    }
    install.forwardRadio(welcome);
    install.stopPlayer();

    std::printf("\nStart-up latency on the local endless MP3 stream (128 kbit/s, ICY), "
                "null output consuming in real time, %d runs, platform %s\n",
        runs, std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "offscreen");
    std::printf(
        "What each figure measures:\n"
        "  Sonalto: the running player is told \"-radio <station page>\"; from its "
        "\"navigate live\" (the frame starts loading the page) to the first audio "
        "buffer on the sink's pad. Includes the frame's navigation decision and reading the "
        "station page; the web frame draws the page alongside.\n"
        "  gst-play-1.0: --audiosink=\"fakesink sync=true\"; from \"Now playing\" "
        "to the first buffer in the sink's chain (GST_DEBUG=basesink:5).\n"
        "  mpv: --ao=null --no-video --no-config --ytdl=no; mpv's own clock "
        "(--msg-time) from \"Opening <address>\" to \"[ao/null] starting AO\".\n"
        "  The \"from launch\" rows add process start-up of the reference players; "
        "the Sonalto row never includes it (the player is already running).\n"
        "  Each reference run is a fresh process, so its \"open -> audio\" includes "
        "building its pipeline; Sonalto's first run does too (see run 1 above), the "
        "later ones reuse the player's pipeline.\n\n");
    PrintSeries("Sonalto (navigate live -> audio)", ours);
    PrintSeries("gst-play-1.0 (open -> audio)", gstOpen);
    PrintSeries("mpv (open -> audio)", mpvOpen);
    PrintSeries("gst-play-1.0 (launch -> audio)", gstLaunch);
    PrintSeries("mpv (launch -> audio)", mpvLaunch);

    const std::optional<double> mine = Median(ours.values);
    std::optional<double> fastest;
    const char* fastestName = "";
    for (const auto& [name, series] :
        { std::pair { "gst-play-1.0", &gstOpen }, std::pair { "mpv", &mpvOpen } }) {
        const std::optional<double> m = Median(series->values);
        if (m && (!fastest || *m < *fastest)) {
            fastest = m;
            fastestName = name;
        }
    }
    if (mine && fastest && *fastest > 0) {
        std::printf("\nSonalto / fastest reference (%s, open -> audio): %.2f\n", fastestName,
            *mine / *fastest);
    }
    if (mine) {
        std::printf("Target 0.3 s or less: %s; no slower than the fastest: %s\n",
            *mine <= 0.3 ? "met" : "NOT met",
            fastest ? (*mine <= *fastest ? "met" : "NOT met") : "n/a");
    }
    return mine ? 0 : 1;
}

// ---------------------------------------------------------------------------
// Memory

struct Resident {
    std::string name;
    long kib = 0;
};

std::optional<Resident> ResidentOf(pid_t pid)
{
    Resident r;
    bool found = false;
    for (const std::string& line : ReadLines("/proc/" + std::to_string(pid) + "/status")) {
        if (line.rfind("Name:", 0) == 0)
            r.name = line.substr(line.find_first_not_of(" \t", 5));
        else if (line.rfind("VmRSS:", 0) == 0) {
            r.kib = std::atol(line.c_str() + 6);
            found = true;
        }
    }
    return found ? std::optional(r) : std::nullopt;
}

// Proportional set size: shared pages divided among the processes sharing
// them, so that a sum over processes counts each page once.
long ProportionalKib(pid_t pid)
{
    for (const std::string& line : ReadLines("/proc/" + std::to_string(pid) + "/smaps_rollup")) {
        if (line.rfind("Pss:", 0) == 0)
            return std::atol(line.c_str() + 4);
    }
    return 0;
}

void PrintResident(pid_t root, double atSeconds)
{
    long total = 0;
    long proportional = 0;
    std::map<std::string, std::pair<int, long>> byName;
    for (const auto& member : testsupport::ProcessTree(root)) {
        const pid_t pid = member.first;
        if (const std::optional<Resident> r = ResidentOf(pid)) {
            total += r->kib;
            proportional += ProportionalKib(pid);
            byName[r->name].first += 1;
            byName[r->name].second += r->kib;
        }
    }
    std::printf("after %4.0f s of play: RSS %.1f MiB in all", atSeconds, total / 1024.0);
    for (const auto& [name, entry] : byName)
        std::printf("; %s x%d %.1f MiB", name.c_str(), entry.first, entry.second / 1024.0);
    std::printf("\n    (PSS, shared pages counted once: %.1f MiB)\n", proportional / 1024.0);
    std::fflush(stdout);
}

int Memory(int firstSeconds, int secondSeconds)
{
    Installation install;
    if (!install.prepare())
        return 1;
    if (!install.startPlayer()) {
        std::fprintf(stderr, "the player did not start:\n%s\n", install.output().c_str());
        return 1;
    }
    LineFollower log(install.logPath());
    install.forwardRadio("BenchAlpha.htm");
    const auto started = log.waitFor([](const std::string& l) { return l == "first audio"; }, 30s);
    if (!started) {
        std::fprintf(stderr, "no audio:\n%s\n", install.output().c_str());
        return 1;
    }
    std::printf("Resident memory (VmRSS) of Sonalto and every process under it, playing the "
                "local stream with the shipped pages, platform %s; times from the first "
                "audio buffer\n",
        std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "offscreen");
    std::fflush(stdout);
    for (const int at : { firstSeconds, secondSeconds }) {
        std::this_thread::sleep_until(*started + std::chrono::seconds(at));
        if (!install.playerRunning()) {
            std::fprintf(stderr, "the player ended:\n%s\n", install.output().c_str());
            return 1;
        }
        PrintResident(install.playerPid(), Seconds(Clock::now() - *started).count());
    }
    install.stopPlayer();
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
        "usage: playback_bench latency [runs]\n"
        "       playback_bench memory [first-seconds] [second-seconds]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    ::signal(SIGPIPE, SIG_IGN);
    const std::string mode = argc > 1 ? argv[1] : "latency";
    if (mode == "latency")
        return Latency(argc > 2 ? std::max(1, std::atoi(argv[2])) : 10);
    if (mode == "memory")
        return Memory(argc > 2 ? std::max(1, std::atoi(argv[2])) : 60,
            argc > 3 ? std::max(1, std::atoi(argv[3])) : 600);
    return Usage();
}
