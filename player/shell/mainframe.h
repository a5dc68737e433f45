#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QString>

#include "common/messenger.h"
#include "common/settings.h"
#include "common/stationpage.h"
#include "shell/framelayout.h"

class AudioEngine;
class CLumoView;
class ControlStrip;
class FrameHost;
class FrameRecording;
class FramePlayback;
class FrameTray;
class HeardSongs;
class MessengerServer;
class MiniHandle;
class Mixer;
class PlayerHost;
class PlayerTray;
class SleepControl;
class QAction;
class QMenu;
class QMenuBar;
class SelfUpdateWait;
class SplashWindow;
class StreamTitles;
class WindowPrompt;

// The player's main window. Every command reaches onCommand and every system
// command onSysCommand, whether it comes from a menu, from the window frame,
// from the view's in-page commands, from the player itself or from a record
// forwarded by a second start.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Runs the creation steps: the menus, the placement (shown) from the
    // settings, the HTML directory check, a pending self-update, the index's
    // drop-down form, the settings save and the splash. When the user gives
    // no HTML directory the window is not created (isCreated() is false).
    // prompt answers the questions of the window; the desktop's dialogs when
    // none is given. engine plays the stations, and must outlive the window;
    // the window makes its own StreamPlayer when none is given. A window
    // startHidden is not shown: it is about to hide away into the
    // notification area (a quiet start), and its web view is made only when
    // it is first shown.
    CMainFrame(Settings& settings, std::string installDir, WindowPrompt* prompt = nullptr,
        AudioEngine* engine = nullptr, QWidget* parent = nullptr, bool startHidden = false);
    ~CMainFrame() override;

    bool isCreated() const { return m_created; }

    // Makes the window reachable by the player's class and title. False when
    // another live player owns them.
    bool registerMessenger();
    // Serves the socket that the start claimed before the window existed.
    bool registerMessenger(MessengerListener&& claimed);

    // Dispatches one received record; the result is the sender's answer.
    std::int64_t handleRecord(const MessengerRecord& record);

    void onCommand(int id);
    void onSysCommand(int id);
    // The forwarded "-radio": the payload, up to its first zero byte, is a
    // page of the HTML directory to show in the frame "live". dwData is not
    // looked at. Returns 0.
    std::int64_t onCopyData(std::uint64_t dwData, const std::string& payload);
    // Shows the window, gives it the focus and brings it to the front.
    void activate();
    // Loads the frame page of the current layout into the view.
    void showFramePage();
    // The view's first update, once per start: the weekly update check.
    void onInitialUpdate();
    // What the commands and dialogs are given of this window.
    PlayerHost& host();

    bool isRecording() const;
    bool isMuted() const;
    // True while the window is hidden away (read by the other windows).
    bool isHiddenAway() const { return m_hiddenAway; }
    bool isQuitting() const { return m_quitting; }
    bool isSelfUpdatePending() const;
    // The page last asked of the frame "live", empty when none was.
    const std::string& livePage() const { return m_livePage; }
    // The station page the settings remember at exit: the current station's
    // page, or else the page last asked of "live", or else the start page.
    std::string currentStationPage() const;

    CLumoView* view() const { return m_view; }
    AudioEngine* player() const { return m_player; }
    ControlStrip* controlStrip() const { return m_strip; }
    QMenu* systemMenu() const { return m_systemMenu; }
    // The menu item of a command in the menu bar, or null.
    QAction* menuAction(int id) const;
    // The notification-area icon; null before creation.
    PlayerTray* tray() const;
    Mixer* mixer() const;
    SleepControl* sleepControl() const { return m_sleep; }
    HeardSongs* heardSongs() const { return m_heard; }
    // The notification area's pop-up as it would open now: the mixer is
    // asked for the mute first. The caller owns the menu.
    QMenu* buildPopupMenu();

signals:
    // The window has gone through its quit steps and closed.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class FrameHost;

    // How the window shows when it takes a layout: hidden away it stays
    // unseen, or minimised without a notification area.
    FrameLayout::Showing showing() const;
    // Whether hiding away puts the window in the notification area; without
    // one it is minimised instead.
    bool canHideAway() const;
    // The normal layout's size, with or without the look, at the current
    // position; top-most after "OnTop"; shown.
    void resizeNormal(bool skin);
    // "Arrêt programmé" in "Perso", its time left shown and its end handled.
    void addSleepTimer();
    // Sets the timer when id is one of its entries; false when it is not.
    bool chooseSleep(int id);
    // Makes the wait for a new updater to be put in place, and tries it at
    // once when the last update parked one.
    void awaitSelfUpdate();
    void showSplash();
    void quit();
    void hideAway();
    void restore();
    void toggleMiniMode();
    void rebuildIndex();
    void playStation(const StationPageInfo& station);
    // Another station plays, or none: the song window starts afresh.
    void stationChanged();

    Settings& m_settings;
    std::string m_installDir;
    std::unique_ptr<WindowPrompt> m_ownPrompt;
    // What the commands and dialogs reach of this window.
    std::unique_ptr<FrameHost> m_host;
    WindowPrompt* m_prompt;
    bool m_promptGiven; // by the caller, for the commands and dialogs too
    CLumoView* m_view = nullptr;
    FramePlayback* m_playback = nullptr;
    AudioEngine* m_player = nullptr; // the playback's engine
    // The stream's titles as songs, for the song window.
    StreamTitles* m_titles = nullptr;
    // The songs heard, into the journal.
    HeardSongs* m_heard = nullptr;
    FrameRecording* m_recorder = nullptr;
    ControlStrip* m_strip = nullptr;
    QMenu* m_systemMenu = nullptr;
    QMenu* m_favouritesMenu = nullptr;
    QMenuBar* m_secondRow = nullptr; // the menus the bar's width cannot hold
    SplashWindow* m_splash = nullptr;
    MessengerServer* m_messenger = nullptr;
    FrameTray* m_frameTray = nullptr;
    FrameLayout* m_layout = nullptr;
    SelfUpdateWait* m_selfUpdate = nullptr;
    SleepControl* m_sleep = nullptr;
    MiniHandle* m_miniHandle = nullptr;
    bool m_created = false;
    bool m_hiddenAway = false;
    bool m_quitting = false;
    std::string m_livePage;
    // The activation token of the second start being served, if it sent one.
    std::string m_activationToken;
    // The startup id of the second start being served, if it sent one.
    std::string m_startupId;
};
