#include "playback/streamplayer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaEnum>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "common/sound/privateoutput.h"
#include "support/monitorlevels.h"
#include "support/testsupport.h"

using namespace std::chrono_literals;
using State = StreamPlayer::State;

void PrintTo(State state, std::ostream* out)
{
    *out << QMetaEnum::fromType<State>().valueToKey(static_cast<int>(state));
}

namespace {

using testsupport::RestartableServer;
using testsupport::TempDir;
using testsupport::UnusedPort;

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Half a second of a real tone, encoded to MP3 with GStreamer.
bool MakeToneMp3(const std::string& path)
{
    gst_init(nullptr, nullptr);
    const std::string launch = "audiotestsrc num-buffers=20 ! audioconvert ! lamemp3enc ! "
                               "filesink location=\""
        + path + "\"";
    GstElement* pipeline = gst_parse_launch(launch.c_str(), nullptr);
    if (!pipeline)
        return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

// Records every state the player passes through.
struct StateLog {
    explicit StateLog(StreamPlayer& player)
    {
        QObject::connect(
            &player, &StreamPlayer::stateChanged, [this](State s) { states.push_back(s); });
    }
    bool saw(State state) const
    {
        return std::find(states.begin(), states.end(), state) != states.end();
    }
    std::vector<State> states;
};

StreamPlayer::RetryPolicy QuickRetries(std::chrono::milliseconds budget)
{
    StreamPlayer::RetryPolicy policy;
    policy.firstDelay = 100ms;
    policy.maxDelay = 400ms;
    policy.budget = budget;
    policy.playlistTimeout = 3s;
    policy.steadyAudio = 1s;
    return policy;
}

class StreamPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("SONALTO_AUDIO_SINK", "fakesink sync=true", 1);
        ASSERT_TRUE(m_server.start(m_root.path()));
    }

    QString url(const std::string& path) const
    {
        return QString::fromStdString(m_server.url(path));
    }

    static bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
    {
        return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
    }

    TempDir m_root { "sonalto-stream" };
    testsupport::HttpServer m_server;
};

TEST_F(StreamPlayerTest, playsIcyStreamAndReportsEachTitleChangeOnce)
{
    StreamPlayer player;
    QStringList titles;
    QObject::connect(&player, &StreamPlayer::titleChanged, [&](const QString& t) { titles << t; });
    QSignalSpy firstAudio(&player, &StreamPlayer::firstAudio);

    // A title block every 2000 bytes (8 a second), each title for 3 blocks.
    player.play(url("/_stream?metaint=2000&every=3&title=Un&title=Deux"), {}, "Radio de test");
    EXPECT_EQ(player.state(), State::Connecting);
    EXPECT_EQ(player.statusText(), QString("Connexion…"));
    ASSERT_TRUE(waitFor([&] { return firstAudio.count() == 1; }, 10s));
    EXPECT_EQ(player.state(), State::Playing);
    EXPECT_GT(player.firstAudioLatency().count(), 0);

    ASSERT_TRUE(waitFor([&] { return titles.count("Deux") >= 2; }, 10s))
        << titles.join('|').toStdString();
    for (qsizetype i = 1; i < titles.size(); ++i)
        EXPECT_NE(titles[i], titles[i - 1]) << "repeated title at " << i;
    EXPECT_TRUE(titles.contains("Un"));
    EXPECT_TRUE(player.statusText() == QString("En lecture — Un")
        || player.statusText() == QString("En lecture — Deux"))
        << player.statusText().toStdString();
    EXPECT_EQ(firstAudio.count(), 1) << "firstAudio is emitted once per play()";
    // MP3 goes to its own decoder: the general codec collection, with its
    // video codecs and filters, stays out of the process.
    std::ifstream maps("/proc/self/maps");
    const std::string mapped((std::istreambuf_iterator<char>(maps)), {});
    EXPECT_EQ(mapped.find("libgstlibav.so"), std::string::npos);
}

