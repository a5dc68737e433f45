#pragma once

#include <atomic>
#include <string>
#include <string_view>

// One download of the updater: a file of the update server copied byte for
// byte into a file here, on the caller's thread. The updater runs each
// attempt on its own worker thread with its own destination file, under a
// watchdog that may ask it to stop.

struct DownloadOptions {
    // A file of trusted certificates to use instead of the system's (an
    // update server of one's own with its own authority).
    std::string caFile;
};

// Copies address (an http:// or https:// address, or else a local path) into
// destination. True when the whole file arrived, the server did not answer
// with an error status, and it holds at least 10 bytes. On failure, or when
// cancel becomes true, the destination is removed and false returned.
bool DownloadToFile(const std::string& address, const std::string& destination,
    const std::atomic<bool>& cancel, const DownloadOptions& options = {});

// Reads a listing answer into text on a worker thread, waiting for it at
// most limitSeconds * 1000 + 2000 ms, then once more for a second worker.
// False when both waits ran out, the server could not be reached, or it
// answered with an error status: a folder that cannot be listed is never
// taken for an empty one.
bool FetchListingText(const std::string& address, int limitSeconds, std::string& text,
    const DownloadOptions& options = {});

// A file name as it goes into an address: every byte other than letters,
// digits and "-._~" percent-encoded, so that names with blanks, accents,
// "#" or "?" reach the server as they are.
std::string EncodeNameForAddress(std::string_view name);
