#include "shell/mainframe.h"

#include <utility>

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

#include "catalogue/cataloguecommands.h"
#include "commandids.h"
#include "common/diaglog.h"
#include "common/installdir.h"
#include "common/messages.h"
#include "common/rebuild.h"
#include "common/songjournal.h"
#include "common/ui/messageprompt.h"
#include "common/ui/messengerserver.h"
#include "common/ui/skinloader.h"
#include "common/ui/uitext.h"
#include "nowplaying/heardsongs.h"
#include "nowplaying/journalwindow.h"
#include "nowplaying/nowplaying.h"
#include "nowplaying/streamtitles.h"
#include "playback/audioengine.h"
#include "playback/controlstrip.h"
#include "playback/mpris.h"
#include "settings/optionsdialog.h"
#include "shell/commandline.h"
#include "shell/framegeometry.h"
#include "shell/framehost.h"
#include "shell/framemenus.h"
#include "shell/framerecording.h"
#include "shell/frameplayback.h"
#include "shell/frametray.h"
#include "shell/installcommands.h"
#include "shell/minihandle.h"
#include "shell/selfupdatewait.h"
#include "shell/sleepcontrol.h"
#include "shell/splash.h"
#include "texts.h"
#include "view/appcommands.h"
#include "view/lumoview.h"
#include "view/minipage.h"

CMainFrame::CMainFrame(Settings& settings, std::string installDir, WindowPrompt* prompt,
    AudioEngine* engine, QWidget* parent, bool startHidden)
    : QMainWindow(parent)
    , m_settings(settings)
    , m_installDir(std::move(installDir))
    , m_ownPrompt(prompt == nullptr ? std::make_unique<MessagePrompt>(this) : nullptr)
    , m_prompt(prompt == nullptr ? m_ownPrompt.get() : prompt)
    , m_promptGiven(prompt != nullptr)
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
    m_playback = new FramePlayback(m_settings, engine, this);
    m_player = m_playback->engine();
    m_strip = new ControlStrip(m_player, content);
    // The menus that the window's width cannot hold on the menu bar.
    m_secondRow = new QMenuBar(content);
    m_secondRow->setNativeMenuBar(false);
    m_secondRow->hide();
    layout->addWidget(m_secondRow);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_strip);
    setCentralWidget(content);
    // "Cacher TaskBar" is read once, when the window is first made.
    m_layout = new FrameLayout(*this, m_settings, m_secondRow, m_strip, m_settings.hideTaskbar);
    connect(m_playback->mpris(), &Mpris::raiseRequested, this, [this] { onCommand(cmd::Restore); });

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
    // The song window: docked from the page's on-air link, redisplayed for
    // every new station.
    m_titles = new StreamTitles(m_settings, this);
    connect(m_player, &AudioEngine::titleChanged, m_titles, &StreamTitles::onTitle);
    m_recorder = new FrameRecording(m_settings, m_installDir, m_player, this);
    // Every song heard goes into the journal.
    m_heard = new HeardSongs(m_view->currentStation(), DefaultJournalDir(), {}, this);
    connect(m_player, &AudioEngine::titleChanged, m_heard, &HeardSongs::onStreamTitle);
    connect(m_view, &CLumoView::songWindowRequested, this, [this] {
        OpenSongWindow(this, m_settings, m_view->currentStation(), true, m_titles, m_heard);
    });
    connect(m_view, &CLumoView::stationRead, this, [] { RedisplaySongWindow(); });
    connect(m_view, &CLumoView::miniStationShown, this, [] { RedisplaySongWindow(); });

    m_host = std::make_unique<FrameHost>(*this);

    // 3. and 4. Menus; the REC item needs the recorder.
    m_favouritesMenu = BuildMenuBar(
        this, m_settings, m_recorder->isRecording(), [this](int id) { onCommand(id); });
    const auto sysCommand = [this](int id) { onSysCommand(id); };
    m_systemMenu = BuildSystemMenu(this, sysCommand);
    AddMiniModeItem(this, m_systemMenu, sysCommand);
    AddPopupToMenuBar(this, m_secondRow, [this] { return buildPopupMenu(); });
    addSleepTimer();
    if (!m_recorder->recorderInstalled()) {
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
    m_layout->applyStyle(false);
    m_layout->place(QPoint(m_settings.positionX, m_settings.positionY), false, showing());

    // 7. The HTML directory.
    if (!SettleHtmlDirectory(m_settings, m_installDir, *m_prompt)) {
        m_prompt->message(
            texts::kHtmlMissingTitle, texts::kHtmlMissingText, PromptIcon::Exclamation);
        m_quitting = true;
        close();
        return;
    }

    // 9. A new updater waiting to be put in place.
    awaitSelfUpdate();

    // 10. and 11.
    SetListButton(m_settings.pathHtml, m_settings.listenButton);
    SaveSettings(m_settings, m_installDir, kSettingsFileName, currentStationPage());

    // 12. The notification-area icon, and the mixer.
    m_frameTray = new FrameTray(*this, m_settings);

    // 13. to 15. A start that hides away at once (the scheduler's quiet
    // start) is never shown: it stays hidden until it hides away.
    if (!startHidden) {
        activate();
        if (m_settings.splashScreen)
            showSplash();
    }

    m_miniHandle = new MiniHandle(this, [this] { return m_settings.miniPlayer; });
    connect(m_miniHandle, &MiniHandle::popupRequested, m_frameTray, &FrameTray::showPopupMenu);
    connect(m_miniHandle, &MiniHandle::layoutToggleRequested, this,
        [this] { onSysCommand(SC_MAXIMIZE); });
    m_created = true;
}

