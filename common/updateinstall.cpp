#include "common/updateinstall.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include <sys/stat.h>

#include "common/cp1252.h"
#include "common/fetch.h"
#include "common/installdir.h"
#include "common/prompt.h"
#include "common/pagename.h"
#include "common/textfile.h"
#include "common/updatedownload.h"
#include "common/updateindex.h"
#include "common/updatetexts.h"

namespace {

// A watchdog period: a second per kilobyte and two more.
int watchdogPeriod(int kilobytes)
{
    return kilobytes * 1000 + 2000;
}

// Programs and scripts among new files are started by the listener or by the
// other programs, so they need the executable permission.
bool looksExecutable(std::string_view bytes)
{
    return bytes.substr(0, 4)
        == "\x7f"
           "ELF"
        || bytes.substr(0, 2) == "#!";
}

} // namespace

std::string FixLineEnds(std::string text)
{
    if (text.find('\r') != std::string::npos)
        return text;
    std::string fixed;
    fixed.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        if (c == '\n')
            fixed += '\r';
        fixed += c;
    }
    return fixed;
}

std::string CutToPage(std::string text)
{
    const std::string lowered = cp1252::lower(text);
    const std::size_t start = lowered.rfind("<html>");
    const std::size_t end = lowered.rfind("</html>");
    if (start == std::string::npos || end == std::string::npos || end < start)
        return text;
    return text.substr(start, end + 7 - start);
}

PreparedFile PrepareDownloadedFile(const std::string& downloaded, const std::string& targetDir,
    const std::string& name, const std::string& htmlDir)
{
    PreparedFile prepared;
    const std::string key = cp1252::lower(name);
    prepared.updater = key == cp1252::lower(kUpdaterProgram);
    prepared.target = prepared.updater ? htmlDir + UpdateInstaller::kParkedUpdater
                                       : targetDir + FileNameOnDisk(name);
    prepared.bytes = ReadTextFile(downloaded);
    if (key.find(".txt") != std::string::npos)
        prepared.bytes = FixLineEnds(std::move(prepared.bytes));
    if (key.find(".htm") != std::string::npos)
        prepared.bytes = CutToPage(FixLineEnds(std::move(prepared.bytes)));
    return prepared;
}

namespace {

// A folder that the installation lacks (the logos' one) is made.
void makeFolderOf(const std::string& target)
{
    const std::string dir = target.substr(0, target.find_last_of('/') + 1);
    if (!dir.empty() && !FileExists(dir))
        ::mkdir(dir.c_str(), 0755);
}

void markExecutable(const PreparedFile& file, bool existed)
{
    if ((file.updater || !existed) && looksExecutable(file.bytes))
        ::chmod(file.target.c_str(), 0755);
}

} // namespace

int SweepDownloadFiles(const std::string& programDir)
{
    int removed = 0;
    for (const std::string& name : ListRegularFiles(programDir)) {
        const bool attempt = name.size() > 8 && name.compare(0, 4, "temp") == 0
            && name.compare(name.size() - 4, 4, ".tmp") == 0
            && name.find_first_not_of("0123456789", 4) == name.size() - 4;
        if (attempt && DeleteFile(programDir + name))
            ++removed;
    }
    return removed;
}

bool InstallDownloadedFile(const std::string& downloaded, const std::string& targetDir,
    const std::string& name, const std::string& htmlDir)
{
    const PreparedFile file = PrepareDownloadedFile(downloaded, targetDir, name, htmlDir);
    DeleteFile(downloaded);
    makeFolderOf(file.target);
    const bool existed = FileExists(file.target);
    if (!WriteTextFile(file.target, file.bytes))
        return false;
    markExecutable(file, existed);
    return true;
}

UpdateInstaller::UpdateInstaller(InstallSetup setup, InstallHost& host, Prompt& prompt)
    : m_setup(std::move(setup))
    , m_host(host)
    , m_prompt(prompt)
{
}

std::string UpdateInstaller::temporaryFile(int attempt) const
{
    return m_setup.programDir + "temp" + std::to_string(attempt) + ".tmp";
}

void UpdateInstaller::start(bool software, bool stationList)
{
    m_software = software;
    m_stationList = stationList;
    SweepDownloadFiles(m_setup.programDir);
    // A player stopped by an earlier try that failed is still owed its
    // restart, even if it is not back yet.
    const bool running = m_host.playerRunning();
    m_playerWasRunning = m_playerWasRunning || running;
    if (running)
        m_host.startPlayer("-stop");
    m_step = 1;
    runSteps();
}

