#include "nowplaying/nowplaying.h"

#include <QPointer>
#include <QWidget>

#include "common/ui/skinloader.h"
#include "nowplaying/songwindow.h"

namespace {

// Cleared by itself when the window is destroyed.
QPointer<SongWindow> g_songWindow;

} // namespace

void OpenSongWindow(QWidget* mainWindow, Settings& settings, const StationPageInfo& current,
    bool docked, StreamTitles* titles, HeardSongs* heard)
{
    if (g_songWindow) {
        g_songWindow->raise();
        g_songWindow->activateWindow();
        return;
    }
    g_songWindow = new SongWindow(settings, current, mainWindow, titles, heard);
    if (settings.skin)
        ApplySkin(g_songWindow);
    g_songWindow->open();
    if (docked)
        g_songWindow->setAttached(true);
}

void RedisplaySongWindow()
{
    if (g_songWindow)
        g_songWindow->onCommand(SongWindow::RedisplayCommand);
}

void SongWindowStationChanged()
{
    if (g_songWindow)
        g_songWindow->stationChanged();
}

bool SongWindowIsOpen()
{
    return !g_songWindow.isNull();
}

void MoveDockedSongWindow(int dx, int dy)
{
    if (g_songWindow && g_songWindow->isAttached())
        g_songWindow->moveWith(dx, dy);
}

SongWindow* OpenedSongWindow()
{
    return g_songWindow.data();
}