CMainFrame::~CMainFrame()
{
    delete m_miniHandle;
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
        // In the mini layout the menu bar is put aside: nothing to relabel.
        m_recorder->toggle(menuAction(cmd::ToggleRecording));
        break;
    case cmd::ToggleMute:
        m_frameTray->toggleMute();
        break;
    case cmd::StartScheduler:
        LaunchScheduler(m_installDir);
        break;
    case cmd::Restore:
        restore();
        break;
    case cmd::Help:
        OpenHelpPages(m_settings.pathHtml);
        break;
    case cmd::SelfUpdateDone:
        m_selfUpdate->complete();
        break;
    case cmd::SongInformation:
        OpenSongWindow(this, m_settings, m_view->currentStation(), false, m_titles, m_heard);
        break;
    case cmd::Options:
        RunOptionsDialog(*m_host, this);
        break;
    case cmd::SongJournal:
        OpenJournalWindow(this, m_settings, *m_heard);
        break;
    case cmd::LikeSong:
        m_heard->likeOnAir();
        break;
    default:
        if (!chooseSleep(id))
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
        if (m_recorder->isRecording())
            onCommand(cmd::ToggleRecording);
        break;
    case cmd::RecordStart:
        if (!m_recorder->isRecording())
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

void CMainFrame::showFramePage()
{
    m_view->navigate2(m_settings.pathHtml + (m_settings.miniPlayer ? kMiniFramePage : kFramePage));
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

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // A song window docked to this one moves with it.
    const QPoint shift = event->pos() - event->oldPos();
    if (!shift.isNull())
        MoveDockedSongWindow(shift.x(), shift.y());
    if (m_created && !m_quitting)
        m_layout->windowMoved();
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::Paint && m_layout != nullptr)
        m_layout->windowPainted();
    return QMainWindow::event(event);
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
        = KeptPosition(m_layout->windowRect(), QPoint(m_settings.positionX, m_settings.positionY));
    m_settings.positionX = kept.x();
    m_settings.positionY = kept.y();
    m_sleep->set(0);
    onSysCommand(cmd::RecordStop);
    m_player->stop();
    if (m_frameTray != nullptr)
        m_frameTray->close();
    m_quitting = true;
    m_layout->cancelSnap();
    // A start that comes from now on finds no player to forward to and
    // waits for this one to end, then starts in its place.
    if (m_messenger != nullptr)
        m_messenger->close();
    // Close once the current record is answered: a second start waiting for
    // the reply to "-stop" gets it before the player goes away.
    QTimer::singleShot(0, this, [this] { close(); });
}

bool CMainFrame::isRecording() const
{
    return m_recorder->isRecording();
}

bool CMainFrame::isMuted() const
{
    return m_frameTray != nullptr && m_frameTray->isMuted();
}

PlayerTray* CMainFrame::tray() const
{
    return m_frameTray == nullptr ? nullptr : m_frameTray->tray();
}

Mixer* CMainFrame::mixer() const
{
    return m_frameTray == nullptr ? nullptr : m_frameTray->mixer();
}

QMenu* CMainFrame::buildPopupMenu()
{
    return m_frameTray->buildPopupMenu();
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
    if (!m_hiddenAway)
        ReportRebuild(*m_prompt, unnamedPages);
}

void CMainFrame::playStation(const StationPageInfo& station)
{
    m_livePage = station.pagePath;
    if (m_playback->play(station))
        stationChanged();
}

void CMainFrame::stationChanged()
{
    // Nothing of the last station's songs stays on show.
    m_titles->stationChanged();
    m_heard->stationChanged();
    SongWindowStationChanged();
}
