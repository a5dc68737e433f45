#pragma once

#include <memory>
#include <string>

#include "common/messenger.h"
#include "common/settings.h"
#include "shell/commandline.h"

class CMainFrame;

// The player's application object: the settings record for the whole run,
// the main window, and the start and exit steps around them.
class SonaltoApp {
public:
    SonaltoApp(std::string installDir, CommandLine commandLine);
    ~SonaltoApp();

    // Loads the settings, creates the main window, makes it reachable and
    // applies the command line. Needs the application object. claimed is the
    // player's socket, listening since the start claimed the name; the
    // window serves it, with the records that came meanwhile.
    bool initInstance(MessengerListener& claimed);
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
