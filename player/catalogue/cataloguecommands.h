#pragma once

#include <functional>
#include <string>

#include "common/settings.h"
#include "common/stationpage.h"

class QMenu;
class QWidget;
class Prompt;

// What the catalogue commands need of the main window. The window fills it
// once and hands it to each command below.
struct CatalogueContext {
    Settings& settings;
    // The installation directory, ending with '/'.
    std::string installDir;
    // The current station, as the view keeps it.
    std::function<const StationPageInfo&()> currentStation;
    // The page "Derniere URL" is saved with (the window's current station page).
    std::function<std::string()> currentStationPage;
    // Shows a page (full path) in the frame "live".
    std::function<void(const std::string& pagePath)> navigateLive;
    // Loads a frame page (full path) into the whole view; with a station
    // page, that page goes back into the frame "live" once the frame page
    // has loaded.
    std::function<void(const std::string& framePage, const std::string& stationPage)> navigateFrame;
    // The frame "live" changed station by a command: notification-area icon
    // and tip. May be empty.
    std::function<void()> stationChanged;
    // The favourites table changed: rebuild the menu bar's "Favoris".
    std::function<void()> favouritesChanged;
    // True while the main window is hidden away in the notification area.
    std::function<bool()> isHiddenAway;
    // An installed appearance's size (width, height as stored in the
    // settings) and hue for the main window. May be empty.
    std::function<void(int width, int height)> resizeMainWindow;
    std::function<void(int hue)> applySkinHue;
    // Answers the commands' messages; message boxes owned by the main
    // window when null.
    Prompt* prompt = nullptr;
    // The editor's test: the player plays the stream of the test page (full
    // path) until the test ends, then goes back to what it played. May be
    // empty.
    std::function<void(const std::string& pagePath)> beginStreamTest = {};
    std::function<void()> endStreamTest = {};
};

// The frame page for the window's layout: "index.htm", or "indexmini.htm"
// in the mini size.
std::string FramePagePath(const Settings& settings);

// The "Favoris" pop-up: its six fixed items (made when the pop-up has none
// yet), then one item per favourite with the command 32850 + i as its data,
// or a disabled "vide". Each item's data holds its command id, so one
// triggered(QAction*) connection routes them all.
void RebuildFavouritesMenu(QMenu* popup, const Favourites& favourites);

// Command 103: the personal-list editor; OK reloads the frame page.
void RunPersonalListEditor(QWidget* parent, CatalogueContext& context);
// Command 32891: "Ajouter cette radio".
void AddCurrentStation(QWidget* parent, CatalogueContext& context);
// Command 31845: "Au hasard ?".
void RandomStation(CatalogueContext& context);
// Commands 32850 to 32869: favourite index 0 to 19.
void OpenFavourite(CatalogueContext& context, int index);
// Command 31846: "Organiser...".
void RunFavouritesOrganiser(QWidget* parent, CatalogueContext& context);
// Command 32849: "Rechercher".
void RunStationSearch(QWidget* parent, CatalogueContext& context);
// The options dialog's "Changer l'apparence". True when an appearance was
// installed.
bool RunSkinManager(QWidget* parent, CatalogueContext& context);
// Command 32825: "A propos...".
void RunAboutDialog(QWidget* parent, CatalogueContext& context);
