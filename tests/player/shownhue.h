#pragma once

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QWidget>

// The hue a window shows near its bottom-left corner, where only its own
// background is drawn; -1 for grey.
inline int shownHue(QWidget& window)
{
    const QImage image = window.grab().toImage();
    return image.pixelColor(2, image.height() - 3).hsvHue();
}

// The hue of a main window's menu bar, below its first item.
inline int menuBarHue(QMainWindow& window)
{
    const QImage image = window.menuBar()->grab().toImage();
    return image.pixelColor(1, image.height() - 2).hsvHue();
}

// Hues read back from pixels are within a few degrees of the one asked for.
inline ::testing::AssertionResult hueNear(int shown, int expected)
{
    const int distance = std::abs(shown - expected) % 360;
    if (shown >= 0 && std::min(distance, 360 - distance) <= 3)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "hue " << shown << " instead of " << expected;
}
