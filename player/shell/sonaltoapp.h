#pragma once

#include <memory>
#include <string>

#include "common/settings.h"
#include "shell/commandline.h"

class CMainFrame;

// The player's application object: the settings record for the whole run,
// the main window, and the start and exit steps around them.
class SonaltoApp {
public:
    SonaltoApp(std::string installDir, CommandLine commandLine);
    ~SonaltoApp();

    // When a player already runs: brings it to the front, sends it the
    // command line's options in their fixed order and returns true. Needs no
    // display and no application object.
    static bool forwardToRunningPlayer(const CommandLine& commandLine);

    // Loads the settings, creates the main window, makes it reachable and
    // applies the command line. Needs the application object.
    bool initInstance();
    // After the main window is gone: saves the settings.
    void exitInstance();

    Settings& settings() { return m_settings; }
    CMainFrame* mainFrame() const { return m_mainFrame.get(); }

private:
    void loadSettings();
    void applyCommandLine();

    std::string m_installDir;
    CommandLine m_commandLine;
    Settings m_settings;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::string m_currentStationPage;
};
