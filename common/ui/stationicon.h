#pragma once

#include <QImage>

// The notification-area icon made from a station's logo. The colour plane is
// the logo at its own size. The logo, stretched by plain copy into the
// top-left size x size pixels, decides transparency there: where that
// stretched logo is pure white the icon is transparent; everywhere else the
// icon is opaque. size is 32 when the icon is added, removed or set after a
// favourite or a random station, 16 on a navigation of the frame "live".
// A null picture when the logo is null or size is not positive.
QImage BuildStationIcon(const QImage& logo, int size);
