#include "nowplaying/streamsongs.h"

#include <algorithm>

#include "common/textfile.h"

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string orNotFound(std::string_view text)
{
    return text.empty() ? std::string(kNotFound) : std::string(text);
}

bool known(const std::string& field)
{
    return !field.empty() && field != kNotFound;
}

} // namespace

SongRecord SongFromStreamTitle(std::string_view streamTitle)
{
    // The stream player trims its titles, so "Artiste - " comes as
    // "Artiste -": a blank at each end finds its dash too.
    const std::string padded = " " + std::string(trimmed(streamTitle)) + " ";
    const std::string_view text(padded);
    SongRecord song;
    const std::size_t dash = text.find(" - ");
    if (dash == std::string_view::npos) {
        song.title = orNotFound(trimmed(text));
        song.artist = kNotFound;
    } else {
        song.artist = orNotFound(trimmed(text.substr(0, dash)));
        song.title = orNotFound(trimmed(text.substr(dash + 3)));
    }
    song.album = kNotFound;
    song.releaseDate = kNotFound;
    song.label = kNotFound;
    return song;
}

bool CanLookUp(const SongRecord& song)
{
    return known(song.artist) && known(song.title);
}

bool StreamSongs::add(std::string_view streamTitle)
{
    streamTitle = trimmed(streamTitle);
    if (streamTitle.empty() || (m_count > 0 && streamTitle == m_newest))
        return false;
    std::move_backward(m_songs.begin(), m_songs.end() - 1, m_songs.end());
    m_songs[0] = SongFromStreamTitle(streamTitle);
    m_newest = std::string(streamTitle);
    m_count = std::min(m_count + 1, kSongCount);
    return true;
}

void StreamSongs::clear()
{
    m_songs = SongList {};
    m_newest.clear();
    m_count = 0;
}

bool StreamSongs::fill(
    const std::string& artist, const std::string& title, const SongDetails& details)
{
    bool found = false;
    for (int i = 0; i < m_count; ++i) {
        SongRecord& song = m_songs[i];
        if (song.artist != artist || song.title != title)
            continue;
        found = true;
        if (!known(song.album) && !details.album.empty())
            song.album = details.album;
        if (!known(song.releaseDate) && !details.releaseDate.empty())
            song.releaseDate = details.releaseDate;
        song.coverAddress = details.coverFile;
        song.infoAddress = details.releasePage;
    }
    return found;
}
