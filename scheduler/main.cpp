#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QDBusConnection>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include "autostart.h"
#include "common/diaglog.h"
#include "common/installdir.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "common/ui/launchprogram.h"
#include "common/ui/messengerserver.h"
#include "common/ui/skinloader.h"
#include "common/ui/uitext.h"
#include "schedulercore.h"
#include "schedulerwindow.h"
#include "testclock.h"
#include "texts.h"

namespace {

// A quiet start hides the window this long after it opened.
constexpr int kQuietHideMs = 500;

// Starts the player in the installation directory with the parameters split
// at blanks, as the player joins its arguments again. Failures are ignored:
// the schedule goes on.
void LaunchPlayer(const std::string& installDir, const std::string& parameters)
{
    DiagLog("launch " + parameters);
    const QStringList arguments = QString::fromStdString(parameters).split(' ', Qt::SkipEmptyParts);
    LaunchProgram(installDir, kPlayerProgram, arguments);
}

} // namespace

int main(int argc, char** argv)
{
    // A second start brings the running scheduler to the front and ends.
    if (FindWindow(kSchedulerWindowClass, kSchedulerWindowTitle)) {
        SendMessage(kSchedulerWindowClass, kSchedulerWindowTitle, WM_ACTIVATE, WA_ACTIVE, 0);
        return 0;
    }
    SetDiagLogTag("scheduler");
    bool quiet = false;
    for (int i = 1; i < argc; ++i)
        quiet = quiet || std::strstr(argv[i], "-quiet") != nullptr;

    const std::string installDir = EnterInstallationDirectory();
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    // The look plug-in, as the player starts it; without it the plain look.
    if (!LoadSkin(installDir))
        QMessageBox::warning(
            nullptr, Utf8Text(kSkinFailureTitleScheduler), Utf8Text(kSkinFailureText));

    if (!FileExists(installDir + kPlayerProgram)) {
        QMessageBox::warning(
            nullptr, Utf8Text(texts::kImpossibleCaption), Utf8Text(texts::kPlayerMissing));
        return 0;
    }

    SchedulerSetup setup;
    setup.installDir = installDir;
    setup.autostartDir = AutostartDirectory();
    ReadPlayerSettings(setup);

    SchedulerWindow* windowPointer = nullptr;
    MessengerServer server;
    const bool first = server.listen(kSchedulerWindowClass, kSchedulerWindowTitle,
        [&windowPointer](const MessengerRecord& record) -> std::int64_t {
            if (record.kind != MessengerRecord::Kind::Message || windowPointer == nullptr)
                return 0;
            SchedulerWindow& window = *windowPointer;
            if (record.message == WM_ACTIVATE) {
                window.restoreFromTray();
                return 1;
            }
            // Closing from outside (the session, another program) ends the
            // scheduler as its own "Quitter" does, saving the schedule. Queued,
            // so that the answer goes out before the loop ends.
            const bool close = (record.message == WM_SYSCOMMAND && record.wParam == SC_CLOSE)
                || (record.message == WM_COMMAND && record.wParam == kSchedulerQuitCommand);
            if (close) {
                QTimer::singleShot(0, &window, &SchedulerWindow::quit);
                return 1;
            }
            if ((record.message == WM_SYSCOMMAND || record.message == WM_COMMAND)
                && record.wParam == kSchedulerAboutCommand) {
                QTimer::singleShot(0, &window, &SchedulerWindow::showAbout);
                return 1;
            }
            return 0;
        });

    // Two starts at the same moment (the session's autostart and a click)
    // both passed the first test: only the one that holds the name runs the
    // schedule, the other brings it to the front and ends.
    if (!first) {
        SendMessage(kSchedulerWindowClass, kSchedulerWindowTitle, WM_ACTIVATE, WA_ACTIVE, 0);
        return 0;
    }
    auto* core = new SchedulerCore;
    core->setClock(SchedulerNow);
    core->setLauncher(
        [installDir](const std::string& parameters) { LaunchPlayer(installDir, parameters); });
    core->setPlayerWindowProbe([] { return FindWindow(kPlayerWindowClass, kPlayerWindowTitle); });
    SchedulerWindow window(setup, core);
    if (SkinAvailable()) {
        SetSkinHue(setup.hue, 1);
        ApplySkin(&window);
    }

    windowPointer = &window;
    // The schedule is checked again as soon as the computer wakes.
    QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"), core, SLOT(onPrepareForSleep(bool)));

    window.initialise();
    // The program runs the application's loop rather than the dialog's own:
    // hiding a dialog ends its exec(), and the window hides into the
    // notification area for most of its life. Only the end of the dialog
    // (quit, close, Escape) ends the program.
    QObject::connect(&window, &QDialog::finished, &application, &QApplication::quit);
    window.show();
    if (quiet)
        QTimer::singleShot(kQuietHideMs, &window, &SchedulerWindow::hideToTray);
    application.exec();
    windowPointer = nullptr;
    ReleaseSkin();
    return 0;
}
