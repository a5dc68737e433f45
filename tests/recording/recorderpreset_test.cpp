#include "recording/recorderpreset.h"

#include <string>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/settings.h"
#include "common/textfile.h"
#include "recording/recorderlaunch.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

struct PresetCase {
    const char* golden;
    int formatIndex;
    int compressionIndex;
    int sampleRateIndex;
    bool stereo;
};

TEST(RecorderPreset, rewritesThePresetExactlyAsItsGoldenFile)
{
    const PresetCase cases[] = {
        { "ogg-64k-32000-stereo.hdp", 1, 1, 1, true },
        { "wav-22050-mono.hdp", 0, -1, 0, false },
        { "none-48000-stereo.hdp", -1, 0, 2, true },
        { "mp3-128k-48000-mono.hdp", 2, 2, 2, false },
    };
    for (const PresetCase& c : cases) {
        TempDir install("sonalto-preset");
        // An earlier preset with other sections must leave no trace.
        WriteTextFile(install.path() + "Snt.hdp",
            "[Encoder Settings LMP3]\r\nMode=9\r\n[Encoder Settings OGG]\r\nQuality=1\r\n");
        Settings settings;
        settings.compressionIndex = c.compressionIndex;
        settings.sampleRateIndex = c.sampleRateIndex;
        settings.stereo = c.stereo;
        EXPECT_TRUE(WriteRecorderPreset(settings, install.path(), c.formatIndex));
        EXPECT_EQ(ReadTextFile(install.path() + "Snt.hdp"),
            ReadTextFile(std::string(SONALTO_GOLDEN_DIR) + c.golden))
            << c.golden;
    }
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
        EXPECT_EQ(RecordingOutputFile(dir.path(), "RadioRec", c.formatIndex),
            dir.path() + c.expected);
    }
}

// A stand-in recorder that logs its working directory and each argument.
void installStandIn(const std::string& installDir, const std::string& log)
{
    ::mkdir((installDir + "HarddiskOgg").c_str(), 0755);
    const std::string script = installDir + "HarddiskOgg/harddisk";
    WriteTextFile(script,
        "#!/bin/sh\n{ echo \"cwd=$(pwd)/\"; for a in \"$@\"; do echo \"$a\"; done; echo end; } >> '"
            + log + "'\n");
    ::chmod(script.c_str(), 0755);
}

TEST(RecorderLaunch, startAndStopPassTheRecordersCommandLines)
{
    TempDir install("sonalto-launch");
    const std::string log = install.path() + "calls.log";
    installStandIn(install.path(), log);
    Settings settings;
    settings.pathRec = install.path() + "Mes enregistrements/"; // missing, with a blank
    settings.recordBaseName = "RadioRec";
    settings.formatIndex = 1;

    EXPECT_EQ(RecordStartParameters("/r/RadioRec2.ogg"),
        "-record -preset Snt.hdp -filter smart.hfs -output \"/r/RadioRec2.ogg\" -sequential "
        "-minimize -tos");

    const std::string output = StartRecording(settings, install.path());
    EXPECT_EQ(output, settings.pathRec + "RadioRec.ogg");
    struct stat info {};
    EXPECT_EQ(::stat(settings.pathRec.c_str(), &info), 0) << "the recording directory is made";
    ASSERT_TRUE(testsupport::WaitForFileLine(log, "end", std::chrono::seconds(10)));
    StopRecording(install.path());
    ASSERT_TRUE(testsupport::WaitForFileLine(log, "-quit", std::chrono::seconds(10)));
    ASSERT_TRUE(testsupport::WaitForFileLine(log, "cwd=" + install.path(), std::chrono::seconds(1)));

    std::vector<std::string> lines;
    for (int i = 0; i < 100 && lines.size() < 15; ++i) {
        lines = testsupport::ReadLines(log);
        ::usleep(20000);
    }
    const std::vector<std::string> expected { "cwd=" + install.path(), "-record", "-preset",
        "Snt.hdp", "-filter", "smart.hfs", "-output", output, "-sequential", "-minimize", "-tos",
        "end", "cwd=" + install.path(), "-quit", "end" };
    EXPECT_EQ(lines, expected);
}

} // namespace
