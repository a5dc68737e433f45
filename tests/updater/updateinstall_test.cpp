#include "common/updateinstall.h"

#include <atomic>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/settings.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/updatedownload.h"
#include "common/updatelisting.h"
#include "common/updatetexts.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

struct Download {
    int attempt;
    std::string address;
    std::string destination;
};

// The dialog's side of the installation, recorded; the test plays the
// workers and the watchdog.
class FakeHost : public InstallHost {
public:
    void startDownload(
        int attempt, const std::string& address, const std::string& destination) override
    {
        downloads.push_back({ attempt, address, destination });
    }
    void abandonDownload(int attempt) override { abandoned.push_back(attempt); }
    void startWatchdog(int milliseconds) override
    {
        watchdogs.push_back(milliseconds);
        watchdogRunning = true;
    }
    void stopWatchdog() override { watchdogRunning = false; }
    void setProgressRange(int maximum) override { progressMax = maximum; }
    void setProgress(int position) override { progress.push_back(position); }
    void showStatus(const std::string& text) override { statuses.push_back(text); }
    bool playerRunning() override { return playerRuns; }
    void startPlayer(const std::string& option) override { playerStarts.push_back(option); }
    void installFinished() override { finished = true; }
    void installFailed() override { failed = true; }

    std::vector<Download> downloads;
    std::vector<int> abandoned;
    std::vector<int> watchdogs;
    bool watchdogRunning = false;
    int progressMax = -1;
    std::vector<int> progress;
    std::vector<std::string> statuses;
    bool playerRuns = false;
    std::vector<std::string> playerStarts;
    bool finished = false;
    bool failed = false;
};

// An installation directory and an update site served over HTTP.
class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_install.path() + "html/logo");
        std::filesystem::create_directories(m_site.path() + "liste_radio/logo");
        std::filesystem::create_directories(m_site.path() + "soft");
        ASSERT_TRUE(WriteTextFile(html() + "haut.htm", EmptyIndexText()));
        for (const char* folder : { "liste_radio/", "liste_radio/logo/", "soft/" })
            list(folder);
        ASSERT_TRUE(m_server.start(m_site.path()));
    }

    void publish(const std::string& folder, const std::string& name, const std::string& content)
    {
        ASSERT_TRUE(WriteTextFile(m_site.path() + folder + name, content));
        list(folder);
    }
    void list(const std::string& folder, const std::string& extra = {})
    {
        ASSERT_TRUE(WriteTextFile(m_site.path() + folder + kListingScript,
            MakeListing(m_site.path() + folder, nullptr, { kListingScript }) + extra));
    }

    UpdateInstaller& installer()
    {
        if (!m_installer) {
            InstallSetup setup { m_install.path(), html(), m_server.url(""),
                { "1.3", "15/03/26", "Nouveau\nlogiciel", "2.8", "16/03/26", "Radios" } };
            m_installer = std::make_unique<UpdateInstaller>(setup, m_host, m_prompt);
        }
        return *m_installer;
    }

    // Plays the worker of the latest attempt to its end.
    void arrive()
    {
        ASSERT_FALSE(m_host.downloads.empty());
        const Download& d = m_host.downloads.back();
        std::atomic<bool> cancel { false };
        const bool ok = DownloadToFile(d.address, d.destination, cancel);
        installer().onFileArrived(d.attempt, ok);
    }

    std::string html() const { return m_install.path() + "html/"; }

    TempDir m_install;
    TempDir m_site;
    testsupport::HttpServer m_server;
    FakeHost m_host;
    ScriptedPrompt m_prompt;
    std::unique_ptr<UpdateInstaller> m_installer;
};

