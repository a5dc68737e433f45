#pragma once

#include <cstdint>
#include <string>

#include <QMainWindow>

#include "common/messenger.h"
#include "common/settings.h"

class MessengerServer;

// The player's main window. Every command reaches onCommand and every system
// command onSysCommand, whether it comes from a menu, from the window frame,
// from the player itself or from a record forwarded by a second start.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Runs the creation steps: places the window (shown) from the settings,
    // settles the HTML directory and saves the settings.
    CMainFrame(Settings& settings, std::string installDir, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Makes the window reachable by the player's class and title. False when
    // another live player owns them.
    bool registerMessenger();

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

    bool isRecording() const { return m_recording; }
    bool isMuted() const { return m_muted; }
    // True while the window is hidden away (read by the other windows).
    bool isHiddenAway() const { return m_hiddenAway; }
    bool isQuitting() const { return m_quitting; }
    // The page last asked of the frame "live", empty when none was.
    const std::string& livePage() const { return m_livePage; }
    // The station page the settings remember at exit: the page last asked of
    // the frame "live", or else the start page.
    std::string currentStationPage() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void placeWindow();
    void settleHtmlDirectory();
    void quit();
    void toggleRecording();
    void hideAway();
    void toggleMiniMode();

    Settings& m_settings;
    std::string m_installDir;
    MessengerServer* m_messenger = nullptr; // child of this window
    bool m_recording = false;
    bool m_muted = false;
    bool m_hiddenAway = false;
    bool m_quitting = false;
    std::string m_livePage;
};
