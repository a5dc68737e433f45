#include "shell/mixer.h"

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
#include "shell/mainframe.h"
#include "support/eventwait.h"
#include "support/menuitem.h"
#include "support/testsupport.h"
#include "view/lumoview.h"

namespace {

// A headless sound server with a null output, private to the test: its
// runtime and home directories are the test's own.
class MixerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sound = std::make_unique<testsupport::SoundServer>();
        ASSERT_TRUE(m_sound->ready()) << m_sound->error();
    }

    void TearDown() override { m_sound.reset(); }

    static bool serverMute()
    {
        return testsupport::RunCommand("pactl get-sink-mute @DEFAULT_SINK@").find("yes")
            != std::string::npos;
    }

    std::unique_ptr<testsupport::SoundServer> m_sound;
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
    testsupport::RunCommand("pactl set-sink-mute @DEFAULT_SINK@ toggle");
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
    ::setenv("PULSE_SERVER", ("unix:" + m_sound->directory() + "/no-such-socket").c_str(), 1);
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
    ASSERT_NE(MenuItem(*menu, cmd::ToggleMute), nullptr);
    EXPECT_TRUE(MenuItem(*menu, cmd::ToggleMute)->isEnabled());
    // No station has played yet: nothing to inform about.
    EXPECT_EQ(MenuItem(*menu, cmd::SongInformation), nullptr);

    // Chosen from the pop-up, the command mutes the speakers.
    MenuItem(*menu, cmd::ToggleMute)->trigger();
    EXPECT_TRUE(frame.isMuted());
    EXPECT_TRUE(serverMute());
    // Unmuted elsewhere: the flag follows before the next opening.
    testsupport::RunCommand("pactl set-sink-mute @DEFAULT_SINK@ toggle");
    EXPECT_TRUE(WaitUntil([&] { return !frame.isMuted(); }, 3000));
    frame.onCommand(cmd::ToggleMute);
    frame.onCommand(cmd::ToggleMute);
    EXPECT_FALSE(serverMute());

    // A station without a live address still has "Informations" for the
    // titles of its stream; a page with neither has none.
    frame.view()->currentStation().liveId = "Introuvable";
    frame.view()->currentStation().streamLink = "http://radio.test/flux";
    menu.reset(frame.buildPopupMenu());
    EXPECT_NE(MenuItem(*menu, cmd::SongInformation), nullptr);
    frame.view()->currentStation().streamLink = "Introuvable";
    menu.reset(frame.buildPopupMenu());
    EXPECT_EQ(MenuItem(*menu, cmd::SongInformation), nullptr);
    EXPECT_EQ(MenuItem(*menu, cmd::ToggleMute)->icon().cacheKey(),
        MenuPictureIcon(MenuPicture::Sound).cacheKey());

    // No sound server: "&Mute" is greyed.
    frame.mixer()->CloseMixer();
    ::setenv("PULSE_SERVER", ("unix:" + m_sound->directory() + "/no-such-socket").c_str(), 1);
    menu.reset(frame.buildPopupMenu());
    EXPECT_FALSE(MenuItem(*menu, cmd::ToggleMute)->isEnabled());
    ::unsetenv("PULSE_SERVER");
    frame.onCommand(cmd::Quit);
    EXPECT_TRUE(WaitUntil([&] { return !frame.isVisible(); }, 3000));
}