TEST_F(Install, threeFilePlanRunsUnderWatchdogsOfItsSizes)
{
    publish("liste_radio/", "a.htm", "<html>" + std::string(1500 - 13, 'a') + "</html>");
    publish("liste_radio/", "b.htm", "<html>" + std::string(2500 - 13, 'b') + "</html>");
    publish("liste_radio/", "c.htm", "<html>" + std::string(500 - 13, 'c') + "</html>");
    ASSERT_TRUE(WriteTextFile(m_install.path() + "Sonalto.ini", "[Sonalto]\r\nUpdates=True\r\n"));
    m_host.playerRuns = true;
    installer().start(false, true);
    EXPECT_EQ(m_host.playerStarts, std::vector<std::string> { "-stop" });
    EXPECT_EQ(installer().plan().totalKilobytes, 3);
    EXPECT_EQ(m_host.progressMax, 2);
    for (int i = 0; i < 3; ++i)
        arrive();

    EXPECT_EQ(m_host.watchdogs, (std::vector<int> { 3000, 4000, 2000 }));
    EXPECT_FALSE(m_host.watchdogRunning);
    EXPECT_EQ(m_host.progress, (std::vector<int> { 0, 1, 2, 2 }));
    EXPECT_EQ(m_host.statuses,
        (std::vector<std::string> { "Téléchargement : Radios - 0ko (de 3ko)",
            "Téléchargement : Radios - 1ko (de 3ko)", "Téléchargement : Radios - 3ko (de 3ko)",
            "Téléchargement : Radios - 3ko (de 3ko)", "Génération du fichier haut.htm...",
            "Terminé." }));
    EXPECT_TRUE(m_host.finished);
    EXPECT_EQ(installer().step(), UpdateInstaller::kDone);
    EXPECT_EQ(ReadTextFile(html() + "b.htm").size(), 2500u);
    // The player that was stopped starts again; the dates are written.
    EXPECT_EQ(m_host.playerStarts, (std::vector<std::string> { "-stop", "" }));
    Profile ini;
    ASSERT_TRUE(ini.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(ini.get("Sonalto", "Derniere Update"), FormatSettingsDate(std::time(nullptr)));
    Profile versions;
    ASSERT_TRUE(versions.load(m_install.path() + "versions.txt"));
    EXPECT_EQ(versions.get("Version Liste Radio", "Version"), "2.8");
    EXPECT_FALSE(versions.hasSection("Version Soft"));
    // No temporary file is left.
    for (const auto& entry : std::filesystem::directory_iterator(m_install.path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST_F(Install, accentedNamesArriveUnderTheirOwnNamesAndAreListed)
{
    // Published from a folder whose names are UTF-8, as on any desktop.
    publish("liste_radio/", "Caf\xC3\xA9 Noir.htm",
        "<html><font name=\"titre\">Caf\xE9 Noir</font>\r\n"
        "<IMG SRC=\"logo/caf\xE9.jpg\" BORDER=0 WIDTH=66 HEIGHT=50></html>");
    publish("liste_radio/logo/", "caf\xC3\xA9.jpg", "un logo de dix octets au moins");
    EXPECT_NE(ReadTextFile(m_site.path() + "liste_radio/" + kListingScript)
                  .find("<li>Caf\xE9 Noir.htm | "),
        std::string::npos);

    // The same page written raw in Windows-1252 by an older installation.
    ASSERT_TRUE(WriteTextFile(html() + "Caf\xE9 Noir.htm",
        ReadTextFile(m_site.path() + "liste_radio/Caf\xC3\xA9 Noir.htm")));

    installer().start(false, true);
    arrive();
    arrive();
    ASSERT_TRUE(m_host.finished);
    EXPECT_TRUE(FileExists(html() + "Caf\xC3\xA9 Noir.htm"));
    EXPECT_TRUE(FileExists(html() + "logo/caf\xC3\xA9.jpg"));
    const std::vector<StationEntry> stations = ListStations(ReadTextFile(html() + "haut.htm"));
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(stations[0].pageFile, "Caf\xE9 Noir.htm");

    // The next update finds them in place: nothing to download.
    m_installer.reset();
    m_host = FakeHost {};
    installer().start(false, true);
    EXPECT_TRUE(m_host.downloads.empty());
}

TEST_F(Install, oneFileOfUnknownSizeAndLeftoversOfAStoppedUpdater)
{
    publish("liste_radio/", "seule.htm", "<html>une seule page</html>");
    // The listing gives no number for its size.
    list("liste_radio/");
    std::string listing = ReadTextFile(m_site.path() + "liste_radio/" + kListingScript);
    listing.replace(listing.find(" | ") + 3, listing.find(" || ") - listing.find(" | ") - 3, "?");
    ASSERT_TRUE(WriteTextFile(m_site.path() + "liste_radio/" + kListingScript, listing));
    // A download file that a killed updater left behind.
    ASSERT_TRUE(WriteTextFile(m_install.path() + "temp7.tmp", "moitié d'un fichier"));

    installer().start(false, true);
    EXPECT_FALSE(FileExists(m_install.path() + "temp7.tmp"));
    // Waited for as five kilobytes; a bar that fills, not a busy one.
    EXPECT_EQ(m_host.watchdogs, std::vector<int> { 7000 });
    EXPECT_GE(m_host.progressMax, 1);
    arrive();
    EXPECT_TRUE(m_host.finished);
    EXPECT_EQ(ReadTextFile(html() + "seule.htm"), "<html>une seule page</html>");
}

TEST_F(Install, fileThatNeverArrivesFailsAfterSixTries)
{
    publish("liste_radio/", "lent.htm", "<html>lent</html>");
    installer().start(false, true);
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(m_host.downloads.size(), static_cast<std::size_t>(i + 1));
        EXPECT_TRUE(m_host.watchdogRunning);
        installer().onDownloadTimeout();
    }
    EXPECT_EQ(m_host.downloads.size(), 6u);
    EXPECT_EQ(m_host.abandoned, (std::vector<int> { 1, 2, 3, 4, 5, 6 }));
    EXPECT_EQ(m_prompt.lines(),
        (std::vector<std::string> {
            "Erreur | Impossible de télécharger le fichier lent.htm\nRecommencez ultèrieurement.",
            "Erreur | Impossible de télécharger la mise à jour.\nRecommencez ultèrieurement." }));
    EXPECT_TRUE(m_host.failed);
    EXPECT_FALSE(m_host.finished);
    EXPECT_EQ(installer().step(), 0);
    EXPECT_FALSE(FileExists(m_install.path() + "Sonalto.ini"));
    EXPECT_FALSE(FileExists(m_install.path() + "versions.txt"));
}

TEST_F(Install, lateWorkerIsNeverTakenForTheCurrentAttempt)
{
    publish("liste_radio/", "page.htm", "<html>nouvelle page</html>");
    installer().start(false, true);
    const Download first = m_host.downloads.back();
    installer().onDownloadTimeout();
    ASSERT_EQ(m_host.downloads.size(), 2u);
    const Download second = m_host.downloads.back();
    EXPECT_NE(first.destination, second.destination);

    // The first worker ends late with something else in its own file.
    ASSERT_TRUE(WriteTextFile(first.destination, "<html>trop tard</html>"));
    installer().onFileArrived(first.attempt, true);
    EXPECT_FALSE(FileExists(first.destination));
    EXPECT_FALSE(FileExists(html() + "page.htm"));
    EXPECT_TRUE(m_host.watchdogRunning);

    // A worker that knows it failed is tried again at once.
    installer().onFileArrived(second.attempt, false);
    EXPECT_EQ(m_host.downloads.size(), 3u);
    EXPECT_TRUE(m_host.watchdogRunning);
    arrive();
    EXPECT_EQ(ReadTextFile(html() + "page.htm"), "<html>nouvelle page</html>");
    EXPECT_TRUE(m_host.finished);
}

// Sets or clears the immutable flag, which keeps even root from writing
// into a folder: a target that cannot be written.
bool SetImmutable(const std::string& path, bool on)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

TEST_F(Install, categoryGoesInWholeOrNotAtAll)
{
    ASSERT_TRUE(WriteTextFile(m_install.path() + "outil", "#!/bin/sh\necho ancien\n"));
    publish("soft/", "outil", "#!/bin/sh\necho nouveau\n");
    publish("soft/", "casse", "un programme qui arrive changé");
    // The listing gives another checksum for "casse": what arrives is not
    // what was published, and a captive page or a cut transfer looks the same.
    std::string listing = ReadTextFile(m_site.path() + "soft/" + kListingScript);
    const std::string good = ChecksumText(m_site.path() + "soft/casse");
    listing.replace(listing.find(good), good.size(), "1234abcd");
    ASSERT_TRUE(WriteTextFile(m_site.path() + "soft/" + kListingScript, listing));
    m_host.playerRuns = true;

    installer().start(true, false);
    // "casse" comes first (names in byte order): six tries, each at once.
    for (int i = 0; i < 6; ++i)
        arrive();
    EXPECT_EQ(m_host.downloads.size(), 6u);
    EXPECT_TRUE(m_host.abandoned.empty());
    EXPECT_EQ(m_prompt.lines(),
        (std::vector<std::string> {
            "Erreur | Impossible de télécharger le fichier casse\nRecommencez ultèrieurement.",
            "Erreur | Impossible de télécharger la mise à jour.\nRecommencez ultèrieurement." }));
    EXPECT_TRUE(m_host.failed);
    EXPECT_FALSE(FileExists(m_install.path() + "casse"));
    EXPECT_EQ(ReadTextFile(m_install.path() + "outil"), "#!/bin/sh\necho ancien\n");
    // The radio comes back although the update did not.
    EXPECT_EQ(m_host.playerStarts, (std::vector<std::string> { "-stop", "" }));

    // Fixed on the server, a second try installs both, and the player that
    // the first try stopped is started again once more.
    list("soft/");
    m_prompt.shown.clear();
    m_prompt.answers = { PromptAnswer::No };
    m_host.playerRuns = false;
    installer().start(true, false);
    arrive();
    // Both came, but nothing is in place before the last one is checked.
    EXPECT_EQ(ReadTextFile(m_install.path() + "outil"), "#!/bin/sh\necho ancien\n");
    arrive();
    EXPECT_TRUE(m_host.finished);
    EXPECT_EQ(ReadTextFile(m_install.path() + "outil"), "#!/bin/sh\necho nouveau\n");
    EXPECT_EQ(ReadTextFile(m_install.path() + "casse"), "un programme qui arrive changé");
    EXPECT_EQ(m_host.playerStarts, (std::vector<std::string> { "-stop", "", "" }));
}

TEST_F(Install, folderThatCannotBeWrittenFailsAndAdvancesNothing)
{
    publish("liste_radio/logo/", "a.jpg", "un logo de dix octets au moins");
    publish("liste_radio/logo/", "b.jpg", "un autre logo de dix octets");
    ASSERT_TRUE(WriteTextFile(m_install.path() + "Sonalto.ini", "[Sonalto]\r\nUpdates=True\r\n"));
    ASSERT_TRUE(SetImmutable(html() + "logo", true));
    installer().start(false, true);
    arrive();
    arrive();
    ASSERT_TRUE(SetImmutable(html() + "logo", false));
    EXPECT_TRUE(m_host.failed);
    EXPECT_FALSE(m_host.finished);
    EXPECT_EQ(m_prompt.lines(),
        (std::vector<std::string> { "Erreur | Impossible d'installer le fichier a.jpg\nVérifiez "
                                    "que son dossier est accessible en écriture.",
            "Erreur | Impossible de télécharger la mise à jour.\nRecommencez ultèrieurement." }));
    EXPECT_TRUE(std::filesystem::is_empty(html() + "logo"));
    Profile ini;
    ASSERT_TRUE(ini.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(ini.get("Sonalto", "Derniere Update"), "");
    EXPECT_FALSE(FileExists(m_install.path() + "versions.txt"));
    // No download file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(m_install.path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST_F(Install, listenerFilesAreNeverReplaced)
{
    ASSERT_TRUE(WriteTextFile(m_install.path() + "Sonalto.ini", "[Sonalto]\r\nUpdates=True\r\n"));
    for (const char* name :
        { "Sonalto.ini", "SNTSCHEDULER.INI", "Snt.hdp", "URLs_update.txt", "versions.txt" })
        publish("soft/", name, std::string("réglages du serveur pour ") + name);
    publish("liste_radio/", "fichier_tmp.tmp", "pas un updater, une page");
    publish("soft/", "outil", "#!/bin/sh\necho nouveau\n");
    // A page the listener changed in the personal list editor stays.
    ASSERT_TRUE(WriteTextFile(html() + "Mienne.htm", "<html>ma version</html>"));
    ASSERT_TRUE(RecordListenerPage(html(), "Mienne.htm"));
    publish("liste_radio/", "mienne.htm", "<html>la version du serveur</html>");
    installer().start(true, true);
    EXPECT_EQ(installer().plan().files, std::vector<std::string> { "outil" });
    arrive();
    EXPECT_TRUE(m_host.finished);
    EXPECT_EQ(m_host.downloads.size(), 1u);
    EXPECT_FALSE(FileExists(m_install.path() + "SNTSCHEDULER.INI"));
    EXPECT_FALSE(FileExists(m_install.path() + "Snt.hdp"));
    EXPECT_FALSE(FileExists(html() + "fichier_tmp.tmp"));
    EXPECT_EQ(ReadTextFile(html() + "Mienne.htm"), "<html>ma version</html>");
    Profile ini;
    ASSERT_TRUE(ini.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(ini.get("Sonalto", "Updates"), "True");
}

TEST_F(Install, softwareOnlyParksTheUpdaterAndStillRegeneratesTheIndex)
{
    publish("soft/", "SntUpdate", "#!/bin/sh\necho nouveau\n");
    publish("soft/", "lisezmoi.txt", "ligne 1\nligne 2\n");
    publish("liste_radio/", "ignore.htm", "<html><font name=\"titre\">X</font></html>");
    ASSERT_TRUE(WriteTextFile(m_install.path() + "SntUpdate", "ancien programme"));
    ASSERT_TRUE(
        WriteTextFile(html() + "Alpha.htm", "<html><font name=\"titre\">Alpha</font></html>"));
    ASSERT_TRUE(WriteTextFile(html() + "haut.htm",
        IndexHeader() + "<!--<option value=\"Beta.htm\">Beta</option>-->\r\n" + IndexFooter()));
    m_prompt.answers = { PromptAnswer::No };

    installer().start(true, false);
    arrive();
    arrive();
    EXPECT_TRUE(m_host.finished);
    // The running updater is left alone; the new one waits for the player.
    EXPECT_EQ(ReadTextFile(m_install.path() + "SntUpdate"), "ancien programme");
    EXPECT_EQ(ReadTextFile(html() + "fichier_tmp.tmp"), "#!/bin/sh\necho nouveau\n");
    EXPECT_EQ(ReadTextFile(m_install.path() + "lisezmoi.txt"), "ligne 1\r\nligne 2\r\n");
    // Only the software: no station page came, the index was still made and
    // the question asked.
    EXPECT_FALSE(FileExists(html() + "ignore.htm"));
    EXPECT_TRUE(m_prompt.answers.empty());
    const std::vector<StationEntry> stations = ListStations(ReadTextFile(html() + "haut.htm"));
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_FALSE(stations[0].active);
    Profile versions;
    ASSERT_TRUE(versions.load(m_install.path() + "versions.txt"));
    EXPECT_EQ(versions.get("Version Soft", "Comment"), "Nouveau\\nlogiciel");
    EXPECT_FALSE(versions.hasSection("Version Liste Radio"));
    EXPECT_TRUE(m_host.playerStarts.empty());
}

TEST_F(Install, unsafeNamesAreRefusedAndTheRestInstalled)
{
    ASSERT_TRUE(WriteTextFile(m_site.path() + "x", "hors du dossier, jamais"));
    publish("liste_radio/logo/", "ok.jpg", "un logo de dix octets au moins");
    list("liste_radio/logo/", "<li>../../x | 23 || 1</li>\n<li>sans champs</li>\n");
    installer().start(false, true);
    arrive();
    EXPECT_TRUE(m_host.finished);
    EXPECT_EQ(m_prompt.lines(),
        (std::vector<std::string> { "Erreur | Le serveur propose un fichier au nom invalide : « "
                                    "../../x ».\nCe fichier est ignoré.",
            "Erreur | Le serveur propose un fichier au nom invalide : « sans champs ».\nCe fichier "
            "est "
            "ignoré." }));
    EXPECT_EQ(m_host.downloads.size(), 1u);
    EXPECT_TRUE(FileExists(html() + "logo/ok.jpg"));
    EXPECT_FALSE(FileExists(m_install.path() + "x"));
}

TEST_F(Install, folderThatCannotBeListedFailsTheInstallation)
{
    // No listing in soft/: the server answers 404, which is no empty folder.
    ASSERT_TRUE(DeleteFile(m_site.path() + "soft/listfiles.php"));
    installer().start(true, false);
    EXPECT_TRUE(m_host.failed);
    EXPECT_EQ(m_prompt.lines(),
        (std::vector<std::string> { "Erreur | Impossible de lister le répertoire HTTP",
            "Erreur | Impossible de télécharger la mise à jour.\nRecommencez ultèrieurement." }));
    EXPECT_FALSE(FileExists(m_install.path() + "versions.txt"));
}

TEST(InstallFile, fixesTextPutsPagesInPlaceAndKeepsPermissions)
{
    TempDir dir;
    const std::string html = dir.path() + "html/";
    std::filesystem::create_directories(html);
    auto install
        = [&](const std::string& name, const std::string& bytes, const std::string& target) {
              const std::string downloaded = dir.path() + "temp9.tmp";
              EXPECT_TRUE(WriteTextFile(downloaded, bytes));
              EXPECT_TRUE(InstallDownloadedFile(downloaded, target, name, html));
              EXPECT_FALSE(FileExists(downloaded));
          };

    install("page.htm", "Publicité\n<HTML>\n<body>x</body>\n</Html>\nfin", html);
    EXPECT_EQ(ReadTextFile(html + "page.htm"), "<HTML>\r\n<body>x</body>\r\n</Html>");
    install("deja.txt", "a\r\nb\nc", html);
    EXPECT_EQ(ReadTextFile(html + "deja.txt"), "a\r\nb\nc");
    install("sans.html", "pas de page\n", html);
    EXPECT_EQ(ReadTextFile(html + "sans.html"), "pas de page\r\n");

    // A folder that is missing is made.
    install("logo.jpg", "image jpeg", html + "logo/");
    EXPECT_EQ(ReadTextFile(html + "logo/logo.jpg"), "image jpeg");

    // A program replaced keeps its permissions; a new one is executable.
    ASSERT_TRUE(WriteTextFile(dir.path() + "SntScheduler", "ancien"));
    ::chmod((dir.path() + "SntScheduler").c_str(), 0755);
    install("SntScheduler",
        "\x7f"
        "ELF nouveau programme",
        dir.path());
    install("outil.sh", "#!/bin/sh\nexit 0\n", dir.path());
    install("notes.bin", "pas un programme", dir.path());
    struct stat st { };
    ASSERT_EQ(::stat((dir.path() + "SntScheduler").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    ASSERT_EQ(::stat((dir.path() + "outil.sh").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    ASSERT_EQ(::stat((dir.path() + "notes.bin").c_str(), &st), 0);
    EXPECT_FALSE(st.st_mode & S_IXUSR);

    // The updater's own program is parked, whatever the letter case.
    install("sntupdate",
        "\x7f"
        "ELF nouvel updater",
        dir.path());
    EXPECT_FALSE(FileExists(dir.path() + "sntupdate"));
    EXPECT_EQ(ReadTextFile(html + "fichier_tmp.tmp"),
        "\x7f"
        "ELF nouvel updater");
}

} // namespace