void UpdateInstaller::runSteps()
{
    const std::string stations = m_setup.server + "/liste_radio/";
    const std::string logos = m_setup.server + "/liste_radio/logo/";
    const std::string software = m_setup.server + "/soft/";
    for (;;) {
        switch (m_step) {
        case 1:
        case 4:
        case 6: {
            const bool selected = m_step == 6 ? m_software : m_stationList;
            if (selected) {
                const bool planned = m_step == 1 ? planCategory(m_setup.htmlDir, stations)
                    : m_step == 4                ? planCategory(m_setup.htmlDir + "logo/", logos)
                                                 : planCategory(m_setup.programDir, software);
                // The listener left while the listing was under way.
                if (m_step == kIdle)
                    return;
                if (!planned) {
                    m_step = 0;
                    continue;
                }
            }
            m_fileIndex = 0;
            m_retries = 0;
            ++m_step;
            continue;
        }
        case 2:
        case 5:
        case 7: {
            const bool selected = m_step == 7 ? m_software : m_stationList;
            if (selected && !m_plan.files.empty()) {
                startFileDownload(m_step == 2 ? kStationsLabel
                        : m_step == 5         ? kLogosLabel
                                              : kSoftwareLabel);
                return;
            }
            ++m_step;
            continue;
        }
        case 3:
            // The index is made once every category is in place (step 8).
            m_step = 4;
            continue;
        case 8:
            if (!installStaged()) {
                m_step = 0;
                continue;
            }
            m_host.showStatus(updatetexts::kGeneratingIndex);
            if (!RegenerateIndex(m_setup.htmlDir, m_prompt)) {
                m_step = 0;
                continue;
            }
            finish();
            return;
        case 0:
            fail();
            return;
        default:
            return;
        }
    }
}

