// What the listener hears, measured at the monitor of a headless sound
// server's null sink, for the player's playback engine beside mpv and
// gst-play-1.0 on the same local stream. Printed, not asserted.
//
//   sound_bench [outage-seconds...]   (default: 5 60)
//   sound_bench steady [seconds]      (default: 600)
//
// For each player:
//   - time to first audio, with the server sending three seconds ahead of
//     real time (as stations do) and with no burst at all;
//   - after the server was away for each outage, the time from its return
//     to sound at the monitor, and the longest silence;
//   - the loudest peak at the monitor at volume 100 % and 20 %.
//
// steady: the player's engine alone on a steady local stream for that
// long, heard at the speakers (the null sink's monitor) and at the private
// output the recorder takes: the longest silence and the count of quiet
// 50 ms readings at each.
//
// The sound server comes from the environment (run-playback-bench.sh
// sound starts one). Sonalto's engine runs in this process and is timed
// from play(); the other two are separate programs, timed from their
// start, so their figures include their own start-up. Each player is
// started once before the figures, so that none of them counts the loading
// of its libraries from a cold disk cache.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gst/gst.h>

#include <QCoreApplication>

#include "common/sound/privateoutput.h"
#include "playback/streamplayer.h"
#include "support/monitorlevels.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::Process;
using testsupport::TempDir;

// Runs the event loop (the engine's timers and messages) until pred holds
// or timeout; returns pred().
bool pumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

void pump(std::chrono::milliseconds time)
{
    pumpUntil([] { return false; }, time);
}

using Monitor = testsupport::MonitorLevels;

using Server = testsupport::RestartableServer;

// The local stream of the tone, the server sending burst seconds ahead of
// real time.
std::string streamUrl(const Server& server, double burst)
{
    char query[64];
    std::snprintf(query, sizeof query, "/_stream?audio=tone.mp3&burst=%g", burst);
    return server.url(query);
}

// One player under measurement: started on a stream at a volume (0-100, on
// the cubic scale the three players share), and stopped.
class Player {
public:
    virtual ~Player() = default;
    virtual const char* name() const = 0;
    virtual bool start(const std::string& url, int volume) = 0;
    virtual bool running() = 0;
    virtual void stop() = 0;
};

class Engine : public Player {
public:
    const char* name() const override { return "Sonalto"; }
    bool start(const std::string& url, int volume) override
    {
        m_player = std::make_unique<StreamPlayer>();
        m_player->setVolume(volume);
        m_player->play(QString::fromStdString(url));
        return true;
    }
    bool running() override
    {
        return m_player && m_player->state() != StreamPlayer::State::Failed
            && m_player->state() != StreamPlayer::State::Stopped;
    }
    void stop() override { m_player.reset(); }

private:
    std::unique_ptr<StreamPlayer> m_player;
};

class Program : public Player {
public:
    enum class Kind { Mpv, GstPlay };
    explicit Program(Kind kind)
        : m_kind(kind)
    {
    }
    const char* name() const override { return m_kind == Kind::Mpv ? "mpv" : "gst-play-1.0"; }
    bool start(const std::string& url, int volume) override
    {
        m_process = std::make_unique<Process>();
        if (m_kind == Kind::Mpv)
            return m_process->start("mpv",
                { "--no-video", "--no-terminal", "--ao=pulse", "--volume=" + std::to_string(volume),
                    url },
                {}, {}, "/dev/null");
        // gst-play-1.0 takes its volume on the same cubic scale, 0 to 1.
        char level[16];
        std::snprintf(level, sizeof level, "%.2f", volume / 100.0);
        return m_process->start("gst-play-1.0",
            { "--no-interactive", std::string("--volume=") + level, url }, {}, {}, "/dev/null");
    }
    bool running() override { return m_process && m_process->isRunning(); }
    void stop() override
    {
        if (m_process && m_process->isRunning()) {
            m_process->terminate();
            if (!m_process->waitForExit(3s))
                m_process->kill();
        }
        m_process.reset();
    }

private:
    Kind m_kind;
    std::unique_ptr<Process> m_process;
};

std::string seconds(std::optional<Clock::duration> d)
{
    if (!d)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", std::chrono::duration<double>(*d).count());
    return text;
}

