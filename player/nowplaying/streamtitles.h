#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QString>

#include "common/settings.h"
#include "nowplaying/streamsongs.h"

class SongLookup;

// The songs the current station's stream announced, for the song window
// when the station has no feed or its feed fails: each new stream title
// becomes a record, and, when the settings allow it, a lookup fills its
// album, date, cover and release page. Lives as long as the main window,
// so the window finds the titles heard before it opened.
class StreamTitles : public QObject {
    Q_OBJECT

public:
    // settings give the lookups' switch and services; they outlive this.
    explicit StreamTitles(const Settings& settings, QObject* parent = nullptr);
    ~StreamTitles() override;

    // A title the stream player reported (empty between stations).
    void onTitle(const QString& title);
    // Another station: the titles heard so far belong to the last one.
    void stationChanged();

    const SongList& songs() const { return m_songs.songs(); }
    bool empty() const { return m_songs.empty(); }
    // The lookups of this run, or null before the first one.
    const SongLookup* lookup() const { return m_lookup.get(); }

signals:
    // A record came in front, a lookup filled one, or the list emptied.
    void changed();

private:
    void lookUp(const SongRecord& song);

    const Settings& m_settings;
    StreamSongs m_songs;
    std::unique_ptr<SongLookup> m_lookup;
};
