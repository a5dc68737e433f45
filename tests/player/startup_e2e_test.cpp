#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/profile.h"
#include "common/textfile.h"
#include "support/testsupport.h"
#include "support/framepages.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::TempDir;

// The real player, copied into a private installation directory, with a
// private runtime directory for its socket.
class PlayerStartup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::chmod(m_runtime.path().c_str(), 0700);
        m_player = testsupport::CopyProgram(SONALTO_PLAYER_PATH, m_install.path());
        // The frame page the window asks for; without it the player would
        // ask for its HTML directory.
        ASSERT_TRUE(testsupport::WriteFramePages(m_install.path() + "html/"));
        // This process looks for the player in the same place.
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
    }

    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    Environment environment(bool withLog) const
    {
        const char* platform = std::getenv("SONALTO_E2E_PLATFORM");
        Environment env {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen" },
            { "SONALTO_DIAG_LOG", std::nullopt },
        };
        if (withLog)
            env["SONALTO_DIAG_LOG"] = logPath();
        return env;
    }

    // Starts the first player and waits until it can be reached.
    void startFirst(Process& player, const std::vector<std::string>& arguments)
    {
        ASSERT_TRUE(player.start(
            m_player, arguments, environment(true), "/", m_install.path() + "first.out"));
        ASSERT_TRUE(testsupport::WaitForFileLine(logPath(), "ready", 30s)) << outputOf("first.out");
    }

    // Runs a second start to its end; it needs no display at all.
    std::optional<int> runSecond(const std::vector<std::string>& arguments)
    {
        return testsupport::RunSecondStart(
            m_player, arguments, environment(false), m_install.path() + "second.out");
    }

    std::string logPath() const { return m_install.path() + "diag.log"; }

    // The lines about commands and the life of the player, without those
    // about pages and playback.
    std::vector<std::string> commandLog() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : ReadLines(logPath())) {
            for (const char* prefix : { "received ", "command ", "syscommand ", "ready", "exit" }) {
                if (line.rfind(prefix, 0) == 0) {
                    lines.push_back(line);
                    break;
                }
            }
        }
        return lines;
    }

    std::vector<std::string> logLines(const std::string& prefix = {}) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : ReadLines(logPath())) {
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }

    std::string outputOf(const std::string& name) const
    {
        return ReadTextFile(m_install.path() + name);
    }

    TempDir m_install { "sonalto-install" };
    TempDir m_runtime { "sonalto-runtime" };
    std::string m_player;
};

TEST_F(PlayerStartup, forwardsOptionsInFixedOrder)
{
    Process first;
    ASSERT_NO_FATAL_FAILURE(startFirst(first, {}));

    EXPECT_EQ(runSecond({ "-radio", "NRJ.htm", "-record", "start", "-rebuild", "-quiet" }), 0)
        << outputOf("second.out");
    EXPECT_EQ(logLines("received "),
        (std::vector<std::string> { "received activate", "received syscommand 61472",
            "received syscommand 111", "received syscommand 108",
            "received copydata 32840 NRJ.htm" }));
    EXPECT_TRUE(first.isRunning());

    // A start without options only brings the player to the front.
    EXPECT_EQ(runSecond({}), 0);
    EXPECT_EQ(logLines("received ").size(), 6u);
    EXPECT_EQ(logLines("received ").back(), "received activate");

    EXPECT_EQ(runSecond({ "-stop" }), 0);
    EXPECT_EQ(first.waitForExit(30s), 0) << outputOf("first.out");
}

TEST_F(PlayerStartup, stopEndsRunningPlayerWhichSavesEverySetting)
{
    // A stored position and the mini layout, to see them come back.
    ASSERT_TRUE(WriteTextFile(m_install.path() + "Sonalto.ini",
        "[Sonalto]\r\nPosition X=40\r\nPosition Y=30\r\n"
        "Mini Player=True\r\n"));
    // What a write killed in an earlier run left: swept at the start.
    const std::string abandoned = ".sonalto-write-999999999-Ab12Cd";
    ASSERT_TRUE(WriteTextFile(m_install.path() + abandoned, "[Sonalto]\r\nPosi"));
    ASSERT_TRUE(WriteTextFile(m_install.path() + "html/" + abandoned, "<html><bo"));
    Process first;
    ASSERT_NO_FATAL_FAILURE(startFirst(first, {}));
    ASSERT_TRUE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle));
    EXPECT_FALSE(FileExists(m_install.path() + abandoned));
    EXPECT_FALSE(FileExists(m_install.path() + "html/" + abandoned));

    EXPECT_EQ(runSecond({ "-stop" }), 0) << outputOf("second.out");
    ASSERT_EQ(first.waitForExit(30s), 0) << outputOf("first.out");
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
    ASSERT_TRUE(saved.load(m_install.path() + "Sonalto.ini"));
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
    EXPECT_EQ(saved.get("Sonalto", "Path HTML"), m_install.path() + "html/");
}

TEST_F(PlayerStartup, stopWithoutRunningPlayerCreatesNothing)
{
    Process player;
    ASSERT_TRUE(player.start(m_player, { "-stop" }, environment(true), "/"));
    EXPECT_EQ(player.waitForExit(30s), 0);
    EXPECT_FALSE(FileExists(m_install.path() + "Sonalto.ini"));
    EXPECT_FALSE(FileExists(logPath()));
    EXPECT_TRUE(std::filesystem::is_empty(m_runtime.path()));
}

TEST_F(PlayerStartup, firstInstanceAppliesItsOwnOptionsAndRemembersTheRadio)
{
    Process first;
    startFirst(first,
        { "-record", "stop", "-rebuild", "-radio", "NRJ.htm", "-record", "start", "-quiet",
            "-self_update" });
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
    ASSERT_TRUE(saved.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(saved.get("Sonalto", "Derniere URL"), m_install.path() + "html/NRJ.htm");
}

} // namespace
