#include "common/ui/picture.h"

// Alone in its file so that a program links one stretching routine however
// many of its parts ask for it.
QImage ScaleBitmap(const QImage& source, int width, int height)
{
    if (source.isNull() || width <= 0 || height <= 0)
        return {};
    return source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
