#pragma once

#include "common/settings.h"
#include "common/stationpage.h"

class HeardSongs;
class QWidget;
class SongWindow;
class StreamTitles;

// The player's single song window, for the main window and the view.

// Opens the song window beside mainWindow, or gives it the focus when it is
// already open. docked (the page's live link) makes a newly opened window
// follow the main window's moves. current is the player's current station,
// which must outlive the window; settings gives the refresh period, the
// HTML directory, "OnTop" and the interface, and receives the period on OK.
// titles, when given, are the stream's songs for a station without a feed;
// they too must outlive the window, as must heard, the journal's side.
void OpenSongWindow(QWidget* mainWindow, Settings& settings, const StationPageInfo& current,
    bool docked, StreamTitles* titles = nullptr, HeardSongs* heard = nullptr);

// Command 105: the open window shows its selected song again (after the
// current station changed). Nothing when no window is open.
void RedisplaySongWindow();

// Another station plays: the open window reads its feed at once and shows
// nothing of the last one. Nothing when no window is open.
void SongWindowStationChanged();

bool SongWindowIsOpen();

// Moves an open, attached song window by the main window's displacement.
void MoveDockedSongWindow(int dx, int dy);

// The open window, or null.
SongWindow* OpenedSongWindow();
