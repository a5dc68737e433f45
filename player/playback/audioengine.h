#pragma once

#include <QObject>
#include <QString>

// What the rest of the player sees of playback: "play this link", "stop",
// "volume", and signals for the state, the stream's title, the status line
// and errors. StreamPlayer is the real engine; tests of the windows drive a
// small fake instead.
//
// Signals are emitted on the thread that owns the object (the GUI thread),
// from its event loop.
class AudioEngine : public QObject {
    Q_OBJECT

public:
    enum class State { Stopped, Connecting, Playing, Reconnecting, Failed };
    Q_ENUM(State)

    using QObject::QObject;

    // streamLink: the station page's link, an address or a path relative
    // to htmlDir. stationName names the station while it sends no title.
    virtual void play(
        const QString& streamLink, const QString& htmlDir = {}, const QString& stationName = {})
        = 0;
    // Plays the last station again; nothing when there was none.
    virtual void replay() = 0;
    virtual void stop() = 0;

    virtual void setVolume(int percent) = 0; // 0-100, perceptual (cubic) scale
    virtual int volume() const = 0;

    virtual State state() const = 0;
    // Connecting, Playing or Reconnecting: the engine is busy with a station.
    bool isActive() const
    {
        const State now = state();
        return now == State::Connecting || now == State::Playing || now == State::Reconnecting;
    }
    virtual bool hasStation() const = 0;
    virtual QString stationName() const = 0;
    virtual QString title() const = 0; // the stream's title, or empty
    virtual QString statusText() const = 0;

signals:
    void stateChanged(AudioEngine::State state);
    void titleChanged(const QString& title);
    void statusTextChanged(const QString& text);
    // The first audio buffer of this play() reached the output.
    void firstAudio();
    void volumeChanged(int percent);
};
