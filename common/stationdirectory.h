#pragma once

#include <string>
#include <string_view>
#include <vector>

// The community station directory: the requests the player sends to one of
// its servers and the answers it reads back. Plain data and text; the
// fetches themselves go through the bounded fetch of the caller.

struct DirectoryStation {
    std::string uuid;
    std::string name;
    std::string stream; // the directory's resolved stream address
    std::string homepage;
    std::string favicon;
    std::string country;
    std::string countryCode;
    std::string language;
    std::string tags; // comma-separated, as the directory gives them
    std::string codec;
    int bitrate = 0; // kbit/s, 0 when unknown
    bool working = false; // the directory's last check found the stream playing
};

// The country filter's first choices, then every country ("" code).
struct DirectoryCountry {
    const char* code;
    const char* name; // UTF-8
};
inline constexpr DirectoryCountry kDirectoryCountries[] = {
    { "FR", "France" },
    { "BE", "Belgique" },
    { "CH", "Suisse" },
    { "CA", "Canada" },
    { "LU", "Luxembourg" },
    { "", "Tous les pays" },
};

struct DirectoryQuery {
    std::string name; // UTF-8, may be empty
    std::string countryCode; // "FR"..., empty for every country
    std::string language; // "french"..., empty for every language
    std::string tag; // "jazz"..., empty for every genre
    bool showBroken = false;
    int limit = 200;
};

// The path of the list of the directory's servers, which every server
// answers.
inline constexpr const char* kDirectoryServersPath = "/json/servers";

// The path and query of a station search, every value percent-encoded,
// ordered by the directory's vote count.
std::string DirectorySearchPath(const DirectoryQuery& query);
// The path that counts a play of a station and answers its stream.
std::string DirectoryClickPath(std::string_view uuid);

struct DirectoryAnswer {
    std::vector<DirectoryStation> stations;
    std::string error; // empty when the answer could be read
};

// Reads a search answer (a JSON array of stations). Stations without a name
// or without an http or https stream are left out. An answer that is not a
// JSON array gives an error and no station.
DirectoryAnswer ReadDirectoryStations(std::string_view json);

// The host names of a server list answer, in its order, without repeats;
// empty when the answer cannot be read.
std::vector<std::string> ReadDirectoryServers(std::string_view json);

// The stations to show: broken ones only when asked for, and, when text is
// not empty, those whose name contains it, accents and case ignored.
std::vector<DirectoryStation> FilterDirectory(
    const std::vector<DirectoryStation>& stations, std::string_view text, bool showBroken);

// The description a generated station page carries: country, language and
// genres, the empty ones left out.
std::string DirectoryDescription(const DirectoryStation& station);

// What adding a directory station to the listener's list did.
enum class DirectoryAddResult {
    Added,
    NameExists, // the index already holds the name: ask, then add a second copy
    UnsafeName, // the name cannot name a page file
    WriteFailed, // the page or the index could not be written; nothing changed
};

struct DirectoryAdd {
    DirectoryAddResult result = DirectoryAddResult::WriteFailed;
    std::string name; // Windows-1252, as the index holds it
    std::string message; // UTF-8, for the listener; empty when added
};

inline constexpr const char* kDirectoryDuplicateQuestion
    = "« %1 » est déjà dans votre liste.\nAjouter une seconde station de ce nom ?";

// Makes a real station of a directory result: a page generated from the
// HTML directory's template with its name, stream, site and description, the
// logo at logoPath (empty for the default logo) copied under a plain ASCII
// name made from the station's, and an active line of the index. A name the index holds gives
// NameExists unless secondCopy, which adds the station as "Name (2)" (or the
// next free number). Names that would make an unsafe page file, or hold
// characters outside Windows-1252, are refused.
DirectoryAdd AddDirectoryStation(const std::string& htmlDir, const DirectoryStation& station,
    const std::string& logoPath, bool secondCopy);
