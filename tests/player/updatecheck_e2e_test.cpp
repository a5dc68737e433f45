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
#include "support/framepages.h"
#include "support/playerinstallation.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;

// The real player in a private installation directory with a stand-in
// updater that writes down how it was started.
class PlayerUpdateCheck : public testsupport::PlayerTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::WriteFramePages(html()));
        WriteTextFile(path() + "SntUpdate",
            "#!/bin/sh\necho \"started in $(pwd)/ with [$*]\" >> '" + updaterLog() + "'\n");
        ::chmod((path() + "SntUpdate").c_str(), 0755);
    }

    // Runs the player until it is ready, then stops it with a second start.
    ::testing::AssertionResult runPlayer(const std::string& settings)
    {
        if (!WriteTextFile(settingsPath(), settings))
            return ::testing::AssertionFailure() << "no settings";
        // Each run waits for its own "ready".
        std::filesystem::remove(logPath());
        Process player;
        if (::testing::AssertionResult ready = startReady(player); !ready)
            return ready;
        // The check runs before "ready"; a started stand-in writes its line
        // within moments.
        if (logCount("updater started -silence") > 0)
            testsupport::WaitFor(
                [this] { return !testsupport::ReadLines(updaterLog()).empty(); }, 10s);
        return stop(player);
    }

    std::string updaterLog() const { return path() + "updater.log"; }
};

TEST_F(PlayerUpdateCheck, startsTheUpdaterSilentlyWhenTheLastCheckIsOverAWeekOld)
{
    // The server list as shipped names no server: a fresh installation
    // never starts the check, which could only report the missing list.
    const std::string shipped
        = ReadTextFile(testsupport::SupportDirectory() + "/../../data/URLs_update.txt");
    ASSERT_FALSE(shipped.empty());
    ASSERT_TRUE(WriteTextFile(path() + "URLs_update.txt", shipped));
    ASSERT_TRUE(runPlayer("[Sonalto]\r\nUpdates=True\r\n"));
    EXPECT_FALSE(FileExists(updaterLog()));

    ASSERT_TRUE(WriteTextFile(
        path() + "URLs_update.txt", "[Liste des URLs d'update]\r\nURL0=http://127.0.0.1:9\r\n"));
    // Checked yesterday: nothing starts.
    ASSERT_TRUE(runPlayer("[Sonalto]\r\nUpdates=True\r\nDerniere Update="
        + FormatSettingsDate(std::time(nullptr) - 24 * 3600) + "\r\n"));
    EXPECT_FALSE(FileExists(updaterLog()));
    // The check turned off: nothing starts either.
    ASSERT_NO_FATAL_FAILURE(
        runPlayer("[Sonalto]\r\nUpdates=False\r\nDerniere Update=01/01/20\r\n"));
    EXPECT_FALSE(FileExists(updaterLog()));

    ASSERT_TRUE(runPlayer("[Sonalto]\r\nUpdates=True\r\nDerniere Update=01/01/20\r\n"));
    EXPECT_EQ(testsupport::ReadLines(updaterLog()),
        (std::vector<std::string> { "started in " + path() + " with [-silence]" }));
}

TEST_F(PlayerUpdateCheck, skinnedInterfaceNeedsTheLookPlugin)
{
    const std::string look = "[Sonalto]\r\nUpdates=False\r\nSkin=True\r\n";
    // Without the plug-in the run uses the plain interface and says so in
    // the settings it saves.
    ASSERT_TRUE(runPlayer(look));
    Profile saved;
    ASSERT_TRUE(saved.load(settingsPath()));
    EXPECT_EQ(saved.get("Sonalto", "Skin"), "False");

    const std::filesystem::path built = std::filesystem::path(SONALTO_PLAYER_PATH).parent_path();
    std::filesystem::copy_file(built / "libsntlook.so", path() + "libsntlook.so");
    ASSERT_TRUE(runPlayer(look));
    ASSERT_TRUE(saved.load(settingsPath()));
    EXPECT_EQ(saved.get("Sonalto", "Skin"), "True");
}

} // namespace
