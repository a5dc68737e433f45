// The recorder program against a headless sound server: the player's own
// pipeline plays a tone, the recorder records it from the player's private
// output and "-quit" ends the file.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include <signal.h>
#include <sys/stat.h>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <QUrl>

#include "common/recorderpreset.h"
#include "common/settings.h"
#include "common/sound/privateoutput.h"
#include "common/textfile.h"
#include "common/titlesplit.h"
#include "playback/streamplayer.h"
#include "recording/recorderlaunch.h"
#include "recording/recordertitles.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;
using testsupport::TempDir;

// A headless sound server for the whole test program, its variables set in
// this process so that the in-process player and the children find it.
class SoundServer : public ::testing::Environment {
public:
    void SetUp() override
    {
        server = std::make_unique<testsupport::SoundServer>();
        ready = server->ready();
    }
    void TearDown() override { server.reset(); }
    static inline std::unique_ptr<testsupport::SoundServer> server;
    static inline bool ready = false;
};

const auto* const kSoundServer = ::testing::AddGlobalTestEnvironment(new SoundServer);

// The peak level, in dB, of each 100 ms that source gives: a gst-launch
// description ending in raw audio ("filesrc ... ! decodebin" for a file,
// "pulsesrc device=..." for a sound-server monitor), read for at most
// window from its first reading, or up to its end.
std::vector<double> peakLevels(const std::string& source, std::chrono::milliseconds window)
{
    gst_init(nullptr, nullptr);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(
        (source + " ! audioconvert ! level interval=100000000 ! fakesink sync=false").c_str(),
        &error);
    std::vector<double> peaks;
    if (!pipeline) {
        g_clear_error(&error);
        return peaks;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    // The window runs from the first reading: the first sound-server source
    // of a process can take more than a second to start.
    auto deadline = std::chrono::steady_clock::now() + window + 5s;
    bool started = false;
    while (std::chrono::steady_clock::now() < deadline) {
        GstMessage* message = gst_bus_timed_pop(bus, 100 * GST_MSECOND);
        if (!message)
            continue;
        const auto type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_ELEMENT) {
            const GstStructure* s = gst_message_get_structure(message);
            if (gst_structure_has_name(s, "level")) {
                if (!started)
                    deadline = std::chrono::steady_clock::now() + window;
                started = true;
                const GValue* peak = gst_structure_get_value(s, "peak");
                GValueArray* values = static_cast<GValueArray*>(g_value_get_boxed(peak));
                double loudest = -1000;
                G_GNUC_BEGIN_IGNORE_DEPRECATIONS
                for (guint i = 0; i < values->n_values; ++i)
                    loudest = std::max(loudest, g_value_get_double(values->values + i));
                G_GNUC_END_IGNORE_DEPRECATIONS
                peaks.push_back(loudest);
            }
        }
        const bool done = type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR;
        gst_message_unref(message);
        if (done)
            break;
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return peaks;
}

// The 100 ms windows of the file louder than -30 dB, and all its windows.
std::pair<int, int> loudWindows(const std::string& file)
{
    const auto peaks = peakLevels("filesrc location=\"" + file + "\" ! decodebin", 60s);
    return { static_cast<int>(std::count_if(
                 peaks.begin(), peaks.end(), [](double peak) { return peak > -30.0; })),
        static_cast<int>(peaks.size()) };
}

double loudest(const std::vector<double>& peaks)
{
    return peaks.empty() ? -1000 : *std::max_element(peaks.begin(), peaks.end());
}

// The loudest peak, in dB, of the file's audio.
double loudestLevel(const std::string& file)
{
    return loudest(peakLevels("filesrc location=\"" + file + "\" ! decodebin", 60s));
}

// The loudest peak at a sound-server source over the next window.
double monitorLevel(const std::string& device, std::chrono::milliseconds window = 1500ms)
{
    const std::vector<double> peaks = peakLevels("pulsesrc device=" + device, window);
    // The first readings hold what the server had buffered before.
    return loudest(
        std::vector<double>(peaks.begin() + std::min<std::size_t>(peaks.size(), 3), peaks.end()));
}

// Waits until the file holds a line that starts with prefix.
bool waitForLineStarting(
    const std::string& path, const std::string& prefix, std::chrono::milliseconds timeout)
{
    return QTest::qWaitFor(
        [&] {
            for (const std::string& line : testsupport::ReadLines(path))
                if (line.rfind(prefix, 0) == 0)
                    return true;
            return false;
        },
        static_cast<int>(timeout.count()));
}

// The hidden file a recording is written to while it runs.
std::string Capture_temporary(const std::string& output)
{
    const std::size_t slash = output.rfind('/');
    return output.substr(0, slash + 1) + "." + output.substr(slash + 1) + ".part";
}

double discoveredSeconds(const std::string& report)
{
    const std::size_t at = report.find("Duration: ");
    if (at == std::string::npos)
        return -1;
    int h = 0, m = 0;
    double s = 0;
    std::sscanf(report.c_str() + at + 10, "%d:%d:%lf", &h, &m, &s);
    return h * 3600 + m * 60 + s;
}

bool hasElement(const char* name)
{
    gst_init(nullptr, nullptr);
    GstElementFactory* factory = gst_element_factory_find(name);
    if (factory)
        gst_object_unref(factory);
    return factory != nullptr;
}

class RecorderE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SoundServer::ready)
            GTEST_SKIP() << "no sound server";
        ::mkdir((m_install.path() + "HarddiskOgg").c_str(), 0755);
        m_recorder
            = testsupport::CopyProgram(SONALTO_RECORDER_PATH, m_install.path() + "HarddiskOgg");
        m_tone = m_install.path() + "tone.ogg";
        testsupport::RunCommand(
            "gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=600 ! audioconvert ! "
            "vorbisenc ! oggmux ! filesink location="
            + m_tone);
    }

    TempDir m_install { "sonalto-rec" };
    std::string m_recorder;
    std::string m_tone;
};

