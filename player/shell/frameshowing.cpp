#include "shell/mainframe.h"

#include <QTimer>
#include <QWindowStateChangeEvent>

#include "common/messages.h"
#include "common/ui/trayicon.h"
#include "shell/frametray.h"
#include "view/lumoview.h"
#include "view/minipage.h"
#include "view/webframe.h"

// How the window shows: hidden away into the notification area (or
// minimised without one) and back, and switched between its normal and mini
// layouts, whether from the frame's buttons, a command or the tray.

namespace {

// The web view released on hiding is deleted on the next turn of the loop;
// its renderer ends and the engine has let go of the page's memory a moment
// later.
constexpr int kReleaseDelayMs = 3000;

} // namespace

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_quitting)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimized = change->oldState().testFlag(Qt::WindowMinimized);
    const bool minimized = windowState().testFlag(Qt::WindowMinimized);
    if (minimized && !wasMinimized && !m_hiddenAway) {
        // The frame's minimise button is the system command.
        QTimer::singleShot(0, this, [this] { onSysCommand(SC_MINIMIZE); });
    } else if (!minimized && wasMinimized) {
        m_hiddenAway = false;
    }
    if (windowState().testFlag(Qt::WindowMaximized)) {
        // The maximise button switches between the normal and mini layouts;
        // the window itself is never maximised.
        setWindowState(windowState() & ~Qt::WindowMaximized);
        QTimer::singleShot(0, this, [this] { onSysCommand(SC_MAXIMIZE); });
    }
}

FrameLayout::Showing CMainFrame::showing() const
{
    if (!m_hiddenAway)
        return FrameLayout::Showing::Shown;
    return TrayIcon::isAvailable() ? FrameLayout::Showing::Unseen : FrameLayout::Showing::Minimised;
}

bool CMainFrame::canHideAway() const
{
    return m_frameTray != nullptr && TrayIcon::isAvailable();
}

void CMainFrame::resizeNormal(bool skin)
{
    const QPoint topLeft = m_layout->windowRect().topLeft();
    m_layout->resizeNormal(skin);
    // Shown even from the notification area, with its page made again.
    if (m_hiddenAway)
        activate();
    show();
    move(topLeft);
}

void CMainFrame::hideAway()
{
    m_hiddenAway = true;
    if (canHideAway()) {
        m_frameTray->showForHiding();
        hide();
        // Playback, the icon and the commands do not go through the page:
        // the web view goes, and its renderer with it. Showing the window
        // makes it again on the current station.
        m_view->releaseWebView();
    } else {
        // A desktop without a notification area would leave a hidden
        // window unreachable: it is minimised instead.
        showMinimized();
    }
    // Once the view and its renderer are gone, the memory they held goes
    // back to the system, unless the window came back meanwhile.
    QTimer::singleShot(kReleaseDelayMs, this, [this] {
        if (m_hiddenAway && m_view->webView() == nullptr)
            ReleaseWebEngineMemory();
    });
}

void CMainFrame::restore()
{
    if (m_settings.miniPlayer)
        onSysCommand(SC_MAXIMIZE);
    else
        m_hiddenAway = false;
    activate();
}

void CMainFrame::toggleMiniMode()
{
    m_settings.miniPlayer = !m_settings.miniPlayer;
    const bool mini = m_settings.miniPlayer;
    m_layout->switchTo(mini, showing());
    SetListButton(m_settings.pathHtml, mini ? false : m_settings.listenButton);
    if (!mini)
        SaveSettings(m_settings, m_installDir, kSettingsFileName, currentStationPage());
    // The station keeps playing in the other layout: the frame page shows
    // it again once loaded. Before the first station page of the run there
    // is none, and the start page stays what it was.
    if (!m_view->currentStation().pagePath.empty())
        m_settings.startPage = m_view->currentStation().pagePath;
    showFramePage();
}
