#include "recording/recorderlaunch.h"

#include <chrono>
#include <string>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/settings.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

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
    EXPECT_EQ(RecordStartParameters("/r/A.ogg", true),
        "-record -preset Snt.hdp -filter smart.hfs -output \"/r/A.ogg\" -sequential "
        "-minimize -tos -split");

    const std::string output = StartRecording(settings, install.path());
    EXPECT_EQ(output, settings.pathRec + "RadioRec.ogg");
    struct stat info { };
    EXPECT_EQ(::stat(settings.pathRec.c_str(), &info), 0) << "the recording directory is made";
    ASSERT_TRUE(testsupport::WaitForFileLine(log, "end", std::chrono::seconds(10)));
    StopRecording(install.path());
    ASSERT_TRUE(testsupport::WaitForFileLine(log, "-quit", std::chrono::seconds(10)));
    ASSERT_TRUE(
        testsupport::WaitForFileLine(log, "cwd=" + install.path(), std::chrono::seconds(1)));

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
