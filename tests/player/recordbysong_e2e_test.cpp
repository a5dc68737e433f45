// "Enregistrer titre par titre" in the real player with the real recorder:
// a station whose title changes every 5 s, recorded over two changes, gives
// one playable file per title, the first and the last marked as cut. Its
// songs are in turn a tone and silence, so each file's sound shows where it
// was cut.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
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

// The stream: 48 kHz mono MP3 at 128 kbit/s, whose frames are 384 bytes
// (24 ms); a title block every 42 frames, a new title every 5 blocks.
constexpr int kFrameSamples = 1152;
constexpr int kFrameBytes = 384;
constexpr int kBlockFrames = 42;
constexpr int kTitleBlocks = 5;
constexpr double kTitleSeconds = kBlockFrames * kTitleBlocks * kFrameSamples / 48000.0;

// The stream's audio, looped by the server: the first title's song is a
// tone, the second's silence, and so on. A title block follows its block's
// audio, so a title's song begins one block after the loop does.
bool WriteToneThenSilence(const std::string& root)
{
    const int loopFrames = 2 * kTitleBlocks * kBlockFrames;
    const int toneFrom = kBlockFrames * kFrameSamples;
    const int toneTo = toneFrom + kTitleBlocks * kBlockFrames * kFrameSamples;
    std::string pcm;
    for (int i = 0; i < loopFrames * kFrameSamples; ++i) {
        const double tone
            = i >= toneFrom && i < toneTo ? 12000 * std::sin(i * 2 * M_PI * 440 / 48000) : 0;
        const auto sample = static_cast<std::int16_t>(tone);
        pcm += static_cast<char>(sample & 0xff);
        pcm += static_cast<char>((sample >> 8) & 0xff);
    }
    if (!WriteTextFile(root + "song.raw", pcm))
        return false;
    testsupport::RunCommand("gst-launch-1.0 -q filesrc location='" + root
        + "song.raw' ! rawaudioparse use-sink-caps=false format=pcm pcm-format=s16le "
          "sample-rate=48000 num-channels=1 ! lamemp3enc target=bitrate bitrate=128 cbr=true ! "
          "filesink location='"
        + root + "song.mp3'");
    // The encoder adds a frame of its delay at the end; the loop is whole
    // frames of the song, the delay shifting it by 24 ms.
    const std::string mp3 = ReadTextFile(root + "song.mp3");
    const std::size_t loopBytes = static_cast<std::size_t>(loopFrames) * kFrameBytes;
    return mp3.size() >= loopBytes && WriteTextFile(root + "song.mp3", mp3.substr(0, loopBytes));
}

// Where a piece was cut: the seconds of the other song's sound at its start
// (an early cut keeps the end of the song before) and at its end (a late
// cut takes the start of the song after), and its length.
struct Cut {
    double head = 0;
    double tail = 0;
    double seconds = 0;
};

Cut CutOf(const std::string& file, bool tone)
{
    // Tenths of a second: the tone, at the player's volume, is far above
    // -30 dB; the silence, far below.
    const std::vector<double> peaks
        = testsupport::PeaksDb(testsupport::DecodedSamples(file, 8000), 800);
    const auto other = [&](double peak) { return (peak > -30.0) != tone; };
    Cut cut;
    cut.seconds = peaks.size() / 10.0;
    const auto head = std::find_if_not(peaks.begin(), peaks.end(), other);
    cut.head = (head - peaks.begin()) / 10.0;
    const auto tail = std::find_if_not(peaks.rbegin(), peaks.rend(), other);
    cut.tail = (tail - peaks.rbegin()) / 10.0;
    return cut;
}

