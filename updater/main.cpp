#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QStringList>
#include <QWidget>

#include "common/diaglog.h"
#include "common/installdir.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "common/ui/launchprogram.h"
#include "common/ui/messengerserver.h"
#include "common/ui/uitext.h"
#include "common/updatedownload.h"
#include "common/updatemanifest.h"
#include "common/updatetexts.h"
#include "common/updateversions.h"
#include "updatedialog.h"
#include "updaterprompt.h"
#include "updaterskin.h"

namespace {

// Starts the player of the installation directory with one option (or none),
// with that directory as its working directory.
void LaunchPlayer(const std::string& programDir, const std::string& option)
{
    const std::string player = programDir + kPlayerProgram;
    DiagLog("player " + (option.empty() ? std::string("start") : option));
    if (!FileExists(player))
        return;
    QStringList arguments;
    if (!option.empty())
        arguments << QString::fromStdString(option);
    LaunchProgram(programDir, kPlayerProgram, arguments);
}

// Brings the window in front: the dialog, or a message box in front of it.
void BringToFront(QWidget* dialog)
{
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr)
        window = dialog;
    if (window != nullptr) {
        window->raise();
        window->activateWindow();
    }
}

// What a server gave: its version file's values and, when the installation
// trusts a key, its manifest and signature (nullopt: not on the server).
struct ServerAnswer {
    VersionCheck check;
    std::optional<std::string> manifest;
    std::optional<std::string> signature;
};

// The manifest is small: two seconds for each fetch.
constexpr int kManifestFetchLimit = 2;

std::optional<std::string> FetchSiteFile(const std::string& address)
{
    std::string text;
    if (!FetchListingText(address, kManifestFetchLimit, text))
        return std::nullopt;
    return text;
}