TEST_F(StreamPlayerTest, resolvesPlaylistsAndFallsThroughDeadEntries)
{
    const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/flux";
    const std::string stream = m_server.url("/_stream?title=Liste");
    std::filesystem::create_directories(m_root.path() + "radios");
    ASSERT_TRUE(MakeToneMp3(m_root.path() + "radios/tone.mp3"));

    WriteFile(m_root.path() + "liste.pls",
        "[playlist]\r\nNumberOfEntries=2\r\nFile1=" + dead + "\r\nFile2=" + stream + "\r\n");
    WriteFile(m_root.path() + "liste.m3u",
        "#EXTM3U\n#EXTINF:-1,Absent\n/_status/404\n#EXTINF:-1,Relatif\n_stream?title=M3u\n");
    WriteFile(m_root.path() + "radios/locale.m3u", "absente.mp3\r\ntone.mp3\r\n");
    WriteFile(m_root.path() + "liste.xspf",
        "<?xml version=\"1.0\"?><playlist xmlns=\"http://xspf.org/ns/0/\"><trackList>"
        "<track><location>"
            + dead
            + "</location></track>"
              "<track><location>"
            + m_server.url("/liste.asx")
            + "</location></track>"
              "</trackList></playlist>");
    WriteFile(m_root.path() + "liste.asx",
        "<ASX version=\"3.0\"><ENTRY><REF HREF=\"" + stream + "&amp;name=asx\"/></ENTRY></ASX>");
    // A playlist whose name and type say nothing: found by its content.
    WriteFile(m_root.path() + "ecouter", "[playlist]\nFile1=" + stream + "\n");

    struct Case {
        const char* what;
        QString link, htmlDir, expectedUri;
    };
    const std::vector<Case> cases = {
        { "pls over http, refused first entry", url("/liste.pls"), {},
            QString::fromStdString(stream) },
        { "m3u over http, missing first entry, relative second", url("/liste.m3u"), {},
            url("/_stream?title=M3u") },
        { "local m3u relative to the pages, missing first file", "radios/locale.m3u",
            QString::fromStdString(m_root.path()),
            QUrl::fromLocalFile(QString::fromStdString(m_root.path() + "radios/tone.mp3"))
                .toString() },
        { "xspf naming an asx", url("/liste.xspf"), {},
            QString::fromStdString(stream + "&name=asx") },
        { "playlist without extension", url("/ecouter"), {}, QString::fromStdString(stream) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StreamPlayer player;
        player.setRetryPolicy(QuickRetries(20s));
        StateLog log(player);
        QSignalSpy firstAudio(&player, &StreamPlayer::firstAudio);
        player.play(c.link, c.htmlDir);
        EXPECT_TRUE(waitFor([&] { return firstAudio.count() == 1; }, 15s));
        EXPECT_EQ(player.currentUri(), c.expectedUri);
        EXPECT_FALSE(log.saw(State::Reconnecting)) << "a dead entry falls through at once";
    }

    // A local file has an end: playing it through stops, no reconnecting.
    StreamPlayer player;
    StateLog log(player);
    player.play("radios/tone.mp3", QString::fromStdString(m_root.path()));
    EXPECT_TRUE(waitFor([&] { return player.state() == State::Stopped; }, 10s));
    EXPECT_EQ(
        log.states, (std::vector<State> { State::Connecting, State::Playing, State::Stopped }));
}

TEST_F(StreamPlayerTest, reconnectsAfterEachDropAndAudioRenewsTheBudget)
{
    RestartableServer server(m_root.path());
    ASSERT_TRUE(server.start());
    StreamPlayer player;
    // Each outage below lasts about 2 s; together they exceed the budget,
    // which only holds because audio in between starts the count again.
    player.setRetryPolicy(QuickRetries(3500ms));
    StateLog log(player);
    player.play(QString::fromStdString(server.url("/_stream")));
    ASSERT_TRUE(waitFor([&] { return player.state() == State::Playing; }, 10s));

    for (int outage = 1; outage <= 2; ++outage) {
        SCOPED_TRACE(outage);
        log.states.clear();
        server.stop();
        ASSERT_TRUE(waitFor([&] { return player.state() == State::Reconnecting; }, 15s));
        QTest::qWait(2000);
        EXPECT_EQ(player.state(), State::Reconnecting);
        EXPECT_EQ(player.statusText(), QString("Flux interrompu, nouvelle tentative…"));
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(waitFor([&] { return player.state() == State::Playing; }, 10s));
        EXPECT_EQ(log.states, (std::vector<State> { State::Reconnecting, State::Playing }));
        QTest::qWait(1500); // steady audio
    }
}

// Servers that send a moment of audio and close: each one is retried with
// the pause of a failed round, and the budget runs on, so that the player
// ends up giving up instead of reconnecting forever. A file over HTTP, with
// its length, plays through once.
TEST_F(StreamPlayerTest, shortBurstsArePacedAndFilesPlayOnce)
{
    {
        StreamPlayer player;
        StreamPlayer::RetryPolicy policy = QuickRetries(3s);
        policy.steadyAudio = 5s;
        player.setRetryPolicy(policy);
        StateLog log(player);
        QElapsedTimer clock;
        clock.start();
        // A second of audio at once, then the connection ends.
        player.play(url("/_stream?limit=16000&fast=1"));
        ASSERT_TRUE(waitFor([&] { return player.state() == State::Failed; }, 15s))
            << "reconnects without end";
        // Given up no earlier than one pause before the budget.
        EXPECT_GE(std::chrono::milliseconds(clock.elapsed()), policy.budget - policy.maxDelay);
        EXPECT_TRUE(log.saw(State::Playing));
    }
    {
        ASSERT_TRUE(MakeToneMp3(m_root.path() + "fichier.mp3"));
        StreamPlayer player;
        player.setRetryPolicy(QuickRetries(20s));
        StateLog log(player);
        player.play(url("/fichier.mp3"));
        ASSERT_TRUE(waitFor([&] { return player.state() == State::Stopped; }, 10s));
        QTest::qWait(1000);
        EXPECT_EQ(
            log.states, (std::vector<State> { State::Connecting, State::Playing, State::Stopped }));
    }
}

TEST_F(StreamPlayerTest, givesUpOnRefusedAddressWhenBudgetIsSpent)
{
    StreamPlayer player;
    const auto budget = 2s;
    player.setRetryPolicy(QuickRetries(budget));
    StateLog log(player);
    QElapsedTimer clock;
    clock.start();
    player.play(QString("http://127.0.0.1:%1/flux").arg(UnusedPort()));
    ASSERT_TRUE(waitFor([&] { return player.state() == State::Failed; }, 10s));
    const auto elapsed = std::chrono::milliseconds(clock.elapsed());

    // The last pause would have crossed the budget: given up no earlier than
    // one pause before it, and not long after.
    EXPECT_GE(elapsed, budget - QuickRetries(budget).maxDelay);
    EXPECT_LE(elapsed, budget + 1s);
    EXPECT_EQ(player.statusText(), QString("Flux introuvable"));
    EXPECT_EQ(
        log.states, (std::vector<State> { State::Connecting, State::Reconnecting, State::Failed }));
}

TEST_F(StreamPlayerTest, nothingIsReportedAfterStop)
{
    WriteFile(m_root.path() + "lente.pls", "[playlist]\nFile1=" + m_server.url("/_stream") + "\n");
    struct Case {
        const char* what;
        QString link;
        State stopIn;
    };
    const std::vector<Case> cases = {
        { "while reading a slow playlist", url("/_stall/1/lente.pls"), State::Connecting },
        { "while playing", url("/_stream?metaint=1000&every=1&title=A&title=B"), State::Playing },
        { "while waiting to retry", QString("http://127.0.0.1:%1/").arg(UnusedPort()),
            State::Reconnecting },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StreamPlayer player;
        player.setRetryPolicy(QuickRetries(20s));
        player.play(c.link);
        ASSERT_TRUE(waitFor([&] { return player.state() == c.stopIn; }, 10s));
        player.stop();
        EXPECT_EQ(player.state(), State::Stopped);
        EXPECT_EQ(player.statusText(), QString("Arrêté"));
        EXPECT_TRUE(player.title().isEmpty());

        QSignalSpy states(&player, &StreamPlayer::stateChanged);
        QSignalSpy titles(&player, &StreamPlayer::titleChanged);
        QSignalSpy texts(&player, &StreamPlayer::statusTextChanged);
        QSignalSpy audio(&player, &StreamPlayer::firstAudio);
        QTest::qWait(1500);
        EXPECT_EQ(states.count() + titles.count() + texts.count() + audio.count(), 0);
    }
}

// The count of messages still alive, from GStreamer's leaks tracer, or -1
// when the tracer is not running.
int LiveMessages()
{
    int live = -1;
    GList* tracers = gst_tracing_get_active_tracers();
    for (GList* item = tracers; item != nullptr; item = item->next) {
        GstStructure* info = nullptr;
        if (live < 0 && g_signal_lookup("get-live-objects", G_OBJECT_TYPE(item->data)) != 0)
            g_signal_emit_by_name(item->data, "get-live-objects", &info);
        if (info == nullptr)
            continue;
        for (int i = 0; i < gst_structure_n_fields(info); ++i) {
            const GValue* list
                = gst_structure_get_value(info, gst_structure_nth_field_name(info, i));
            if (GST_VALUE_HOLDS_LIST(list))
                live = static_cast<int>(gst_value_list_get_size(list));
        }
        gst_structure_free(info);
    }
    g_list_free_full(tracers, gst_object_unref);
    return live;
}

// Playing posts hundreds of bus messages (state changes, tags, buffering);
// the player keeps none of them once it is gone.
TEST_F(StreamPlayerTest, releasesEveryBusMessage)
{
    // The tracer must be named before GStreamer starts, which happens in the
    // first test of a process: ctest runs each test in its own.
    if (gst_is_initialized())
        GTEST_SKIP() << "GStreamer already started in this process; run this test alone";
    ::setenv("GST_TRACERS", "leaks(filters=\"GstMessage\",stack-traces-flags=none)", 1);
    {
        StreamPlayer player;
        QSignalSpy titles(&player, &StreamPlayer::titleChanged);
        player.play(url("/_stream?metaint=1000&every=1&title=A&title=B"));
        ASSERT_TRUE(waitFor([&] { return titles.count() >= 4; }, 10s));
        ASSERT_GT(LiveMessages(), -1) << "the leaks tracer is not running";
        player.stop();
        // A station change: the same pipeline plays again.
        player.play(url("/_stream?metaint=1000&every=1&title=C&title=D"));
        ASSERT_TRUE(waitFor([&] { return titles.count() >= 8; }, 10s));
        player.stop();
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(LiveMessages(), 0);
}

using testsupport::MonitorLevels;

// Waits until the monitor hears sound after from; its time.
std::optional<MonitorLevels::Clock::time_point> waitForSound(const MonitorLevels& monitor,
    MonitorLevels::Clock::time_point from, std::chrono::milliseconds timeout)
{
    std::optional<MonitorLevels::Clock::time_point> found;
    static_cast<void>(
        QTest::qWaitFor([&] { return (found = monitor.soundAfter(from)).has_value(); },
            static_cast<int>(timeout.count())));
    return found;
}

// The real output path: no SONALTO_AUDIO_SINK, a headless sound server
// whose null sink stands in for the sound card, and a tone for the local
// stream to play.
class StreamPlayerOutageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("SONALTO_AUDIO_SINK");
        // GStreamer keeps its plugin registry under HOME: load it before
        // HOME moves to the sound server's private one.
        gst_init(nullptr, nullptr);
        m_sound = std::make_unique<testsupport::SoundServer>();
        if (!m_sound->ready())
            GTEST_SKIP() << m_sound->error();
        testsupport::MakeStreamTone(m_root.path() + "tone.mp3");
        ASSERT_TRUE(m_server.start(m_root.path()));
    }

    TempDir m_root { "sonalto-outage" };
    std::unique_ptr<testsupport::SoundServer> m_sound;
    testsupport::HttpServer m_server;
};

