#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/profile.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "support/testsupport.h"
#include "support/framepages.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::Process;
using testsupport::TempDir;

// The real player in a private installation directory with a stand-in
// updater that writes down how it was started.
class PlayerUpdateCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::chmod(m_runtime.path().c_str(), 0700);
        m_player = testsupport::CopyProgram(SONALTO_PLAYER_PATH, m_install.path());
        ASSERT_TRUE(testsupport::WriteFramePages(m_install.path() + "html/"));
        WriteTextFile(m_install.path() + "SntUpdate",
            "#!/bin/sh\necho \"started in $(pwd)/ with [$*]\" >> '" + updaterLog() + "'\n");
        ::chmod((m_install.path() + "SntUpdate").c_str(), 0755);
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
    }

    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    // Runs the player until it is ready, then stops it with a second start.
    void runPlayer(const std::string& settings)
    {
        ASSERT_TRUE(WriteTextFile(m_install.path() + "Sonalto.ini", settings));
        // Each run waits for its own "ready".
        std::filesystem::remove(m_install.path() + "diag.log");
        const Environment env {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "QT_QPA_PLATFORM", "offscreen" },
            { "SONALTO_DIAG_LOG", m_install.path() + "diag.log" },
        };
        Process player;
        ASSERT_TRUE(player.start(m_player, {}, env, "/", m_install.path() + "player.out"));
        ASSERT_TRUE(testsupport::WaitForFileLine(m_install.path() + "diag.log", "ready", 30s))
            << ReadTextFile(m_install.path() + "player.out");
        // The check runs before "ready"; a started stand-in writes its line
        // within moments.
        const std::vector<std::string> diag = testsupport::ReadLines(m_install.path() + "diag.log");
        if (std::find(diag.begin(), diag.end(), "updater started -silence") != diag.end())
            testsupport::WaitFor(
                [this] { return !testsupport::ReadLines(updaterLog()).empty(); }, 10s);
        Process stop;
        ASSERT_TRUE(stop.start(m_player, { "-stop" }, env, "/"));
        EXPECT_EQ(stop.waitForExit(30s), 0);
        EXPECT_EQ(player.waitForExit(30s), 0) << ReadTextFile(m_install.path() + "player.out");
    }

    std::string updaterLog() const { return m_install.path() + "updater.log"; }

    TempDir m_install { "sonalto-install" };
    TempDir m_runtime { "sonalto-runtime" };
    std::string m_player;
};

TEST_F(PlayerUpdateCheck, startsTheUpdaterSilentlyWhenTheLastCheckIsOverAWeekOld)
{
    // The server list as shipped names no server: a fresh installation
    // never starts the check, which could only report the missing list.
    const std::string shipped
        = ReadTextFile(testsupport::SupportDirectory() + "/../../data/URLs_update.txt");
    ASSERT_FALSE(shipped.empty());
    ASSERT_TRUE(WriteTextFile(m_install.path() + "URLs_update.txt", shipped));
    ASSERT_NO_FATAL_FAILURE(runPlayer("[Sonalto]\r\nUpdates=True\r\n"));
    EXPECT_FALSE(FileExists(updaterLog()));

    ASSERT_TRUE(WriteTextFile(m_install.path() + "URLs_update.txt",
        "[Liste des URLs d'update]\r\nURL0=http://127.0.0.1:9\r\n"));
    // Checked yesterday: nothing starts.
    ASSERT_NO_FATAL_FAILURE(runPlayer("[Sonalto]\r\nUpdates=True\r\nDerniere Update="
        + FormatSettingsDate(std::time(nullptr) - 24 * 3600) + "\r\n"));
    EXPECT_FALSE(FileExists(updaterLog()));
    // The check turned off: nothing starts either.
    ASSERT_NO_FATAL_FAILURE(
        runPlayer("[Sonalto]\r\nUpdates=False\r\nDerniere Update=01/01/20\r\n"));
    EXPECT_FALSE(FileExists(updaterLog()));

    ASSERT_NO_FATAL_FAILURE(runPlayer("[Sonalto]\r\nUpdates=True\r\nDerniere Update=01/01/20\r\n"));
    EXPECT_EQ(testsupport::ReadLines(updaterLog()),
        (std::vector<std::string> { "started in " + m_install.path() + " with [-silence]" }));
}

TEST_F(PlayerUpdateCheck, skinnedInterfaceNeedsTheLookPlugin)
{
    const std::string look = "[Sonalto]\r\nUpdates=False\r\nSkin=True\r\n";
    // Without the plug-in the run uses the plain interface and says so in
    // the settings it saves.
    ASSERT_NO_FATAL_FAILURE(runPlayer(look));
    Profile saved;
    ASSERT_TRUE(saved.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(saved.get("Sonalto", "Skin"), "False");

    const std::filesystem::path built = std::filesystem::path(SONALTO_PLAYER_PATH).parent_path();
    std::filesystem::copy_file(built / "libsntlook.so", m_install.path() + "libsntlook.so");
    ASSERT_NO_FATAL_FAILURE(runPlayer(look));
    ASSERT_TRUE(saved.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(saved.get("Sonalto", "Skin"), "True");
}

} // namespace
