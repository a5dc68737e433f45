#include "shell/mainframe.h"

#include <algorithm>
#include <ctime>
#include <utility>
#include <malloc.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "catalogue/cataloguecommands.h"
#include "commandids.h"
#include "common/diaglog.h"
#include "common/installdir.h"
#include "common/messages.h"
#include "common/pagename.h"
#include "common/rebuild.h"
#include "common/textfile.h"
#include "common/ui/launchprogram.h"
#include "common/ui/messageprompt.h"
#include "common/ui/messengerserver.h"
#include "common/ui/skinloader.h"
#include "common/ui/trayicon.h"
#include "common/ui/uitext.h"
#include "nowplaying/nowplaying.h"
#include "playback/controlstrip.h"
#include "playback/mpris.h"
#include "playback/streamplayer.h"
#include "playback/streamtrial.h"
#include "recording/recorderlaunch.h"
#include "settings/optionsdialog.h"
#include "shell/commandline.h"
#include "shell/framegeometry.h"
#include "shell/framehost.h"
#include "shell/framemenus.h"
#include "shell/menurows.h"
#include "shell/minihandle.h"
#include "shell/mixer.h"
#include "shell/playertray.h"
#include "shell/selfupdate.h"
#include "shell/splash.h"
#include "shell/taskbarhint.h"
#include "shell/updatelaunch.h"
#include "texts.h"
#include "view/appcommands.h"
#include "view/lumoview.h"
#include "view/minipage.h"

namespace {

constexpr int kSelfUpdateRetryMs = 10000;
constexpr const char* kHelpPage = "aide/aide.htm";
// A move of the window has ended when no new position came for this long.
constexpr int kMoveSettleMs = 250;
// The web view released on hiding is deleted on the next turn of the loop.
constexpr int kTrimDelayMs = 200;
// Switches between the normal and the mini layouts.
constexpr auto kMiniModeKey = Qt::CTRL | Qt::Key_M;

} // namespace

