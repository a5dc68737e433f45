#include "common/webclient.h"

#include <cstdlib>
#include <mutex>

CURL* NewWebRequest(const std::string& url, bool noCache, curl_slist** headers)
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    *headers = nullptr;
    CURL* curl = curl_easy_init();
    if (curl == nullptr)
        return nullptr;
    if (noCache) {
        *headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
        *headers = curl_slist_append(*headers, "Pragma: no-cache");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, *headers);
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 60L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
    // An update server of one's own, or a test's, may use a private
    // authority: SONALTO_CA_FILE names its PEM file, trusted on top of the
    // system's certificates.
    if (const char* authority = std::getenv(kExtraAuthorityVariable);
        authority != nullptr && *authority != '\0') {
        curl_easy_setopt(curl, CURLOPT_CAINFO, authority);
        curl_easy_setopt(curl, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    return curl;
}
