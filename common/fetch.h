#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

// Bounded reading of an address: an http:// or https:// address fetched with
// a GET request, or else the path of a local file. The module keeps no state
// between calls.

// How the lines of a fetched text are joined, and how long the caller keeps
// trying.
enum class FetchForm {
    // The player's: lines run together without their line ends; one worker.
    Player,
    // The updater's: each line followed by CR LF; when the first worker runs
    // out of time a second one is started and waited for with the same limit.
    Updater,
};

// What a download is for. Covers may come from a cache on the way; files to
// install are always reloaded from the server.
enum class FetchUse {
    Cover,
    Install,
};

// True when the address names a web resource ("http://" or "https://"
// anywhere in it, exact letter case); anything else is a local path.
bool IsWebAddress(const std::string& address);

// Reads address as text on a worker thread and waits for it at most
// limitSeconds * 1000 + 2000 ms. True when the worker finished in time,
// whether or not the address could be read: an address that cannot be opened
// gives true and an empty text. False when the wait ran out; text is then
// left as it was. A worker that runs out of time is abandoned: what it still
// reads never reaches this call or a later one, and it stops at its next
// progress check.
bool FetchText(const std::string& address, int limitSeconds, std::string& text,
    FetchForm form = FetchForm::Player);

// Copies address byte for byte into destination (created or truncated once
// the address is open) and tells whether at least 10 bytes were written. An
// address that cannot be opened writes nothing. Runs on the caller's thread;
// a server that stops sending is given up after the client's usual idle time.
bool FetchToFile(const std::string& address, const std::string& destination, FetchUse use);

// What a web server answered to a GET request.
struct WebAnswer {
    bool reached = false; // the server answered and the transfer ended normally
    long status = 0; // the HTTP status of the last answer, after redirects
    std::string retryAfter; // its Retry-After header, empty when none
    std::string body; // the bytes as sent
};

// Reads a web address as FetchText does, on a worker thread waited for at
// most limitSeconds * 1000 + 2000 ms, but keeps the answer's status, its
// Retry-After header and its bytes as they are, and names the client with
// userAgent. False when the wait ran out, or when cancel (if given) was set
// meanwhile; answer is then left as it was. With maxBytes, an answer longer
// than that is cut off there and not reached.
bool FetchWebAnswer(const std::string& address, const std::string& userAgent, int limitSeconds,
    WebAnswer& answer, const std::atomic<bool>* cancel = nullptr, std::size_t maxBytes = 0);

// True once StopFetchWorkers was called: work between fetches (a pause
// before the next request) gives up.
bool FetchWorkersStopping();

// The number of fetch workers still running, abandoned ones included.
int FetchWorkersRunning();

// Runs work on a worker thread of its own, counted with the fetch workers
// (work that fetches, such as a feed or a cover). False when no thread
// could be started.
bool StartFetchWorker(std::function<void()> work);

// For a program that leaves: every transfer stops at its next step, and
// this waits until no worker runs any more. False when some still ran at
// the end of timeout; the program must then end without running its
// static destructors, which the workers may still use.
bool StopFetchWorkers(std::chrono::milliseconds timeout);
