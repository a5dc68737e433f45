#pragma once

#include <QAction>
#include <QMenu>
#include <QWidget>

// The command of a menu or a menu bar that sends id (its data), submenus
// aside; null when there is none.
inline QAction* MenuItem(const QWidget& menu, int id)
{
    for (QAction* action : menu.actions())
        if (action->menu() == nullptr && action->data().toInt() == id)
            return action;
    return nullptr;
}
