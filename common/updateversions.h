#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "common/settings.h"

// The updater's view of the installation and of the update servers: what it
// reads from Sonalto.ini, the server list URLs_update.txt, the version file
// versions.txt here and on a server, and what it writes back.

inline constexpr const char* kServerListFileName = "URLs_update.txt";
inline constexpr const char* kServerListSection = "Liste des URLs d'update";
inline constexpr const char* kVersionsFileName = "versions.txt";
inline constexpr const char* kSoftwareSection = "Version Soft";
inline constexpr const char* kStationListSection = "Version Liste Radio";

// What the updater reads from Sonalto.ini.
struct UpdaterSettings {
    std::string htmlDir; // ends with '/'
    bool skin = false;
    int skinHue = kDefaultSkinHue;
};

// "Path HTML", "Skin" and "Couleur du skin" from programDir + "Sonalto.ini".
// A missing file, or an empty "Path HTML", gives programDir + "html/"; a hue
// of 0 or one that does not read as a number gives 96.
UpdaterSettings ReadUpdaterSettings(const std::string& programDir);

// The update servers, each a base address such as "https://maj.example.org",
// in the random order they are tried in.
struct ServerTable {
    static constexpr int kMax = 10;
    std::array<std::string, kMax> servers;
    int count = 0;
    int chosen = -1;
};

// Reads the keys "URL0" to "URL9" of the server list file up to the first
// empty one and places the values in random slots of the table (the seed
// makes the order repeatable). False when there is no server.
bool ReadServerList(const std::string& programDir, ServerTable& table, std::uint32_t seed);
bool ReadServerListText(const std::string& text, ServerTable& table, std::uint32_t seed);

// The version file of a server, as cut into values.
struct RemoteVersions {
    std::string softwareVersion;
    std::string softwareDate;
    std::string softwareComment;
    std::string stationListVersion;
    std::string stationListDate;
    std::string stationListComment;
};

// What a server has that the installation has not.
struct VersionCheck {
    RemoteVersions remote;
    bool softwareUpdate = false;
    bool stationListUpdate = false;
};

// A date written "day/month/year" with the year counted from 2000, each a
// decimal number ("15/3/05", "01/01/06"), as local midnight. nullopt when it
// does not read as three numbers or names no real time.
std::optional<std::time_t> ParseUpdateDate(std::string_view text);

// The date a missing or unreadable local version date counts as: every
// remote item is then newer.
std::time_t OldestUpdateDate();

// The two dates of programDir + "versions.txt"; OldestUpdateDate() where a
// date is missing or unreadable.
struct LocalDates {
    std::time_t software = 0;
    std::time_t stationList = 0;
};
LocalDates ReadLocalDates(const std::string& programDir);

// Cuts the text of a server's "/versions.txt" into its values and compares
// its dates with the local ones. False when the text is not a usable version
// file: a section missing, the station list section before the software
// one, or a version value missing.
bool ParseRemoteVersions(std::string_view text, const LocalDates& local, VersionCheck& check);

// Fetches server + "/versions.txt" and parses it against the local dates.
// False when the server did not answer in time or its file is not usable.
bool CheckServer(const std::string& server, const std::string& programDir, VersionCheck& check);

// The text after the first "://" of a server address.
std::string ServerName(const std::string& server);

// Writes "Derniere Update" = "dd/mm/yy" of the given time into
// programDir + "Sonalto.ini", leaving every other key as it was.
bool WriteLastUpdate(const std::string& programDir, std::time_t when);

// Writes "Version", "Date" and "Comment" of the selected sections of
// programDir + "versions.txt" from the server's values, a line feed in a
// comment stored as the two characters backslash and n.
bool WriteLocalVersions(
    const std::string& programDir, const RemoteVersions& remote, bool software, bool stationList);

// Replaces each backslash-n pair by a line feed, and back.
std::string ExpandLineBreaks(std::string_view text);
std::string EscapeLineBreaks(std::string_view text);
