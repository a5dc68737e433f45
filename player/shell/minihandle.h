#pragma once

#include <functional>

#include <QObject>
#include <QPoint>

class QWidget;

// In the mini layout the whole window is the handle: a drag with the left
// button moves it, a double click asks for the normal layout back and a
// right click for the pop-up menu. It watches every mouse event of the
// program while it lives, and acts only while active() says so.
class MiniHandle : public QObject {
    Q_OBJECT

public:
    MiniHandle(QWidget* window, std::function<bool()> active);
    ~MiniHandle() override;

signals:
    // Emitted from the event loop, once the click has been handled.
    void popupRequested(const QPoint& at);
    void layoutToggleRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<bool()> m_active;
    QPoint m_pressAt; // left button down
    bool m_pressed = false;
};
