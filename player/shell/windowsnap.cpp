#include "shell/windowsnap.h"

#include <cstdlib>

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