CMainFrame::CMainFrame(Settings& settings, std::string installDir, WindowPrompt* prompt,
    AudioEngine* engine, QWidget* parent, bool startHidden)
    : QMainWindow(parent)
    , m_settings(settings)
    , m_installDir(std::move(installDir))
    , m_ownPrompt(prompt == nullptr ? std::make_unique<MessagePrompt>(this) : nullptr)
    , m_prompt(prompt == nullptr ? m_ownPrompt.get() : prompt)
    , m_promptGiven(prompt != nullptr)
    , m_hideTaskbar(settings.hideTaskbar)
    , m_hiddenAway(startHidden)
{
    setWindowTitle(QString::fromLatin1(kPlayerWindowTitle));

    // 1. The look plug-in for the skinned interface. Without it the plain
    // interface is used for this run, without a word.
    if (m_settings.skin)
        m_settings.skin = LoadSkin(m_installDir);

    // 2. The frame's content: the view over the playback strip.
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new CLumoView(m_settings, content);
    m_player = engine != nullptr ? engine : new StreamPlayer(this);
    m_strip = new ControlStrip(m_player, content);
    // The menus that the window's width cannot hold on the menu bar.
    m_secondRow = new QMenuBar(content);
    m_secondRow->setNativeMenuBar(false);
    m_secondRow->hide();
    layout->addWidget(m_secondRow);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_strip);
    setCentralWidget(content);
    m_mpris = new Mpris(m_player, this);
    connect(m_mpris, &Mpris::raiseRequested, this, [this] { onCommand(cmd::Restore); });

    connect(m_view, &CLumoView::commandRequested, this, &CMainFrame::onCommand);
    connect(m_view, &CLumoView::stationRead, this, &CMainFrame::playStation);
    connect(m_view, &CLumoView::miniStationShown, this, &CMainFrame::playStation);
    connect(m_view, &CLumoView::stationCleared, this, [this] {
        m_livePage.clear();
        // While a start page waits for its frame page (a change of layout),
        // the frame page's welcome page is only on the way to it.
        if (!m_view->hasPendingStartPage())
            m_player->stop();
    });
    connect(m_player, &AudioEngine::firstAudio, this, [] { DiagLog("first audio"); });
    // The song window: docked from the page's on-air link, redisplayed for
    // every new station.
    connect(m_view, &CLumoView::songWindowRequested, this,
        [this] { OpenSongWindow(this, m_settings, m_view->currentStation(), true); });
    connect(m_view, &CLumoView::stationRead, this, [] { RedisplaySongWindow(); });
    connect(m_view, &CLumoView::miniStationShown, this, [] { RedisplaySongWindow(); });
    // Each station shown in "live" gives the notification-area icon its
    // logo and tooltip.
    const auto trayFollows = [this](const StationPageInfo& station) {
        if (m_tray != nullptr)
            m_tray->update(station, m_settings, TrayOccasion::Navigation);
    };
    connect(m_view, &CLumoView::stationRead, this, trayFollows);
    connect(m_view, &CLumoView::miniStationShown, this, trayFollows);

    m_host = std::make_unique<FrameHost>(*this);
    // A station tested in the editor plays here while the listener is asked,
    // then the player goes back to what it played.
    m_trial = std::make_unique<StreamTrial>(*m_player);

    // 3. and 4. Menus; the REC item needs the recorder.
    m_favouritesMenu
        = BuildMenuBar(this, m_settings, m_recording, [this](int id) { onCommand(id); });
    m_systemMenu = BuildSystemMenu(this, [this](int id) { onSysCommand(id); });
    addMiniModeItem();
    addPopupToMenuBar();
    if (!FileExists(m_installDir + kRecorderProgram)) {
        if (QAction* rec = menuAction(cmd::ToggleRecording)) {
            menuBar()->removeAction(rec);
            m_secondRow->removeAction(rec);
        }
    }

    // 5. The look, in the stored hue.
    if (m_settings.skin) {
        SetSkinHue(m_settings.skinHue, 1);
        ApplySkin(this);
    }

    // 6. Placement.
    applyWindowStyle(false);
    placeWindow(QPoint(m_settings.positionX, m_settings.positionY), false);

    // 7. The HTML directory.
    if (!settleHtmlDirectory()) {
        m_prompt->message(
            texts::kHtmlMissingTitle, texts::kHtmlMissingText, PromptIcon::Exclamation);
        m_quitting = true;
        close();
        return;
    }

    // 9. A new updater waiting to be put in place.
    m_selfUpdateTimer.setInterval(kSelfUpdateRetryMs);
    connect(&m_selfUpdateTimer, &QTimer::timeout, this, &CMainFrame::completeSelfUpdate);
    if (FileExists(m_settings.pathHtml + kParkedUpdater))
        completeSelfUpdate();

    // 10. and 11.
    SetListButton(m_settings.pathHtml, m_settings.listenButton);
    SaveSettings(m_settings, m_installDir, kSettingsFileName, currentStationPage());

    // 12. The notification-area icon, and the mixer whose change notices
    // keep the mute flag true to the speakers.
    m_mixer = new Mixer(this);
    connect(m_mixer, &Mixer::muteChanged, this, [this](bool muted) { m_muted = muted; });
    m_tray = new PlayerTray(this);
    m_tray->update(m_view->currentStation(), m_settings, TrayOccasion::AddOrRemove);
    // Desktops that show the icon's menu themselves are given the pop-up.
    m_tray->icon()->setMenuBuilder([this] { return buildPopupMenu(); });
    m_tray->add();
    connect(m_tray->icon(), &TrayIcon::doubleClicked, this, [this] { activate(); });
    connect(m_tray->icon(), &TrayIcon::menuRequested, this, &CMainFrame::showPopupMenu);
    // The song the stream announces goes in the tooltip and in a desktop
    // notification when it changes; the song window keeps the feed's records.
    connect(m_player, &AudioEngine::titleChanged, this, [this](const QString& title) {
        // The desktop notification only when the listener asked for it.
        m_tray->showStreamTitle(m_view->currentStation(), title, m_settings.songNotifications);
        DiagLog("stream title " + FileText(title));
    });

    // 13. to 15. A start that hides away at once (the scheduler's quiet
    // start) is never shown: it stays hidden until it hides away.
    if (!startHidden) {
        activate();
        if (m_settings.splashScreen)
            showSplash();
    }
    m_muted = false;
    m_recording = false;

    m_snapTimer.setSingleShot(true);
    m_snapTimer.setInterval(kMoveSettleMs);
    connect(&m_snapTimer, &QTimer::timeout, this, &CMainFrame::snapToWorkArea);
    m_miniHandle = new MiniHandle(this, [this] { return m_settings.miniPlayer; });
    connect(m_miniHandle, &MiniHandle::popupRequested, this, &CMainFrame::showPopupMenu);
    connect(m_miniHandle, &MiniHandle::layoutToggleRequested, this,
        [this] { onSysCommand(SC_MAXIMIZE); });
    m_created = true;
}

