#include "shell/framegeometry.h"

#include <gtest/gtest.h>

#include "common/settings.h"

namespace {

TEST(FrameGeometry, eachLayoutHasItsSizeAndFlags)
{
    constexpr Qt::WindowFlags framed = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
        | Qt::WindowCloseButtonHint;
    constexpr Qt::WindowFlags frameless = Qt::Window | Qt::FramelessWindowHint;
    struct Case {
        int width, height, miniWidth, miniHeight;
        bool mini, skin, onTop, hideTaskbar;
        QSize size;
        Qt::WindowFlags flags;
    };
    const Case cases[] = {
        // The stored size is the skinned one; the plain frame is 2 x 4 less.
        { 251, 288, 160, 40, false, true, false, false, { 251, 288 }, framed },
        { 251, 288, 160, 40, false, false, false, false, { 249, 284 }, framed },
        // The mini layout keeps its own size, with or without the look.
        { 251, 288, 160, 40, true, true, false, false, { 160, 40 }, frameless },
        { 251, 288, 160, 40, true, false, true, false, { 160, 40 },
            frameless | Qt::WindowStaysOnTopHint },
        // Sizes of 0 or less are the default ones, as the settings file reads
        // them back: the window never vanishes. "Cacher TaskBar" is no
        // window type.
        { 0, 0, 0, 0, false, false, true, true, { 249, 284 }, framed | Qt::WindowStaysOnTopHint },
        { 1, 3, -5, 0, true, false, false, true, { 178, 38 }, frameless },
        { -8, -1, 0, 0, false, true, false, false, { 251, 288 }, framed },
        { 1, 3, 0, 0, false, true, false, false, { 1, 3 }, framed },
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.width = c.width;
        settings.height = c.height;
        settings.miniWidth = c.miniWidth;
        settings.miniHeight = c.miniHeight;
        EXPECT_EQ(LayoutSize(settings, c.mini, c.skin), c.size)
            << c.width << "x" << c.height << (c.mini ? " mini" : "") << (c.skin ? " skin" : "");
        EXPECT_EQ(LayoutFlags(c.mini, c.onTop), c.flags)
            << (c.mini ? "mini" : "normal") << c.onTop << c.hideTaskbar;
    }
}

TEST(FrameGeometry, edgesWithinFivePixelsOfTheWorkAreaSnap)
{
    const QRect area(0, 30, 1280, 994); // a panel on top
    struct Case {
        QPoint at;
        QPoint expected;
    };
    const QSize size(300, 200);
    for (const Case& c : {
             Case { { 3, 100 }, { 0, 100 } }, // left, 3 px
             Case { { 6, 100 }, { 6, 100 } }, // 6 px: stays
             Case { { -4, 100 }, { 0, 100 } },
             Case { { 1280 - 300 - 5, 100 }, { 980, 100 } }, // right edge
             Case { { 1280 - 300 + 6, 100 }, { 986, 100 } },
             Case { { 400, 34 }, { 400, 30 } }, // top of the work area
             Case { { 400, 1024 - 200 - 2 }, { 400, 824 } }, // bottom
             Case { { 2, 33 }, { 0, 30 } }, // a corner
         }) {
        const QRect snapped = SnapToWorkArea(QRect(c.at, size), area);
        EXPECT_EQ(snapped.topLeft(), c.expected) << c.at.x() << "," << c.at.y();
        EXPECT_EQ(snapped.size(), size);
    }
}

} // namespace
