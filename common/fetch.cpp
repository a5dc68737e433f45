#include "common/fetch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <curl/curl.h>

#include "common/webclient.h"

namespace {

std::atomic<int> g_workersRunning { 0 };
// Set once the program is leaving: every transfer stops at its next step.
std::atomic<bool> g_stopAll { false };

// Where the bytes of a transfer go. Returns false to stop the transfer.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool write(const char* data, std::size_t size) = 0;
};

// Keeps the bytes, at most maxBytes of them when that is not 0.
class StringSink : public Sink {
public:
    explicit StringSink(const std::atomic<bool>* stop, std::size_t maxBytes = 0)
        : m_stop(stop)
        , m_maxBytes(maxBytes)
    {
    }
    bool write(const char* data, std::size_t size) override
    {
        if (m_stop != nullptr && m_stop->load())
            return false;
        if (m_maxBytes != 0 && m_bytes.size() + size > m_maxBytes)
            return false;
        m_bytes.append(data, size);
        return true;
    }
    std::string& bytes() { return m_bytes; }

private:
    const std::atomic<bool>* m_stop;
    std::size_t m_maxBytes;
    std::string m_bytes;
};

// Creates the destination on the first byte, or when asked once the address
// turned out to be open, so that an address that cannot be opened writes
// nothing.
class FileSink : public Sink {
public:
    explicit FileSink(std::string path)
        : m_path(std::move(path))
    {
    }
    ~FileSink() override { close(); }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool write(const char* data, std::size_t size) override
    {
        create();
        // Write errors are not reported; only what was written counts.
        if (m_file != nullptr)
            m_total += std::fwrite(data, 1, size, m_file);
        return true;
    }
    void create()
    {
        if (!m_created) {
            m_created = true;
            m_file = std::fopen(m_path.c_str(), "wb");
        }
    }
    void close()
    {
        if (m_file != nullptr) {
            std::fclose(m_file);
            m_file = nullptr;
        }
    }
    std::size_t total() const { return m_total; }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_created = false;
    std::size_t m_total = 0;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* sink)
{
    const std::size_t bytes = size * count;
    return static_cast<Sink*>(sink)->write(data, bytes) ? bytes : 0;
}

int onProgress(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return g_stopAll.load()
            || (stop != nullptr && static_cast<const std::atomic<bool>*>(stop)->load())
        ? 1
        : 0;
}

// Web addresses as written in pages and feeds may hold blanks and accented
// letters; they travel percent-encoded, everything else as written.
std::string encodeForRequest(const std::string& address)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(address.size());
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

// Runs one GET request into sink. True when the server was reached and the
// transfer ended normally, whatever its status: an error page is content.
bool getWeb(const std::string& address, Sink& sink, bool reload, const std::atomic<bool>* stop)
{
    // With reload, every cache on the way is asked for a fresh copy.
    curl_slist* headers = nullptr;
    CURL* curl = NewWebRequest(encodeForRequest(address), reload, &headers);
    if (curl == nullptr)
        return false;
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(stop));
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result == CURLE_OK;
}

// Copies a regular local file into sink in pieces of at most 4095 bytes.
// False when it cannot be opened.
bool readLocal(const std::string& path, Sink& sink)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info { };
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    char piece[4095];
    for (;;) {
        const ssize_t got = ::read(fd, piece, sizeof piece);
        if (got <= 0 || !sink.write(piece, static_cast<std::size_t>(got)))
            break;
    }
    ::close(fd);
    return true;
}

// Joins the lines of content in the given form. A line ends at a line feed,
// with a carriage return just before it belonging to the line end; a last
// line without a line feed still counts.
std::string joinLines(std::string_view content, FetchForm form)
{
    std::string text;
    text.reserve(content.size() + content.size() / 16);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? content.size() : end + 1;
        if (end == std::string_view::npos)
            end = content.size();
        std::size_t lineEnd = end;
        if (lineEnd > start && content[lineEnd - 1] == '\r' && end < content.size())
            --lineEnd;
        text.append(content.substr(start, lineEnd - start));
        if (form == FetchForm::Updater)
            text.append("\r\n");
        start = next;
    }
    return text;
}

// One fetch shared by the caller and its worker. The worker holds its own
// reference, so an abandoned worker only ever writes into this job, which
// nobody reads any more.
template <typename Result> struct Job {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    Result result;
    std::atomic<bool> abandoned { false };
};

