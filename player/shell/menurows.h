#pragma once

class QMenuBar;

// A menu bar narrower than its menus wraps onto a second row, as the
// window's menu bars of the desktop did, instead of hiding the menus that do
// not fit behind an overflow button: the first row keeps as many menus as
// fit in width, in order, and the second takes the rest. The second row is
// shown only when it holds a menu.
void WrapMenuRows(QMenuBar* first, QMenuBar* second, int width);
