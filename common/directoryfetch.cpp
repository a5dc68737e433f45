#include "common/directoryfetch.h"

#include <cstdio>

#include <curl/curl.h>

#include "common/fetch.h"
#include "common/textfile.h"
#include "common/webclient.h"

namespace {

struct Body {
    std::string bytes;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* sink)
{
    auto* body = static_cast<Body*>(sink);
    const std::size_t bytes = size * count;
    if (body->bytes.size() + bytes > body->maxBytes) {
        body->tooLarge = true;
        return 0;
    }
    body->bytes.append(data, bytes);
    return bytes;
}

// One GET; true for a complete 2xx answer within the bounds.
bool getBounded(const std::string& url, const std::string& userAgent, int limitSeconds, Body& body)
{
    curl_slist* headers = nullptr;
    CURL* curl = NewWebRequest(url, false, &headers);
    if (curl == nullptr)
        return false;
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(limitSeconds));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limitSeconds));
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result == CURLE_OK && !body.tooLarge && status >= 200 && status < 300;
}

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

DirectoryReply FetchFromDirectory(const std::vector<std::string>& servers, const std::string& path,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes,
    const std::function<bool(const std::string& body)>& accept)
{
    DirectoryReply reply;
    for (const std::string& server : servers) {
        std::string base = server;
        while (!base.empty() && base.back() == '/')
            base.pop_back();
        Body body;
        body.maxBytes = maxBytes;
        if (getBounded(base + path, userAgent, limitSeconds, body)) {
            if (accept && !accept(body.bytes)) {
                reply.unreadable = true;
                continue;
            }
            reply.answered = true;
            reply.body = std::move(body.bytes);
            reply.server = server;
            return reply;
        }
    }
    return reply;
}

bool FetchDirectoryFile(const std::string& address, const std::string& destination,
    const std::string& userAgent, int limitSeconds, std::size_t maxBytes)
{
    if (!IsWebAddress(address))
        return false;
    Body body;
    body.maxBytes = maxBytes;
    if (!getBounded(address, userAgent, limitSeconds, body) || body.bytes.empty())
        return false;
    return WriteTextFile(destination, body.bytes);
}
