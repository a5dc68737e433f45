#pragma once

#include <string>
#include <vector>

#include "playerhost.h"

// The rest of the player as a command or a dialog sees it: every call is
// written down in order, and the settings are the test's own.
class RecordingHost : public PlayerHost {
public:
    RecordingHost(Settings& settings, std::string installDir, Prompt* prompt = nullptr)
        : m_settings(settings)
        , m_installDir(std::move(installDir))
        , m_prompt(prompt)
    {
    }

    Settings& settings() override { return m_settings; }
    const std::string& installDir() const override { return m_installDir; }
    QWidget* window() const override { return nullptr; }
    Prompt* prompt() const override { return m_prompt; }

    const StationPageInfo& currentStation() const override { return station; }
    std::string currentStationPage() const override { return station.pagePath; }
    void playInLive(const std::string& page) override { calls.push_back("live " + page); }
    void loadFramePage(const std::string& page, const std::string& stationPage) override
    {
        calls.push_back("view " + page + (stationPage.empty() ? "" : " with " + stationPage));
    }
    void loadIndexFrame(const std::string& page) override { calls.push_back("haut " + page); }
    void setListButton(bool withButton) override
    {
        calls.push_back(withButton ? "list with button" : "list without button");
    }

    void favouritesChanged() override { calls.push_back("favourites"); }
    void saveSettings() override { calls.push_back("save"); }
    void refreshTrayIcon() override { calls.push_back("tray"); }

    bool isHiddenAway() const override { return false; }
    bool isMiniMode() const override { return mini; }
    void resizeMainWindow(bool skin) override
    {
        calls.push_back("resize " + std::to_string(m_settings.width) + "x"
            + std::to_string(m_settings.height) + (skin ? " skin" : " plain"));
    }
    void placeMainWindow() override { calls.push_back("place"); }

    bool startSkin() override
    {
        calls.push_back("start skin");
        running = canStart;
        return canStart;
    }
    bool skinRunning() const override { return running; }
    void setSkinHue(int hue) override { calls.push_back("hue " + std::to_string(hue)); }
    void skinWindow(QWidget*, bool on) override
    {
        calls.push_back(on ? "skin dialog" : "plain dialog");
    }
    void skinPlayerWindows(bool on) override
    {
        calls.push_back(on ? "skin windows" : "plain windows");
    }

    void openRecordingOptions(QWidget*) override { calls.push_back("recording options"); }
    bool runSkinManager(QWidget*) override
    {
        calls.push_back("skin manager");
        // An appearance installed by the manager.
        m_settings.width = 400;
        m_settings.height = 500;
        m_settings.skinHue = 12;
        return true;
    }
    std::string chooseDirectory(QWidget*, const std::string& title) override
    {
        calls.push_back("choose " + title);
        return directory;
    }
    void beginStreamTest(const std::string& page) override { calls.push_back("test " + page); }
    void endStreamTest() override { calls.push_back("test end"); }
    void openPage(const std::string& path) override { calls.push_back("open " + path); }
    void startUpdater(Prompt&) override { calls.push_back("updater"); }

    StationPageInfo station;
    std::string directory;
    bool mini = false;
    bool canStart = true;
    bool running = false;
    std::vector<std::string> calls;

private:
    Settings& m_settings;
    std::string m_installDir;
    Prompt* m_prompt;
};
