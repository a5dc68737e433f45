#pragma once

#include <QObject>
#include <QPoint>

#include "shell/playertray.h"

class CMainFrame;
class Mixer;
class QMenu;
struct Settings;

// The main window's side in the notification area: the icon with the
// current station's logo and the stream's song, the pop-up the icon opens,
// and the speakers' mute that the pop-up shows and switches. It reads the
// window's current station and recording flag, and hands the pop-up's
// commands to the window's onCommand.
class FrameTray : public QObject {
    Q_OBJECT

public:
    // Adds the icon for the window's current station.
    FrameTray(CMainFrame& frame, const Settings& settings);

    PlayerTray* tray() const { return m_tray; }
    Mixer* mixer() const { return m_mixer; }
    // The mute as last written, read or reported by the sound server.
    bool isMuted() const { return m_muted; }

    // Sets the icon and the tooltip for the window's current station.
    void showStation(TrayOccasion occasion);
    // The window goes away into the notification area: the icon is there.
    void showForHiding();
    // The quit's steps: the icon set one last time and removed, the mixer
    // closed.
    void close();

    // Switches the mute. Without the server or its output the write fails
    // and only the flag changes, as the pop-up shows it.
    void toggleMute();
    // The pop-up as it would open now: the mixer is asked for the mute
    // first. The caller owns the menu.
    QMenu* buildPopupMenu();
    // Opens that pop-up at a screen position; it goes away once closed.
    void showPopupMenu(const QPoint& at);

private:
    CMainFrame& m_frame;
    const Settings& m_settings;
    PlayerTray* m_tray;
    Mixer* m_mixer;
    bool m_muted = false;
};