TEST_F(RecorderE2e, recordsThePlayersOwnToneWhateverTheSpeakersMute)
{
    struct Case {
        int formatIndex, compressionIndex, sampleRateIndex;
        bool stereo, muted;
        const char* container;
        const char* rate;
        const char* channels;
    };
    const Case cases[] = {
        { 1, 1, 1, true, true, "Ogg", "Sample rate: 32000", "Channels: 2" },
        { 0, -1, 0, false, false, "WAV", "Sample rate: 22050", "Channels: 1" },
        { 2, 0, 2, true, true, "MPEG-1 Layer 3", "Sample rate: 48000", "Channels: 2" },
    };

    StreamPlayer player;
    player.play(QString::fromStdString(m_tone));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player.state() == StreamPlayer::State::Playing; }, 10000));
    ASSERT_TRUE(SoundOutputExists(kPrivateOutputName)) << "the player made its private output";

    for (const Case& c : cases) {
        if (c.formatIndex == 2 && !hasElement("lamemp3enc"))
            continue;
        testsupport::RunCommand(
            std::string("pactl set-sink-mute @DEFAULT_SINK@ ") + (c.muted ? "1" : "0"));
        Settings settings;
        settings.formatIndex = c.formatIndex;
        settings.compressionIndex = c.compressionIndex;
        settings.sampleRateIndex = c.sampleRateIndex;
        settings.stereo = c.stereo;
        WriteRecorderPreset(settings, m_install.path(), c.formatIndex);
        const std::string output = m_install.path() + "Record " + std::to_string(c.formatIndex)
            + RecordingExtension(c.formatIndex);

        Process recorder;
        ASSERT_TRUE(recorder.start(m_recorder,
            { "-record", "-preset", "Snt.hdp", "-filter", "smart.hfs", "-output", output,
                "-sequential", "-minimize", "-tos" },
            {}, m_install.path(), m_install.path() + "recorder.log"));
        QTest::qWait(3500);
        EXPECT_TRUE(recorder.isRunning());
        Process quit;
        ASSERT_TRUE(quit.start(m_recorder, { "-quit" }, {}, m_install.path()));
        EXPECT_EQ(quit.waitForExit(10s), 0);
        EXPECT_EQ(recorder.waitForExit(15s), 0) << c.container;

        struct stat info { };
        ASSERT_EQ(::stat(output.c_str(), &info), 0) << c.container;
        EXPECT_NE(::stat((m_install.path() + ".Record " + std::to_string(c.formatIndex)
                             + RecordingExtension(c.formatIndex) + ".part")
                             .c_str(),
                      &info),
            0);
        const std::string report
            = testsupport::RunCommand("gst-discoverer-1.0 \"" + output + "\" 2>&1");
        EXPECT_NE(report.find(c.container), std::string::npos) << report;
        EXPECT_NE(report.find(c.rate), std::string::npos) << report;
        EXPECT_NE(report.find(c.channels), std::string::npos) << report;
        const double seconds = discoveredSeconds(report);
        EXPECT_GT(seconds, 1.0) << report;
        EXPECT_LT(seconds, 4.0) << report;
        EXPECT_GT(loudestLevel(output), -20.0) << c.container << " muted=" << c.muted;
    }
    testsupport::RunCommand("pactl set-sink-mute @DEFAULT_SINK@ 0");
    player.stop();
}

