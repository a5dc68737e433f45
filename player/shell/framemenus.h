#pragma once

#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
struct Settings;

// The main window's menus. Every item carries its command id as data and
// hands it to the window's command handler when triggered, so that a menu
// click and a forwarded record reach the same place.

// The menu bar: Options, Perso (a menu: "&Personnaliser", the station directory, the song journal),
// Favoris, REC (or STOP while recording), Aide, A propos, Quitter. Returns the "Favoris" pop-up.
QMenu* BuildMenuBar(QMainWindow* window, const Settings& settings, bool recording,
    const std::function<void(int id)>& onCommand);

// The system menu's entries, offered from the menu bar's context menu and
// from Alt+Space: the desktop's own window menu cannot be extended from a
// program. Each hands its id to onSysCommand.
QMenu* BuildSystemMenu(QMainWindow* window, const std::function<void(int id)>& onSysCommand);

// Puts the switch between the normal and the mini layouts first in the
// system menu, on Ctrl+M in both layouts. It hands SC_MAXIMIZE to
// onSysCommand.
void AddMiniModeItem(
    QMainWindow* window, QMenu* systemMenu, const std::function<void(int id)>& onSysCommand);

// Without a notification area the pop-up's commands would be out of reach:
// the menu bar then ends with the program's icon, which opens the pop-up
// that buildPopup makes, under the icon in whichever row holds it. With a
// notification area nothing is added. secondRow is emptied first.
void AddPopupToMenuBar(
    QMainWindow* window, QMenuBar* secondRow, const std::function<QMenu*()>& buildPopup);

// The menu bar's item of a command, in the bar itself or in one of its
// pop-ups; null when there is none.
QAction* FindMenuAction(const QMenuBar* bar, int id);
// The menu bar's pop-up of that title (UTF-8), or null.
QMenu* FindBarMenu(const QMenuBar* bar, const char* title);
