#pragma once

#include <optional>
#include <string>
#include <string_view>

// Recordings cut into one file per song, at each new stream title. Titles
// and names are UTF-8.

// The longest name a song's file gets, in bytes, before its marker, number
// and extension: well under the 255 bytes a file name may hold.
inline constexpr std::size_t kMaxSongNameBytes = 180;

// The file name, without extension, of a song announced as title
// ("Artiste - Titre"): slashes and bars become '-', the characters other
// systems refuse in names (: * ? " < >) and control characters go, blanks
// are folded, dots and blanks at the ends are dropped (no hidden file), the
// length is bounded at a character's edge and a device name of those systems
// (CON, NUL, COM1...) gets a leading '_'. untitled when nothing is left.
std::string SongFileName(std::string_view title, std::string_view untitled);

// The first free file: directory + name + ext, else directory + name
// + " (2)" + ext, " (3)"... directory ends with '/'.
std::string FreeSongFile(
    const std::string& directory, const std::string& name, const std::string& ext);

// The names of the pieces of a recording split at each new title. A song
// heard from its title to the next title is whole; one that the start or
// the end of the recording cuts, or that no title follows, gets the
// partial marker. A piece with no title is named untitled, until the first
// title comes, which names it.
class TitleSplit {
public:
    TitleSplit(std::string untitled, std::string partialMarker);

    // The title already playing when the recording began; nothing once a
    // new title has come.
    void startTitle(std::string_view title);
    // A title the player announces: nullopt when it is the one playing,
    // else a new piece begins and this is the name of the one that ended.
    std::optional<std::string> newTitle(std::string_view title);
    // The name of the piece being recorded, were the recording to end now.
    std::string currentName() const { return name(true); }

private:
    std::string name(bool cut) const;

    std::string m_untitled;
    std::string m_marker;
    std::string m_title;
    bool m_beganAtChange = false; // the piece's song began at a title change
    bool m_changed = false; // a new title has come
};
