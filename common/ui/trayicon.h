#pragma once

#include <functional>
#include <memory>

#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The pictures of the notification-area pop-ups, drawn as one set.
enum class MenuPicture {
    About,
    Options,
    Personalise,
    Random,
    Organise,
    Search, // 21 x 20
    AddStation,
    Favourite, // 15 x 15
    Information,
    Record,
    StopRecord,
    ScheduledRecord,
    Sound,
    Muted,
    Restore,
    Help,
    Quit,
};

// The picture's size: 20 x 20 but for the noted ones.
QSize MenuPictureSize(MenuPicture picture);
// The picture, drawn on first use and kept for the run.
QIcon MenuPictureIcon(MenuPicture picture);
// The programs' own icon, for windows and the notification area.
QIcon ProgramIcon();
// The programs' sign at side × side pixels (the desktop's icon files).
QPixmap DrawProgramIcon(int side);

// Gives a pop-up (and the sub-menus it holds) the notification-area look:
// the blue background and pictures shown at their own size.
void StylePopupMenu(QMenu* menu);

// An icon in the desktop's notification area. It reports a double-click
// with the left button and a request for the context menu (right button),
// with the mouse position; the owner opens its own pop-up.
//
// Desktops that draw the icon themselves from D-Bus (a StatusNotifierWatcher
// with a host on the session bus) report a click on the icon as its
// activation, which is reported as the double-click, and show the icon's
// menu themselves: there the owner's pop-up, from setMenuBuilder, is handed
// to the desktop.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // False when the desktop shows no notification area.
    static bool isAvailable();
    // True when the icon goes to the desktop over D-Bus.
    static bool isExportedOverBus();

    // Adds the icon (showing an icon already shown is harmless).
    void add();
    // Takes the icon away.
    void remove();
    bool isShown() const;
    void setIcon(const QIcon& icon);
    void setToolTip(const QString& tip);
    QIcon icon() const;
    QString toolTip() const;
    // A short desktop notification beside the icon, where the desktop shows
    // them; nothing otherwise.
    void notify(const QString& title, const QString& text);
    // The owner's pop-up, made afresh by builder each time a desktop that
    // shows the menu itself is about to show it; a choice there triggers
    // the pop-up's own action. Unused elsewhere (menuRequested is).
    void setMenuBuilder(std::function<QMenu*()> builder);

signals:
    void doubleClicked();
    void menuRequested(const QPoint& at);

private:
    void refreshExportedMenu();
    void mirrorMenu(QMenu* target, QMenu* source);
    void runExported(QAction* copy);

    QSystemTrayIcon* m_icon;
    std::function<QMenu*()> m_menuBuilder;
    // The menu handed to the desktop: copies of the last built pop-up's
    // entries, reused from one showing to the next and never deleted
    // before the icon, as a command chosen there may still be running.
    std::unique_ptr<QMenu> m_exported;
    QHash<QAction*, QPointer<QAction>> m_originals;
    QPointer<QMenu> m_built;
    // Built pop-ups replaced while one of their commands runs (a dialog
    // waits): deleted once it has returned.
    QList<QPointer<QMenu>> m_retired;
    int m_running = 0;
};
