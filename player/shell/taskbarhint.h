#pragma once

class QWidget;

// Asks the desktop to leave a top-level window off its taskbar, or to show
// it there again, with the window-manager state made for it
// (_NET_WM_STATE_SKIP_TASKBAR) rather than a change of window type that
// taskbars read in their own ways. X11 only: elsewhere nothing is asked.
// Best made before the window is shown.
void SetSkipTaskbar(QWidget* window, bool skip);

// Whether the window carries that state (false off X11).
bool HasSkipTaskbar(QWidget* window);
