#include "shell/sonaltoapp.h"

#include <utility>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "commandids.h"
#include "common/diaglog.h"
#include "common/messages.h"
#include "common/textfile.h"
#include "common/ui/skinloader.h"
#include "shell/mainframe.h"
#include "view/lumoview.h"

SonaltoApp::SonaltoApp(std::string installDir, CommandLine commandLine)
    : m_installDir(std::move(installDir))
    , m_commandLine(std::move(commandLine))
{
}

SonaltoApp::~SonaltoApp() = default;

bool SonaltoApp::initInstance(MessengerListener& claimed)
{
    loadSettings();
    // A quiet start is never shown: the scheduler's slots play from the
    // notification area.
    m_mainFrame = std::make_unique<CMainFrame>(
        m_settings, m_installDir, nullptr, nullptr, nullptr, m_commandLine.quiet);
    if (!m_mainFrame->isCreated()) {
        // No HTML directory: the player ends.
        m_mainFrame.reset();
        return false;
    }
    // Temporary files of writes that a killed run of one of the programs
    // left beside the settings, the index and the pages (the window has
    // settled the HTML directory).
    SweepAbandonedWrites(m_installDir);
    SweepAbandonedWrites(m_settings.pathHtml);
    // The player ends when its window has gone through the quit steps, not
    // when some other window of it closes.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(m_mainFrame.get(), &CMainFrame::closed, qApp, &QCoreApplication::quit,
        Qt::QueuedConnection);
    if (!m_mainFrame->registerMessenger(std::move(claimed)))
        DiagLog("messenger unavailable");
    m_mainFrame->onInitialUpdate();
    applyCommandLine();
    DiagLog("ready");
    return true;
}

void SonaltoApp::exitInstance()
{
    if (m_mainFrame) {
        m_currentStationPage = m_mainFrame->currentStationPage();
        m_mainFrame.reset();
    }
    SaveSettings(m_settings, m_installDir, kSettingsFileName, m_currentStationPage);
    ReleaseSkin();
    DiagLog("exit");
}

void SonaltoApp::loadSettings()
{
    ScreenSize screen;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        const QSize size = primary->geometry().size();
        if (size.width() > 0 && size.height() > 0)
            screen = ScreenSize { size.width(), size.height() };
    }
    if (!LoadSettings(m_settings, m_installDir, kSettingsFileName, screen))
        ApplyDefaultSettings(m_settings, m_installDir, screen);
}

void SonaltoApp::applyCommandLine()
{
    CMainFrame& frame = *m_mainFrame;
    if (!m_commandLine.tail.empty()) {
        if (m_commandLine.radio)
            m_settings.startPage = m_settings.pathHtml + m_commandLine.radioPage;
        if (m_commandLine.quiet) {
            // No station page is current yet: its texts become the not-found
            // value.
            StationPageInfo& current = frame.view()->currentStation();
            ReadStationPage(current.pagePath, current);
            frame.onSysCommand(SC_MINIMIZE);
        }
        if (m_commandLine.rebuild)
            frame.onSysCommand(cmd::Rebuild);
        if (m_commandLine.recordStart)
            frame.onSysCommand(cmd::RecordStart);
    }
    // The mini layout is entered by the same toggle as from the window,
    // which sets the flag again.
    if (m_settings.miniPlayer) {
        m_settings.miniPlayer = false;
        frame.onSysCommand(SC_MAXIMIZE);
    } else {
        // The frame page; once loaded, the view shows the start page.
        frame.showFramePage();
    }
}