// Runs work(abandoned) on a worker counted among the running ones and waits
// for its result, limitSeconds and two seconds more. False when the wait ran
// out, cancel was set or the worker could not be started; the worker then
// finishes on its own and what it hands over is dropped.
template <typename Result, typename Work>
bool runJob(Work work, int limitSeconds, const std::atomic<bool>* cancel, Result& out)
{
    auto job = std::make_shared<Job<Result>>();
    g_workersRunning.fetch_add(1);
    try {
        std::thread([job, work = std::move(work)]() mutable {
            Result result = work(job->abandoned);
            {
                std::lock_guard lock(job->mutex);
                job->result = std::move(result);
                job->done = true;
            }
            job->finished.notify_all();
            job.reset();
            g_workersRunning.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        g_workersRunning.fetch_sub(1);
        return false;
    }

    const auto deadline = std::chrono::steady_clock::now()
        + std::chrono::milliseconds(std::max(limitSeconds, 0) * 1000LL + 2000);
    std::unique_lock lock(job->mutex);
    while (!job->done) {
        const auto slice = std::min<std::chrono::steady_clock::duration>(
            deadline - std::chrono::steady_clock::now(), std::chrono::milliseconds(50));
        if (slice <= std::chrono::steady_clock::duration::zero()
            || (cancel != nullptr && cancel->load())) {
            job->abandoned.store(true);
            return false;
        }
        job->finished.wait_for(lock, slice, [&] { return job->done; });
    }
    out = std::move(job->result);
    return true;
}

// Starts one worker for address and waits for it; false when the wait ran
// out or the worker could not be started.
bool fetchOnce(const std::string& address, int limitSeconds, std::string& text, FetchForm form)
{
    return runJob(
        [address, form](const std::atomic<bool>& abandoned) {
            StringSink sink(&abandoned);
            if (IsWebAddress(address))
                getWeb(address, sink, true, &abandoned);
            else
                readLocal(address, sink);
            return joinLines(sink.bytes(), form);
        },
        limitSeconds, nullptr, text);
}

// The Retry-After header of the last answer of a transfer: every status
// line (one per redirect) starts a new answer.
std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* target)
{
    const std::size_t bytes = size * count;
    std::string& retryAfter = *static_cast<std::string*>(target);
    const std::string_view line(data, bytes);
    if (line.starts_with("HTTP/")) {
        retryAfter.clear();
        return bytes;
    }
    constexpr std::string_view name = "retry-after:";
    if (line.size() > name.size()) {
        std::string head(line.substr(0, name.size()));
        for (char& c : head)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        if (head == name) {
            std::string_view value = line.substr(name.size());
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
                value.remove_prefix(1);
            while (!value.empty()
                && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
                value.remove_suffix(1);
            retryAfter = std::string(value);
        }
    }
    return bytes;
}

} // namespace

bool FetchWebAnswer(const std::string& address, const std::string& userAgent, int limitSeconds,
    WebAnswer& answer, const std::atomic<bool>* cancel, std::size_t maxBytes)
{
    return runJob(
        [address, userAgent, maxBytes](const std::atomic<bool>& abandoned) {
            WebAnswer result;
            StringSink sink(&abandoned, maxBytes);
            curl_slist* headers = nullptr;
            if (CURL* curl = NewWebRequest(encodeForRequest(address), true, &headers)) {
                curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
                curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
                curl_easy_setopt(curl, CURLOPT_WRITEDATA, static_cast<Sink*>(&sink));
                curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
                curl_easy_setopt(curl, CURLOPT_HEADERDATA, &result.retryAfter);
                curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
                curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
                curl_easy_setopt(
                    curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&abandoned));
                result.reached = curl_easy_perform(curl) == CURLE_OK;
                curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
                curl_easy_cleanup(curl);
            }
            curl_slist_free_all(headers);
            result.body = std::move(sink.bytes());
            return result;
        },
        limitSeconds, cancel, answer);
}

bool FetchWorkersStopping()
{
    return g_stopAll.load();
}

bool IsWebAddress(const std::string& address)
{
    return address.find("http://") != std::string::npos
        || address.find("https://") != std::string::npos;
}

bool FetchText(const std::string& address, int limitSeconds, std::string& text, FetchForm form)
{
    if (fetchOnce(address, limitSeconds, text, form))
        return true;
    if (form == FetchForm::Updater)
        return fetchOnce(address, limitSeconds, text, form);
    return false;
}

bool FetchToFile(const std::string& address, const std::string& destination, FetchUse use)
{
    FileSink sink(destination);
    bool opened = false;
    if (IsWebAddress(address))
        opened = getWeb(address, sink, use == FetchUse::Install, nullptr);
    else
        opened = readLocal(address, sink);
    if (opened)
        sink.create();
    sink.close();
    return sink.total() >= 10;
}

int FetchWorkersRunning()
{
    return g_workersRunning.load();
}

bool StartFetchWorker(std::function<void()> work)
{
    g_workersRunning.fetch_add(1);
    try {
        std::thread([work = std::move(work)] {
            work();
            g_workersRunning.fetch_sub(1);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        g_workersRunning.fetch_sub(1);
        return false;
    }
}

bool StopFetchWorkers(std::chrono::milliseconds timeout)
{
    g_stopAll.store(true);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (g_workersRunning.load() > 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