// The listener turns the sound down: the speakers get quieter, and what the
// recorder takes keeps its full level.
TEST_F(RecorderE2e, volumeChangesTheSpeakersAndNotTheRecording)
{
    const std::string tone = m_install.path() + "long.ogg";
    testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=1500 ! "
                            "audioconvert ! vorbisenc ! oggmux ! filesink location="
        + tone);
    StreamPlayer player;
    player.play(QString::fromStdString(tone));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player.state() == StreamPlayer::State::Playing; }, 10000));
    // "Playing" comes with the first decoded audio; the speakers' stream
    // may start a moment later on a busy machine, so wait for it.
    double speakersFull = -1000.0;
    for (int tries = 0; tries < 5 && speakersFull <= -8.0; ++tries)
        speakersFull = monitorLevel("test_sink.monitor", 500ms);
    speakersFull = monitorLevel("test_sink.monitor");
    const double recorderFull = monitorLevel(kPrivateMonitorName);
    EXPECT_GT(speakersFull, -8.0);
    EXPECT_GT(recorderFull, -8.0);

    player.setVolume(20); // 0.2 on the cubic scale: 0.008, -42 dB
    QTest::qWait(300);
    const double speakersLow = monitorLevel("test_sink.monitor");
    const double recorderLow = monitorLevel(kPrivateMonitorName);
    EXPECT_LT(speakersLow, speakersFull - 30.0) << speakersFull << " -> " << speakersLow;
    EXPECT_GT(speakersLow, speakersFull - 50.0) << "turned down, not off";
    EXPECT_NEAR(recorderLow, recorderFull, 1.0);

    // And the recorder's file, made with the slider low, is at full level.
    Settings settings;
    WriteRecorderPreset(settings, m_install.path(), 1);
    const std::string output = m_install.path() + "bas.ogg";
    Process recorder;
    ASSERT_TRUE(recorder.start(m_recorder,
        { "-record", "-preset", "Snt.hdp", "-filter", "smart.hfs", "-output", output }, {},
        m_install.path(), m_install.path() + "recorder.log"));
    QTest::qWait(2500);
    Process quit;
    ASSERT_TRUE(quit.start(m_recorder, { "-quit" }, {}, m_install.path()));
    EXPECT_EQ(recorder.waitForExit(15s), 0);
    EXPECT_GT(loudestLevel(output), recorderFull - 3.0);
    player.stop();
}