std::string decibels(double db)
{
    if (db <= -999)
        return "silent";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", db);
    return text;
}

struct Figures {
    std::optional<Clock::duration> firstWithBurst, firstWithoutBurst;
    std::vector<std::optional<Clock::duration>> back; // per outage
    std::vector<std::optional<Clock::duration>> silence;
    double peakFull = -1000, peakLow = -1000;
};

std::optional<Clock::duration> firstAudio(Player& player, Server& server, double burst)
{
    Monitor monitor("test_sink.monitor");
    pump(300ms); // the monitor's own start
    const auto started = Clock::now();
    player.start(streamUrl(server, burst), 100);
    std::optional<Clock::time_point> heard;
    pumpUntil([&] { return (heard = monitor.soundAfter(started)).has_value(); }, 15s);
    player.stop();
    pump(300ms);
    if (!heard)
        return std::nullopt;
    return *heard - started;
}

void outages(Player& player, Server& server, const std::vector<int>& outageSeconds, Figures& out)
{
    Monitor monitor("test_sink.monitor");
    player.start(streamUrl(server, 3), 100);
    if (!pumpUntil([&] { return monitor.soundAfter(Clock::now() - 20s).has_value(); }, 15s)) {
        player.stop();
        return;
    }
    for (const int outage : outageSeconds) {
        pump(5s); // steady, its queue full
        const auto dropped = Clock::now();
        server.stop();
        pump(std::chrono::seconds(outage));
        server.start();
        const auto back = Clock::now();
        std::optional<Clock::time_point> heard;
        pumpUntil(
            [&] {
                return (heard = monitor.soundAgainAfter(dropped)).has_value()
                    && *heard > back - 10s;
            },
            10s);
        if (heard && *heard < back)
            heard = back; // a drop shorter than the queue: never silent after it
        out.back.push_back(heard ? std::optional<Clock::duration>(*heard - back) : std::nullopt);
        out.silence.push_back(monitor.longestSilence(dropped, Clock::now()));
        if (!player.running()) {
            // Left at the drop: nothing more to measure for it.
            for (std::size_t i = out.back.size(); i < outageSeconds.size(); ++i) {
                out.back.push_back(std::nullopt);
                out.silence.push_back(std::nullopt);
            }
            break;
        }
    }
    player.stop();
    pump(300ms);
}

double peakAt(Player& player, Server& server, int volume)
{
    Monitor monitor("test_sink.monitor");
    player.start(streamUrl(server, 3), volume);
    pump(3s); // started, past the server's burst
    const auto from = Clock::now();
    pump(2s);
    const double peak = monitor.loudest(from, Clock::now());
    player.stop();
    pump(300ms);
    return peak;
}

