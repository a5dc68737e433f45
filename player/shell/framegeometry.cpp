#include "shell/framegeometry.h"

#include <algorithm>
#include <cstdlib>

#include "common/settings.h"

namespace {

// QRect's right() and bottom() are the last pixel inside; the edges
// compared here are the ones past it, as a window manager counts them.
int rightEdge(const QRect& r)
{
    return r.x() + r.width();
}
int bottomEdge(const QRect& r)
{
    return r.y() + r.height();
}

} // namespace

QSize LayoutSize(const Settings& settings, bool mini, bool skin)
{
    const auto stored = [](int value, int fallback) { return value > 0 ? value : fallback; };
    if (mini)
        return QSize(stored(settings.miniWidth, kDefaultMiniWidth),
            stored(settings.miniHeight, kDefaultMiniHeight));
    const int width = stored(settings.width, kDefaultWidth);
    const int height = stored(settings.height, kDefaultHeight);
    // The plain frame of a very small stored size has no room at all.
    return skin ? QSize(width, height) : QSize(std::max(width - 2, 0), std::max(height - 4, 0));
}

Qt::WindowFlags LayoutFlags(bool mini, bool onTop)
{
    Qt::WindowFlags flags = Qt::Window;
    if (mini) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
            | Qt::WindowCloseButtonHint;
    }
    if (onTop)
        flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

QRect SnapToWorkArea(const QRect& proposed, const QRect& workArea)
{
    QRect snapped = proposed;
    if (std::abs(proposed.x() - workArea.x()) <= kSnapDistance)
        snapped.moveLeft(workArea.x());
    else if (std::abs(rightEdge(proposed) - rightEdge(workArea)) <= kSnapDistance)
        snapped.moveLeft(rightEdge(workArea) - proposed.width());
    if (std::abs(proposed.y() - workArea.y()) <= kSnapDistance)
        snapped.moveTop(workArea.y());
    else if (std::abs(bottomEdge(proposed) - bottomEdge(workArea)) <= kSnapDistance)
        snapped.moveTop(bottomEdge(workArea) - proposed.height());
    return snapped;
}

QPoint KeptPosition(const QRect& window, const QPoint& stored)
{
    return QPoint(
        window.x() >= 0 ? window.x() : stored.x(), window.y() >= 0 ? window.y() : stored.y());
}