// However the recording ends, the file holds what was recorded, under its
// own name, playable to its last second, and the recorder says what
// happened.
TEST_F(RecorderE2e, keepsWhatItRecordedHoweverItStops)
{
    const std::string tone = m_install.path() + "long.ogg";
    testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=2500 ! "
                            "audioconvert ! vorbisenc ! oggmux ! filesink location="
        + tone);
    auto player = std::make_unique<StreamPlayer>();
    player->play(QString::fromStdString(tone));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player->state() == StreamPlayer::State::Playing; }, 10000));
    enum class Stop { CloseBox, Terminate, ServerRestart, DiskFull, ServerHangs };
    struct Case {
        const char* what;
        Stop stop;
        int formatIndex;
        int status;
        const char* said; // on the recorder's error output
    };
    const Case cases[] = {
        { "the listener closes its window", Stop::CloseBox, 1, 0, nullptr },
        { "logout (SIGTERM)", Stop::Terminate, 0, 0,
            "harddisk: Arrêt demandé par le système : l'enregistrement est conservé dans " },
        // WAV at 22050 Hz mono fills the 128 KiB the recorder may write in
        // about 3 s: its writes then fail as on a full disk, and what its
        // file sink still held is lost.
        { "the disk is full", Stop::DiskFull, 0, 1,
            "harddisk: L'enregistrement s'est interrompu : " },
        // STOP while the sound server answers no more: the file is whole
        // and named at once, not when the server comes back.
        { "the sound server hangs", Stop::ServerHangs, 1, 0, nullptr },
        // Last: the player goes with the sound server.
        { "the sound server restarts", Stop::ServerRestart, 1, 1,
            "harddisk: L'enregistrement s'est interrompu : " },
    };
    const bool display = std::getenv("DISPLAY") != nullptr
        && std::string(std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "")
            == "xcb";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.stop == Stop::CloseBox && !display) {
            std::printf(
                "[ SKIPPED  ] %s: needs an X display (RecorderE2e.keepsUnderXvfb)\n", c.what);
            continue;
        }
        Settings settings;
        WriteRecorderPreset(settings, m_install.path(), c.formatIndex);
        const std::string name = std::string("Garde ") + std::to_string(static_cast<int>(c.stop))
            + RecordingExtension(c.formatIndex);
        const std::string output = m_install.path() + name;
        const std::string log = m_install.path() + name + ".log";
        std::vector<std::string> arguments
            = { "-record", "-preset", "Snt.hdp", "-filter", "smart.hfs", "-output", output };
        std::string program = m_recorder;
        if (c.stop == Stop::DiskFull) {
            arguments.insert(arguments.begin(),
                { "-c", "ulimit -f 128; trap '' XFSZ; exec \"$0\" \"$@\"", m_recorder });
            program = "/bin/sh";
        }
        Process recorder;
        ASSERT_TRUE(recorder.start(program, arguments, {}, m_install.path(), log));
        QTest::qWait(3000);
        ASSERT_TRUE(recorder.isRunning()) << ReadTextFile(log);
        switch (c.stop) {
        case Stop::CloseBox:
            EXPECT_EQ(testsupport::RunCommand(std::string(SONALTO_CLOSEWINDOW_PATH)
                          + " 'HarddiskOgg - " + name + "'; echo $?"),
                "0\n");
            break;
        case Stop::Terminate:
            recorder.terminate();
            break;
        case Stop::ServerRestart:
            player.reset();
            testsupport::RunCommand("pulseaudio --kill; sleep 0.5");
            break;
        case Stop::DiskFull:
            break;
        case Stop::ServerHangs: {
            testsupport::RunCommand("kill -STOP $(cat \"$PULSE_RUNTIME_PATH/pid\")");
            Process quit;
            ASSERT_TRUE(quit.start(m_recorder, { "-quit" }, {}, m_install.path()));
            EXPECT_EQ(quit.waitForExit(3s), 0) << "STOP waits for the sound server";
            struct stat info { };
            EXPECT_TRUE(QTest::qWaitFor([&] { return ::stat(output.c_str(), &info) == 0; }, 5000))
                << "named only once the sound server is back";
            testsupport::RunCommand("kill -CONT $(cat \"$PULSE_RUNTIME_PATH/pid\")");
            break;
        }
        }
        if (c.said) {
            EXPECT_TRUE(waitForLineStarting(log, c.said, 15s)) << ReadTextFile(log);
        }
        if (c.status != 0) {
            // Its message stays on screen until the scheduler's or the
            // player's "-quit" comes.
            QTest::qWait(500);
            EXPECT_TRUE(recorder.isRunning());
            Process quit;
            ASSERT_TRUE(quit.start(m_recorder, { "-quit" }, {}, m_install.path()));
            EXPECT_EQ(quit.waitForExit(10s), 0);
        }
        if (c.stop == Stop::ServerRestart)
            testsupport::RunCommand(
                testsupport::SupportDirectory() + "/start-pulse.sh \"$SONALTO_PULSE_DIR\"");
        EXPECT_EQ(recorder.waitForExit(15s), c.status) << ReadTextFile(log);
        struct stat info { };
        ASSERT_EQ(::stat(output.c_str(), &info), 0);
        EXPECT_NE(::stat(Capture_temporary(output).c_str(), &info), 0) << "no hidden file is left";
        const std::string report
            = testsupport::RunCommand("gst-discoverer-1.0 \"" + output + "\" 2>&1");
        const double seconds = discoveredSeconds(report);
        // Three seconds from the start, less the recorder's own start.
        EXPECT_GT(seconds, 1.0) << report;
        EXPECT_LT(seconds, 4.0) << report;
    }
}

