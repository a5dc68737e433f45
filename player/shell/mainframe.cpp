#include "shell/mainframe.h"

#include <utility>

#include <QCloseEvent>
#include <QTimer>
#include <QWidget>

#include "common/messages.h"
#include "common/textfile.h"
#include "common/ui/messengerserver.h"
#include "shell/commandids.h"
#include "shell/diaglog.h"

namespace {

std::string describeRecord(const MessengerRecord& record)
{
    if (record.kind == MessengerRecord::Kind::CopyData) {
        const std::string text = record.payload.substr(0, record.payload.find('\0'));
        return "copydata " + std::to_string(record.dwData) + " " + text;
    }
    switch (record.message) {
    case WM_ACTIVATE:
        return "activate";
    case WM_COMMAND:
        return "command " + std::to_string(record.wParam);
    case WM_SYSCOMMAND:
        return "syscommand " + std::to_string(record.wParam);
    default:
        return "message " + std::to_string(record.message) + " " + std::to_string(record.wParam)
            + " " + std::to_string(record.lParam);
    }
}

} // namespace

CMainFrame::CMainFrame(Settings& settings, std::string installDir, QWidget* parent)
    : QMainWindow(parent)
    , m_settings(settings)
    , m_installDir(std::move(installDir))
{
    setWindowTitle(QString::fromLatin1(kPlayerWindowTitle));
    setCentralWidget(new QWidget(this));

    // No skinning plug-in is installed with this build: the plain interface
    // is used, as when the plug-in fails to start.
    m_settings.skin = false;

    placeWindow();
    settleHtmlDirectory();
    SaveSettings(m_settings, m_installDir, kSettingsFileName, currentStationPage());
    activate();
    m_muted = false;
    m_recording = false;
    m_hiddenAway = false;
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::registerMessenger()
{
    if (m_messenger == nullptr)
        m_messenger = new MessengerServer(this);
    return m_messenger->listen(kPlayerWindowClass, kPlayerWindowTitle,
        [this](const MessengerRecord& record) { return handleRecord(record); });
}

std::int64_t CMainFrame::handleRecord(const MessengerRecord& record)
{
    DiagLog("received " + describeRecord(record));
    if (record.kind == MessengerRecord::Kind::CopyData)
        return onCopyData(record.dwData, record.payload);
    // Command ids travel in the low word of wParam.
    const int id = static_cast<int>(record.wParam & 0xFFFF);
    switch (record.message) {
    case WM_ACTIVATE:
        activate();
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

void CMainFrame::onCommand(int id)
{
    DiagLog("command " + std::to_string(id));
    switch (id) {
    case cmd::Quit:
    case cmd::Stop:
        quit();
        break;
    case cmd::ToggleRecording:
        toggleRecording();
        break;
    default:
        break;
    }
}

void CMainFrame::onSysCommand(int id)
{
    DiagLog("syscommand " + std::to_string(id));
    switch (id) {
    case SC_CLOSE:
        onCommand(cmd::Stop);
        break;
    case cmd::RecordStop:
        if (m_recording)
            onCommand(cmd::ToggleRecording);
        break;
    case cmd::RecordStart:
        if (!m_recording)
            onCommand(cmd::ToggleRecording);
        break;
    case SC_MINIMIZE:
        hideAway();
        break;
    case SC_MAXIMIZE:
        toggleMiniMode();
        break;
    default:
        break;
    }
}

std::int64_t CMainFrame::onCopyData(std::uint64_t /*dwData*/, const std::string& payload)
{
    m_livePage = m_settings.pathHtml + payload.substr(0, payload.find('\0'));
    return 0;
}

void CMainFrame::activate()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    m_hiddenAway = false;
}

std::string CMainFrame::currentStationPage() const
{
    return m_livePage.empty() ? m_settings.startPage : m_livePage;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_quitting) {
        event->accept();
        return;
    }
    // Closing the window is quitting, with the quit's own steps.
    event->ignore();
    onCommand(cmd::Stop);
}

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

void CMainFrame::placeWindow()
{
    // Width and height hold the skinned window's size; the plain frame is
    // slightly smaller. No sizing border in the normal layout at creation.
    const int width = m_settings.skin ? m_settings.width : m_settings.width - 2;
    const int height = m_settings.skin ? m_settings.height : m_settings.height - 4;
    setWindowFlag(Qt::WindowStaysOnTopHint, m_settings.onTop);
    move(m_settings.positionX, m_settings.positionY);
    setFixedSize(width, height);
    show();
}

void CMainFrame::settleHtmlDirectory()
{
    // A missing or wrong HTML directory falls back to the "html" folder of
    // the installation directory.
    if (!FileExists(m_settings.pathHtml + "index.htm"))
        m_settings.pathHtml = m_installDir + "html/";
}

void CMainFrame::quit()
{
    if (m_quitting)
        return;
    // A window partly off the top or left edge keeps the stored position.
    const QRect frame = frameGeometry();
    if (frame.x() >= 0)
        m_settings.positionX = frame.x();
    if (frame.y() >= 0)
        m_settings.positionY = frame.y();
    onSysCommand(cmd::RecordStop);
    m_quitting = true;
    // Close once the current record is answered: a second start waiting for
    // the reply to "-stop" gets it before the player goes away.
    QTimer::singleShot(0, this, [this] { close(); });
}

void CMainFrame::toggleRecording()
{
    m_recording = !m_recording;
}

void CMainFrame::hideAway()
{
    // Without a notification-area icon yet, the window is minimised rather
    // than hidden, so that it can always be brought back.
    m_hiddenAway = true;
    showMinimized();
}

void CMainFrame::toggleMiniMode()
{
    m_settings.miniPlayer = !m_settings.miniPlayer;
}
