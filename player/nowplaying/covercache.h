#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "nowplaying/streamsongs.h"

// What the lookups found, kept on disk between runs so that a song is never
// looked up twice: for each song a small text file of its details and, when
// a cover was found, the image beside it. The folder is held under a size
// limit by removing the songs used longest ago.
class CoverCache {
public:
    // 20 MB: about a thousand 250-pixel covers.
    static constexpr std::uintmax_t kDefaultLimitBytes = 20u * 1024 * 1024;

    // dir ends with '/'; it is made when the first song is stored.
    explicit CoverCache(std::string dir, std::uintmax_t limitBytes = kDefaultLimitBytes);

    // $XDG_CACHE_HOME/sonalto/pochettes/, or ~/.cache/sonalto/pochettes/
    // when the variable is unset or not an absolute path.
    static std::string DefaultDirectory();

    const std::string& directory() const { return m_dir; }

    // The same name for the same artist and title whatever their letter
    // case: 16 hexadecimal digits.
    static std::string Key(std::string_view artist, std::string_view title);

    // The details stored for the song, the cover file checked to be there;
    // nullopt when the song was never stored. releasePage holds the
    // release's identifier, not an address.
    std::optional<SongDetails> find(const std::string& key) const;

    // Stores the details, and the cover's bytes when there are any, each
    // file replaced atomically; then trims the folder to its limit. Gives
    // the details as find() will give them (coverFile set when a cover went
    // in). nullopt when the folder cannot be written.
    std::optional<SongDetails> store(
        const std::string& key, SongDetails details, std::string_view coverBytes);

    // Removes the songs used longest ago until the folder holds at most the
    // limit.
    void trim() const;

private:
    std::string m_dir;
    std::uintmax_t m_limit;
};
