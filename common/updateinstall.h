#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/updatelisting.h"
#include "common/updatemanifest.h"
#include "common/updateversions.h"

class Prompt;

// The download and installation of the chosen updates, one category after
// the other: the station pages ("Radios") into the HTML directory, then the
// regeneration of the station index, the logos ("Logos") into its "logo/"
// folder, and the programs ("Logiciel") into the installation directory.
// Each file is fetched by a worker under a watchdog and tried six times; it
// is then checked against its listing and, when the server's manifest was
// verified, against its size and SHA-256 there. The checked files of every
// category are written beside their targets and put in place together once
// the last one has arrived, then the index is regenerated: a file that fails
// its check leaves the installation as it was. A new updater program cannot replace the
// running one: it is parked in the HTML directory as "fichier_tmp.tmp", and
// the player puts it in place once the updater's dialog has gone.
//
// The installer runs on the dialog's thread and is driven by the host's
// events: the end of a download and the watchdog.

// What the installation needs from the window that runs it.
class InstallHost {
public:
    virtual ~InstallHost() = default;
    // Starts the worker of one download attempt: address into destination.
    // Its end is reported with UpdateInstaller::onFileArrived(attempt, ok)
    // on the installer's thread.
    virtual void startDownload(
        int attempt, const std::string& address, const std::string& destination)
        = 0;
    // Asks the worker of an attempt that ran out of time to stop.
    virtual void abandonDownload(int attempt) = 0;
    // The watchdog of the current file: reported once with
    // UpdateInstaller::onDownloadTimeout() unless stopped before.
    virtual void startWatchdog(int milliseconds) = 0;
    virtual void stopWatchdog() = 0;
    virtual void setProgressRange(int maximum) = 0;
    virtual void setProgress(int position) = 0;
    // The status line (UTF-8).
    virtual void showStatus(const std::string& text) = 0;
    virtual bool playerRunning() = 0;
    // Starts the player with the option ("-stop", or empty to start it again).
    virtual void startPlayer(const std::string& option) = 0;
    // The installation is complete: the dialog offers "Terminer".
    virtual void installFinished() = 0;
    // The installation failed: the dialog goes back to the selection.
    virtual void installFailed() = 0;
    // Called again and again while a listing is fetched and the local
    // checksums are computed on a worker: the window handles its events.
    virtual void keepResponsive() { }
};

struct InstallSetup {
    std::string programDir; // ends with '/'
    std::string htmlDir; // ends with '/'
    std::string server; // base address, no trailing '/'
    RemoteVersions remote;
    // The server's verified manifest and its text, kept as the installed
    // manifest once the installation is complete. Without one, downloads
    // are checked against their listings only.
    std::optional<UpdateManifest> manifest {};
    std::string manifestText {};
};

class UpdateInstaller {
public:
    // Category labels, as shown in the status line.
    static constexpr const char* kStationsLabel = "Radios";
    static constexpr const char* kLogosLabel = "Logos";
    static constexpr const char* kSoftwareLabel = "Logiciel";
    // Tries of one file before the installation fails.
    static constexpr int kTries = 6;
    // The parked new updater, in the HTML directory.
    static constexpr const char* kParkedUpdater = "fichier_tmp.tmp";

    UpdateInstaller(InstallSetup setup, InstallHost& host, Prompt& prompt);

    // Stops a running player and works through the steps.
    void start(bool software, bool stationList);
    // The worker of an attempt ended; ok when its file arrived whole. The
    // report of an earlier attempt is dropped with its file.
    void onFileArrived(int attempt, bool ok);
    void onDownloadTimeout();
    // The listener leaves during the installation: nothing more is done.
    void abandon();

    // 1 to 8 while installing, 0 after a failure, kDone once finished, and
    // kIdle before the start.
    static constexpr int kIdle = -1;
    static constexpr int kDone = 9;
    int step() const { return m_step; }
    bool installing() const { return m_step >= 1 && m_step <= 8; }
    bool playerWasRunning() const { return m_playerWasRunning; }
    const DownloadList& plan() const { return m_plan; }

    // The temporary file of a download attempt.
    std::string temporaryFile(int attempt) const;

private:
    void runSteps();
    bool planCategory(const std::string& localDir, const std::string& remoteDir);
    void startFileDownload(const char* label);
    // One try of the current file went wrong: the next starts at once, or
    // after the last one the installation fails.
    void failedTry();
    // True when the download of the current file is the one the manifest
    // describes (always true without a manifest); otherwise says so.
    bool matchesManifest(const std::string& downloaded);
    // The current category's folder on the site ("soft/"...).
    const char* siteFolder() const;
    // Puts every checked download in place, or none.
    bool installStaged();
    void dropStaged();
    void finish();
    void fail();
    void showProgress(const char* label, long long done);

    InstallSetup m_setup;
    InstallHost& m_host;
    Prompt& m_prompt;
    bool m_software = false;
    bool m_stationList = false;
    bool m_playerWasRunning = false;
    int m_step = kIdle;
    DownloadList m_plan;
    std::string m_localDir;
    std::string m_remoteDir;
    std::size_t m_fileIndex = 0;
    std::string m_currentFile;
    int m_currentKilobytes = 0;
    long long m_kilobytesDone = 0;
    int m_retries = 0;
    int m_attempt = 0;
    bool m_waiting = false;
    // The checked downloads of every category so far.
    struct Staged {
        std::string downloaded;
        std::string name;
        std::string localDir;
    };
    std::vector<Staged> m_staged;
};

// Line ends of a text file from the server: when the text holds no carriage
// return, every line feed becomes carriage return + line feed.
std::string FixLineEnds(std::string text);

// A page cut to the part that begins at its last "<html>" and ends after its
// last "</html>" (any letter case), dropping what a host put around it. A
// page without both, or with them the wrong way round, is kept whole.
std::string CutToPage(std::string text);

// Where a downloaded file goes (targetDir + name, or the parked updater)
// and the bytes it is written with: ".txt" files get their line ends fixed,
// ".htm" and ".html" pages too and are cut to the page.
struct PreparedFile {
    std::string target;
    std::string bytes;
    bool updater = false;
};
PreparedFile PrepareDownloadedFile(const std::string& downloaded, const std::string& targetDir,
    const std::string& name, const std::string& htmlDir);

// Removes the download files of attempts (programDir + "tempN.tmp") that an
// updater which was stopped left behind.
int SweepDownloadFiles(const std::string& programDir);

// Puts a downloaded file in place as targetDir + name (replaced whole, its
// permissions kept), or as the parked updater when name is the updater's own
// program: ".txt" files get their line ends fixed, ".htm" and ".html" pages
// too and are cut to the page. A new program file (an executable or a
// script) is made executable. The downloaded file is removed in every case.
// False when the target cannot be written.
bool InstallDownloadedFile(const std::string& downloaded, const std::string& targetDir,
    const std::string& name, const std::string& htmlDir);
