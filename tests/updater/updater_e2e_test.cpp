#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/profile.h"
#include "common/settings.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/updatelisting.h"
#include "support/testsupport.h"
#include "support/framepages.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::Process;
using testsupport::ReadLines;
using testsupport::TempDir;

// The player's forwarded "-stop", as a second start of the player sends it.
constexpr std::uint64_t kPlayerQuit = 32834;
constexpr const char* kNewStationsQuestion
    = "Vous avez utilisé la gestion de la liste perso dans Snt.\n\nSouhaitez vous ajouter les "
      "nouvelles radios de cette mise à jour dans votre liste perso ?\n(Sinon, celles-ci "
      "seront disponibles dans la liste complete.)";

std::string Page(const std::string& title)
{
    return "<html>\r\n<body><font name=\"titre\">" + title + "</font></body>\r\n</html>\r\n";
}

// A listener's installation with the real updater, and the editor's
// installation from which the publisher lays out the update site that the
// local HTTP server serves. Every program logs to one diagnostic file.
class UpdaterRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_updater = testsupport::CopyProgram(SONALTO_UPDATER_PATH, install());
        std::filesystem::create_directories(install() + "html/logo");
        ASSERT_TRUE(testsupport::WriteFramePages(install() + "html/"));
        write(install() + "html/Alpha.htm", Page("Alpha"));
        write(install() + "html/Beta.htm", Page("Beta"));
        write(install() + "html/haut.htm",
            IndexHeader() + "<option value=\"Alpha.htm\">Alpha</option>\r\n"
                + "<!--<option value=\"Beta.htm\">Beta</option>-->\r\n" + IndexFooter());
        write(install() + "Sonalto.ini", "[Sonalto]\r\nUpdates=False\r\nSplashscreen=False\r\n");
        write(install() + "versions.txt",
            "[Version Soft]\r\nVersion=1.2\r\nDate=1/3/26\r\nComment=\r\n"
            "[Version Liste Radio]\r\nVersion=2.7\r\nDate=1/3/26\r\nComment=\r\n");
        write(install() + "outil", "#!/bin/sh\necho ancien\n");
        ::chmod((install() + "outil").c_str(), 0755);

        // The editor's installation: one page changed, one new, a logo, a
        // new updater, a new tool and a text file with line feeds only.
        std::filesystem::create_directories(editor() + "html/logo");
        write(editor() + "html/Alpha.htm", Page("Alpha"));
        write(editor() + "html/Beta.htm", Page("Beta"));
        write(editor() + "html/Gamma.htm", "Hébergé par\n" + Page("Gamma") + "pied de page");
        write(editor() + "html/logo/Gamma.jpg", "logo de Gamma, une image");
        write(editor() + "SntUpdate", "#!/bin/sh\necho nouvel updater\n");
        write(editor() + "outil", "#!/bin/sh\necho nouveau\n");
        write(editor() + "lisezmoi.txt", "ligne 1\nligne 2\n");

        // The publisher's key pair; the installation trusts its public key.
        makeKeys("editeur");
        std::filesystem::copy_file(m_keys.path() + "editeur.pub", install() + "cles_update.pub");
    }

    // A key pair made by the publisher: keys/<name>.pub and keys/<name>.key.
    void makeKeys(const std::string& name)
    {
        Process publisher;
        ASSERT_TRUE(publisher.start(SONALTO_PUBLISHER_PATH,
            { "--generate-key", m_keys.path() + name + ".pub", m_keys.path() + name + ".key" }, {},
            {}, install() + "publisher.out"));
        ASSERT_EQ(publisher.waitForExit(30s), 0) << ReadTextFile(install() + "publisher.out");
    }

    void TearDown() override
    {
        // A player that the updater started again is told to quit.
        if (FindWindow(kPlayerWindowClass, kPlayerWindowTitle)) {
            SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, kPlayerQuit, 0);
            testsupport::WaitFor(
                [] { return !FindWindow(kPlayerWindowClass, kPlayerWindowTitle); }, 30s);
        }
    }

    static void write(const std::string& path, const std::string& text)
    {
        ASSERT_TRUE(WriteTextFile(path, text)) << path;
    }

    // Publishes the editor's installation with these dates, signed with the
    // key of that name, and serves it.
    void publish(const std::string& softDate, const std::string& listDate,
        const testsupport::HttpServerOptions& options = {}, const std::string& key = "editeur")
    {
        Process publisher;
        ASSERT_TRUE(publisher.start(SONALTO_PUBLISHER_PATH,
            { "--key", m_keys.path() + key + ".key", "--soft-version", "1.3", "--soft-date",
                softDate, "--soft-comment", "Nouveau logiciel\\nplus rapide", "--list-version",
                "2.8", "--list-date", listDate, "--list-comment", "Une radio de plus", editor(),
                m_site.path() },
            {}, {}, install() + "publisher.out"));
        ASSERT_EQ(publisher.waitForExit(30s), 0) << ReadTextFile(install() + "publisher.out");
        ASSERT_TRUE(m_server.start(m_site.path(), options));
        write(install() + "URLs_update.txt",
            "[Liste des URLs d'update]\r\nURL0=" + m_server.url("") + "\r\n");
    }

    Environment environment() const
    {
        const char* platform = std::getenv("SONALTO_E2E_PLATFORM");
        return {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen" },
            { "SONALTO_DIAG_LOG", log() },
            { "SONALTO_AUDIO_SINK", "fakesink sync=true" },
            { "QTWEBENGINE_DISABLE_SANDBOX", "1" },
            { "SONALTO_CA_FILE",
                m_authority.empty() ? std::nullopt : std::optional<std::string>(m_authority) },
        };
    }

    void startUpdater(Process& updater, const std::vector<std::string>& arguments)
    {
        ASSERT_TRUE(
            updater.start(m_updater, arguments, environment(), "/", install() + "updater.out"));
    }

    bool waitForLog(const std::string& line, std::chrono::milliseconds timeout = 60s) const
    {
        return testsupport::WaitForFileLine(log(), line, timeout);
    }

    std::vector<std::string> updaterLog(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : ReadLines(log())) {
            if (line.rfind("updater: " + prefix, 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }

    // Waits for the update dialog and sends it a message.
    void sendToDialog(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam = 0)
    {
        ASSERT_TRUE(waitForLog("updater: dialog shown")) << output();
        testsupport::WaitFor(
            [] { return FindWindow(kDialogWindowClass, kUpdaterDialogTitle); }, 10s);
        ASSERT_EQ(SendMessage(kDialogWindowClass, kUpdaterDialogTitle, message, wParam, lParam), 1);
    }

    // Waits for the message box showing text, presses its button and waits
    // for it to close.
    void answerBox(const std::string& title, const std::string& text, std::uint64_t button)
    {
        std::string escaped;
        for (const char c : text)
            escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
        const std::size_t closed = updaterLog("box done").size();
        ASSERT_TRUE(waitForLog("updater: box " + title + " | " + escaped)) << output();
        testsupport::WaitFor([&] { return FindWindow(kDialogWindowClass, title); }, 10s);
        ASSERT_EQ(SendMessage(kDialogWindowClass, title, WM_COMMAND, button, 0), 1);
        testsupport::WaitFor([&] { return updaterLog("box done").size() > closed; }, 10s);
        ASSERT_GT(updaterLog("box done").size(), closed);
    }

    std::vector<std::string> stations() const
    {
        std::vector<std::string> result;
        for (const StationEntry& s : ListStations(ReadTextFile(install() + "html/haut.htm")))
            result.push_back(s.pageFile + (s.active ? " active" : " inactive"));
        return result;
    }

    std::string lastUpdate() const
    {
        Profile ini;
        ini.load(install() + "Sonalto.ini");
        return ini.get("Sonalto", "Derniere Update");
    }

    // The version of the station list that versions.txt names.
    std::string stationListVersion() const
    {
        Profile versions;
        versions.load(install() + "versions.txt");
        return versions.get("Version Liste Radio", "Version");
    }

    // The last box of an update that failed, answered.
    void answerUpdateFailed()
    {
        answerBox("Erreur",
            "Impossible de télécharger la mise à jour.\nRecommencez ultèrieurement.", kIdOk);
    }

    std::string install() const { return m_install.path(); }
    std::string editor() const { return m_editor.path(); }
    std::string log() const { return install() + "diag.log"; }
    std::string output() const
    {
        return ReadTextFile(install() + "updater.out") + "\n--- diag.log\n" + ReadTextFile(log());
    }

    TempDir m_install { "sonalto-install" };
    TempDir m_editor { "sonalto-editor" };
    TempDir m_site { "sonalto-site" };
    testsupport::RuntimeDirectory m_runtime;
    TempDir m_keys { "sonalto-keys" };
    testsupport::HttpServer m_server;
    // The extra authority the programs trust (SONALTO_CA_FILE), if any.
    std::string m_authority;
    std::string m_updater;
};

TEST_F(UpdaterRun, silentCheckWithNothingNewWritesTheDateAndShowsNothing)
{
    publish("1/3/26", "28/2/26");
    Process updater;
    startUpdater(updater, { "-silence" });
    ASSERT_EQ(updater.waitForExit(60s), 0) << output();
    EXPECT_EQ(lastUpdate(), FormatSettingsDate(std::time(nullptr)));
    EXPECT_TRUE(updaterLog("box").empty());
    EXPECT_TRUE(updaterLog("dialog").empty());
    EXPECT_FALSE(updaterLog("nothing new").empty());
    // Nothing else changed.
    EXPECT_EQ(ReadTextFile(install() + "html/Alpha.htm"), Page("Alpha"));
}

TEST_F(UpdaterRun, silentCheckWithoutAnswerRecordsTheAttempt)
{
    // A port where nothing listens: the weekly check reports it and records
    // its date, so that it asks again in a week, not at the next start.
    write(
        install() + "URLs_update.txt", "[Liste des URLs d'update]\r\nURL0=http://127.0.0.1:9\r\n");
    Process updater;
    startUpdater(updater, { "-silence" });
    answerBox("Problème",
        "Impossible de se connecter au site internet pour\nvérifier les mises a jours.\n\n"
        "Vérifiez que vous êtes bien connecté à Internet.\n"
        "Vérifiez qu'aucun firewall empêche votre connexion.\n\n"
        "Vous pouvez désactiver cette fonction dans les options.",
        kIdOk);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();
    EXPECT_EQ(lastUpdate(), FormatSettingsDate(std::time(nullptr)));
    // A settings file that cannot be read (its link leads nowhere) is never
    // replaced by one holding only the date.
    std::filesystem::remove(install() + "Sonalto.ini");
    std::filesystem::create_symlink("/nonexistent/Sonalto.ini", install() + "Sonalto.ini");
    Process again;
    startUpdater(again, { "-silence" });
    answerBox("Problème",
        "Impossible de se connecter au site internet pour\nvérifier les mises a jours.\n\n"
        "Vérifiez que vous êtes bien connecté à Internet.\n"
        "Vérifiez qu'aucun firewall empêche votre connexion.\n\n"
        "Vous pouvez désactiver cette fonction dans les options.",
        kIdOk);
    ASSERT_EQ(again.waitForExit(30s), 0) << output();
    EXPECT_TRUE(std::filesystem::is_symlink(install() + "Sonalto.ini"));
}

TEST_F(UpdaterRun, checkAskedForShowsEachServerAndListingKeepsTheDialogAnswering)
{
    // Two servers where nothing answers: the window names each in turn.
    write(install() + "URLs_update.txt",
        "[Liste des URLs d'update]\r\nURL0=http://127.0.0.1:9\r\nURL1=http://127.0.0.1:9/b\r\n");
    Process check;
    startUpdater(check, {});
    answerBox("Problème",
        "Impossible de se connecter au site internet pour\nvérifier les mises a jours.\n\n"
        "Vérifiez que vous êtes bien connecté à Internet.\n"
        "Vérifiez qu'aucun firewall empêche votre connexion.\n\n"
        "Vous pouvez désactiver cette fonction dans les options.",
        kIdOk);
    ASSERT_EQ(check.waitForExit(30s), 0) << output();
    // The servers are tried in a random order.
    const std::vector<std::string> searched = updaterLog("searching");
    ASSERT_EQ(searched.size(), 2u) << ReadTextFile(log());
    const std::string head = "updater: searching Recherche des mises à jour sur ";
    const bool plainFirst = searched[0].find(":9 (") != std::string::npos;
    EXPECT_EQ(searched[0], head + (plainFirst ? "127.0.0.1:9" : "127.0.0.1:9/b") + " (1 sur 2)...");
    EXPECT_EQ(searched[1], head + (plainFirst ? "127.0.0.1:9/b" : "127.0.0.1:9") + " (2 sur 2)...");

    // A listing that takes its time: the dialog answers meanwhile.
    testsupport::HttpServerOptions options;
    options.stalls.push_back({ "/liste_radio/listfiles.php", 4.0 });
    publish("1/3/26", "15/3/26", options);
    Process updater;
    startUpdater(updater, {});
    sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    std::this_thread::sleep_for(500ms);
    const auto asked = std::chrono::steady_clock::now();
    sendToDialog(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
    answerBox("Erreur", kNewStationsQuestion, kIdNo);
    ASSERT_TRUE(waitForLog("updater: finished")) << output();
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();
    EXPECT_EQ(ReadTextFile(install() + "html/Gamma.htm") + "\r\n", Page("Gamma"));
}

#ifdef SONALTO_SKIN_PATH
TEST_F(UpdaterRun, skinIsUsedWhenThePluginIsInstalled)
{
    publish("1/3/26", "28/2/26");
    write(install() + "Sonalto.ini", "[Sonalto]\r\nSkin=TRUE\r\nCouleur du skin=0\r\n");
    Process plain;
    startUpdater(plain, { "-silence" });
    ASSERT_EQ(plain.waitForExit(60s), 0) << output();
    // Without the plug-in the plain look, and no message.
    EXPECT_EQ(updaterLog("skin"), std::vector<std::string> { "updater: skin off" });
    EXPECT_TRUE(updaterLog("box").empty());

    testsupport::CopyProgram(SONALTO_SKIN_PATH, install());
    Process skinned;
    startUpdater(skinned, { "-silence" });
    ASSERT_EQ(skinned.waitForExit(60s), 0) << output();
    EXPECT_EQ(updaterLog("skin"),
        (std::vector<std::string> { "updater: skin off", "updater: skin on 96" }));
}
#endif

class StationListUpdate : public UpdaterRun, public ::testing::WithParamInterface<bool> { };

TEST_P(StationListUpdate, installsPagesAndLogosAndRegeneratesTheIndex)
{
    const bool addToPersonal = GetParam();
    publish("1/3/26", "15/3/26");
    Process updater;
    startUpdater(updater, { "-silence" });
    // Only the station list is offered: it is the first item.
    sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    answerBox("Erreur", kNewStationsQuestion, addToPersonal ? kIdYes : kIdNo);
    ASSERT_TRUE(waitForLog("updater: finished")) << output();
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();

    // The new page is cut to the page, from "<html>" to "</html>", with CR
    // LF line ends; the logo came.
    EXPECT_EQ(ReadTextFile(install() + "html/Gamma.htm") + "\r\n", Page("Gamma"));
    EXPECT_EQ(ReadTextFile(install() + "html/logo/Gamma.jpg"), "logo de Gamma, une image");
    EXPECT_EQ(stations(),
        (std::vector<std::string> { "Alpha.htm active", "Beta.htm inactive",
            std::string("Gamma.htm ") + (addToPersonal ? "active" : "inactive") }));
    Profile versions;
    ASSERT_TRUE(versions.load(install() + "versions.txt"));
    EXPECT_EQ(versions.get("Version Liste Radio", "Version"), "2.8");
    EXPECT_EQ(versions.get("Version Liste Radio", "Date"), "15/3/26");
    EXPECT_EQ(versions.get("Version Soft", "Version"), "1.2");
    EXPECT_EQ(lastUpdate(), FormatSettingsDate(std::time(nullptr)));
    // The software was not selected; no player ran, none was started.
    EXPECT_EQ(ReadTextFile(install() + "outil"), "#!/bin/sh\necho ancien\n");
    EXPECT_TRUE(updaterLog("player").empty());
    EXPECT_EQ(updaterLog("install"),
        std::vector<std::string> { "updater: install software=0 stations=1" });
}

INSTANTIATE_TEST_SUITE_P(BothAnswers, StationListUpdate, ::testing::Values(true, false),
    [](const auto& info) { return info.param ? "answeredYes" : "answeredNo"; });

TEST_F(UpdaterRun, softwareUpdateIsCompletedByTheRealPlayer)
{
    publish("15/3/26", "1/3/26");
    testsupport::CopyProgram(SONALTO_PLAYER_PATH, install());
    const std::string updaterBefore = ReadTextFile(m_updater);

    Process player;
    ASSERT_TRUE(
        player.start(install() + "Sonalto", {}, environment(), "/", install() + "player.out"));
    ASSERT_TRUE(waitForLog("ready", 60s)) << ReadTextFile(install() + "player.out");

    Process updater;
    startUpdater(updater, {});
    // A second start finds the first and ends.
    ASSERT_TRUE(waitForLog("updater: dialog shown")) << output();
    Process second;
    ASSERT_TRUE(second.start(m_updater, { "-silence" }, environment(), "/"));
    EXPECT_EQ(second.waitForExit(30s), 0);
    EXPECT_EQ(updaterLog("start").size(), 1u);

    sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    // The player is told to stop before anything is installed.
    EXPECT_EQ(player.waitForExit(60s), 0) << ReadTextFile(install() + "player.out");
    // The index is made again all the same, with its question.
    answerBox("Erreur", kNewStationsQuestion, kIdNo);
    ASSERT_TRUE(waitForLog("updater: finished")) << output();

    // The running updater was left alone; the new one is parked, and the
    // player started again waits for the dialog to go.
    EXPECT_EQ(ReadTextFile(m_updater), updaterBefore);
    EXPECT_EQ(ReadTextFile(install() + "html/fichier_tmp.tmp"), "#!/bin/sh\necho nouvel updater\n");
    ASSERT_TRUE(waitForLog("self-update waits", 60s)) << ReadTextFile(install() + "diag.log");
    EXPECT_EQ(ReadTextFile(install() + "lisezmoi.txt"), "ligne 1\r\nligne 2\r\n");
    EXPECT_EQ(ReadTextFile(install() + "outil"), "#!/bin/sh\necho nouveau\n");
    struct stat st { };
    ASSERT_EQ(::stat((install() + "outil").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    // "Terminer" once the player can be reached: the updater tells the
    // player, which puts the new updater in place at once.
    ASSERT_TRUE(testsupport::WaitFor(
        [] { return FindWindow(kPlayerWindowClass, kPlayerWindowTitle); }, 60s));
    const auto terminated = std::chrono::steady_clock::now();
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();
    ASSERT_TRUE(waitForLog("self-update done", 60s)) << ReadTextFile(install() + "diag.log");
    // Not through the player's ten-second retry.
    EXPECT_LT(std::chrono::steady_clock::now() - terminated, 9s);
    EXPECT_EQ(ReadTextFile(m_updater), "#!/bin/sh\necho nouvel updater\n");
    ASSERT_EQ(::stat(m_updater.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    EXPECT_FALSE(FileExists(install() + "html/fichier_tmp.tmp"));
    EXPECT_EQ(updaterLog("player"),
        (std::vector<std::string> {
            "updater: player -stop", "updater: player start", "updater: player -self_update" }))
        << ReadTextFile(log());
    Profile versions;
    ASSERT_TRUE(versions.load(install() + "versions.txt"));
    EXPECT_EQ(versions.get("Version Soft", "Comment"), "Nouveau logiciel\\nplus rapide");
    EXPECT_EQ(versions.get("Version Liste Radio", "Version"), "2.7");
}

TEST_F(UpdaterRun, stallingFileFailsAfterSixTriesWithBothMessages)
{
    write(editor() + "html/Lent.htm", Page("Lent"));
    testsupport::HttpServerOptions options;
    options.stalls.push_back({ "/liste_radio/Lent.htm", 120.0 });
    publish("1/3/26", "15/3/26", options);
    Process updater;
    startUpdater(updater, {});
    sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
    const auto started = std::chrono::steady_clock::now();
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    answerBox("Erreur",
        "Impossible de télécharger le fichier Lent.htm\nRecommencez ultèrieurement.", kIdOk);
    // Six tries of 2 seconds each, at the least.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 12s);
    answerUpdateFailed();
    EXPECT_EQ(updaterLog("failed").size(), 1u);
    // Back in the selection: leaving now asks nothing.
    sendToDialog(WM_COMMAND, updatedialog::kCancelButton);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();
    EXPECT_EQ(lastUpdate(), "");
    EXPECT_EQ(stationListVersion(), "2.7");
    // One status line per try: Gamma.htm once, Lent.htm six times.
    EXPECT_EQ(updaterLog("status Téléchargement : Radios").size(), 7u);
}

TEST_F(UpdaterRun, cutTransferIsNeverInstalledAndTheRadioComesBack)
{
    // The server closes after 40 bytes of the new page, with no length: the
    // transfer looks complete, only the listing tells it is not.
    testsupport::HttpServerOptions options;
    options.cuts.push_back({ "/liste_radio/Gamma.htm", 40 });
    publish("1/3/26", "15/3/26", options);
    testsupport::CopyProgram(SONALTO_PLAYER_PATH, install());
    Process player;
    ASSERT_TRUE(
        player.start(install() + "Sonalto", {}, environment(), "/", install() + "player.out"));
    ASSERT_TRUE(waitForLog("ready", 60s)) << ReadTextFile(install() + "player.out");

    Process updater;
    startUpdater(updater, {});
    sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
    const auto started = std::chrono::steady_clock::now();
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    EXPECT_EQ(player.waitForExit(60s), 0) << ReadTextFile(install() + "player.out");
    answerBox("Erreur",
        "Impossible de télécharger le fichier Gamma.htm\nRecommencez ultèrieurement.", kIdOk);
    // Each known failure is tried again at once, not after its watchdog.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 12s);
    answerUpdateFailed();
    // The player that the installation stopped is started again.
    for (int i = 0; i < 600 && !FindWindow(kPlayerWindowClass, kPlayerWindowTitle); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle)) << ReadTextFile(log());
    sendToDialog(WM_COMMAND, updatedialog::kCancelButton);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();

    EXPECT_FALSE(FileExists(install() + "html/Gamma.htm"));
    EXPECT_EQ(updaterLog("player"),
        (std::vector<std::string> { "updater: player -stop", "updater: player start" }));
    EXPECT_NE(lastUpdate(), FormatSettingsDate(std::time(nullptr)));
    // Six tries of the cut page.
    EXPECT_EQ(updaterLog("status Téléchargement : Radios").size(), 6u);
}

TEST_F(UpdaterRun, folderThatCannotBeWrittenFailsAndTheUpdateIsOfferedAgain)
{
    publish("1/3/26", "15/3/26");
    // The immutable flag keeps even root out of the logos' folder.
    ASSERT_EQ(std::system(("chattr +i '" + install() + "html/logo'").c_str()), 0);
    struct Unlock {
        std::string dir;
        ~Unlock() { std::system(("chattr -i '" + dir + "' 2>/dev/null").c_str()); }
    } unlock { install() + "html/logo" };

    Process updater;
    startUpdater(updater, { "-silence" });
    sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    answerBox("Erreur",
        "Impossible d'installer le fichier Gamma.jpg\nVérifiez que son dossier est accessible en "
        "écriture.",
        kIdOk);
    answerUpdateFailed();
    sendToDialog(WM_COMMAND, updatedialog::kCancelButton);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();
    EXPECT_TRUE(updaterLog("finished").empty());
    EXPECT_EQ(lastUpdate(), "");
    EXPECT_EQ(stationListVersion(), "2.7");
    // The pages that could be written wait for the logos: none came in.
    EXPECT_FALSE(FileExists(install() + "html/Gamma.htm"));
}

TEST_F(UpdaterRun, remoteNameOutsideTheFolderIsRefused)
{
    publish("1/3/26", "15/3/26");
    // The site's listing also names a file above its folder.
    write(m_site.path() + "x", "un fichier qui ne doit jamais arriver");
    const std::string listing = ReadTextFile(m_site.path() + "liste_radio/listfiles.php");
    write(m_site.path() + "liste_radio/listfiles.php",
        "<li>../x | 37 || " + ChecksumText(m_site.path() + "x") + "</li>\n" + listing);
    Process updater;
    startUpdater(updater, {});
    sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    answerBox("Erreur",
        "Le serveur propose un fichier au nom invalide : « ../x ».\nCe fichier est ignoré.", kIdOk);
    answerBox("Erreur", kNewStationsQuestion, kIdYes);
    ASSERT_TRUE(waitForLog("updater: finished")) << output();
    sendToDialog(WM_COMMAND, updatedialog::kMainButton);
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();
    EXPECT_FALSE(FileExists(install() + "x"));
    EXPECT_FALSE(FileExists(install() + "html/../x"));
    EXPECT_EQ(ReadTextFile(install() + "html/Gamma.htm") + "\r\n", Page("Gamma"));
}

// What a site gives and what the installation trusts, over http and https.
enum class Site { Signed, ChangedAfterSigning, OtherKey, NoManifestNoKey, Older, UntrustedServer };
struct SignedCase {
    Site site;
    bool https;
    const char* name;
};

class SignedSite : public UpdaterRun, public ::testing::WithParamInterface<SignedCase> { };

TEST_P(SignedSite, installsOnlyWhatThePublisherSigned)
{
    const SignedCase c = GetParam();
    testsupport::HttpServerOptions options;
    if (c.https) {
        options.tlsPemFile = testsupport::TlsCertificateFile();
        ASSERT_FALSE(options.tlsPemFile.empty());
        if (c.site != Site::UntrustedServer)
            m_authority = testsupport::TlsAuthorityFile();
    }
    if (c.site == Site::OtherKey)
        makeKeys("autre");
    publish("15/3/26", "15/3/26", options, c.site == Site::OtherKey ? "autre" : "editeur");
    const std::string softFile = m_site.path() + "soft/outil";
    switch (c.site) {
    case Site::ChangedAfterSigning:
        // Whoever answers in the server's place changes the program and
        // its listing, not the signed manifest.
        write(softFile, "#!/bin/sh\necho piégé\n");
        write(m_site.path() + "soft/listfiles.php",
            MakeListing(m_site.path() + "soft/", nullptr, { kListingScript }));
        break;
    case Site::NoManifestNoKey:
        std::filesystem::remove(m_site.path() + "manifest.txt");
        std::filesystem::remove(m_site.path() + "manifest.txt.minisig");
        std::filesystem::remove(install() + "cles_update.pub");
        break;
    case Site::Older: {
        // The last installation came from a later manifest.
        std::string later = ReadTextFile(m_site.path() + "manifest.txt");
        later.replace(later.find("Date Liste Radio=15/3/26"), 24, "Date Liste Radio=20/3/26");
        write(install() + "manifest.txt", later);
        break;
    }
    default:
        break;
    }

    Process updater;
    startUpdater(updater, {});
    const auto refused = [&](const std::string& reason) {
        answerBox("Erreur",
            "La mise à jour n'a pas pu être vérifiée : " + reason + "\nRien n'a été installé.",
            kIdOk);
    };
    bool installed = false;
    switch (c.site) {
    case Site::Signed:
    case Site::ChangedAfterSigning:
        sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
        sendToDialog(WM_NOTIFY, updatedialog::kTree, 1);
        sendToDialog(WM_COMMAND, updatedialog::kMainButton);
        if (c.site == Site::Signed) {
            answerBox("Erreur", kNewStationsQuestion, kIdNo);
            ASSERT_TRUE(waitForLog("updater: finished")) << output();
            sendToDialog(WM_COMMAND, updatedialog::kMainButton);
            installed = true;
        } else {
            answerBox("Erreur",
                "Le fichier outil ne correspond pas au fichier manifest.txt signé (taille ou "
                "empreinte SHA-256).\nRien n'a été installé.",
                kIdOk);
            answerUpdateFailed();
            sendToDialog(WM_COMMAND, updatedialog::kCancelButton);
        }
        break;
    case Site::OtherKey:
        refused("le fichier manifest.txt est signé par une clé inconnue de cette installation.");
        break;
    case Site::Older:
        refused("le fichier manifest.txt est plus ancien que celui de la dernière mise à jour "
                "installée.");
        break;
    case Site::NoManifestNoKey:
        // The program is not offered, and the listener is told why; the
        // station list is the only item.
        answerBox("Information",
            "Cette installation n'a pas de clé de publication (fichier cles_update.pub) : le "
            "logiciel ne peut pas être mis à jour, car rien ne garantit sa provenance.\nSeule la "
            "liste des radios peut être mise à jour.",
            kIdOk);
        sendToDialog(WM_NOTIFY, updatedialog::kTree, 0);
        sendToDialog(WM_COMMAND, updatedialog::kMainButton);
        answerBox("Erreur", kNewStationsQuestion, kIdNo);
        ASSERT_TRUE(waitForLog("updater: finished")) << output();
        sendToDialog(WM_COMMAND, updatedialog::kMainButton);
        break;
    case Site::UntrustedServer:
        answerBox("Problème",
            "Impossible de se connecter au site internet pour\nvérifier les mises a jours.\n\n"
            "Vérifiez que vous êtes bien connecté à Internet.\n"
            "Vérifiez qu'aucun firewall empêche votre connexion.\n\n"
            "Vous pouvez désactiver cette fonction dans les options.",
            kIdOk);
        break;
    }
    ASSERT_EQ(updater.waitForExit(30s), 0) << output();

    Profile versions;
    ASSERT_TRUE(versions.load(install() + "versions.txt"));
    const bool stations = installed || c.site == Site::NoManifestNoKey;
    EXPECT_EQ(ReadTextFile(install() + "outil"),
        installed ? "#!/bin/sh\necho nouveau\n" : "#!/bin/sh\necho ancien\n");
    EXPECT_EQ(FileExists(install() + "html/fichier_tmp.tmp"), installed);
    EXPECT_EQ(versions.get("Version Soft", "Version"), installed ? "1.3" : "1.2");
    EXPECT_EQ(FileExists(install() + "html/Gamma.htm"), stations);
    EXPECT_EQ(versions.get("Version Liste Radio", "Version"), stations ? "2.8" : "2.7");
    if (installed) {
        // The manifest installed is the one signed, and the packaged tool
        // agrees with the signature.
        EXPECT_EQ(
            ReadTextFile(install() + "manifest.txt"), ReadTextFile(m_site.path() + "manifest.txt"));
        const std::string check = testsupport::RunCommand("minisign -V -p '" + m_keys.path()
            + "editeur.pub' -m '" + m_site.path() + "manifest.txt' 2>&1");
        EXPECT_NE(check.find("Signature and comment signature verified"), std::string::npos)
            << check;
    }
}

INSTANTIATE_TEST_SUITE_P(HttpAndHttps, SignedSite,
    ::testing::Values(SignedCase { Site::Signed, false, "signedInstalls" },
        SignedCase { Site::ChangedAfterSigning, false, "changedAfterSigningIsRefused" },
        SignedCase { Site::OtherKey, false, "otherKeyIsRefused" },
        SignedCase { Site::NoManifestNoKey, false, "noKeyInstallsNoProgram" },
        SignedCase { Site::Older, false, "olderManifestIsRefused" },
        SignedCase { Site::Signed, true, "signedInstallsOverHttps" },
        SignedCase { Site::ChangedAfterSigning, true, "changedAfterSigningIsRefusedOverHttps" },
        SignedCase { Site::OtherKey, true, "otherKeyIsRefusedOverHttps" },
        SignedCase { Site::NoManifestNoKey, true, "noKeyInstallsNoProgramOverHttps" },
        SignedCase { Site::Older, true, "olderManifestIsRefusedOverHttps" },
        SignedCase { Site::UntrustedServer, true, "untrustedCertificateIsRefused" }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