// The engine on a steady stream for a while: every gap heard at the
// speakers and at the private output, from half a second after its first
// sound to the end.
int steady(Server& server, std::chrono::seconds length)
{
    // The private output is made when the engine starts: its monitor can
    // be read only from then on.
    Engine engine;
    engine.start(streamUrl(server, 1), 100);
    Monitor speakers("test_sink.monitor");
    Monitor recorder(kPrivateMonitorName);
    std::optional<Clock::time_point> heard;
    if (!pumpUntil(
            [&] { return (heard = speakers.soundAfter(Clock::now() - 20s)).has_value(); }, 15s)) {
        std::fprintf(stderr, "no sound at the speakers\n");
        return 1;
    }
    std::fprintf(stderr, "playing for %lld s\n", static_cast<long long>(length.count()));
    pump(length);
    const auto from = *heard + 500ms, to = Clock::now();
    const bool playing = engine.running();
    engine.stop();
    pump(300ms);

    std::printf("\nSteady local stream for %lld s, Sonalto (tone at -6 dB; quiet = below %g dB)\n",
        static_cast<long long>(length.count()), Monitor::kSilence);
    std::printf("%-24s%18s%18s%18s\n", "", "longest silence", "quiet readings", "readings");
    for (const auto& [label, monitor] :
        { std::pair<const char*, const Monitor*> { "speakers", &speakers },
            { "private output", &recorder } }) {
        const auto readings = monitor->readings();
        const auto within = [&](const Monitor::Reading& r) { return r.at >= from && r.at <= to; };
        const auto quiet = std::count_if(readings.begin(), readings.end(),
            [&](const Monitor::Reading& r) { return within(r) && r.peak < Monitor::kSilence; });
        const auto all = std::count_if(readings.begin(), readings.end(), within);
        char longest[32];
        std::snprintf(longest, sizeof longest, "%lld ms",
            static_cast<long long>(monitor->longestSilence(from, to).count()));
        std::printf("%-24s%18s%18lld%18lld\n", label, longest, static_cast<long long>(quiet),
            static_cast<long long>(all));
    }
    std::printf("still playing at the end: %s\n", playing ? "yes" : "no");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    gst_init(&argc, &argv);
    const bool steadyOnly = argc > 1 && std::string(argv[1]) == "steady";
    if (steadyOnly) {
        const std::chrono::seconds length(argc > 2 ? std::max(1, std::atoi(argv[2])) : 600);
        TempDir root("sonalto-sound-bench");
        // Longer than the run: the server's loop never shows.
        testsupport::MakeStreamTone(
            root.path() + "tone.mp3", static_cast<int>(length.count()) + 60);
        Server server(root.path());
        if (!server.start()) {
            std::fprintf(stderr, "the local HTTP server did not start\n");
            return 1;
        }
        return steady(server, length);
    }
    std::vector<int> outageSeconds;
    for (int i = 1; i < argc; ++i)
        outageSeconds.push_back(std::max(1, std::atoi(argv[i])));
    if (outageSeconds.empty())
        outageSeconds = { 5, 60 };

    TempDir root("sonalto-sound-bench");
    // A tone at half scale (-6 dB), long enough that the server's loop
    // never shows during a measurement.
    testsupport::MakeStreamTone(root.path() + "tone.mp3", 200);
    Server server(root.path());
    if (!server.start()) {
        std::fprintf(stderr, "the local HTTP server did not start\n");
        return 1;
    }

    Engine engine;
    Program mpv(Program::Kind::Mpv);
    Program gstPlay(Program::Kind::GstPlay);
    Player* players[] = { &engine, &mpv, &gstPlay };
    std::vector<Figures> figures;
    for (Player* player : players) {
        std::fprintf(stderr, "measuring %s\n", player->name());
        Figures f;
        // A first start loads what later starts find ready: not counted.
        firstAudio(*player, server, 3);
        f.firstWithBurst = firstAudio(*player, server, 3);
        f.firstWithoutBurst = firstAudio(*player, server, 0);
        f.peakFull = peakAt(*player, server, 100);
        f.peakLow = peakAt(*player, server, 20);
        outages(*player, server, outageSeconds, f);
        f.back.resize(outageSeconds.size());
        f.silence.resize(outageSeconds.size());
        figures.push_back(f);
    }

    std::printf("\nSound at the null sink's monitor (tone at -6 dB; '-' = never within 10 s)\n");
    std::printf("%-44s", "");
    for (Player* player : players)
        std::printf("%16s", player->name());
    std::printf("\n");
    const auto row
        = [&](const std::string& label, const std::function<std::string(const Figures&)>& cell) {
              std::printf("%-44s", label.c_str());
              for (const Figures& f : figures)
                  std::printf("%16s", cell(f).c_str());
              std::printf("\n");
          };
    row("first audio, server 3 s ahead",
        [](const Figures& f) { return seconds(f.firstWithBurst); });
    row("first audio, no burst", [](const Figures& f) { return seconds(f.firstWithoutBurst); });
    for (std::size_t i = 0; i < outageSeconds.size(); ++i) {
        const std::string outage = std::to_string(outageSeconds[i]) + " s outage: ";
        row(outage + "sound back after the server",
            [i](const Figures& f) { return seconds(f.back[i]); });
        row(outage + "longest silence", [i](const Figures& f) { return seconds(f.silence[i]); });
    }
    row("peak at volume 100 %", [](const Figures& f) { return decibels(f.peakFull); });
    row("peak at volume 20 % (cubic: -41.9 dB)",
        [](const Figures& f) { return decibels(f.peakLow); });
    return 0;
}
