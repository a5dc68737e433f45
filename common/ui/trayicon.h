#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QSize>

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
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // False when the desktop shows no notification area.
    static bool isAvailable();

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

signals:
    void doubleClicked();
    void menuRequested(const QPoint& at);

private:
    QSystemTrayIcon* m_icon;
};
