#pragma once

#include <string>
#include <string_view>
#include <vector>

// Station playlists: the small text files (.pls, .m3u, .asx, .xspf) that
// point at the real stream addresses. Pure text in, entries out; fetching
// the text is the caller's business.

enum class PlaylistFormat {
    None, // not a playlist (or not recognised): play the address itself
    Pls, // [playlist] File1=… (also the [Reference] Ref1=… form)
    M3u, // one address per line, #EXTINF and other comments
    Hls, // an .m3u8 with #EXT-X- tags: a live stream, never expanded
    Asx, // <asx><entry><ref href="…"/></entry></asx>
    Xspf, // <playlist><trackList><track><location>…</location>
};

struct PlaylistEntry {
    std::string location; // as written, relative or absolute
    std::string title; // empty when the playlist gives none

    bool operator==(const PlaylistEntry&) const = default;
};

// The format the address's path ends with (".pls", ".M3U", ".m3u8"…), query
// and fragment ignored. An .m3u8 answers M3u: whether it is HLS is only
// known from its content.
PlaylistFormat PlaylistFormatFromAddress(std::string_view address);

// The format a Content-Type header names, parameters ignored; None for an
// audio type or anything else. A playlist served as plain text has to be
// sniffed.
PlaylistFormat PlaylistFormatFromContentType(std::string_view contentType);

// The format the text itself shows, or None. An M3U carrying #EXT-X- tags
// is Hls.
PlaylistFormat SniffPlaylistFormat(std::string_view text);

// The entries of the playlist, in order, empty locations dropped. A leading
// UTF-8 byte order mark and CR LF or LF line ends are accepted. For M3u an
// #EXT-X- tag makes the whole text HLS and no entries come back.
std::vector<PlaylistEntry> ParsePlaylist(std::string_view text, PlaylistFormat format);

// The address a station's stream link stands for, before any fetch:
// surrounding blanks dropped, "mms://" and "mmsh://" tried as "http://",
// an address with a scheme kept, and a path made absolute against htmlDir
// (a directory with or without its trailing '/') when it is relative.
std::string NormalizeStreamLink(std::string_view link, std::string_view htmlDir);

// True when the text starts with a URI scheme ("http:", "file:"…).
bool HasUriScheme(std::string_view address);
