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
    int width = settings.miniWidth;
    int height = settings.miniHeight;
    if (!mini) {
        width = skin ? settings.width : settings.width - 2;
        height = skin ? settings.height : settings.height - 4;
    }
    // A size of 0 in the settings leaves the plain frame no room at all.
    return QSize(std::max(width, 0), std::max(height, 0));
}

Qt::WindowFlags LayoutFlags(bool mini, bool onTop, bool hideTaskbar)
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
    if (hideTaskbar)
        flags |= Qt::Tool;
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
