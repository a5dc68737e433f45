#pragma once

#include <string>

#include <curl/curl.h>

// The libcurl set-up every web request of the programs shares: only http and
// https, also after a redirect (ten at most); no signals; a minute to
// connect and half a minute without a single byte ends the transfer; with
// noCache, headers asking every cache on the way for a fresh copy. https
// trusts the system's authorities and the one of the PEM file that the
// variable SONALTO_CA_FILE names, if any.
// Returns a new handle for url, or nullptr; headers receives the list to
// free with curl_slist_free_all after the transfer (nullptr when none).
inline constexpr const char* kExtraAuthorityVariable = "SONALTO_CA_FILE";

CURL* NewWebRequest(const std::string& url, bool noCache, curl_slist** headers);