// A station's server goes away and comes back, measured at the speakers (a
// null sink's monitor). The player reconnects while its queue plays on: a
// drop shorter than the queue is not heard, again and again, and a longer
// outage is silent only for what the queue did not cover, with sound back
// soon after the server, whether it was away for seconds or for a minute.
TEST_F(StreamPlayerOutageTest, dropsAreBridgedAndSoundReturnsWithTheServer)
{
    RestartableServer server(m_root.path());
    ASSERT_TRUE(server.start());

    const std::chrono::milliseconds outages[] = { 1s, 1s, 1s, 10s, 60s };
    StreamPlayer player;
    StreamPlayer::RetryPolicy policy;
    policy.steadyAudio = 2s;
    player.setRetryPolicy(policy);
    MonitorLevels monitor("test_sink.monitor");
    using Clock = MonitorLevels::Clock;
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    // The server runs three seconds ahead of real time, as stations do.
    player.play(QString::fromStdString(server.url("/_stream?audio=tone.mp3&burst=3")));
    ASSERT_TRUE(waitForSound(monitor, Clock::now(), 10s)) << "no sound at the speakers";

    int drop = 0;
    for (const milliseconds outage : outages) {
        SCOPED_TRACE(
            "drop " + std::to_string(++drop) + ", " + std::to_string(outage.count()) + " ms");
        QTest::qWait(4000); // steady, and the queue full
        const milliseconds queued = player.queuedAudio();
        if (outage < 1500ms) {
            ASSERT_GE(queued, 2000ms) << "the server's burst is not queued";
        }
        const auto dropped = Clock::now();
        server.stop();
        QTest::qWait(static_cast<int>(outage.count()));
        ASSERT_TRUE(server.start());
        const auto back = Clock::now();
        QTest::qWait(1000);
        ASSERT_TRUE(waitForSound(monitor, back + 1s, 10s)) << "no sound after the server came back";
        const milliseconds silence = monitor.longestSilence(dropped, back + 2s);
        if (outage < queued) {
            // Shorter than the queue: not heard, though the player also
            // waits between attempts and connects again.
            EXPECT_LE(silence, 500ms) << "queued " << queued.count() << " ms";
            continue;
        }
        // Silent for the rest of the outage, give or take the pause before
        // the next attempt (1 s at most) and the connection, and sound back
        // with the server.
        EXPECT_LE(silence, outage - queued + 2000ms) << "queued " << queued.count() << " ms";
        EXPECT_GE(silence, outage - queued - 1000ms) << "queued " << queued.count() << " ms";
        const std::optional<Clock::time_point> returned = monitor.soundAgainAfter(dropped);
        ASSERT_TRUE(returned);
        EXPECT_LE(*returned - back, 1500ms)
            << duration_cast<milliseconds>(*returned - back).count() << " ms";
    }
    player.stop();
}

