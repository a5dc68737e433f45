#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <qnamespace.h>

struct Settings;

// The main window's geometry rules, without a window: the fixed size and
// the window flags of each layout, where a move snaps to, and which
// position the quit keeps.

// The fixed size of a layout. The mini layout has the mini size; the
// normal one the stored width and height, which hold the skinned window's
// size: the plain frame is 2 x 4 pixels smaller. A stored size of 0 or less
// (the Options dialog allows 0) is the default one, as the settings file
// reads it back, so the window never vanishes.
QSize LayoutSize(const Settings& settings, bool mini, bool skin);

// The window flags of a layout. The mini layout has no frame; the normal
// one a title, the system menu and the three buttons. "OnTop" keeps it
// above the others. "Cacher TaskBar" is a window-manager state, not a window
// type (taskbarhint.h).
Qt::WindowFlags LayoutFlags(bool mini, bool onTop);

// Edge snapping of a window being moved: an edge of the proposed rectangle
// within this many pixels of the same edge of the work area is put on it.
inline constexpr int kSnapDistance = 5;

// Left before right, then top before bottom; the size never changes.
QRect SnapToWorkArea(const QRect& proposed, const QRect& workArea);

// The position the settings keep at the quit: a window partly off the top
// or the left edge keeps the stored coordinate on that side.
QPoint KeptPosition(const QRect& window, const QPoint& stored);
