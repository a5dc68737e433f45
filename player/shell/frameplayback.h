#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QString>

#include "common/stationpage.h"

class AudioEngine;
class Mpris;
class StreamTrial;
struct Settings;

// What the main window plays: the stream of each station shown in "live"
// goes to the engine once, with the station's logo for the desktop's media
// controls, and a station tried out in the editor plays for a while in
// between.
class FramePlayback : public QObject {
    Q_OBJECT

public:
    // engine plays the stations and must outlive this; when none is given a
    // StreamPlayer of its own does. Pages and logos are read in the
    // settings' HTML directory.
    FramePlayback(const Settings& settings, AudioEngine* engine, QObject* parent);
    ~FramePlayback() override;

    AudioEngine* engine() const { return m_engine; }
    Mpris* mpris() const { return m_mpris; }

    // Plays the station's stream; a station without one stops the playback.
    // The same station shown again (a change of layout) keeps playing. True
    // when another station, or none, plays now.
    bool play(const StationPageInfo& station);
    // Plays the stream of the test page at pagePath, then, at endTrial, goes
    // back to what played. title is the current station's.
    void beginTrial(const std::string& pagePath, const QString& title);
    void endTrial();

private:
    const Settings& m_settings;
    AudioEngine* m_engine;
    Mpris* m_mpris;
    std::unique_ptr<StreamTrial> m_trial;
    QString m_playingLink; // the station link last given to the engine
};