// A station whose title changes every 5 s, each song either a tone or
// silence: recorded by song, each title has its own playable file, songs cut
// by the start and the stop say so, and each cut falls within a second of
// the change the listener hears.
TEST_F(RecorderE2e, recordsOneFilePerSongCutAtEachTitle)
{
    // 10 s of sound looped by the server: 1 s of silence, 5 s of tone, 4 s
    // of silence. Its titles come after each second 1, 6, 11...: the titles
    // of even rank are tones.
    const std::string root = m_install.path() + "www/";
    ::mkdir(root.c_str(), 0755);
    const std::string encode = " ! audioconvert ! lamemp3enc target=1 bitrate=128 cbr=true ! "
                               "audio/mpeg,rate=44100 ! filesink location=";
    testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc wave=silence num-buffers=100 "
                            "samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=2"
        + encode + root + "a.mp3");
    testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 "
                            "num-buffers=500 samplesperbuffer=441 ! "
                            "audio/x-raw,rate=44100,channels=2"
        + encode + root + "b.mp3");
    testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc wave=silence num-buffers=400 "
                            "samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=2"
        + encode + root + "c.mp3");
    testsupport::RunCommand(
        "cat " + root + "a.mp3 " + root + "b.mp3 " + root + "c.mp3 > " + root + "pattern.mp3");
    if (!hasElement("lamemp3enc") || ReadTextFile(root + "pattern.mp3").size() < 150000)
        GTEST_SKIP() << "no MP3 encoder to make the station's sound";
    const std::vector<std::string> titles
        = { "Éa - Un", "AC/DC - Deux", "Zoé - Trois", "Quatre ?" };
    std::string query = "/_stream?metaint=16000&every=5&enc=utf-8&audio=pattern.mp3";
    for (const std::string& title : titles)
        query += "&title=" + QUrl::toPercentEncoding(QString::fromStdString(title)).toStdString();
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(root));

    StreamPlayer player;
    RecorderTitles forward;
    QObject::connect(&player, &AudioEngine::titleChanged, &forward, &RecorderTitles::onTitle);
    player.play(QString::fromStdString(server.url(query)));
    const auto rank = [&] {
        const auto at = std::find(titles.begin(), titles.end(), player.title().toStdString());
        return at == titles.end() ? -1 : static_cast<int>(at - titles.begin());
    };
    // Start 1.5 s into a song, stop 2.5 s into the third song after it.
    int first = rank();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rank() >= 0 && rank() != first; }, 20000));
    first = rank();
    QTest::qWait(1500);
    Settings settings;
    WriteRecorderPreset(settings, m_install.path(), 1);
    const std::string folder = m_install.path() + "Record/";
    ::mkdir(folder.c_str(), 0755);
    const std::string log = m_install.path() + "split.log";
    Process recorder;
    ASSERT_TRUE(recorder.start(m_recorder,
        { "-record", "-preset", "Snt.hdp", "-filter", "smart.hfs", "-output",
            folder + "RadioRec.ogg", "-sequential", "-minimize", "-tos", "-split" },
        {}, m_install.path(), log));
    forward.begin(player.title());
    const int last = (first + 3) % 4;
    ASSERT_TRUE(QTest::qWaitFor([&] { return rank() == last; }, 25000));
    QTest::qWait(2500);
    EXPECT_FALSE(forward.hasPending()) << "the recorder took every title";
    forward.end();
    Process quit;
    ASSERT_TRUE(quit.start(m_recorder, { "-quit" }, {}, m_install.path()));
    EXPECT_EQ(recorder.waitForExit(15s), 0) << ReadTextFile(log);
    player.stop();

    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) {
        const std::string name = SongFileName(titles[(first + i) % 4], "");
        expected.push_back(name + (i == 0 || i == 3 ? " (partiel)" : "") + ".ogg");
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> files;
    for (const QString& name : QDir(QString::fromStdString(folder)).entryList(QDir::Files))
        files.push_back(name.toStdString());
    ASSERT_EQ(files, expected) << ReadTextFile(log);

    for (int i = 0; i < 4; ++i) {
        const std::string file = folder + SongFileName(titles[(first + i) % 4], "")
            + (i == 0 || i == 3 ? " (partiel)" : "") + ".ogg";
        SCOPED_TRACE(file);
        const std::string report
            = testsupport::RunCommand("gst-discoverer-1.0 \"" + file + "\" 2>&1");
        EXPECT_NE(report.find("Ogg"), std::string::npos) << report;
        const double seconds = discoveredSeconds(report);
        // The first one begins once the recorder has started.
        EXPECT_GT(seconds, i == 0 ? 1.0 : i == 3 ? 1.5 : 4.0) << report;
        EXPECT_LT(seconds, i == 0 ? 4.5 : i == 3 ? 3.5 : 6.0) << report;
        if (i == 1 || i == 2) {
            const bool tone = (first + i) % 2 == 0;
            const auto [loud, all] = loudWindows(file);
            // Within a second of each change: at most 10 windows of the
            // other song.
            EXPECT_LE(tone ? all - loud : loud, 10) << loud << " loud of " << all;
        }
    }
}