// A steady local stream, heard at the speakers and at the private output
// together for a minute: no silent gap in either.
TEST_F(StreamPlayerOutageTest, steadyPlaybackHasNoGaps)
{
    using Clock = MonitorLevels::Clock;
    {
        StreamPlayer player;
        MonitorLevels speakers("test_sink.monitor");
        MonitorLevels recorder(kPrivateMonitorName);
        player.play(QString::fromStdString(m_server.url("/_stream?audio=tone.mp3")));
        const auto heard = waitForSound(speakers, Clock::now(), 10s);
        ASSERT_TRUE(heard);
        QTest::qWait(60000);
        const auto end = Clock::now();
        EXPECT_LT(speakers.longestSilence(*heard + 500ms, end), 100ms);
        EXPECT_LT(recorder.longestSilence(*heard + 500ms, end), 100ms);
        // Not even one quiet reading of 50 ms.
        for (const MonitorLevels* monitor : { &speakers, &recorder })
            for (const auto& r : monitor->readings())
                EXPECT_FALSE(r.at > *heard + 500ms && r.peak < -30)
                    << (monitor == &speakers ? "speakers" : "private output") << " silent after "
                    << std::chrono::duration_cast<std::chrono::milliseconds>(r.at - *heard).count()
                    << " ms";
    }
}

