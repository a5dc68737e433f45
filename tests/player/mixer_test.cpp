#include "shell/mixer.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

#include "commandids.h"
#include "common/textfile.h"
#include "common/ui/trayicon.h"
#include "eventwait.h"
#include "shell/mainframe.h"
#include "support/testsupport.h"
#include "view/lumoview.h"

namespace {

std::string run(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        ::pclose(pipe);
    }
    return output;
}

// A headless sound server with a null output, private to the test: its
// runtime and home directories are the test's own.
class MixerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("PULSE_SERVER");
        const std::string script = testsupport::SupportDirectory() + "/start-pulse.sh";
        const std::string exports = run("'" + script + "'");
        // Lines "export NAME=value" (no quoting is needed for these paths).
        std::size_t start = 0;
        while (start < exports.size()) {
            std::size_t end = exports.find('\n', start);
            if (end == std::string::npos)
                end = exports.size();
            const std::string line = exports.substr(start, end - start);
            start = end + 1;
            const std::string prefix = "export ";
            const std::size_t equals = line.find('=');
            if (line.rfind(prefix, 0) != 0 || equals == std::string::npos)
                continue;
            const std::string name = line.substr(prefix.size(), equals - prefix.size());
            const std::string value = line.substr(equals + 1);
            ::setenv(name.c_str(), value.c_str(), 1);
            if (name == "SONALTO_PULSE_DIR")
                m_dir = value;
        }
        ASSERT_FALSE(m_dir.empty()) << "no sound server started";
    }

    void TearDown() override
    {
        if (!m_dir.empty())
            run("'" + testsupport::SupportDirectory() + "/stop-pulse.sh' '" + m_dir + "'");
    }

    static bool serverMute()
    {
        return run("pactl get-sink-mute @DEFAULT_SINK@").find("yes") != std::string::npos;
    }

    std::string m_dir;
};

} // namespace

TEST_F(MixerTest, muteFollowsTheServerBothWays)
{
    Mixer mixer;
    ASSERT_TRUE(mixer.OpenMixer());
    ASSERT_TRUE(mixer.FindMuteControl());
    EXPECT_FALSE(mixer.lineName().empty());
    bool muted = true;
    ASSERT_TRUE(mixer.GetMute(muted));
    EXPECT_EQ(muted, serverMute());
    const bool first = muted;

    // A mute made elsewhere comes back as a change notice.
    QSignalSpy notices(&mixer, &Mixer::muteChanged);
    run("pactl set-sink-mute @DEFAULT_SINK@ toggle");
    ASSERT_TRUE(WaitUntil([&] { return !notices.isEmpty(); }, 3000));
    EXPECT_EQ(notices.last().at(0).toBool(), !first);
    ASSERT_TRUE(mixer.GetMute(muted));
    EXPECT_EQ(muted, !first);

    // Ours reaches the server; two toggles give the first state back.
    ASSERT_TRUE(mixer.SetMute(first));
    EXPECT_EQ(serverMute(), first);
    ASSERT_TRUE(mixer.SetMute(!first));
    EXPECT_EQ(serverMute(), !first);
    ASSERT_TRUE(mixer.SetMute(first));
    EXPECT_EQ(serverMute(), first);
    ASSERT_TRUE(WaitUntil([&] { return notices.last().at(0).toBool() == first; }, 3000));

    // Reopening keeps the one connection; closing drops it.
    EXPECT_TRUE(mixer.OpenMixer());
    mixer.CloseMixer();
    EXPECT_FALSE(mixer.isOpen());
    EXPECT_FALSE(mixer.GetMute(muted));
    EXPECT_FALSE(mixer.SetMute(true));
    EXPECT_EQ(serverMute(), first);
}

TEST_F(MixerTest, noServerMeansNoControl)
{
    ::setenv("PULSE_SERVER", ("unix:" + m_dir + "/no-such-socket").c_str(), 1);
    Mixer mixer;
    EXPECT_FALSE(mixer.OpenMixer());
    EXPECT_FALSE(mixer.FindMuteControl());
    bool muted = false;
    EXPECT_FALSE(mixer.GetMute(muted));
    EXPECT_FALSE(mixer.SetMute(true));
    ::unsetenv("PULSE_SERVER");
    // The server is back within reach: the next opening finds the output.
    EXPECT_TRUE(mixer.OpenMixer());
    EXPECT_TRUE(mixer.FindMuteControl());
}

namespace {

QAction* popupItem(QMenu& menu, int id)
{
    for (QAction* action : menu.actions())
        if (action->menu() == nullptr && action->data().toInt() == id)
            return action;
    return nullptr;
}

} // namespace

// The window's pop-up reads the speakers each time it is built, and its
// "&Mute" command reaches them.
TEST_F(MixerTest, windowPopupShowsAndTogglesTheSpeakers)
{
    testsupport::TempDir install { "sonalto-frame" };
    Settings settings;
    ApplyDefaultSettings(settings, install.path(), ScreenSize { 1280, 1024 });
    ::mkdir((install.path() + "html").c_str(), 0700);
    WriteTextFile(install.path() + "html/index.htm", "<html></html>");
    WriteTextFile(install.path() + "html/indexmini.htm", "<html></html>");
    CMainFrame frame(settings, install.path());
    ASSERT_TRUE(frame.isCreated());
    ASSERT_FALSE(serverMute());

    // The sound server's answers are waited for without running the
    // program's other events: a timer due meanwhile waits too.
    bool timerRan = false;
    QTimer::singleShot(0, &frame, [&timerRan] { timerRan = true; });
    std::unique_ptr<QMenu> menu(frame.buildPopupMenu());
    EXPECT_FALSE(timerRan);
    QCoreApplication::processEvents();
    EXPECT_TRUE(timerRan);
    ASSERT_NE(popupItem(*menu, cmd::ToggleMute), nullptr);
    EXPECT_TRUE(popupItem(*menu, cmd::ToggleMute)->isEnabled());
    // No station has played yet: nothing to inform about.
    EXPECT_EQ(popupItem(*menu, cmd::SongInformation), nullptr);

    // Chosen from the pop-up, the command mutes the speakers.
    popupItem(*menu, cmd::ToggleMute)->trigger();
    EXPECT_TRUE(frame.isMuted());
    EXPECT_TRUE(serverMute());
    // Unmuted elsewhere: the flag follows before the next opening.
    run("pactl set-sink-mute @DEFAULT_SINK@ toggle");
    EXPECT_TRUE(WaitUntil([&] { return !frame.isMuted(); }, 3000));
    frame.onCommand(cmd::ToggleMute);
    frame.onCommand(cmd::ToggleMute);
    EXPECT_FALSE(serverMute());

    // A station without a live address has no "Informations".
    frame.view()->currentStation().liveId = "Introuvable";
    menu.reset(frame.buildPopupMenu());
    EXPECT_EQ(popupItem(*menu, cmd::SongInformation), nullptr);
    EXPECT_EQ(popupItem(*menu, cmd::ToggleMute)->icon().cacheKey(),
        MenuPictureIcon(MenuPicture::Sound).cacheKey());

    // No sound server: "&Mute" is greyed.
    frame.mixer()->CloseMixer();
    ::setenv("PULSE_SERVER", ("unix:" + m_dir + "/no-such-socket").c_str(), 1);
    menu.reset(frame.buildPopupMenu());
    EXPECT_FALSE(popupItem(*menu, cmd::ToggleMute)->isEnabled());
    ::unsetenv("PULSE_SERVER");
    frame.onCommand(cmd::Quit);
    EXPECT_TRUE(WaitUntil([&] { return !frame.isVisible(); }, 3000));
}
