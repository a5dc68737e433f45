#pragma once

#include <string>

#include <QObject>

class AudioEngine;
class QAction;
class RecorderTitles;
struct Settings;

// The main window's REC: whether a recording runs, the recorder started and
// stopped, and the stream's titles handed on to a recorder that records by
// song.
class FrameRecording : public QObject {
    Q_OBJECT

public:
    // player's titles go to the recorder; it must outlive this.
    FrameRecording(
        const Settings& settings, std::string installDir, AudioEngine* player, QObject* parent);

    bool isRecording() const { return m_recording; }
    // Whether the installation has the recorder at all.
    bool recorderInstalled() const;
    // Starts the recorder or stops it, and relabels the REC item, when there
    // is one, "STOP" or "REC".
    void toggle(QAction* item);

private:
    const Settings& m_settings;
    std::string m_installDir;
    AudioEngine* m_player;
    RecorderTitles* m_titles;
    bool m_recording = false;
};
