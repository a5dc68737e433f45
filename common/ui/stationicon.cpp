#include "common/ui/stationicon.h"

#include <algorithm>

QImage BuildStationIcon(const QImage& logo, int size)
{
    if (logo.isNull() || size <= 0)
        return {};
    const int width = logo.width();
    const int height = logo.height();
    // A bitmap has no alpha of its own: the colour plane starts opaque.
    QImage icon = logo.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    const QImage source = logo.convertToFormat(QImage::Format_RGB32);
    // The mask is as large as the logo; only its top-left size x size
    // pixels receive the stretched logo.
    const int across = std::min(size, width);
    const int down = std::min(size, height);
    for (int y = 0; y < down; ++y) {
        const int sourceY = y * height / size;
        const auto* sourceLine = reinterpret_cast<const QRgb*>(source.constScanLine(sourceY));
        auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
        for (int x = 0; x < across; ++x) {
            const int sourceX = x * width / size;
            if ((sourceLine[sourceX] & 0x00FFFFFFu) == 0x00FFFFFFu)
                line[x] &= 0x00FFFFFFu;
        }
    }
    return icon;
}
