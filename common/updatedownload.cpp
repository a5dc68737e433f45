#include "common/updatedownload.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <curl/curl.h>

#include "common/fetch.h"
#include "common/webclient.h"

namespace {

struct Transfer {
    std::FILE* file = nullptr; // or else the bytes go to text
    std::string* text = nullptr;
    long long written = 0;
    bool failed = false;
    const std::atomic<bool>* cancel = nullptr;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* opaque)
{
    auto* transfer = static_cast<Transfer*>(opaque);
    const std::size_t bytes = size * count;
    if (transfer->cancel->load())
        return 0;
    if (transfer->text != nullptr) {
        transfer->text->append(data, bytes);
    } else if (std::fwrite(data, 1, bytes, transfer->file) != bytes) {
        transfer->failed = true;
        return 0;
    }
    transfer->written += static_cast<long long>(bytes);
    return bytes;
}

int onProgress(void* opaque, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer*>(opaque)->cancel->load() ? 1 : 0;
}

bool downloadWeb(const std::string& address, Transfer& transfer, const DownloadOptions& options)
{
    // Files to install are always fetched fresh from the server.
    curl_slist* headers = nullptr;
    CURL* curl = NewWebRequest(address, true, &headers);
    if (curl == nullptr)
        return false;
    // An error page is not the file: it is never installed.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    if (!options.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result == CURLE_OK;
}

bool copyLocal(const std::string& path, Transfer& transfer)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st { };
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char piece[65536];
    while (ok) {
        const ssize_t got = ::read(fd, piece, sizeof piece);
        if (got == 0)
            break;
        ok = got > 0
            && onBody(piece, 1, static_cast<std::size_t>(got), &transfer)
                == static_cast<std::size_t>(got);
    }
    ::close(fd);
    return ok;
}

// One listing fetch shared by the caller and its worker; an abandoned worker
// only ever writes into its own job.
struct ListingJob {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool ok = false;
    std::string text;
    std::atomic<bool> cancel { false };
};

bool fetchListingOnce(
    const std::string& address, int limitSeconds, std::string& text, const DownloadOptions& options)
{
    auto job = std::make_shared<ListingJob>();
    try {
        std::thread([job, address, options] {
            std::string received;
            Transfer transfer;
            transfer.text = &received;
            transfer.cancel = &job->cancel;
            const bool ok = IsWebAddress(address) ? downloadWeb(address, transfer, options)
                                                  : copyLocal(address, transfer);
            std::lock_guard lock(job->mutex);
            job->ok = ok;
            job->text = std::move(received);
            job->done = true;
            job->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    const auto wait = std::chrono::milliseconds(std::max(limitSeconds, 0) * 1000LL + 2000);
    std::unique_lock lock(job->mutex);
    if (!job->finished.wait_for(lock, wait, [&] { return job->done; })) {
        job->cancel.store(true);
        return false;
    }
    if (!job->ok)
        return false;
    text = std::move(job->text);
    return true;
}

} // namespace

bool FetchListingText(
    const std::string& address, int limitSeconds, std::string& text, const DownloadOptions& options)
{
    return fetchListingOnce(address, limitSeconds, text, options)
        || fetchListingOnce(address, limitSeconds, text, options);
}

bool DownloadToFile(const std::string& address, const std::string& destination,
    const std::atomic<bool>& cancel, const DownloadOptions& options)
{
    Transfer transfer;
    transfer.cancel = &cancel;
    transfer.file = std::fopen(destination.c_str(), "wb");
    if (transfer.file == nullptr)
        return false;
    const bool complete = IsWebAddress(address) ? downloadWeb(address, transfer, options)
                                                : copyLocal(address, transfer);
    const bool closed = std::fclose(transfer.file) == 0;
    const bool ok
        = complete && closed && !transfer.failed && !cancel.load() && transfer.written >= 10;
    if (!ok)
        std::remove(destination.c_str());
    return ok;
}

std::string EncodeNameForAddress(std::string_view name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_'
            || byte == '~';
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}
