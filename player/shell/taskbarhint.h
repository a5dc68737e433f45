#pragma once

#include <string>

class QWidget;

// Asks the desktop to leave a top-level window off its taskbar, or to show
// it there again, with the window-manager state made for it
// (_NET_WM_STATE_SKIP_TASKBAR) rather than a change of window type that
// taskbars read in their own ways. X11 only: elsewhere nothing is asked.
// Best made before the window is shown.
void SetSkipTaskbar(QWidget* window, bool skip);

// Whether the window carries that state (false off X11).
bool HasSkipTaskbar(QWidget* window);

// Ends the desktop's launch feedback (the busy cursor, the launching entry)
// of a start that another process made for this window, named by its X11
// startup id: the window carries the id (_NET_STARTUP_ID) and the desktop is
// told that the launch is over. With raise, the window manager is also asked
// to activate the window with the launch's own time, which focus-stealing
// prevention accepts where an old time of this process is refused. X11
// only.
void CompleteStartup(QWidget* window, const std::string& startupId, bool raise);
