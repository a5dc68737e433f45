#pragma once

#include <QString>
#include <QStringList>

#include "playback/audioengine.h"

// An engine that plays nothing: it takes each call at once, writes it down,
// and reports what the test makes it report.
class FakeEngine : public AudioEngine {
public:
    void play(const QString& streamLink, const QString& htmlDir = {},
        const QString& stationName = {}) override
    {
        calls << QStringLiteral("play ") + streamLink;
        m_link = streamLink;
        m_htmlDir = htmlDir;
        m_stationName = stationName;
        setState(State::Playing, QStringLiteral("En lecture"));
    }
    void replay() override
    {
        if (m_link.isEmpty())
            return;
        calls << QStringLiteral("replay");
        setState(State::Playing, QStringLiteral("En lecture"));
    }
    void stop() override
    {
        calls << QStringLiteral("stop");
        setState(State::Stopped, QStringLiteral("Arrêté"));
    }

    void setVolume(int percent) override
    {
        if (percent == m_volume)
            return;
        m_volume = percent;
        emit volumeChanged(percent);
    }
    int volume() const override { return m_volume; }

    State state() const override { return m_state; }
    bool hasStation() const override { return !m_link.isEmpty(); }
    QString stationName() const override { return m_stationName; }
    QString title() const override { return m_title; }
    QString statusText() const override { return m_status; }

    // What a stream would report.
    void announceTitle(const QString& title)
    {
        m_title = title;
        emit titleChanged(title);
    }
    void setState(State state, const QString& status)
    {
        m_state = state;
        m_status = status;
        emit stateChanged(state);
        emit statusTextChanged(status);
    }

    QStringList calls;

private:
    QString m_link;
    QString m_htmlDir;
    QString m_stationName;
    QString m_title;
    QString m_status = QStringLiteral("Arrêté");
    State m_state = State::Stopped;
    int m_volume = 100;
};
