#include "shell/minihandle.h"

#include <utility>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "common/diaglog.h"

MiniHandle::MiniHandle(QWidget* window, std::function<bool()> active)
    : QObject(window)
    , m_window(window)
    , m_active(std::move(active))
{
    qApp->installEventFilter(this);
}

MiniHandle::~MiniHandle()
{
    qApp->removeEventFilter(this);
}

bool MiniHandle::eventFilter(QObject* watched, QEvent* event)
{
    // The filter sees every event of the program, some of them sent to
    // objects still being built (focus events of the page's items): the
    // event's type is looked at before the object.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        break;
    default:
        return false;
    }
    if (!m_active() || !watched->isWidgetType()
        || static_cast<QWidget*>(watched)->window() != m_window)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton) {
            m_pressed = true;
            m_pressAt = mouse->globalPosition().toPoint();
        } else if (mouse->button() == Qt::RightButton) {
            // The pop-up menu of the notification area takes the click.
            DiagLog("mini popup");
            const QPoint at = mouse->globalPosition().toPoint();
            QTimer::singleShot(0, this, [this, at] { emit popupRequested(at); });
            return true;
        }
        return false;
    case QEvent::MouseMove:
        if (m_pressed && (mouse->buttons() & Qt::LeftButton)
            && (mouse->globalPosition().toPoint() - m_pressAt).manhattanLength()
                >= QApplication::startDragDistance()) {
            m_pressed = false;
            if (m_window->windowHandle() != nullptr)
                m_window->windowHandle()->startSystemMove();
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        return false;
    case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::LeftButton) {
            m_pressed = false;
            QTimer::singleShot(0, this, [this] { emit layoutToggleRequested(); });
            return true;
        }
        return false;
    default:
        return false;
    }
}
