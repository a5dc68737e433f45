#include "shell/framelayout.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>

#include "common/settings.h"
#include "common/ui/skinloader.h"
#include "common/ui/trayicon.h"
#include "shell/framegeometry.h"
#include "shell/menurows.h"
#include "shell/taskbarhint.h"

namespace {

// A move of the window has ended when no new position came for this long.
constexpr int kMoveSettleMs = 250;

} // namespace

FrameLayout::FrameLayout(QMainWindow& window, const Settings& settings, QMenuBar* secondRow,
    QWidget* strip, bool hideTaskbar)
    : QObject(&window)
    , m_window(window)
    , m_settings(settings)
    , m_secondRow(secondRow)
    , m_strip(strip)
    , m_hideTaskbar(hideTaskbar)
{
    m_snapTimer.setSingleShot(true);
    m_snapTimer.setInterval(kMoveSettleMs);
    connect(&m_snapTimer, &QTimer::timeout, this, &FrameLayout::snapToWorkArea);
}

void FrameLayout::applyStyle(bool mini)
{
    m_window.setWindowFlags(LayoutFlags(mini, m_settings.onTop));
    applyTaskbarHint();
}

void FrameLayout::applyTaskbarHint()
{
    // "Cacher TaskBar" is read once, when the window is first made. Without
    // a notification area the taskbar is the only way back to the window:
    // it stays there.
    SetSkipTaskbar(&m_window, m_hideTaskbar && TrayIcon::isAvailable());
}

void FrameLayout::place(const QPoint& topLeft, bool mini, Showing showing)
{
    const QSize size = LayoutSize(m_settings, mini, m_settings.skin);
    m_window.setFixedSize(size);
    if (showing == Showing::Shown)
        m_window.show();
    else if (showing == Showing::Minimised)
        m_window.showMinimized();
    // The platform writes the window's states afresh until the window is
    // mapped: the hint goes again once the window is on the screen.
    m_taskbarHintPending = true;
    if (!mini)
        WrapMenuRows(m_window.menuBar(), m_secondRow, size.width());
    // A frameless window's corner is its content's; the platform may still
    // count the frame it had a moment ago.
    if (mini)
        m_window.setGeometry(QRect(topLeft, size));
    else
        m_window.move(topLeft);
}

void FrameLayout::resizeNormal(bool skin)
{
    if (m_window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) != m_settings.onTop)
        applyStyle(false);
    m_window.setFixedSize(LayoutSize(m_settings, false, skin));
    WrapMenuRows(m_window.menuBar(), m_secondRow, m_window.width());
}

void FrameLayout::switchTo(bool mini, Showing showing)
{
    const QPoint topLeft = windowRect().topLeft();
    m_window.menuBar()->setVisible(!mini);
    m_secondRow->setVisible(!mini && !m_secondRow->actions().isEmpty());
    m_strip->setVisible(!mini);
    // The mini layout is always plain; the normal one gets its look back.
    if (mini && m_settings.skin)
        RemoveSkin(&m_window);
    applyStyle(mini);
    if (!mini && m_settings.skin)
        ApplySkin(&m_window);
    place(topLeft, mini, showing);
    if (!mini) {
        // Back from the mini layout the frame has a sizing border.
        m_window.setMinimumSize(0, 0);
        m_window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

QRect FrameLayout::windowRect() const
{
    return m_window.windowFlags().testFlag(Qt::FramelessWindowHint) ? m_window.geometry()
                                                                    : m_window.frameGeometry();
}

void FrameLayout::windowPainted()
{
    if (!m_taskbarHintPending)
        return;
    m_taskbarHintPending = false;
    applyTaskbarHint();
}

void FrameLayout::windowMoved()
{
    // The X11 window managers tell a program where its window went, not
    // where it is about to go: the snap comes once the move has settled.
    // Wayland compositors place windows themselves and do not let a program
    // move its own, so nothing is done there.
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        m_snapTimer.start();
}

void FrameLayout::cancelSnap()
{
    m_snapTimer.stop();
}

void FrameLayout::snapToWorkArea()
{
    const QScreen* current = m_window.screen();
    if (current == nullptr)
        return;
    const QRect frame = windowRect();
    const QRect snapped = SnapToWorkArea(frame, current->availableGeometry());
    if (snapped.topLeft() != frame.topLeft())
        m_window.move(m_window.pos() + (snapped.topLeft() - frame.topLeft()));
}
