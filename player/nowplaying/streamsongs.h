#pragma once

#include <string>
#include <string_view>

#include "common/livefeed.h"

// What a lookup found about a song: the release it came out on, its date,
// the cover (a local file, empty when none) and the release's web page
// (empty when no release was found).
struct SongDetails {
    std::string album;
    std::string releaseDate;
    std::string coverFile;
    std::string releasePage;

    bool operator==(const SongDetails&) const = default;
};

// The record a stream title stands for. "Artiste - Titre" is split at the
// first " - "; a title without one is the song's title alone. Fields the
// title does not give, album, date and label included, are "Introuvable".
// Texts are UTF-8, as the stream player reports them.
SongRecord SongFromStreamTitle(std::string_view streamTitle);

// True when the record names both an artist and a title, the two things a
// lookup searches by.
bool CanLookUp(const SongRecord& song);

// The titles the current station's stream announced, as song records: the
// newest first, five at most. Records not heard yet keep all fields empty,
// as the song window creates them.
class StreamSongs {
public:
    // A new title goes in front and the oldest falls off. An empty title
    // (between stations, while reconnecting) or the title already in front
    // adds nothing; false then.
    bool add(std::string_view streamTitle);
    // A change of station: nothing heard yet.
    void clear();
    bool empty() const { return m_count == 0; }

    const SongList& songs() const { return m_songs; }

    // Gives every record of the song artist/title what a lookup found:
    // album and date where they are still "Introuvable", the cover and the
    // release page. False when no record is of that song.
    bool fill(const std::string& artist, const std::string& title, const SongDetails& details);

private:
    SongList m_songs;
    std::string m_newest; // the text of the title in front
    int m_count = 0;
};