TEST(PlayerRecordBySong, makesOneFilePerTitleNamedAfterIt)
{
    testsupport::SoundServer sound;
    ASSERT_TRUE(sound.ready()) << sound.error();
    testsupport::PlayerInstallation install("sonalto-bysong");
    ::mkdir((install.path() + "HarddiskOgg").c_str(), 0755);
    testsupport::CopyProgram(SONALTO_RECORDER_PATH, install.path() + "HarddiskOgg");
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(install.path()));
    ASSERT_TRUE(WriteToneThenSilence(install.path()));
    // The songs of the tone are the first and the third.
    const std::vector<std::string> titles
        = { "Alpha - Un", "Beta - Deux", "Gamma - Trois", "Delta - Quatre" };
    testsupport::WriteSmallCatalogue(install.html(),
        server.url("/_stream?audio=song.mp3&metaint=" + std::to_string(kBlockFrames * kFrameBytes)
            + "&every=" + std::to_string(kTitleBlocks)
            + "&title=Alpha+-+Un&title=Beta+-+Deux&title=Gamma+-+Trois&title=Delta+-+Quatre"),
        "", true);
    ASSERT_TRUE(install.writeSettings("Path HTML=" + install.html()
        + "\r\n[Enregistreur HarddiskOgg]\r\nTitre par Titre=True\r\n"));
    install.variables = { { "SONALTO_AUDIO_SINK", std::nullopt } }; // real sound
    Process sonalto;
    ASSERT_TRUE(install.start(sonalto));
    // The titles the player announced, in order.
    const auto heard = [&] {
        std::vector<std::string> lines;
        for (const std::string& line : install.logLines())
            if (line.rfind("stream title ", 0) == 0 && line.size() > 13)
                lines.push_back(line.substr(13));
        return lines;
    };
    const auto waitForTitles = [&](std::size_t count) {
        return testsupport::WaitFor([&] { return heard().size() >= count; }, 40s);
    };

    // REC 1 s into a song, STOP 2 s into the second song after it.
    ASSERT_TRUE(waitForTitles(2)) << install.output();
    testsupport::WaitFor([] { return false; }, 1s);
    EXPECT_EQ(
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, cmd::RecordStart, 0),
        std::optional<std::int64_t>(0));
    ASSERT_TRUE(waitForTitles(4));
    testsupport::WaitFor([] { return false; }, 2s);
    EXPECT_EQ(
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, cmd::RecordStop, 0),
        std::optional<std::int64_t>(0));

    const std::vector<std::string> songs = heard();
    std::vector<std::string> expected
        = { songs[1] + " (partiel).ogg", songs[2] + ".ogg", songs[3] + " (partiel).ogg" };
    std::sort(expected.begin(), expected.end());
    const std::string folder = install.path() + "Record/";
    // Listed once the recorder has closed and named the last one.
    std::vector<std::string> files;
    EXPECT_TRUE(testsupport::WaitFor(
        [&] {
            files.clear();
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                files.push_back(entry.path().filename().string());
            std::sort(files.begin(), files.end());
            return files == expected;
        },
        20s));
    EXPECT_EQ(files, expected) << install.log() << install.output();
    ASSERT_NE(std::find(titles.begin(), titles.end(), songs[2]), titles.end());

    // Each file holds its song, cut within a second of its title's change:
    // the first from the start of the recording, the last to its end.
    const std::string names[]
        = { songs[1] + " (partiel).ogg", songs[2] + ".ogg", songs[3] + " (partiel).ogg" };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        const bool tone = songs[i + 1] == titles[0] || songs[i + 1] == titles[2];
        const Cut cut = CutOf(folder + names[i], tone);
        std::printf("%s: %.1f s, other song %.1f s at the start, %.1f s at the end\n",
            names[i].c_str(), cut.seconds, cut.head, cut.tail);
        EXPECT_GT(cut.seconds, 1.0);
        EXPECT_LE(cut.head, i == 0 ? 0.5 : 1.0);
        EXPECT_LE(cut.tail, i == 2 ? 0.5 : 1.0);
        if (i == 1) {
            EXPECT_NEAR(cut.seconds, kTitleSeconds, 1.0);
        }
    }

    EXPECT_TRUE(install.stop(sonalto));
}

} // namespace