bool UpdateInstaller::planCategory(const std::string& localDir, const std::string& remoteDir)
{
    m_plan = DownloadList {};
    m_localDir = localDir;
    m_remoteDir = remoteDir;
    // The listing and the checksums run on a worker while the window stays
    // responsive; a worker left behind by a listener who left only writes
    // into its own shared state.
    struct Listing {
        std::mutex mutex;
        bool done = false;
        bool listed = false;
        std::vector<LocalFile> local;
        std::vector<RemoteFile> remote;
    };
    auto listing = std::make_shared<Listing>();
    const auto work = [listing, localDir, remoteDir] {
        std::vector<LocalFile> local = ListLocalDirectory(localDir);
        std::vector<RemoteFile> remote;
        const bool listed = ListRemoteDirectory(remoteDir, remote);
        std::lock_guard lock(listing->mutex);
        listing->local = std::move(local);
        listing->remote = std::move(remote);
        listing->listed = listed;
        listing->done = true;
    };
    try {
        std::thread(work).detach();
    } catch (const std::system_error&) {
        work();
    }
    const int step = m_step;
    for (;;) {
        {
            std::lock_guard lock(listing->mutex);
            if (listing->done)
                break;
        }
        m_host.keepResponsive();
        if (m_step != step)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::vector<LocalFile> local;
    std::vector<RemoteFile> remote;
    bool listed = false;
    {
        std::lock_guard lock(listing->mutex);
        local = std::move(listing->local);
        remote = std::move(listing->remote);
        listed = listing->listed;
    }
    if (!listed) {
        m_prompt.message(
            updatetexts::kErrorTitle, updatetexts::kListingFailed, PromptIcon::Exclamation);
        return false;
    }
    // The pages the listener changed stay as they are.
    m_plan = PlanDownloads(local, remote, ReadListenerPages(m_setup.htmlDir));
    // With a manifest, a file that it does not name is never fetched.
    if (m_setup.manifest) {
        const char* folder = m_step == 1 ? "liste_radio/"
            : m_step == 4                ? "liste_radio/logo/"
                                         : "soft/";
        for (const std::string& name : m_plan.files) {
            if (m_setup.manifest->find(folder + FileNameOnDisk(name)) == nullptr) {
                m_prompt.message(updatetexts::kErrorTitle,
                    updatetexts::kFileMismatchHead + cp1252::toUtf8(name)
                        + updatetexts::kFileUnlistedTail + updatetexts::kNothingInstalled,
                    PromptIcon::Exclamation);
                m_plan = DownloadList {};
                return false;
            }
        }
    }
    // A name that would land outside the folder is never written.
    for (const std::string& name : m_plan.refused) {
        m_prompt.message(updatetexts::kErrorTitle,
            std::string(updatetexts::kBadNameHead) + cp1252::toUtf8(name)
                + updatetexts::kBadNameTail,
            PromptIcon::Exclamation);
    }
    return true;
}

void UpdateInstaller::showProgress(const char* label, long long done)
{
    m_host.showStatus(std::string(updatetexts::kDownloadProgress) + label + " - "
        + std::to_string(done) + "ko (de " + std::to_string(m_plan.totalKilobytes) + "ko)");
}

void UpdateInstaller::startFileDownload(const char* label)
{
    if (m_fileIndex == 0) {
        // A range of 0 to 0 would draw a busy bar: one file still gets a
        // bar that fills.
        m_host.setProgressRange(std::max(static_cast<int>(m_plan.files.size()) - 1, 1));
        m_kilobytesDone = 0;
    }
    m_host.setProgress(static_cast<int>(m_fileIndex));
    m_currentFile = m_plan.files[m_fileIndex];
    m_currentKilobytes = m_plan.kilobytes[m_fileIndex];
    showProgress(label, m_kilobytesDone);

    // Every attempt has its own number and its own file, so that a worker
    // that ends after its watchdog can never be taken for a later one.
    ++m_attempt;
    m_waiting = true;
    // The listing names files in Windows-1252; a site's disk and addresses
    // spell them in UTF-8.
    const std::string address = m_remoteDir
        + (IsWebAddress(m_remoteDir) ? EncodeNameForAddress(FileNameOnDisk(m_currentFile))
                                     : FileNameOnDisk(m_currentFile));
    // A size that is not a number is waited for as five kilobytes.
    const bool sized = m_fileIndex < m_plan.bytes.size() && m_plan.bytes[m_fileIndex] >= 0;
    m_host.startWatchdog(watchdogPeriod(sized ? m_currentKilobytes : 5));
    m_host.startDownload(m_attempt, address, temporaryFile(m_attempt));
}

void UpdateInstaller::onDownloadTimeout()
{
    if (!m_waiting)
        return;
    m_host.stopWatchdog();
    m_waiting = false;
    m_host.abandonDownload(m_attempt);
    failedTry();
}

void UpdateInstaller::failedTry()
{
    ++m_retries;
    if (m_retries >= kTries) {
        m_step = 0;
        m_prompt.message(updatetexts::kErrorTitle,
            updatetexts::kFileFailedHead + cp1252::toUtf8(m_currentFile)
                + updatetexts::kFileFailedTail,
            PromptIcon::Exclamation);
    }
    runSteps();
}

void UpdateInstaller::onFileArrived(int attempt, bool ok)
{
    if (attempt != m_attempt || !m_waiting) {
        // A worker that ran out of time, or whose installation is over.
        DeleteFile(temporaryFile(attempt));
        return;
    }
    m_host.stopWatchdog();
    m_waiting = false;

    // A failure the worker knows of (an error status, a refused or reset
    // connection) and a file other than the listed one are tried again at
    // once; only silence waits for the watchdog.
    const std::string downloaded = temporaryFile(attempt);
    const bool whole = ok
        && DownloadMatchesListing(downloaded,
            m_fileIndex < m_plan.bytes.size() ? m_plan.bytes[m_fileIndex] : -1,
            m_fileIndex < m_plan.checksums.size() ? m_plan.checksums[m_fileIndex] : "");
    if (!whole) {
        DeleteFile(downloaded);
        failedTry();
        return;
    }
    // A file that matches its listing but not the signed manifest was
    // changed after signing: no second try, nothing installed.
    if (!matchesManifest(downloaded)) {
        DeleteFile(downloaded);
        m_step = 0;
        runSteps();
        return;
    }
    m_staged.push_back({ downloaded, m_currentFile, m_localDir });

    const char* label = m_step == 2 ? kStationsLabel : m_step == 5 ? kLogosLabel : kSoftwareLabel;
    ++m_fileIndex;
    m_retries = 0;
    m_kilobytesDone += m_currentKilobytes;
    if (m_fileIndex == m_plan.files.size()) {
        m_fileIndex = 0;
        m_host.setProgress(std::max(static_cast<int>(m_plan.files.size()) - 1, 1));
        showProgress(label, m_plan.totalKilobytes);
        ++m_step;
    }
    runSteps();
}

const char* UpdateInstaller::siteFolder() const
{
    return m_step == 2 ? "liste_radio/" : m_step == 5 ? "liste_radio/logo/" : "soft/";
}

bool UpdateInstaller::matchesManifest(const std::string& downloaded)
{
    if (!m_setup.manifest)
        return true;
    const ManifestFile* entry
        = m_setup.manifest->find(siteFolder() + FileNameOnDisk(m_currentFile));
    if (entry != nullptr && FileMatchesManifest(downloaded, *entry))
        return true;
    m_prompt.message(updatetexts::kErrorTitle,
        updatetexts::kFileMismatchHead + cp1252::toUtf8(m_currentFile)
            + (entry != nullptr ? updatetexts::kFileMismatchTail : updatetexts::kFileUnlistedTail)
            + updatetexts::kNothingInstalled,
        PromptIcon::Exclamation);
    return false;
}

bool UpdateInstaller::installStaged()
{
    // Every file is first written beside its target; only when all of them
    // are written do they replace the old ones, so that a folder that
    // cannot be written leaves the old set whole.
    struct Ready {
        PreparedFile file;
        std::string staged;
        bool existed = false;
    };
    std::vector<Ready> ready;
    const auto discard = [&ready] {
        for (const Ready& r : ready)
            DiscardStagedFile(r.staged);
    };
    for (const auto& [downloaded, name, localDir] : m_staged) {
        Ready r;
        r.file = PrepareDownloadedFile(downloaded, localDir, name, m_setup.htmlDir);
        makeFolderOf(r.file.target);
        r.existed = FileExists(r.file.target);
        r.staged = StageTextFile(r.file.target, r.file.bytes);
        if (r.staged.empty()) {
            discard();
            dropStaged();
            m_prompt.message(updatetexts::kErrorTitle,
                updatetexts::kInstallFileFailedHead + cp1252::toUtf8(name)
                    + updatetexts::kInstallFileFailedTail,
                PromptIcon::Exclamation);
            return false;
        }
        ready.push_back(std::move(r));
    }
    dropStaged();
    bool all = true;
    for (const Ready& r : ready) {
        if (!all) {
            DiscardStagedFile(r.staged);
            continue;
        }
        if (!CommitStagedFile(r.staged, r.file.target)) {
            all = false;
            m_prompt.message(updatetexts::kErrorTitle,
                updatetexts::kInstallFileFailedHead
                    + cp1252::toUtf8(r.file.target.substr(r.file.target.find_last_of('/') + 1))
                    + updatetexts::kInstallFileFailedTail,
                PromptIcon::Exclamation);
            continue;
        }
        markExecutable(r.file, r.existed);
    }
    return all;
}

void UpdateInstaller::dropStaged()
{
    for (const Staged& staged : m_staged)
        DeleteFile(staged.downloaded);
    m_staged.clear();
}

void UpdateInstaller::abandon()
{
    if (m_waiting) {
        m_host.stopWatchdog();
        m_host.abandonDownload(m_attempt);
        m_waiting = false;
    }
    // What was downloaded of the category is dropped: the old files stay.
    dropStaged();
    m_step = kIdle;
    if (m_playerWasRunning) {
        m_playerWasRunning = false;
        m_host.startPlayer("");
    }
}

void UpdateInstaller::finish()
{
    WriteLastUpdate(m_setup.programDir, std::time(nullptr));
    // The manifest of this installation: an older one is refused from now on.
    if (m_setup.manifest)
        WriteTextFile(m_setup.programDir + kManifestFileName, m_setup.manifestText);
    if (m_software || m_stationList)
        WriteLocalVersions(m_setup.programDir, m_setup.remote, m_software, m_stationList);
    if (m_playerWasRunning) {
        m_playerWasRunning = false;
        m_host.startPlayer("");
    }
    m_host.showStatus(updatetexts::kDone);
    m_step = kDone;
    m_host.installFinished();
}

void UpdateInstaller::fail()
{
    m_step = 0;
    dropStaged();
    // The radio comes back even though the update did not.
    if (m_playerWasRunning)
        m_host.startPlayer("");
    m_host.installFailed();
    m_prompt.message(
        updatetexts::kErrorTitle, updatetexts::kInstallFailed, PromptIcon::Exclamation);
}
