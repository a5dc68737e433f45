#pragma once

#include <string>
#include <vector>

// A playlist file opened with the player (.pls, .m3u, .m3u8, .asx, .xspf,
// from the file manager or the command line) plays like a station: it gets
// a station page of its own in the HTML directory's "lecture/" folder, with
// a copy of the playlist beside it (the file handed over may be a download
// that goes away), and the player is started or told as with "-radio".
// Pages there are not stations of the index: a rebuild looks at the top of
// the HTML directory only.
inline constexpr const char* kOpenedPlaylistFolder = "lecture/";

// The first argument that names an existing regular file with a playlist
// extension (any case), made absolute against currentDir (ends with '/');
// empty when there is none.
std::string FindPlaylistArgument(
    const std::vector<std::string>& arguments, const std::string& currentDir);

struct OpenedPlaylist {
    // The page to play, relative to the HTML directory
    // ("lecture/<name>.htm"); empty on failure.
    std::string page;
    // The station name shown, Windows-1252.
    std::string title;
    // Why nothing could be made (UTF-8, for the listener); empty on success.
    std::string error;
};

// Reads the playlist at path, checks that it names at least one address,
// and writes its copy and its page under htmlDir + kOpenedPlaylistFolder.
// The page's name comes from the playlist's first title, or from the file's
// name; opening the same playlist again reuses its page.
OpenedPlaylist MakePlaylistPage(const std::string& htmlDir, const std::string& path);

inline constexpr const char* kPlaylistErrorTitle = "Liste de lecture";
