// Playback figures of the real player on the local test stream, printed,
// not asserted.
//
//   playback_bench latency [runs]            start-up latency, ours against
//                                            gst-play-1.0 and mpv
//   playback_bench memory [settle] [window]  memory (PSS) and CPU of every
//                                            process of the player shown,
//                                            hidden in the tray and started
//                                            quiet, and of mpv, gst-play-1.0
//                                            and Goodvibes, settle seconds
//                                            after the first audio ("ours":
//                                            the player alone)
//
// The player runs as a listener has it: the real Sonalto copied into a
// private installation directory with the shipped pages, a station page
// pointing at the local server's endless ICY stream, and a null output
// that consumes audio in real time ("fakesink sync=true"). The platform is
// QT_QPA_PLATFORM when set (run-playback-bench.sh runs everything under
// Xvfb), offscreen otherwise.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/messages.h"
#include "common/messenger.h"
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
        Environment env {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen" },
            { "SONALTO_DIAG_LOG", logPath() },
            { "SONALTO_AUDIO_SINK", "fakesink sync=true" },
        };
        for (const auto& [name, value] : m_sound)
            env[name] = value;
        return env;
    }

    // Plays to the sound server that env names instead of a null output.
    void useSoundServer(const Environment& env)
    {
        m_sound = env;
        m_sound["SONALTO_AUDIO_SINK"] = std::nullopt;
    }

    bool startPlayer(const std::vector<std::string>& arguments = {})
    {
        std::error_code error;
        std::filesystem::remove(logPath(), error);
        if (!m_process.start(
                m_player, arguments, environment(), "/", m_install.path() + "player.out"))
            return false;
        return testsupport::WaitForFileLine(logPath(), "ready", 60s);
    }

    // Into the notification area, as the window's minimise box does.
    void hideAway()
    {
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
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
    Environment m_sound;
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
// them, so that a sum over processes counts each page once. Other programs
// mapping the same libraries lower it: the private part (pages no other
// process maps) does not depend on them.
struct Proportional {
    long pssKib = 0;
    long privateKib = 0;
};

Proportional ProportionalOf(pid_t pid)
{
    Proportional p;
    for (const std::string& line : ReadLines("/proc/" + std::to_string(pid) + "/smaps_rollup")) {
        if (line.rfind("Pss:", 0) == 0)
            p.pssKib = std::atol(line.c_str() + 4);
        else if (line.rfind("Private_Clean:", 0) == 0)
            p.privateKib += std::atol(line.c_str() + 14);
        else if (line.rfind("Private_Dirty:", 0) == 0)
            p.privateKib += std::atol(line.c_str() + 14);
    }
    return p;
}

// The largest shares of a process's proportional memory, by what is mapped
// (a library, the heap, anonymous memory), largest first.
std::string LargestMappings(pid_t pid, std::size_t count)
{
    std::map<std::string, long> byMapping;
    std::string current;
    for (const std::string& line : ReadLines("/proc/" + std::to_string(pid) + "/smaps")) {
        if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0]))
            && line.find('-') < line.find(' ')) {
            // "start-end perms offset dev inode [path]"
            std::istringstream fields(line);
            std::string skip;
            for (int i = 0; i < 5; ++i)
                fields >> skip;
            // Anonymous memory has no path: without clearing, it would go
            // to the mapping above it.
            current.clear();
            std::getline(fields >> std::ws, current);
            current = current.empty() ? "[anonymous]"
                                      : std::filesystem::path(current).filename().string();
        } else if (line.rfind("Pss:", 0) == 0) {
            byMapping[current] += std::atol(line.c_str() + 4);
        }
    }
    std::vector<std::pair<long, std::string>> sorted;
    for (const auto& [name, kib] : byMapping)
        sorted.push_back({ kib, name });
    std::sort(sorted.rbegin(), sorted.rend());
    std::string text;
    for (std::size_t i = 0; i < sorted.size() && i < count; ++i) {
        char part[160];
        std::snprintf(part, sizeof part, "%s%s %.1f", text.empty() ? "" : ", ",
            sorted[i].second.c_str(), sorted[i].first / 1024.0);
        text += part;
    }
    return text;
}

// What a player's whole process tree takes while it plays: proportional
// memory at the end of the window, CPU over the window.
struct TreeUsage {
    double pssMib = 0;
    double rssMib = 0;
    double privateMib = 0;
    double cpuPercent = 0; // of one core
    double wakeups = 0; // context switches of every thread, per second
    std::string wakers; // the threads that switch most, per second
    int processes = 0;
    std::string names; // "name x count" of every process
    std::string detail; // each process: its name, its web-engine role, its PSS
    std::vector<std::string> mappings; // each process: its largest mappings, MiB
};

