#include "common/directoryfetch.h"

#include <algorithm>
#include <random>

#include "common/fetch.h"
#include "common/stationdirectory.h"
#include "common/textfile.h"

namespace {

// One GET through the bounded fetch; true for a complete 2xx answer within
// the bounds.
bool getBounded(const std::string& url, const std::string& userAgent, int limitSeconds,
    std::size_t maxBytes, std::string& body)
{
    WebAnswer answer;
    if (!FetchWebAnswer(url, userAgent, limitSeconds, answer, nullptr, maxBytes) || !answer.reached
        || answer.status < 200 || answer.status >= 300)
        return false;
    body = std::move(answer.body);
    return true;
}

std::string withoutTrailingSlashes(std::string address)
{
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

// A server list names a few dozen servers in a few kilobytes.
constexpr std::size_t kMaxServerListBytes = 256 * 1024;

} // namespace

std::vector<std::string> DirectoryServerList(std::string_view setting)
{
    std::vector<std::string> servers;
    std::string name;
    const auto flush = [&] {
        if (name.empty())
            return;
        servers.push_back(IsWebAddress(name) ? name : "https://" + name);
        name.clear();
    };
    for (const char c : setting) {
        if (c == ',' || c == ' ' || c == '\t' || c == ';')
            flush();
        else
            name += c;
    }
    flush();
    return servers;
}

std::string DirectoryServerAddress(const std::string& source, const std::string& name)
{
    const std::size_t scheme = source.find("://");
    const std::size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t hostEnd = std::min(source.find_first_of(":/", hostStart), source.size());
    return source.substr(0, hostStart) + name + source.substr(hostEnd);
}

std::vector<std::string> ResolveDirectoryServers(
    const std::vector<std::string>& sources, const std::string& userAgent, int limitSeconds)
{
    std::vector<std::string> servers;
    for (const std::string& source : sources) {
        if (FetchWorkersStopping())
            break;
        std::string body;
        if (!getBounded(withoutTrailingSlashes(source) + kDirectoryServersPath, userAgent,
                limitSeconds, kMaxServerListBytes, body))
            continue;
        for (const std::string& name : ReadDirectoryServers(body))
            servers.push_back(DirectoryServerAddress(source, name));
        if (!servers.empty())
            break;
    }
    std::shuffle(servers.begin(), servers.end(), std::mt19937(std::random_device {}()));
    for (const std::string& source : sources) {
        if (std::find(servers.begin(), servers.end(), source) == servers.end())
            servers.push_back(source);
    }
    return servers;
}

DirectoryReply FetchFromDirectory(const std::vector<std::string>& servers, const std::string& path,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes,
    const std::function<bool(const std::string& body)>& accept)
{
    DirectoryReply reply;
    for (const std::string& server : servers) {
        if (FetchWorkersStopping())
            break;
        std::string body;
        if (!getBounded(
                withoutTrailingSlashes(server) + path, userAgent, limitSeconds, maxBytes, body))
            continue;
        if (accept && !accept(body)) {
            reply.unreadable = true;
            continue;
        }
        reply.answered = true;
        reply.body = std::move(body);
        reply.server = server;
        return reply;
    }
    return reply;
}

bool FetchDirectoryFile(const std::string& address, const std::string& destination,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes)
{
    std::string body;
    if (!IsWebAddress(address) || !getBounded(address, userAgent, limitSeconds, maxBytes, body)
        || body.empty())
        return false;
    return WriteTextFile(destination, body);
}