CMainFrame::~CMainFrame()
{
    delete m_miniHandle;
}

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
        m_activationToken.clear();
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
    case cmd::ToggleMute:
        toggleMute();
        break;
    case cmd::StartScheduler:
        startScheduler();
        break;
    case cmd::Restore:
        restore();
        break;
    case cmd::Help:
        openHelp();
        break;
    case cmd::SelfUpdateDone:
        completeSelfUpdate();
        break;
    case cmd::SongInformation:
        OpenSongWindow(this, m_settings, m_view->currentStation(), false);
        break;
    case cmd::Options:
        RunOptionsDialog(*m_host, this);
        break;
    default:
        RunCatalogueCommand(id, this, *m_host);
        break;
    }
}

void CMainFrame::onSysCommand(int id)
{
    DiagLog("syscommand " + std::to_string(id));
    switch (id) {
    case cmd::Personalise:
    case cmd::Options:
    case cmd::About:
    case cmd::Help:
    case cmd::StartScheduler:
        onCommand(id);
        break;
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
    case cmd::Rebuild:
        rebuildIndex();
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

std::int64_t CMainFrame::onCopyData(std::uint64_t dwData, const std::string& payload)
{
    // The desktop's permission for the activation that follows.
    if (dwData == kCopyDataActivationToken) {
        m_activationToken = payload;
        DiagLog("activation token");
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
    m_hiddenAway = false;
}

void CMainFrame::showFramePage()
{
    m_view->navigate2(m_settings.pathHtml + (m_settings.miniPlayer ? kMiniFramePage : kFramePage));
}

void CMainFrame::onInitialUpdate()
{
    if (!WeeklyCheckDue(m_settings, std::time(nullptr)) || !UpdateServersListed(m_installDir))
        return;
    // The player goes on while the message is up.
    NoticePrompt prompt(*m_prompt);
    StartUpdater(m_installDir, UpdaterStart::Weekly, prompt);
}

PlayerHost& CMainFrame::host()
{
    return *m_host;
}

std::string CMainFrame::currentStationPage() const
{
    if (!m_view->currentStation().pagePath.empty())
        return m_view->currentStation().pagePath;
    return m_livePage.empty() ? m_settings.startPage : m_livePage;
}

QAction* CMainFrame::menuAction(int id) const
{
    if (QAction* action = FindMenuAction(menuBar(), id))
        return action;
    return FindMenuAction(m_secondRow, id);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_quitting) {
        event->accept();
        if (m_created)
            emit closed();
        return;
    }
    // Closing the window is quitting, with the quit's own steps.
    event->ignore();
    onSysCommand(SC_CLOSE);
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

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // A song window docked to this one moves with it.
    const QPoint shift = event->pos() - event->oldPos();
    if (!shift.isNull())
        MoveDockedSongWindow(shift.x(), shift.y());
    // The X11 window managers tell a program where its window went, not
    // where it is about to go: the snap comes once the move has settled.
    // Wayland compositors place windows themselves and do not let a program
    // move its own, so nothing is done there.
    if (m_created && QGuiApplication::platformName() == QStringLiteral("xcb"))
        m_snapTimer.start();
}

bool CMainFrame::event(QEvent* event)
{
    // The first paint after the window is shown comes once it is mapped.
    if (event->type() == QEvent::Paint && m_taskbarHintPending) {
        m_taskbarHintPending = false;
        applyTaskbarHint();
    }
    return QMainWindow::event(event);
}

void CMainFrame::addMiniModeItem()
{
    // The normal window has a fixed size, and window managers offer no
    // maximise box for such a window: its toggle of the layouts is in the
    // system menu, and on a key that works in both layouts.
    QAction* miniMode = new QAction(Utf8Text(texts::kSysMiniMode), m_systemMenu);
    miniMode->setData(static_cast<int>(SC_MAXIMIZE));
    miniMode->setShortcut(QKeySequence(kMiniModeKey));
    miniMode->setShortcutContext(Qt::WindowShortcut);
    connect(miniMode, &QAction::triggered, this, [this] { onSysCommand(SC_MAXIMIZE); });
    QAction* first = m_systemMenu->actions().value(0);
    m_systemMenu->insertAction(first, miniMode);
    m_systemMenu->insertSeparator(first);
    addAction(miniMode);
}

void CMainFrame::addPopupToMenuBar()
{
    m_secondRow->clear();
    // Without a notification area the pop-up's commands ("&Mute", "REC
    // Planifié", "Informations"...) would be out of reach: the bar then ends
    // with the program's icon, which opens the same pop-up.
    if (TrayIcon::isAvailable())
        return;
    QAction* popup = menuBar()->addAction(ProgramIcon(), QString());
    popup->setToolTip(Utf8Text(texts::kProgramTitle));
    connect(popup, &QAction::triggered, this, [this, popup] {
        QMenuBar* row = menuBar()->actions().contains(popup) ? menuBar() : m_secondRow;
        QMenu* menu = buildPopupMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(row->mapToGlobal(row->actionGeometry(popup).bottomLeft()));
    });
}

void CMainFrame::applyWindowStyle(bool mini)
{
    setWindowFlags(LayoutFlags(mini, m_settings.onTop));
    applyTaskbarHint();
}

void CMainFrame::applyTaskbarHint()
{
    // "Cacher TaskBar" is read once, when the window is first made. Without
    // a notification area the taskbar is the only way back to the window:
    // it stays there.
    SetSkipTaskbar(this, m_hideTaskbar && TrayIcon::isAvailable());
}

void CMainFrame::placeWindow(const QPoint& topLeft, bool mini)
{
    const QSize size = LayoutSize(m_settings, mini, m_settings.skin);
    setFixedSize(size);
    // A window hidden away takes its new layout unseen ("-quiet" with the
    // mini layout); one that could only be minimised stays minimised.
    if (!m_hiddenAway)
        show();
    else if (!TrayIcon::isAvailable())
        showMinimized();
    // The platform writes the window's states afresh until the window is
    // mapped: the hint goes again once the window is on the screen.
    m_taskbarHintPending = true;
    if (!mini)
        WrapMenuRows(menuBar(), m_secondRow, size.width());
    // A frameless window's corner is its content's; the platform may still
    // count the frame it had a moment ago.
    if (mini)
        setGeometry(QRect(topLeft, size));
    else
        move(topLeft);
}

void CMainFrame::resizeNormal(bool skin)
{
    const QPoint topLeft = windowRect().topLeft();
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != m_settings.onTop)
        applyWindowStyle(false);
    setFixedSize(LayoutSize(m_settings, false, skin));
    WrapMenuRows(menuBar(), m_secondRow, width());
    // Shown even from the notification area, with its page made again.
    if (m_hiddenAway)
        activate();
    show();
    move(topLeft);
}

bool CMainFrame::settleHtmlDirectory()
{
    if (FileExists(m_settings.pathHtml + kFramePage))
        return true;
    m_settings.pathHtml = m_installDir + "html/";
    if (FileExists(m_settings.pathHtml + kFramePage))
        return true;
    const std::string chosen = m_prompt->chooseDirectory(texts::kChooseHtmlDirectory);
    if (chosen.empty())
        return false;
    m_settings.pathHtml = chosen.back() == '/' ? chosen : chosen + "/";
    return FileExists(m_settings.pathHtml + kFramePage);
}

void CMainFrame::completeSelfUpdate()
{
    switch (CompleteSelfUpdate(
        m_settings.pathHtml, m_installDir, FindWindow(kDialogWindowClass, kUpdaterDialogTitle))) {
    case SelfUpdateStep::Waiting:
        // The updater is still running: try again every ten seconds.
        if (!m_selfUpdateTimer.isActive())
            m_selfUpdateTimer.start();
        DiagLog("self-update waits");
        break;
    case SelfUpdateStep::Done:
        DiagLog("self-update done");
        break;
    case SelfUpdateStep::Nothing:
    case SelfUpdateStep::Failed:
        break;
    }
}

void CMainFrame::showSplash()
{
    if (m_splash != nullptr)
        return;
    m_splash = new SplashWindow(this);
    connect(m_splash, &SplashWindow::finished, this, [this] {
        m_splash = nullptr;
        update();
    });
    m_splash->show();
}

void CMainFrame::quit()
{
    if (m_quitting)
        return;
    const QPoint kept
        = KeptPosition(windowRect(), QPoint(m_settings.positionX, m_settings.positionY));
    m_settings.positionX = kept.x();
    m_settings.positionY = kept.y();
    onSysCommand(cmd::RecordStop);
    m_player->stop();
    if (m_tray != nullptr) {
        m_tray->update(m_view->currentStation(), m_settings, TrayOccasion::AddOrRemove);
        m_tray->remove();
    }
    if (m_mixer != nullptr)
        m_mixer->CloseMixer();
    m_quitting = true;
    // A start that comes from now on finds no player to forward to and
    // waits for this one to end, then starts in its place.
    if (m_messenger != nullptr)
        m_messenger->close();
    // Close once the current record is answered: a second start waiting for
    // the reply to "-stop" gets it before the player goes away.
    QTimer::singleShot(0, this, [this] { close(); });
}

void CMainFrame::toggleRecording()
{
    m_recording = !m_recording;
    // In the mini layout the menu bar is put aside: nothing to relabel.
    if (QAction* rec = menuAction(cmd::ToggleRecording))
        rec->setText(Utf8Text(m_recording ? texts::kMenuStop : texts::kMenuRec));
    // The launch result is not watched: a recorder that fails or stops by
    // itself leaves the flag as it is until the next REC.
    if (m_recording)
        StartRecording(m_settings, m_installDir);
    else
        StopRecording(m_installDir);
}

void CMainFrame::hideAway()
{
    m_hiddenAway = true;
    if (m_tray != nullptr && TrayIcon::isAvailable()) {
        m_tray->update(m_view->currentStation(), m_settings, TrayOccasion::AddOrRemove);
        m_tray->add();
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
    // Give the heap that the view and the pictures freed back to the
    // system, once the view is gone.
    QTimer::singleShot(kTrimDelayMs, this, [] { ::malloc_trim(0); });
}

void CMainFrame::toggleMute()
{
    // Without the server or its output the write fails and only the flag
    // changes, as the pop-up shows it.
    m_muted = !m_muted;
    m_mixer->SetMute(m_muted);
}

QMenu* CMainFrame::buildPopupMenu()
{
    PopupState state;
    // No station yet (or the welcome page): nothing to inform about either.
    const std::string& liveId = m_view->currentStation().liveId;
    state.songInformation = !liveId.empty() && liveId != kNotFound;
    state.recording = m_recording;
    // The mixer is asked each time: a mute made elsewhere shows here.
    state.muteAvailable = m_mixer->OpenMixer() && m_mixer->FindMuteControl();
    bool muted = m_muted;
    if (state.muteAvailable && m_mixer->GetMute(muted))
        m_muted = muted;
    state.muted = m_muted;
    state.favourites = m_settings.favourites;
    return BuildRoutedPopup(state, this, m_settings.favourites, [this](int id) { onCommand(id); });
}

void CMainFrame::showPopupMenu(const QPoint& at)
{
    QMenu* menu = buildPopupMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Aligned with its right edge on the mouse, as the desktop allows.
    menu->ensurePolished();
    menu->popup(at - QPoint(menu->sizeHint().width(), 0));
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
    const QPoint topLeft = windowRect().topLeft();
    const bool mini = m_settings.miniPlayer;
    menuBar()->setVisible(!mini);
    m_secondRow->setVisible(!mini && !m_secondRow->actions().isEmpty());
    m_strip->setVisible(!mini);
    // The mini layout is always plain; the normal one gets its look back.
    if (mini && m_settings.skin)
        RemoveSkin(this);
    applyWindowStyle(mini);
    if (!mini && m_settings.skin)
        ApplySkin(this);
    placeWindow(topLeft, mini);
    if (!mini) {
        // Back from the mini layout the frame has a sizing border.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
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

void CMainFrame::rebuildIndex()
{
    std::vector<std::string> unnamedPages;
    if (!RebuildIndex(m_settings.pathHtml, unnamedPages))
        return;
    m_view->navigate2(m_settings.pathHtml + kFramePage);
    DiagLog("rebuilt");
    // A rebuild forwarded to a player in the notification area stays there
    // without a word.
    if (m_hiddenAway)
        return;
    // Pages whose names the index cannot carry are named in the same box.
    std::string text = kRebuildDoneText;
    if (!unnamedPages.empty()) {
        text += std::string("\n\n") + kRebuildUnnamedText;
        for (const std::string& page : unnamedPages)
            text += "\n" + PathText(page).toStdString();
    }
    m_prompt->notice(kRebuildDoneTitle, text,
        unnamedPages.empty() ? PromptIcon::Information : PromptIcon::Exclamation);
}

void CMainFrame::startScheduler()
{
    const std::string program = m_installDir + kSchedulerProgram;
    // A scheduler that is not installed simply does not start.
    if (!FileExists(program)) {
        DiagLog("scheduler missing");
        return;
    }
    LaunchProgram(m_installDir, kSchedulerProgram);
}

void CMainFrame::openHelp()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(m_settings.pathHtml + kHelpPage)));
}

void CMainFrame::playStation(const StationPageInfo& station)
{
    m_livePage = station.pagePath;
    if (station.streamLink.empty() || station.streamLink == kNotFound) {
        m_player->stop();
        return;
    }
    const QString link = UiText(station.streamLink);
    // The same station shown again (a change of layout) keeps playing.
    if (m_player->isActive() && m_playingLink == link)
        return;
    m_playingLink = link;
    const QString logo = PathText(m_settings.pathHtml + "logo/" + FileNameOnDisk(station.logoFile));
    m_mpris->setLogo(station.logoFile != kNotFound && QFile::exists(logo) ? logo : QString());
    m_player->play(link, PathText(m_settings.pathHtml), UiText(station.title));
}

QRect CMainFrame::windowRect() const
{
    return windowFlags().testFlag(Qt::FramelessWindowHint) ? geometry() : frameGeometry();
}

void CMainFrame::snapToWorkArea()
{
    const QScreen* current = screen();
    if (current == nullptr || m_quitting)
        return;
    const QRect frame = windowRect();
    const QRect snapped = SnapToWorkArea(frame, current->availableGeometry());
    if (snapped.topLeft() != frame.topLeft())
        move(pos() + (snapped.topLeft() - frame.topLeft()));
}
