#pragma once

#include <string>

class QWidget;

// The optional look of the updater's windows. StartUpdaterSkin loads the
// look plug-in of the installation and sets its hue; when it cannot, the
// updater runs with the plain look and says nothing.
bool StartUpdaterSkin(const std::string& programDir, int hue);
// Gives a window the look (nothing when the look did not start).
void SkinWindow(QWidget* window);
// The exit step: the plug-in is stopped.
void StopUpdaterSkin();
