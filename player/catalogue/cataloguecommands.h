#pragma once

#include <string>

#include "common/settings.h"

class PlayerHost;
class QMenu;
class QWidget;

// The frame page for the window's layout: "index.htm", or "indexmini.htm"
// in the mini size.
std::string FramePagePath(const Settings& settings);

// The "Favoris" pop-up: its six fixed items (made when the pop-up has none
// yet), then one item per favourite with the command 32850 + i as its data,
// or a disabled "vide". Each item's data holds its command id, so one
// triggered(QAction*) connection routes them all.
void RebuildFavouritesMenu(QMenu* popup, const Favourites& favourites);

// Command 103: the personal-list editor; OK reloads the frame page.
void RunPersonalListEditor(QWidget* parent, PlayerHost& host);
// Command 32891: "Ajouter cette radio".
void AddCurrentStation(QWidget* parent, PlayerHost& host);
// Command 31845: "Au hasard ?".
void RandomStation(PlayerHost& host);
// Commands 32850 to 32869: favourite index 0 to 19.
void OpenFavourite(PlayerHost& host, int index);
// Command 31846: "Organiser...".
void RunFavouritesOrganiser(QWidget* parent, PlayerHost& host);
// Command 32892: the station directory; an added station reloads the frame
// page so that the drop-down shows it.
void RunStationDirectory(QWidget* parent, PlayerHost& host);
// Command 32849: "Rechercher".
void RunStationSearch(QWidget* parent, PlayerHost& host);
// The options dialog's "Changer l'apparence". True when an appearance was
// installed.
bool RunSkinManager(QWidget* parent, PlayerHost& host);
// Command 32825: "A propos...".
void RunAboutDialog(QWidget* parent, PlayerHost& host);

// Runs a catalogue command (the personal list, the favourites and their
// commands 32850 to 32869, the search, About) with the main window as
// parent; false when id is not one of them.
bool RunCatalogueCommand(int id, QWidget* parent, PlayerHost& host);
