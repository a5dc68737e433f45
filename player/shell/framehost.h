#pragma once

#include "playerhost.h"

class CMainFrame;

// The player's host as the main window answers it: the one place where the
// commands and dialogs reach into the frame, its view, its notification-area
// icon and the look.
class FrameHost : public PlayerHost {
public:
    explicit FrameHost(CMainFrame& frame)
        : m_frame(frame)
    {
    }

    Settings& settings() override;
    const std::string& installDir() const override;
    QWidget* window() const override;
    Prompt* prompt() const override;

    const StationPageInfo& currentStation() const override;
    std::string currentStationPage() const override;
    void playInLive(const std::string& pagePath) override;
    void loadFramePage(const std::string& framePage, const std::string& stationPage) override;
    void loadIndexFrame(const std::string& page) override;
    void setListButton(bool withButton) override;

    void favouritesChanged() override;
    void saveSettings() override;
    void refreshTrayIcon() override;

    bool isHiddenAway() const override;
    bool isMiniMode() const override;
    void resizeMainWindow(bool skin) override;
    void placeMainWindow() override;

    bool startSkin() override;
    bool skinRunning() const override;
    void setSkinHue(int hue) override;
    void skinWindow(QWidget* window, bool on) override;
    void skinPlayerWindows(bool on) override;

    void openRecordingOptions(QWidget* owner) override;
    bool runSkinManager(QWidget* owner) override;
    std::string chooseDirectory(QWidget* owner, const std::string& title) override;
    void beginStreamTest(const std::string& pagePath) override;
    void endStreamTest() override;
    void openPage(const std::string& path) override;
    void startUpdater(Prompt& prompt) override;

private:
    CMainFrame& m_frame;
};
