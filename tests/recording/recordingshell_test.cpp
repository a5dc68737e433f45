#include "shell/mainframe.h"

#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QTest>

#include "commandids.h"
#include "common/messages.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "support/framepages.h"
#include "support/menuitem.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::TempDir;

// The player's REC and its forwarded "-record start"/"-record stop" against a
// stand-in recorder that logs each call.
TEST(RecordingShell, recLaunchesTheRecorderOncePerStateChange)
{
    TempDir install("sonalto-recshell");
    testsupport::RuntimeDirectory runtime;
    ASSERT_TRUE(testsupport::WriteFramePages(install.path() + "html/"));
    ::mkdir((install.path() + "HarddiskOgg").c_str(), 0755);
    const std::string log = install.path() + "calls.log";
    const std::string script = install.path() + "HarddiskOgg/harddisk";
    WriteTextFile(script, "#!/bin/sh\necho \"$*\" >> '" + log + "'\n");
    ::chmod(script.c_str(), 0755);

    Settings settings;
    ApplyDefaultSettings(settings, install.path(), ScreenSize { 1280, 1024 });
    settings.splashScreen = false;
    ScriptedPrompt prompt;
    {
        CMainFrame frame(settings, install.path(), &prompt);
        const auto sys = [&](int id) {
            frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, id, 0));
        };
        sys(cmd::RecordStart);
        sys(cmd::RecordStart);
        ASSERT_TRUE(frame.isRecording());
        QAction* rec = MenuItem(*frame.menuBar(), cmd::ToggleRecording);
        ASSERT_NE(rec, nullptr) << "the recorder is installed";
        EXPECT_EQ(rec->text(), QStringLiteral("&STOP"));
        frame.onCommand(cmd::ToggleRecording);
        EXPECT_EQ(rec->text(), QStringLiteral("&REC"));
        sys(cmd::RecordStop);
        frame.onCommand(cmd::ToggleRecording);
        sys(cmd::RecordStop);
        ASSERT_TRUE(testsupport::WaitForFileLine(log, "-quit", 10s));
        QTest::qWait(300);
    }
    std::vector<std::string> calls = testsupport::ReadLines(log);
    const std::string first = "-record -preset Snt.hdp -filter smart.hfs -output " + install.path()
        + "Record/RadioRec.ogg -sequential -minimize -tos";
    // The shell's quoting is gone by the time the script sees its arguments;
    // the quoted form is pinned by the launch test.
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0], first);
    EXPECT_EQ(calls[1], "-quit");
    EXPECT_EQ(calls[2], first) << "nothing was written in between: same free name";
    EXPECT_EQ(calls[3], "-quit");
}

} // namespace