// The private output goes away under the player, with the sound server
// when it restarts or alone when its module is unloaded: the player plays
// again on its own, the private output made anew, and takes that output
// away when it leaves.
TEST_F(StreamPlayerOutageTest, playsAgainAfterTheSoundServerRestarts)
{
    using Clock = MonitorLevels::Clock;
    const std::pair<const char*, std::string> losses[] = {
        { "the sound server restarts",
            "pulseaudio --kill; sleep 0.5; " + testsupport::SupportDirectory()
                + "/start-pulse.sh \"$SONALTO_PULSE_DIR\"" },
        { "the private output's module is unloaded",
            std::string("pactl unload-module $(pactl list short modules | grep 'sink_name=")
                + kPrivateOutputName + "' | cut -f1)" },
    };
    for (const auto& [what, command] : losses) {
        SCOPED_TRACE(what);
        {
            StreamPlayer player;
            {
                MonitorLevels monitor("test_sink.monitor");
                player.play(QString::fromStdString(m_server.url("/_stream?audio=tone.mp3")));
                ASSERT_TRUE(waitForSound(monitor, Clock::now(), 10s)) << "no sound at the speakers";
            }
            ASSERT_TRUE(SoundOutputExists(kPrivateOutputName));
            testsupport::RunCommand(command);
            ASSERT_TRUE(QTest::qWaitFor([] { return SoundOutputExists("test_sink"); }, 10000));
            MonitorLevels monitor("test_sink.monitor");
            EXPECT_TRUE(waitForSound(monitor, Clock::now() + 500ms, 15s))
                << "no sound after the output went";
            EXPECT_EQ(player.state(), State::Playing);
            ASSERT_TRUE(QTest::qWaitFor([] { return SoundOutputExists(kPrivateOutputName); }, 5000))
                << "the private output is not made again";
            // The player's sound reaches it again, and not the speakers
            // twice over.
            MonitorLevels recorder(kPrivateMonitorName);
            EXPECT_TRUE(waitForSound(recorder, Clock::now(), 5s)) << "the private output is silent";
            EXPECT_EQ(testsupport::RunCommand("pactl list short sink-inputs | cut -f2 | grep -cx "
                                              "\"$(pactl list short sinks | grep -w test_sink | "
                                              "cut -f1)\""),
                "1\n")
                << "streams at the speakers";
        }
        EXPECT_FALSE(SoundOutputExists(kPrivateOutputName)) << "left behind on the sound server";
    }
}

// The stream goes through the sound server to its null sink.
class StreamPlayerSoundServerTest : public StreamPlayerOutageTest { };

TEST_F(StreamPlayerSoundServerTest, playsThroughTheSoundServer)
{
    {
        StreamPlayer player;
        QSignalSpy firstAudio(&player, &StreamPlayer::firstAudio);
        player.play(QString::fromStdString(m_server.url("/_stream")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return firstAudio.count() == 1; }, 10000));
        QTest::qWait(300);
        // The stream is a client of the null sink.
        QProcess pactl;
        pactl.start("pactl", { "list", "sink-inputs" });
        pactl.waitForFinished(5000);
        const QString inputs = QString::fromUtf8(pactl.readAllStandardOutput());
        EXPECT_TRUE(inputs.contains("Sink Input #")) << inputs.toStdString();
        player.stop();
    }
}

} // namespace
