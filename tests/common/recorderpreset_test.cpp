#include "common/recorderpreset.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/settings.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

// What the player writes for its settings is byte for byte the golden file,
// and what the recorder reads back from it is the recording those settings
// ask for.
TEST(RecorderPreset, writesEachGoldenFileAndReadsItBack)
{
    using Format = EncoderPreset::Format;
    struct Case {
        const char* golden;
        int formatIndex;
        int compressionIndex;
        int sampleRateIndex;
        bool stereo;
        Format format;
        int rate;
        int channels;
        int oggBitRate;
        int mp3BitRate;
    };
    const Case cases[] = {
        { "ogg-64k-32000-stereo.hdp", 1, 1, 1, true, Format::Ogg, 32000, 2, 65536, 64 },
        { "wav-22050-mono.hdp", 0, -1, 0, false, Format::Wav, 22050, 1, 49152, 64 },
        // No format chosen: the recorder goes by the output file's extension.
        { "none-48000-stereo.hdp", -1, 0, 2, true, Format::Mp3, 48000, 2, 49152, 64 },
        { "mp3-128k-48000-mono.hdp", 2, 2, 2, false, Format::Mp3, 48000, 1, 49152, 128 },
    };
    for (const Case& c : cases) {
        TempDir install("sonalto-preset");
        // An earlier preset with other sections must leave no trace.
        WriteTextFile(install.path() + "Snt.hdp",
            "[Encoder Settings LMP3]\r\nMode=9\r\n[Encoder Settings OGG]\r\nQuality=1\r\n");
        Settings settings;
        settings.compressionIndex = c.compressionIndex;
        settings.sampleRateIndex = c.sampleRateIndex;
        settings.stereo = c.stereo;
        EXPECT_TRUE(WriteRecorderPreset(settings, install.path(), c.formatIndex));
        const std::string written = ReadTextFile(install.path() + "Snt.hdp");
        EXPECT_EQ(written, ReadTextFile(std::string(SONALTO_GOLDEN_DIR) + c.golden)) << c.golden;

        const auto read
            = ReadEncoderPreset(written, "/r/RadioRec" + RecordingExtension(c.formatIndex));
        ASSERT_TRUE(read) << c.golden;
        EXPECT_EQ(read->format, c.format) << c.golden;
        EXPECT_EQ(read->rate, c.rate) << c.golden;
        EXPECT_EQ(read->channels, c.channels) << c.golden;
        EXPECT_EQ(read->oggBitRate, c.oggBitRate) << c.golden;
        EXPECT_EQ(read->mp3BitRate, c.mp3BitRate) << c.golden;
    }
    // A preset that cannot be written says so.
    EXPECT_FALSE(WriteRecorderPreset(Settings {}, "/nonexistent/sonalto/", 1));
}

TEST(RecorderPreset, outputFileTakesTheFirstFreeNumberAndTheFormatsExtension)
{
    struct Case {
        std::vector<const char*> present;
        int formatIndex;
        const char* expected;
    };
    const Case cases[] = {
        { {}, 1, "RadioRec.ogg" },
        { { "RadioRec.ogg", "RadioRec1.ogg" }, 1, "RadioRec2.ogg" },
        { { "RadioRec.ogg", "RadioRec2.ogg" }, 1, "RadioRec1.ogg" },
        // Other formats' files do not count.
        { { "RadioRec.ogg", "RadioRec.mp3" }, 0, "RadioRec.wav" },
        { { "RadioRec.mp3" }, -1, "RadioRec1.mp3" },
        { { "RadioRec.mp3" }, 7, "RadioRec1.mp3" },
    };
    for (const Case& c : cases) {
        TempDir dir("sonalto-numbers");
        for (const char* name : c.present)
            WriteTextFile(dir.path() + name, "x");
        EXPECT_EQ(
            RecordingOutputFile(dir.path(), "RadioRec", c.formatIndex), dir.path() + c.expected);
    }
}

} // namespace
