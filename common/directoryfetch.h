#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The calls to the community station directory: each one bounded in time and
// in size, sent with the player's User-Agent, and tried on the servers of the
// list in their order until one answers. Runs on the caller's thread (a
// fetch worker).

// The setting that lists the directory's servers, and its default.
inline constexpr const char* kDirectoryServersKey = "Serveurs annuaire";
inline constexpr const char* kDefaultDirectoryServers
    = "de1.api.radio-browser.info,fr1.api.radio-browser.info,at1.api.radio-browser.info";

// The servers of the setting, split at commas and blanks, in their order. A
// name without "http://" or "https://" is reached over https.
std::vector<std::string> DirectoryServerList(std::string_view setting);

struct DirectoryReply {
    bool answered = false; // one server gave a complete 2xx answer that was accepted
    bool unreadable = false; // some server answered, but with nothing accepted
    std::string body;
    std::string server; // the server that answered
};

// GETs path from each server in turn; the first complete 2xx answer within
// limitSeconds and maxBytes that accept (when given) takes is kept. Servers
// that cannot be reached, answer with an error status or an answer accept
// refuses, run out of time or send too much are passed over.
DirectoryReply FetchFromDirectory(const std::vector<std::string>& servers, const std::string& path,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes,
    const std::function<bool(const std::string& body)>& accept = {});

// Copies a web address into destination, within limitSeconds and maxBytes;
// false (and no file) when it could not be had in full.
bool FetchDirectoryFile(const std::string& address, const std::string& destination,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes);