// A fresh installation: no preset has been written and the recording
// folder was typed without a final "/". The first REC records into that
// folder.
TEST_F(RecorderE2e, firstRecordingOfAFreshInstallation)
{
    Settings settings;
    ApplyDefaultSettings(settings, m_install.path(), ScreenSize { 1280, 1024 });
    settings.pathRec = m_install.path() + "Mes émissions";
    ASSERT_FALSE(FileExists(m_install.path() + "Snt.hdp"));
    StreamPlayer player;
    player.play(QString::fromStdString(m_tone));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player.state() == StreamPlayer::State::Playing; }, 10000));

    const std::string output = StartRecording(settings, m_install.path());
    EXPECT_EQ(output, m_install.path() + "Mes émissions/" + settings.recordBaseName + ".ogg");
    QTest::qWait(3000);
    StopRecording(m_install.path());
    struct stat info { };
    ASSERT_TRUE(QTest::qWaitFor([&] { return ::stat(output.c_str(), &info) == 0; }, 15000));
    const std::string report
        = testsupport::RunCommand("gst-discoverer-1.0 \"" + output + "\" 2>&1");
    EXPECT_NE(report.find("Ogg"), std::string::npos) << report;
    EXPECT_GT(discoveredSeconds(report), 1.0) << report;
}

