#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The calls to the community station directory: each one goes through the
// bounded fetch, limited in time and in size, sent with the player's
// User-Agent, and tried on the servers of the list in their order until one
// answers. Runs on the caller's thread (a fetch worker).

// The setting that names where the directory's server list comes from, and
// its default: the DNS name that leads to every server of the directory.
inline constexpr const char* kDirectoryServersKey = "Serveurs annuaire";
inline constexpr const char* kDefaultDirectoryServers = "all.api.radio-browser.info";

// The servers of the setting, split at commas and blanks, in their order. A
// name without "http://" or "https://" is reached over https.
std::vector<std::string> DirectoryServerList(std::string_view setting);

// The address of a server that a server list names, reached the way the
// list's source was: the source's scheme, port and path, with the name as
// its host.
std::string DirectoryServerAddress(const std::string& source, const std::string& name);

// The servers to ask: the list of the first source that gives one, in a
// random order (the directory spreads its load that way), then the sources
// themselves; the sources alone when none gives a list.
std::vector<std::string> ResolveDirectoryServers(
    const std::vector<std::string>& sources, const std::string& userAgent, int limitSeconds);

struct DirectoryReply {
    bool answered = false; // one server gave a complete 2xx answer that was accepted
    bool unreadable = false; // some server answered, but with nothing accepted
    std::string body;
    std::string server; // the server that answered
};

// GETs path from each server in turn; the first complete 2xx answer within
// limitSeconds and maxBytes that accept (when given) takes is kept. Servers
// that cannot be reached, answer with an error status or an answer accept
// refuses, run out of time or send too much are passed over. Gives up when
// the program is leaving.
DirectoryReply FetchFromDirectory(const std::vector<std::string>& servers, const std::string& path,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes,
    const std::function<bool(const std::string& body)>& accept = {});

// Copies a web address into destination, within limitSeconds and maxBytes;
// false (and no file) when it could not be had in full.
bool FetchDirectoryFile(const std::string& address, const std::string& destination,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes);
