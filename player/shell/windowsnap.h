#pragma once

#include <QRect>

// Edge snapping of a window being moved: an edge of the proposed rectangle
// within this many pixels of the same edge of the work area is put on it.
inline constexpr int kSnapDistance = 5;

// Left before right, then top before bottom; the size never changes.
QRect SnapToWorkArea(const QRect& proposed, const QRect& workArea);