// A sound server that takes no new output: the player cannot make its
// private output and plays through the speakers alone. REC then says that
// nothing can be recorded, instead of taking the speakers' sound, and the
// player's STOP takes the message away.
TEST_F(RecorderE2e, recIsRefusedWhileThePlayerHasNoPrivateOutput)
{
    testsupport::SoundServer locked("--disallow-module-loading");
    ASSERT_TRUE(locked.ready()) << locked.error();
    // What the player starts, with its error output kept and its pid known.
    const std::string dir = m_install.path() + "HarddiskOgg/";
    ASSERT_EQ(::rename(m_recorder.c_str(), (dir + "recorder").c_str()), 0);
    const std::string log = m_install.path() + "refused.log";
    WriteTextFile(m_recorder,
        "#!/bin/sh\n[ \"$1\" = -quit ] || echo $$ > '" + dir + "pid'\nexec '" + dir
            + "recorder' \"$@\" 2>> '" + log + "'\n");
    ::chmod(m_recorder.c_str(), 0755);

    StreamPlayer player;
    player.play(QString::fromStdString(m_tone));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player.state() == StreamPlayer::State::Playing; }, 10000));
    EXPECT_FALSE(SoundOutputExists(kPrivateOutputName));
    QTest::qWait(500);
    EXPECT_GT(monitorLevel("test_sink.monitor"), -8.0) << "the speakers play";

    Settings settings;
    ApplyDefaultSettings(settings, m_install.path(), ScreenSize { 1280, 1024 });
    const std::string output = StartRecording(settings, m_install.path());
    EXPECT_TRUE(waitForLineStarting(log,
        "harddisk: Enregistrement impossible : le lecteur n'a pas pu créer sa sortie privée sur "
        "le serveur de son. La lecture continue, mais le son du lecteur ne peut pas être "
        "enregistré.",
        20s))
        << ReadTextFile(log);
    const pid_t recorder = std::atoi(ReadTextFile(dir + "pid").c_str());
    ASSERT_GT(recorder, 0);
    EXPECT_EQ(::kill(recorder, 0), 0) << "the message stays on screen";
    EXPECT_GT(monitorLevel("test_sink.monitor"), -8.0) << "playback goes on";

    StopRecording(m_install.path());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ::kill(recorder, 0) != 0; }, 10000))
        << "STOP closes the message";
    struct stat info { };
    EXPECT_NE(::stat(output.c_str(), &info), 0);
    player.stop();
}

TEST_F(RecorderE2e, refusesMissingPresetOrFolderAndLeavesNoFile)
{
    struct Case {
        const char* preset;
        std::string output;
        std::string message;
        testsupport::Environment environment = {};
    };
    const Case cases[] = {
        { "Absent.hdp", m_install.path() + "a.ogg",
            "harddisk: Le préréglage d'enregistrement est introuvable : Absent.hdp" },
        { "Bad.hdp", m_install.path() + "b.ogg",
            "harddisk: Le préréglage d'enregistrement est illisible ou incomplet : Bad.hdp" },
        { "Snt.hdp", m_install.path() + "absent/c.ogg",
            "harddisk: Impossible d'écrire dans le répertoire d'enregistrement : "
                + m_install.path() + "absent" },
        { "Snt.hdp", m_install.path() + "d.ogg",
            "harddisk: Enregistrement impossible : le serveur de son ne répond pas, il n'y a "
            "aucun son à enregistrer.",
            { { "PULSE_SERVER", "unix:/nonexistent" } } },
    };
    WriteTextFile(m_install.path() + "Bad.hdp", "[Encoder Settings]\r\nActive=OGG\r\n");
    Settings settings;
    WriteRecorderPreset(settings, m_install.path(), 1);
    for (const Case& c : cases) {
        const std::string log = m_install.path() + "error.log";
        DeleteFile(log);
        Process recorder;
        ASSERT_TRUE(recorder.start(m_recorder,
            { "-record", "-preset", c.preset, "-filter", "smart.hfs", "-output", c.output },
            c.environment, m_install.path(), log));
        EXPECT_TRUE(testsupport::WaitForFileLine(log, c.message, 10s)) << c.message;
        recorder.kill();
        struct stat info { };
        EXPECT_NE(::stat(c.output.c_str(), &info), 0);
    }
}

} // namespace