// The role a web-engine helper was started in ("renderer", "zygote", ...),
// empty for any other process.
std::string HelperRole(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
    std::string command((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::replace(command.begin(), command.end(), '\0', ' ');
    const std::size_t at = command.find("--type=");
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + 7;
    std::string role = command.substr(start, command.find(' ', start) - start);
    const std::size_t sub = command.find("--utility-sub-type=");
    if (sub != std::string::npos)
        role += ":" + command.substr(sub + 19, command.find(' ', sub) - sub - 19);
    return role;
}

// User plus system time of each process of the tree, in clock ticks.
std::map<pid_t, long long> TreeTicks(pid_t root)
{
    std::map<pid_t, long long> ticks;
    for (const auto& member : testsupport::ProcessTree(root)) {
        std::ifstream file("/proc/" + std::to_string(member.first) + "/stat");
        const std::string stat(
            (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        // After "(comm)": state is field 3, utime and stime fields 14 and 15.
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        long long utime = 0;
        long long stime = 0;
        for (int index = 3; fields >> field && index <= 15; ++index) {
            if (index == 14)
                utime = std::atoll(field.c_str());
            else if (index == 15)
                stime = std::atoll(field.c_str());
        }
        ticks[member.first] = utime + stime;
    }
    return ticks;
}

// Context switches so far of each thread of the tree, voluntary or not,
// by thread id, with the thread's name: each is one wake-up of a core.
std::map<pid_t, std::pair<std::string, long long>> TreeSwitches(pid_t root)
{
    std::map<pid_t, std::pair<std::string, long long>> switches;
    for (const auto& member : testsupport::ProcessTree(root)) {
        const std::string tasks = "/proc/" + std::to_string(member.first) + "/task";
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
            std::string name;
            long long count = 0;
            for (const std::string& line : ReadLines((task.path() / "status").string())) {
                if (line.rfind("Name:", 0) == 0)
                    name = line.substr(line.find_first_not_of(" \t", 5));
                else if (line.find("ctxt_switches:") != std::string::npos)
                    count += std::atoll(line.c_str() + line.find(':') + 1);
            }
            switches[std::atoi(task.path().filename().c_str())] = { name, count };
        }
    }
    return switches;
}

TreeUsage MeasureTree(pid_t root, std::chrono::seconds window)
{
    const std::map<pid_t, long long> before = TreeTicks(root);
    const auto switchesBefore = TreeSwitches(root);
    const Clock::time_point from = Clock::now();
    std::this_thread::sleep_for(window);
    const std::map<pid_t, long long> after = TreeTicks(root);
    const auto switchesAfter = TreeSwitches(root);
    const double elapsed = Seconds(Clock::now() - from).count();
    long long spent = 0;
    for (const auto& [pid, ticks] : after) {
        const auto earlier = before.find(pid);
        spent += ticks - (earlier != before.end() ? earlier->second : 0);
    }
    TreeUsage usage;
    usage.cpuPercent = 100.0 * static_cast<double>(spent)
        / static_cast<double>(::sysconf(_SC_CLK_TCK)) / elapsed;
    std::vector<std::pair<long long, std::string>> wakers;
    for (const auto& [tid, thread] : switchesAfter) {
        const auto earlier = switchesBefore.find(tid);
        const long long count
            = thread.second - (earlier != switchesBefore.end() ? earlier->second.second : 0);
        usage.wakeups += static_cast<double>(count) / elapsed;
        wakers.push_back({ count, thread.first });
    }
    std::sort(wakers.rbegin(), wakers.rend());
    for (std::size_t i = 0; i < wakers.size() && i < 6; ++i) {
        char part[80];
        std::snprintf(part, sizeof part, "%s%s %.0f", i == 0 ? "" : ", ", wakers[i].second.c_str(),
            static_cast<double>(wakers[i].first) / elapsed);
        usage.wakers += part;
    }
    long rss = 0;
    long pss = 0;
    long own = 0;
    std::map<std::string, int> byName;
    for (const auto& member : testsupport::ProcessTree(root)) {
        if (const std::optional<Resident> r = ResidentOf(member.first)) {
            rss += r->kib;
            const Proportional p = ProportionalOf(member.first);
            pss += p.pssKib;
            own += p.privateKib;
            ++byName[r->name];
            const std::string role = HelperRole(member.first);
            char line[160];
            std::snprintf(line, sizeof line, "%s%s%s %.1f MiB", usage.detail.empty() ? "" : ", ",
                r->name.c_str(), role.empty() ? "" : (" (" + role + ")").c_str(),
                p.pssKib / 1024.0);
            usage.detail += line;
            usage.mappings.push_back(r->name + (role.empty() ? "" : " (" + role + ")") + ": "
                + LargestMappings(member.first, 12));
            ++usage.processes;
        }
    }
    usage.rssMib = rss / 1024.0;
    usage.pssMib = pss / 1024.0;
    usage.privateMib = own / 1024.0;
    for (const auto& [name, count] : byName)
        usage.names += (usage.names.empty() ? "" : ", ") + name + " x" + std::to_string(count);
    return usage;
}

struct MemoryRow {
    std::string player;
    std::optional<TreeUsage> usage;
    double pssGoal = 0; // MiB, 0 for the reference players
    double cpuGoal = 0; // % of a core
};

// The local sound server that every player of the memory figures plays to
// (run-playback-bench.sh starts it), so that all of them do the same work.
Environment SoundServerEnvironment()
{
    Environment env;
    if (const char* pulse = std::getenv("PULSE_RUNTIME_PATH"))
        env["PULSE_SERVER"] = std::string("unix:") + pulse + "/native";
    return env;
}

// A reference player started on the stream, measured once it has played
// for settle, then ended.
std::optional<TreeUsage> MeasureReference(const std::vector<std::string>& command,
    const Environment& env, const std::string& outputFile, std::chrono::seconds settle,
    std::chrono::seconds window)
{
    Process player;
    if (!player.start(
            command.front(), { command.begin() + 1, command.end() }, env, "/", outputFile)) {
        std::fprintf(stderr, "%s did not start\n", command.front().c_str());
        return std::nullopt;
    }
    std::this_thread::sleep_for(settle);
    if (!player.isRunning()) {
        std::fprintf(
            stderr, "%s ended:\n%s\n", command.front().c_str(), ReadTextFile(outputFile).c_str());
        return std::nullopt;
    }
    TreeUsage usage = MeasureTree(player.pid(), window);
    player.terminate();
    if (!player.waitForExit(5s))
        player.kill();
    return usage;
}

// Waits for the player's first audio after the log's current end, then for
// settle, and measures.
std::optional<TreeUsage> MeasureOurs(Installation& install, LineFollower& log,
    std::chrono::seconds settle, std::chrono::seconds window)
{
    const auto audio = log.waitFor([](const std::string& l) { return l == "first audio"; }, 30s);
    if (!audio) {
        std::fprintf(stderr, "no audio:\n%s\n", ReadTextFile(install.logPath()).c_str());
        return std::nullopt;
    }
    std::this_thread::sleep_until(*audio + settle);
    if (!install.playerRunning()) {
        std::fprintf(stderr, "the player ended:\n%s\n", install.output().c_str());
        return std::nullopt;
    }
    return MeasureTree(install.playerPid(), window);
}

void PrintMemoryRows(const std::vector<MemoryRow>& rows)
{
    std::optional<TreeUsage> reference;
    for (const MemoryRow& row : rows) {
        if (row.player == "Goodvibes")
            reference = row.usage;
    }
    std::printf("\n%-38s %9s %9s %9s %6s %7s  %-34s %s\n", "player", "PSS", "private", "RSS",
        "procs", "CPU", "goal (PSS / CPU)", "PSS / Goodvibes");
    for (const MemoryRow& row : rows) {
        if (!row.usage) {
            std::printf("%-38s   not measured\n", row.player.c_str());
            continue;
        }
        const TreeUsage& u = *row.usage;
        std::string goal;
        if (row.pssGoal > 0) {
            char text[64];
            std::snprintf(text, sizeof text, "%.0f MiB %s / %.1f %% %s", row.pssGoal,
                u.pssMib <= row.pssGoal ? "met" : "NOT met", row.cpuGoal,
                u.cpuPercent <= row.cpuGoal ? "met" : "NOT met");
            goal = text;
        }
        std::string ratio = "n/a";
        if (reference && reference->pssMib > 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", u.pssMib / reference->pssMib);
            ratio = text;
        }
        std::printf("%-38s %5.1f MiB %5.1f MiB %5.1f MiB %6d %5.2f %%  %-34s %s\n",
            row.player.c_str(), u.pssMib, u.privateMib, u.rssMib, u.processes, u.cpuPercent,
            goal.c_str(), ratio.c_str());
    }
    std::printf("\nProcesses:\n");
    for (const MemoryRow& row : rows) {
        if (row.usage)
            std::printf("  %-38s %s\n", row.player.c_str(), row.usage->names.c_str());
    }
    std::printf("\nWake-ups (context switches of every thread, per second), busiest threads:\n");
    for (const MemoryRow& row : rows) {
        if (row.usage)
            std::printf("  %-38s %6.0f  %s\n", row.player.c_str(), row.usage->wakeups,
                row.usage->wakers.c_str());
    }
    std::printf("\nPSS of each process:\n");
    for (const MemoryRow& row : rows) {
        if (row.usage)
            std::printf("  %-38s %s\n", row.player.c_str(), row.usage->detail.c_str());
    }
    std::printf("\nLargest mappings of each process, MiB of PSS:\n");
    for (const MemoryRow& row : rows) {
        if (!row.usage)
            continue;
        std::printf("  %s\n", row.player.c_str());
        for (const std::string& process : row.usage->mappings)
            std::printf("    %s\n", process.c_str());
    }
    std::fflush(stdout);
}

// A notification-area owner on the display, so that the player really
// hides into it; none is needed offscreen.
class TrayOwner {
public:
    bool start(const std::string& dir)
    {
#ifdef SONALTO_TRAYOWNER_PATH
        if (std::getenv("DISPLAY") == nullptr)
            return false;
        const std::string out = dir + "trayowner.out";
        if (!m_process.start(SONALTO_TRAYOWNER_PATH, {}, {}, "/", out))
            return false;
        return testsupport::WaitFor(
            [&] { return ReadTextFile(out).find("owner yes") != std::string::npos; }, 10s);
#else
        (void)dir;
        return false;
#endif
    }

private:
    Process m_process;
};

int Memory(int settleSeconds, int windowSeconds, bool withReferences)
{
    const std::chrono::seconds settle(settleSeconds);
    const std::chrono::seconds window(windowSeconds);
    Installation install;
    if (!install.prepare())
        return 1;
    install.useSoundServer(SoundServerEnvironment());
    TrayOwner tray;
    const bool withTray = tray.start(install.html());
    std::printf("Memory and CPU of every process of each player, playing the local stream to "
                "%s, platform %s, notification area %s; measured %d s after the first audio, "
                "CPU over the following %d s\n",
        std::getenv("PULSE_RUNTIME_PATH") ? "the headless sound server's null sink"
                                          : "each player's default output",
        std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "offscreen",
        withTray ? "present" : "absent", settleSeconds, windowSeconds);
    std::fflush(stdout);

    std::vector<MemoryRow> rows;
    // Shown, then hidden into the notification area, in one run.
    {
        if (!install.startPlayer()) {
            std::fprintf(stderr, "the player did not start:\n%s\n", install.output().c_str());
            return 1;
        }
        LineFollower log(install.logPath());
        install.forwardRadio("BenchAlpha.htm");
        rows.push_back(
            { "Sonalto, window shown", MeasureOurs(install, log, settle, window), 160, 2.0 });
        install.hideAway();
        std::this_thread::sleep_for(settle);
        rows.push_back({ "Sonalto, hidden in the tray",
            install.playerRunning() ? std::optional(MeasureTree(install.playerPid(), window))
                                    : std::nullopt,
            100, 1.5 });
        install.stopPlayer();
    }
    // Started as the scheduler does, never shown.
    {
        std::filesystem::remove(install.logPath());
        LineFollower log(install.logPath());
        if (!install.startPlayer({ "-quiet", "-radio", "BenchAlpha.htm" })) {
            std::fprintf(stderr, "the player did not start:\n%s\n", install.output().c_str());
            return 1;
        }
        rows.push_back({ "Sonalto, \"-quiet -radio\" never shown",
            MeasureOurs(install, log, settle, window), 80, 1.5 });
        install.stopPlayer();
    }

    if (!withReferences) {
        PrintMemoryRows(rows);
        return 0;
    }
    const Environment sound = SoundServerEnvironment();
    const std::string url = install.streamUrl();
    const std::string out = install.html() + "reference.out";
    rows.push_back({ "mpv",
        MeasureReference({ "mpv", "--no-config", "--ytdl=no", "--no-video", "--really-quiet", url },
            sound, out, settle, window) });
    rows.push_back({ "gst-play-1.0",
        MeasureReference({ "gst-play-1.0", "--quiet", url }, sound, out, settle, window) });
    // Goodvibes keeps its settings under HOME: a private one.
    Environment goodvibes = sound;
    goodvibes["HOME"] = install.html() + "goodvibes-home";
    goodvibes["GSETTINGS_BACKEND"] = "memory";
    rows.push_back(
        { "Goodvibes", MeasureReference({ "goodvibes", url }, goodvibes, out, settle, window) });

    PrintMemoryRows(rows);
    for (const MemoryRow& row : rows) {
        if (!row.usage)
            return 1;
    }
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
        "usage: playback_bench latency [runs]\n"
        "       playback_bench memory [settle-seconds] [window-seconds] [ours]\n");
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
        return Memory(argc > 2 ? std::max(1, std::atoi(argv[2])) : 30,
            argc > 3 ? std::max(1, std::atoi(argv[3])) : 10,
            argc <= 4 || std::string(argv[4]) != "ours");
    return Usage();
}
