#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

class QMainWindow;
class QMenuBar;
class QWidget;
struct Settings;

// How the main window takes its normal or its mini layout: the fixed size
// and the window flags of each, the menus' rows, the taskbar state, and the
// snap to the work area's edges once a move has settled. It shapes and
// places the window; which layout is current, and whether the window is
// hidden away, stay the window's to decide.
class FrameLayout : public QObject {
    Q_OBJECT

public:
    // How a window that takes a layout is shown.
    enum class Showing {
        Shown,
        // Hidden away in the notification area: it takes its layout unseen
        // ("-quiet" with the mini layout).
        Unseen,
        // Hidden away where it could only be minimised: it stays minimised.
        Minimised,
    };

    // secondRow holds the menus the menu bar's width cannot hold; strip is
    // the playback strip, put aside in the mini layout. hideTaskbar is
    // "Cacher TaskBar" as read when the window was made.
    FrameLayout(QMainWindow& window, const Settings& settings, QMenuBar* secondRow, QWidget* strip,
        bool hideTaskbar);

    // The layout's window flags, and the taskbar state.
    void applyStyle(bool mini);
    // The layout's fixed size with its top-left corner at topLeft.
    void place(const QPoint& topLeft, bool mini, Showing showing);
    // The normal layout's size, with or without the look, top-most after
    // "OnTop"; the caller shows the window and puts it back in place.
    void resizeNormal(bool skin);
    // Everything the window shows changes to the layout (settings.miniPlayer
    // already says which): the menus, the strip, the look, the flags, the
    // size, at the window's current corner.
    void switchTo(bool mini, Showing showing);

    // The window's rectangle with its frame, when it has one.
    QRect windowRect() const;

    // The window was painted: the first paint after a placement comes once
    // the window is mapped, and the taskbar state goes again then.
    void windowPainted();
    // The window moved: it snaps once no new position came for a while.
    void windowMoved();
    // No snap comes any more for the moves so far.
    void cancelSnap();

private:
    void applyTaskbarHint();
    void snapToWorkArea();

    QMainWindow& m_window;
    const Settings& m_settings;
    QMenuBar* m_secondRow;
    QWidget* m_strip;
    bool m_hideTaskbar;
    bool m_taskbarHintPending = false;
    QTimer m_snapTimer;
};
