// "Arrêt programmé" in the real player on a real X display: a tone plays
// into the headless sound server's null output while a recording runs; the
// timer fades the sound out at the output's monitor, stops playback and
// finishes the recording.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "commandids.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;

// parec's rate: enough for the level of a 440 Hz tone.
constexpr int kRate = 8000;
// A test minute: the "15 minutes" entry lasts one minute.
constexpr int kMinuteMs = 4000;
// Half seconds of the recording at the speakers surely before the fade, which
// starts a minute after the choice, itself made just after the listening.
constexpr std::size_t kFullUntil = 15 * kMinuteMs / 500 - 6;

TEST(PlayerSleepTimer, fadesOutStopsAndFinishesTheRecordingUnderXvfb)
{
    if (testsupport::E2ePlatform() != "xcb")
        GTEST_SKIP() << "needs an X display (PlayerSleepTimer.underXvfb)";
    testsupport::SoundServer sound;
    ASSERT_TRUE(sound.ready()) << sound.error();

    testsupport::PlayerInstallation install("sonalto-sleep");
    ::mkdir((install.path() + "HarddiskOgg").c_str(), 0755);
    testsupport::CopyProgram(SONALTO_RECORDER_PATH, install.path() + "HarddiskOgg");
    const std::string tone = install.path() + "tone.ogg";
    testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=3000 ! "
                            "audio/x-raw,rate=22050,channels=1 ! audioconvert ! vorbisenc ! "
                            "oggmux ! filesink location="
        + tone);
    testsupport::WriteSmallCatalogue(install.html(), tone, "", true);
    install.variables = {
        { "SONALTO_AUDIO_SINK", std::nullopt },
        { "SONALTO_SLEEP_MINUTE_MS", std::to_string(kMinuteMs) },
    };
    Process sonalto;
    ASSERT_TRUE(install.start(sonalto));
    ASSERT_TRUE(install.logHas("first audio", 60s)) << install.output();

    EXPECT_EQ(
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, cmd::RecordStart, 0),
        std::optional<std::int64_t>(0));
    Process listen;
    const std::string heard = install.path() + "heard.raw";
    ASSERT_TRUE(listen.start("/bin/sh",
        { "-c",
            "exec parec -d test_sink.monitor --format=s16le --channels=1 --rate="
                + std::to_string(kRate) + " --latency-msec=50 --raw > '" + heard + "'" }));
    EXPECT_EQ(SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, cmd::SleepFirst, 0),
        std::optional<std::int64_t>(0));
    ASSERT_TRUE(install.logHas("sleep timer 15", 10s));
    ASSERT_TRUE(install.logHas("sleep timer due", 90s));
    // The recorder is told to finish before playback stops, and does.
    const std::string recording = install.path() + "Record/RadioRec.ogg";
    EXPECT_TRUE(testsupport::WaitFor(
        [&] {
            struct stat info { };
            return ::stat(recording.c_str(), &info) == 0
                && ::stat((install.path() + "Record/.RadioRec.ogg.part").c_str(), &info) != 0;
        },
        20s));
    testsupport::WaitFor([] { return false; }, 3s);
    listen.terminate();
    listen.waitForExit(5s);

    // Full sound, a fade of about ten seconds once the minute is over, then
    // silence: playback has stopped.
    const std::vector<double> peaks = testsupport::PeaksDb(ReadTextFile(heard), kRate / 2);
    ASSERT_GT(peaks.size(), kFullUntil + 26); // the fade is over
    const double full = *std::max_element(peaks.begin() + 4, peaks.begin() + kFullUntil - 4);
    EXPECT_GT(full, -10.0);
    for (std::size_t i = 4; i < kFullUntil; ++i)
        EXPECT_GT(peaks[i], full - 3.0) << "at " << i / 2.0 << " s, before the fade";
    std::size_t fadeStart = 0;
    std::size_t silent = 0;
    for (std::size_t i = kFullUntil; i < peaks.size(); ++i) {
        if (fadeStart == 0 && peaks[i] < full - 3.0)
            fadeStart = i;
        if (silent == 0 && peaks[i] < -70.0)
            silent = i;
    }
    ASSERT_NE(fadeStart, 0u);
    ASSERT_NE(silent, 0u);
    const double fadeSeconds = (silent - fadeStart) / 2.0;
    std::printf("fade: %.1f s after %.1f s, full %.1f dB\n", fadeSeconds, fadeStart / 2.0, full);
    EXPECT_GE(fadeSeconds, 6.0);
    EXPECT_LE(fadeSeconds, 12.0);
    for (std::size_t i = silent; i < peaks.size(); ++i)
        EXPECT_LT(peaks[i], -70.0) << "at " << i / 2.0 << " s, after the stop";

    // The recording is whole: it plays to its end, seventy seconds or so.
    const std::string report
        = testsupport::RunCommand("gst-discoverer-1.0 \"" + recording + "\" 2>&1");
    const std::size_t at = report.find("Duration: ");
    ASSERT_NE(at, std::string::npos) << report;
    int h = 0, m = 0;
    double s = 0;
    std::sscanf(report.c_str() + at + 10, "%d:%d:%lf", &h, &m, &s);
    EXPECT_GT(h * 3600 + m * 60 + s, 65.0) << report;

    // The player itself goes on, and quits as asked.
    EXPECT_TRUE(sonalto.isRunning());
    EXPECT_TRUE(install.stop(sonalto));
}

} // namespace