// Checks one server on a worker while the window handles its events, and
// fetches its manifest right after the version check when withManifest.
// False when the server gave no usable version file, or when stop says the
// listener gave up waiting (the worker is then left to end on its own).
bool CheckServerResponsive(const std::string& server, const std::string& programDir,
    bool withManifest, ServerAnswer& answer, const std::function<bool()>& stop)
{
    struct Shared {
        std::mutex mutex;
        bool done = false;
        bool ok = false;
        ServerAnswer answer;
    };
    auto shared = std::make_shared<Shared>();
    const auto work = [shared, server, programDir, withManifest] {
        ServerAnswer result;
        const bool ok = CheckServer(server, programDir, result.check);
        if (ok && withManifest) {
            result.manifest = FetchSiteFile(server + "/" + kManifestFileName);
            result.signature = FetchSiteFile(server + "/" + kManifestSignatureFileName);
        }
        std::lock_guard lock(shared->mutex);
        shared->ok = ok;
        shared->answer = std::move(result);
        shared->done = true;
    };
    try {
        std::thread(work).detach();
    } catch (const std::system_error&) {
        work();
    }
    for (;;) {
        {
            std::lock_guard lock(shared->mutex);
            if (shared->done) {
                if (shared->ok)
                    answer = shared->answer;
                return shared->ok;
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (stop())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int Run(int argc, char** argv)
{
    // 1. The only option.
    bool silent = false;
    for (int i = 1; i < argc; ++i)
        silent = silent || std::strstr(argv[i], "-silence") != nullptr;

    // 2. One updater at a time: a second start brings the first to the front.
    if (FindWindow(kDialogWindowClass, kUpdaterDialogTitle)) {
        SendMessage(kDialogWindowClass, kUpdaterDialogTitle, WM_ACTIVATE, WA_ACTIVE, 0);
        return 0;
    }
    const std::string programDir = EnterInstallationDirectory();
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    // The exit step: the look plug-in is stopped once every window is gone.
    struct SkinRelease {
        ~SkinRelease() { StopUpdaterSkin(); }
    } skinRelease;

    QWidget* dialogWindow = nullptr;
    MessengerServer run;
    const bool first = run.listen(kUpdaterRunClass, kUpdaterRunTitle,
        [&dialogWindow](const MessengerRecord& record) -> std::int64_t {
            if (record.kind != MessengerRecord::Kind::Message || record.message != WM_ACTIVATE)
                return 0;
            BringToFront(dialogWindow);
            return 1;
        });
    if (!first) {
        SendMessage(kUpdaterRunClass, kUpdaterRunTitle, WM_ACTIVATE, WA_ACTIVE, 0);
        return 0;
    }
    DiagLog(silent ? "start -silence" : "start");

    // 5. and 6. The settings and the look.
    UpdaterSettings settings = ReadUpdaterSettings(programDir);
    if (settings.skin)
        settings.skin = StartUpdaterSkin(programDir, settings.skinHue);
    DiagLog(settings.skin ? "skin on " + std::to_string(settings.skinHue) : "skin off");
    UpdaterPrompt prompt(nullptr, settings.skin);

    // 7. The servers.
    ServerTable servers;
    if (!ReadServerList(programDir, servers, static_cast<std::uint32_t>(std::time(nullptr)))) {
        prompt.message(
            updatetexts::kProblemTitle, updatetexts::kNoServerList, PromptIcon::Exclamation);
        return 0;
    }

    // 8. The first server that answers with a usable version file.
    // A check the listener asked for shows which server it is waiting for;
    // the weekly one stays out of sight.
    // Only the keys of this installation are trusted.
    const std::vector<PublicKey> keys
        = ParsePublicKeys(ReadTextFile(programDir + kTrustedKeysFileName));
    ServerAnswer answer;
    std::unique_ptr<QProgressDialog> progress;
    if (!silent) {
        progress = std::make_unique<QProgressDialog>(
            QString(), Utf8Text(updatetexts::kCancelButton), 0, servers.count);
        progress->setWindowTitle(Utf8Text(updatetexts::kDialogTitle));
        progress->setMinimumDuration(0);
        progress->setAutoReset(false);
        progress->setAutoClose(false);
        if (settings.skin)
            SkinWindow(progress.get());
    }
    bool cancelled = false;
    for (int i = 0; i < servers.count && servers.chosen < 0 && !cancelled; ++i) {
        if (progress) {
            progress->setLabelText(Utf8Text(updatetexts::kSearchingServer)
                                       .arg(UiText(ServerName(servers.servers[i])))
                                       .arg(i + 1)
                                       .arg(servers.count));
            progress->setValue(i);
            progress->show();
            DiagLog("searching " + progress->labelText().toStdString());
        }
        const auto stop = [&progress] { return progress && progress->wasCanceled(); };
        if (CheckServerResponsive(servers.servers[i], programDir, !keys.empty(), answer, stop))
            servers.chosen = i;
        cancelled = stop();
    }
    progress.reset();
    if (cancelled) {
        DiagLog("check cancelled");
        return 0;
    }
    if (servers.chosen < 0) {
        // The weekly check records its attempt, so that a computer without
        // a connection hears of it once a week rather than at every start.
        if (silent)
            WriteLastUpdate(programDir, std::time(nullptr));
        DiagLog("no server answered");
        prompt.message(
            updatetexts::kProblemTitle, updatetexts::kNoServerAnswered, PromptIcon::Exclamation);
        return 0;
    }
    const std::string server = servers.servers[servers.chosen];
    DiagLog("server " + server);

    // Nothing is offered before the manifest is verified; what is offered
    // and compared then comes from it alone.
    VersionCheck check = answer.check;
    const ManifestCheck manifest = CheckManifest(
        answer.manifest, answer.signature, keys, TryReadTextFile(programDir + kManifestFileName));
    if (manifest.verdict == ManifestVerdict::Trusted) {
        check = VersionCheckFromManifest(manifest.manifest, ReadLocalDates(programDir));
        DiagLog("manifest verified");
    } else if (manifest.verdict == ManifestVerdict::NoKeys) {
        // Without a key nothing proves where a program comes from: only the
        // station list, page by page against its listing, may come in.
        DiagLog("no key");
        if (check.softwareUpdate) {
            check.softwareUpdate = false;
            if (!silent || check.stationListUpdate)
                prompt.message(updatetexts::kInformationTitle, updatetexts::kNoKeyForSoftware,
                    PromptIcon::Exclamation);
        }
    } else {
        DiagLog("manifest refused");
        prompt.message(
            updatetexts::kErrorTitle, ManifestRefusal(manifest.verdict), PromptIcon::Exclamation);
        return 0;
    }

    // 9. Nothing new.
    if (!check.softwareUpdate && !check.stationListUpdate) {
        WriteLastUpdate(programDir, std::time(nullptr));
        DiagLog("nothing new");
        if (!silent)
            prompt.message(
                updatetexts::kInformationTitle, updatetexts::kNothingNew, PromptIcon::Exclamation);
        return 0;
    }

    // 10. The update dialog; once it is finished, the player puts a new
    // updater in place.
    UpdateDialogSetup setup;
    setup.install = { programDir, settings.htmlDir, server, check.remote, std::nullopt, {} };
    if (manifest.verdict == ManifestVerdict::Trusted) {
        setup.install.manifest = manifest.manifest;
        setup.install.manifestText = *answer.manifest;
    }
    setup.check = check;
    setup.skin = settings.skin;
    UpdaterPrompt dialogPrompt(nullptr, settings.skin);
    UpdateDialog dialog(setup, dialogPrompt);
    dialogPrompt.setOwner(&dialog);
    dialog.setPlayerLauncher(
        [programDir](const std::string& option) { LaunchPlayer(programDir, option); });
    dialogWindow = &dialog;
    const int result = dialog.exec();
    dialogWindow = nullptr;
    // The player stopped for the installation comes back, even when the
    // dialog ended while its restart was still waiting.
    dialog.finishPendingLaunch();
    if (result == QDialog::Accepted && FindWindow(kPlayerWindowClass, kPlayerWindowTitle))
        LaunchPlayer(programDir, "-self_update");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The updater's lines share the log with the player's.
    SetDiagLogTag("updater");
    const int status = Run(argc, argv);
    DiagLog("exit");
    return status;
}
