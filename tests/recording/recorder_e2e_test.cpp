// The recorder program against a headless sound server: the player's own
// pipeline plays a tone, the recorder records it from the player's private
// output and "-quit" ends the file.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <sys/stat.h>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QTest>

#include "common/recorderpreset.h"
#include "common/settings.h"
#include "common/sound/privateoutput.h"
#include "common/textfile.h"
#include "playback/streamplayer.h"
#include "recording/recorderlaunch.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;
using testsupport::TempDir;


// A headless sound server for the whole test program, its variables set in
// this process so that the in-process player and the children find it.
class SoundServer : public ::testing::Environment {
public:
    void SetUp() override { ready = testsupport::StartSoundServer(); }
    void TearDown() override
    {
        if (ready)
            testsupport::StopSoundServer();
    }
    static inline bool ready = false;
};

const auto* const kSoundServer = ::testing::AddGlobalTestEnvironment(new SoundServer);

// The loudest RMS level, in dB, of any 100 ms of the file's audio.
double loudestLevel(const std::string& file)
{
    gst_init(nullptr, nullptr);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(("filesrc location=\"" + file
                                                + "\" ! decodebin ! audioconvert ! level "
                                                  "interval=100000000 ! fakesink sync=false")
                                                .c_str(),
        &error);
    if (!pipeline) {
        g_clear_error(&error);
        return -1000;
    }
    double loudest = -1000;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    while (GstMessage* message = gst_bus_timed_pop(bus, 10 * GST_SECOND)) {
        const auto type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_ELEMENT) {
            const GstStructure* s = gst_message_get_structure(message);
            if (gst_structure_has_name(s, "level")) {
                const GValue* rms = gst_structure_get_value(s, "rms");
                GValueArray* values = static_cast<GValueArray*>(g_value_get_boxed(rms));
                G_GNUC_BEGIN_IGNORE_DEPRECATIONS
                for (guint i = 0; i < values->n_values; ++i)
                    loudest = std::max(loudest, g_value_get_double(values->values + i));
                G_GNUC_END_IGNORE_DEPRECATIONS
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
    return loudest;
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
        m_recorder = testsupport::CopyProgram(SONALTO_RECORDER_PATH, m_install.path() + "HarddiskOgg");
        m_tone = m_install.path() + "tone.ogg";
        testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=600 ! audioconvert ! "
            "vorbisenc ! oggmux ! filesink location=" + m_tone);
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.state() == StreamPlayer::State::Playing; }, 10000));
    ASSERT_TRUE(SoundOutputExists(kPrivateOutputName)) << "the player made its private output";

    for (const Case& c : cases) {
        if (c.formatIndex == 2 && !hasElement("lamemp3enc"))
            continue;
        testsupport::RunCommand(std::string("pactl set-sink-mute @DEFAULT_SINK@ ") + (c.muted ? "1" : "0"));
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

        struct stat info {};
        ASSERT_EQ(::stat(output.c_str(), &info), 0) << c.container;
        EXPECT_NE(::stat((m_install.path() + ".Record " + std::to_string(c.formatIndex)
                             + RecordingExtension(c.formatIndex) + ".part")
                             .c_str(),
                      &info),
            0);
        const std::string report = testsupport::RunCommand("gst-discoverer-1.0 \"" + output + "\" 2>&1");
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

TEST_F(RecorderE2e, refusesMissingPresetOrFolderAndLeavesNoFile)
{
    struct Case {
        const char* preset;
        std::string output;
        std::string message;
    };
    const Case cases[] = {
        { "Absent.hdp", m_install.path() + "a.ogg",
            "harddisk: Le préréglage d'enregistrement est introuvable : Absent.hdp" },
        { "Bad.hdp", m_install.path() + "b.ogg",
            "harddisk: Le préréglage d'enregistrement est illisible ou incomplet : Bad.hdp" },
        { "Snt.hdp", m_install.path() + "absent/c.ogg",
            "harddisk: Impossible d'écrire dans le répertoire d'enregistrement : "
                + m_install.path() + "absent" },
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
            {}, m_install.path(), log));
        EXPECT_TRUE(testsupport::WaitForFileLine(log, c.message, 10s)) << c.message;
        recorder.kill();
        struct stat info {};
        EXPECT_NE(::stat(c.output.c_str(), &info), 0);
    }
}

} // namespace
