#include "shell/mainframe.h"

#include <utility>

#include <QByteArray>
#include <QGuiApplication>

#include "commandids.h"
#include "common/diaglog.h"
#include "common/messages.h"
#include "common/ui/messengerserver.h"
#include "shell/commandline.h"
#include "shell/taskbarhint.h"
#include "view/lumoview.h"

// The window's side of the records that second starts forward: the
// messenger that receives them, their dispatch, the forwarded station, and
// the activation that a start with the desktop's permission brings.

bool CMainFrame::registerMessenger()
{
    if (m_messenger == nullptr)
        m_messenger = new MessengerServer(this);
    return m_messenger->listen(kPlayerWindowClass, kPlayerWindowTitle,
        [this](const MessengerRecord& record) { return handleRecord(record); });
}

bool CMainFrame::registerMessenger(MessengerListener&& claimed)
{
    if (m_messenger == nullptr)
        m_messenger = new MessengerServer(this);
    return m_messenger->listen(
        std::move(claimed), [this](const MessengerRecord& record) { return handleRecord(record); });
}

std::int64_t CMainFrame::handleRecord(const MessengerRecord& record)
{
    DiagLog("received " + DescribeRecord(record));
    if (record.kind == MessengerRecord::Kind::CopyData)
        return onCopyData(record.dwData, record.payload);
    // Command ids travel in the low word of wParam.
    const int id = static_cast<int>(record.wParam & 0xFFFF);
    switch (record.message) {
    case WM_ACTIVATE:
        // A second start with options (the scheduler, the updater) comes for
        // those options: a player hidden in the notification area stays
        // hidden, without a flash. Only a start with no option brings it
        // back.
        if ((record.lParam & kActivateForOptions) == 0 || !m_hiddenAway)
            activate();
        else if (!m_startupId.empty())
            // Hidden it stays, but the desktop's launch is over.
            CompleteStartup(this, m_startupId, false);
        m_activationToken.clear();
        m_startupId.clear();
        break;
    case WM_COMMAND:
        onCommand(id);
        break;
    case WM_SYSCOMMAND:
        onSysCommand(id);
        break;
    default:
        break;
    }
    return 0;
}

std::int64_t CMainFrame::onCopyData(std::uint64_t dwData, const std::string& payload)
{
    // The desktop's permission for the activation that follows.
    if (dwData == kCopyDataActivationToken) {
        m_activationToken = payload;
        DiagLog("activation token");
        return 0;
    }
    if (dwData == kCopyDataStartupId) {
        m_startupId = payload;
        DiagLog("startup id");
        return 0;
    }
    m_livePage = m_settings.pathHtml + payload.substr(0, payload.find('\0'));
    // While a frame page loads there is no frame "live" yet: the page then
    // waits as the start page.
    m_view->showInLive(m_livePage);
    return 0;
}

void CMainFrame::activate()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    // Wayland compositors raise a window only with a token from the desktop:
    // the one the second start was given, which the platform takes from the
    // environment at the activation.
    if (!m_activationToken.empty()
        && QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(m_activationToken));
        DiagLog("activate with token");
    }
    activateWindow();
    // On X11 the same permission is the launch's startup id and time.
    if (!m_startupId.empty() && QGuiApplication::platformName() == QStringLiteral("xcb")) {
        CompleteStartup(this, m_startupId, true);
        DiagLog("activate with startup id");
    }
    m_hiddenAway = false;
}
