#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/profile.h"
#include "common/textfile.h"
#include "support/framepages.h"
#include "support/playerinstallation.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;

// The real player, copied into a private installation directory, with a
// private runtime directory for its socket.
class PlayerStartup : public testsupport::PlayerTest {
protected:
    // The frame page the window asks for; without it the player would ask
    // for its HTML directory.
    void SetUp() override { ASSERT_TRUE(testsupport::WriteFramePages(html())); }

    // The lines about commands and the life of the player, without those
    // about pages and playback.
    std::vector<std::string> commandLog() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : logLines()) {
            for (const char* prefix : { "received ", "command ", "syscommand ", "ready", "exit" }) {
                if (line.rfind(prefix, 0) == 0) {
                    lines.push_back(line);
                    break;
                }
            }
        }
        return lines;
    }

    std::vector<std::string> linesStarting(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : logLines()) {
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(PlayerStartup, forwardsOptionsInFixedOrder)
{
    Process first;
    ASSERT_TRUE(startReady(first));

    EXPECT_EQ(runSecond({ "-radio", "NRJ.htm", "-record", "start", "-rebuild", "-quiet" }), 0)
        << ReadTextFile(path() + "second.out");
    EXPECT_EQ(linesStarting("received "),
        (std::vector<std::string> { "received activate", "received syscommand 61472",
            "received syscommand 111", "received syscommand 108",
            "received copydata 32840 NRJ.htm" }));
    EXPECT_TRUE(first.isRunning());

    // A start without options only brings the player to the front.
    EXPECT_EQ(runSecond({}), 0);
    EXPECT_EQ(linesStarting("received ").size(), 6u);
    EXPECT_EQ(linesStarting("received ").back(), "received activate");

    EXPECT_TRUE(stop(first));
}

TEST_F(PlayerStartup, stopEndsRunningPlayerWhichSavesEverySetting)
{
    // A stored position and the mini layout, to see them come back.
    ASSERT_TRUE(WriteTextFile(settingsPath(),
        "[Sonalto]\r\nPosition X=40\r\nPosition Y=30\r\n"
        "Mini Player=True\r\n"));
    // What a write killed in an earlier run left: swept at the start.
    const std::string abandoned = ".sonalto-write-999999999-Ab12Cd";
    ASSERT_TRUE(WriteTextFile(path() + abandoned, "[Sonalto]\r\nPosi"));
    ASSERT_TRUE(WriteTextFile(path() + "html/" + abandoned, "<html><bo"));
    Process first;
    ASSERT_TRUE(startReady(first));
    ASSERT_TRUE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle));
    EXPECT_FALSE(FileExists(path() + abandoned));
    EXPECT_FALSE(FileExists(path() + "html/" + abandoned));

    EXPECT_EQ(runSecond({ "-stop" }), 0) << ReadTextFile(path() + "second.out");
    ASSERT_EQ(first.waitForExit(30s), 0) << output();
    EXPECT_FALSE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle));
    // The player takes its socket away (the sound server's client may leave
    // its own folder beside it).
    EXPECT_FALSE(FileExists(MessengerSocketPath(kPlayerWindowClass, kPlayerWindowTitle)));

    // The mini layout was restored at start (the toggle sets the flag
    // again), and the quit stopped any recording before closing.
    const std::vector<std::string> log = commandLog();
    EXPECT_EQ(log,
        (std::vector<std::string> { "syscommand 61488", "ready", "received activate",
            "received command 32834", "command 32834", "syscommand 107", "exit" }));

    Profile saved;
    ASSERT_TRUE(saved.load(settingsPath()));
    const std::vector<std::string> general = { "Hauteur", "Largeur", "Mini-Hauteur", "Mini-Largeur",
        "Position X", "Position Y", "Bouton Ecouter", "Updates", "Derniere Update", "Splashscreen",
        "OnTop", "Assigner", "Cacher TaskBar", "Temps Rafraichissement", "Path HTML", "Path Rec",
        "Sauve Derniere URL", "Derniere URL", "Skin", "Couleur du skin", "Nom apparence",
        "Mini Player", "Notifier Titres", "Recherche Pochettes", "Service Enregistrements",
        "Service Pochettes", "Recherche Boutique" };
    // Keys already in the file keep their place; the others are added.
    std::vector<std::string> written = saved.keys("Sonalto");
    std::vector<std::string> expected = general;
    std::sort(written.begin(), written.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    std::vector<std::string> favourites;
    for (int i = 0; i < 20; ++i) {
        favourites.push_back("FavorisName" + std::to_string(i));
        favourites.push_back("FavorisHTML" + std::to_string(i));
    }
    EXPECT_EQ(saved.keys("Favoris"), favourites);
    EXPECT_EQ(saved.keys("Enregistreur HarddiskOgg"),
        (std::vector<std::string> { "Copyright", "Taux d'echantillonnage", "Type de compression",
            "Taux de compression", "Mono/St\xE9r\xE9o", "Nom du fichier", "Titre par Titre" }));
    EXPECT_EQ(saved.get("Sonalto", "Position X"), "40");
    EXPECT_EQ(saved.get("Sonalto", "Position Y"), "30");
    EXPECT_EQ(saved.get("Sonalto", "Mini Player"), "True");
    EXPECT_EQ(saved.get("Sonalto", "Path HTML"), path() + "html/");
}

// Started with its output going to a pipe that nobody reads any more (a
// closed terminal, a launcher that has gone), the player still comes up,
// and ends when asked.
TEST_F(PlayerStartup, outputToAPipeNobodyReadsLeavesThePlayerRunning)
{
    ASSERT_TRUE(writeSettings(""));
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    Process player;
    const bool started = player.start(
        program(), {}, environment(), "/", "/proc/self/fd/" + std::to_string(ends[1]));
    ::close(ends[0]);
    ::close(ends[1]);
    ASSERT_TRUE(started);
    EXPECT_TRUE(logHas("ready")) << "the player ended with "
                                 << player.waitForExit(0ms).value_or(-1);
    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerStartup, stopWithoutRunningPlayerCreatesNothing)
{
    Process player;
    ASSERT_TRUE(start(player, { "-stop" }));
    EXPECT_EQ(player.waitForExit(30s), 0);
    EXPECT_FALSE(FileExists(settingsPath()));
    EXPECT_FALSE(FileExists(logPath()));
    EXPECT_TRUE(std::filesystem::is_empty(runtime()));
}

TEST_F(PlayerStartup, firstInstanceAppliesItsOwnOptionsAndRemembersTheRadio)
{
    Process first;
    ASSERT_TRUE(startReady(first,
        { "-record", "stop", "-rebuild", "-radio", "NRJ.htm", "-record", "start", "-quiet",
            "-self_update" }));
    // Applied in their fixed order; "-record stop" and "-self_update" are for
    // a running player only.
    EXPECT_EQ(commandLog(),
        (std::vector<std::string> {
            "syscommand 61472", "syscommand 111", "syscommand 108", "command 32838", "ready" }));

    EXPECT_EQ(runSecond({ "-stop" }), 0);
    ASSERT_EQ(first.waitForExit(30s), 0);
    // The quit stopped the recording that "-record start" began.
    const std::vector<std::string> log = commandLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
        (std::vector<std::string> { "syscommand 107", "command 32838", "exit" }));

    Profile saved;
    ASSERT_TRUE(saved.load(settingsPath()));
    EXPECT_EQ(saved.get("Sonalto", "Derniere URL"), path() + "html/NRJ.htm");
}

} // namespace
