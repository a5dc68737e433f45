#include "shell/menurows.h"

#include <QAction>
#include <QList>
#include <QMenuBar>

namespace {

// The room an item takes on a bar of that font and style, margins included.
int itemWidth(const QMenuBar* bar, QAction* action)
{
    QMenuBar probe;
    probe.setNativeMenuBar(false);
    probe.setFont(bar->font());
    probe.setStyle(bar->style());
    QAction copy(action->icon(), action->text());
    probe.addAction(&copy);
    return probe.sizeHint().width();
}

} // namespace

void WrapMenuRows(QMenuBar* first, QMenuBar* second, int width)
{
    QList<QAction*> actions = first->actions();
    actions += second->actions();
    int used = 0;
    bool wrapped = false;
    for (QAction* action : actions) {
        first->removeAction(action);
        second->removeAction(action);
    }
    for (QAction* action : actions) {
        const int room = action->isVisible() ? itemWidth(first, action) : 0;
        if (!wrapped && used + room > width && used > 0)
            wrapped = true;
        if (wrapped) {
            second->addAction(action);
        } else {
            first->addAction(action);
            used += room;
        }
    }
    second->setVisible(wrapped && !first->isHidden());
}
