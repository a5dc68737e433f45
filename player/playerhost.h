#pragma once

#include <string>

#include "common/settings.h"
#include "common/stationpage.h"

class Prompt;
class QWidget;

// What the player's commands and dialogs need of the main window and of the
// rest of the player: the settings, the current station, the view's pages,
// the window's size and look, the notification-area icon and the other
// windows. The main window answers for the real player (FrameHost); tests
// answer with a double that writes every call down.
class PlayerHost {
public:
    virtual ~PlayerHost() = default;

    virtual Settings& settings() = 0;
    // The installation directory, ending with '/'.
    virtual const std::string& installDir() const = 0;
    // The main window, parent of the commands' dialogs; may be null.
    virtual QWidget* window() const = 0;
    // Answers the messages of the commands and dialogs. Null: message boxes
    // owned by the window or dialog that shows them.
    virtual Prompt* prompt() const = 0;

    // The current station, as the view keeps it.
    virtual const StationPageInfo& currentStation() const = 0;
    // The page "Derniere URL" is saved with: the current station's page, or
    // else the page last asked of "live", or else the start page.
    virtual std::string currentStationPage() const = 0;
    // A station page (full path) chosen by a command, into the frame "live";
    // the notification-area icon follows.
    virtual void playInLive(const std::string& pagePath) = 0;
    // Loads a frame page (full path) into the whole view; with a station
    // page, that page goes back into the frame "live" once the frame page
    // has loaded.
    virtual void loadFramePage(const std::string& framePage, const std::string& stationPage) = 0;
    // Loads a page into the index frame "haut".
    virtual void loadIndexFrame(const std::string& page) = 0;
    // Writes the station list's form into the index: with or without the
    // "Ecouter !" button.
    virtual void setListButton(bool withButton) = 0;

    // The favourites table changed: the menu bar's "Favoris" is rebuilt.
    virtual void favouritesChanged() = 0;
    // Writes Sonalto.ini with the current station page.
    virtual void saveSettings() = 0;
    // The notification-area icon and tip from the current station.
    virtual void refreshTrayIcon() = 0;

    // True while the main window is hidden away in the notification area.
    virtual bool isHiddenAway() const = 0;
    virtual bool isMiniMode() const = 0;
    // Sets the main window's normal size from the settings' width and
    // height (the skinned size, or 2 x 4 pixels less without the look),
    // keeping its position, makes it top-most after "OnTop" and shows it.
    virtual void resizeMainWindow(bool skin) = 0;
    // An installed appearance's size: the normal layout takes the settings'
    // size at its position; the mini layout stays as it is.
    virtual void placeMainWindow() = 0;

    // The look plug-in: started now (true when it runs), running already.
    virtual bool startSkin() = 0;
    virtual bool skinRunning() const = 0;
    // Gives every skinned window the hue at once.
    virtual void setSkinHue(int hue) = 0;
    // Gives the look to one window (a dialog), or takes it away.
    virtual void skinWindow(QWidget* window, bool on) = 0;
    // Gives the look to the main window and to the song window when it is
    // open, or takes it away.
    virtual void skinPlayerWindows(bool on) = 0;

    // The other windows, modal over owner.
    virtual void openRecordingOptions(QWidget* owner) = 0;
    // The appearance manager; true when an appearance was installed, which
    // may change the size and the hue.
    virtual bool runSkinManager(QWidget* owner) = 0;
    // A folder chosen by the listener, its own bytes; empty when cancelled.
    // The title is UTF-8.
    virtual std::string chooseDirectory(QWidget* owner, const std::string& title) = 0;
    // The editor's test: the player plays the stream of the test page (full
    // path) until the test ends, then goes back to what it played.
    virtual void beginStreamTest(const std::string& pagePath) = 0;
    virtual void endStreamTest() = 0;
    // Opens a local page (full path) on the desktop.
    virtual void openPage(const std::string& path) = 0;
    // "Vérifier": starts the updater now; prompt hears when it is missing.
    virtual void startUpdater(Prompt& prompt) = 0;
};
