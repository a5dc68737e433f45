#include "nowplaying/songlookup.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QUrl>

#include "common/fetch.h"
#include "common/hosts.h"
#include "common/ui/workermailbox.h"

namespace {

// Each request is given this many seconds, waited for two more (the bounded
// fetch); a service that takes longer counts as failed for this song.
constexpr int kFetchLimitSeconds = 5;
// A busy answer is asked again this many times at most.
constexpr int kAttempts = 3;
// A recording scored below this by the search is another song.
constexpr int kLowestScore = 80;
// Without a usable Retry-After.
constexpr std::chrono::seconds kDefaultBusyWait { 5 };

std::string withoutSlash(std::string service)
{
    while (!service.empty() && service.back() == '/')
        service.pop_back();
    return service;
}

// A phrase of the search syntax: quotes and backslashes escaped.
QString phrase(const std::string& text)
{
    QString escaped = QString::fromUtf8(text);
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

std::string text(const QJsonObject& object, const char* name)
{
    return object.value(QLatin1String(name)).toString().toStdString();
}

} // namespace

std::string LookupUserAgent()
{
    return std::string("Sonalto/") + SONALTO_VERSION + " ( " + kLookupContact + " )";
}

std::string RecordingSearchAddress(
    const std::string& service, const std::string& artist, const std::string& title)
{
    const QString query = QLatin1String("recording:") + phrase(title)
        + QLatin1String(" AND artist:") + phrase(artist);
    return withoutSlash(service) + "/ws/2/recording/?query="
        + QUrl::toPercentEncoding(query).toStdString() + "&fmt=json&limit=5";
}

std::optional<RecordingMatch> ParseRecordingSearch(std::string_view json)
{
    const QJsonDocument document
        = QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())));
    if (!document.isObject())
        return std::nullopt;
    const QJsonArray recordings = document.object().value(QLatin1String("recordings")).toArray();
    // The answer comes best-scored first; the first good one with a release
    // is taken.
    for (const QJsonValue& value : recordings) {
        const QJsonObject recording = value.toObject();
        const QJsonValue score = recording.value(QLatin1String("score"));
        if (score.isDouble() && score.toInt() < kLowestScore)
            continue;
        const QJsonArray releases = recording.value(QLatin1String("releases")).toArray();
        if (releases.isEmpty())
            continue;
        QJsonObject chosen = releases.first().toObject();
        std::string earliest;
        for (const QJsonValue& each : releases) {
            const QJsonObject release = each.toObject();
            const std::string date = text(release, "date");
            if (text(release, "status") != "Official" || date.empty())
                continue;
            // Dates are written year first, so text order is date order.
            if (earliest.empty() || date < earliest) {
                earliest = date;
                chosen = release;
            }
        }
        RecordingMatch match;
        match.releaseId = text(chosen, "id");
        match.album = text(chosen, "title");
        match.releaseDate = text(chosen, "date");
        if (match.releaseDate.empty())
            match.releaseDate = text(recording, "first-release-date");
        if (match.releaseId.empty())
            continue;
        return match;
    }
    return std::nullopt;
}

std::string CoverThumbnailAddress(const std::string& service, const std::string& releaseId)
{
    return withoutSlash(service) + "/release/" + releaseId + "/front-250";
}

std::string ReleasePageAddress(const std::string& service, const std::string& releaseId)
{
    return withoutSlash(service) + "/release/" + releaseId;
}

void RequestPacer::sent(Clock::time_point now)
{
    m_next = std::max(m_next, now + std::chrono::seconds(1));
}

void RequestPacer::busy(Clock::time_point now, std::string_view retryAfter)
{
    std::chrono::seconds wait = kDefaultBusyWait;
    const std::string value(retryAfter);
    if (!value.empty()
        && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        wait = std::chrono::seconds(value.size() > 6 ? kLongestWait.count() : std::stol(value));
    } else if (!value.empty()) {
        // An HTTP date: "Wed, 09 Dec 2026 17:00:00 GMT".
        std::tm when {};
        if (::strptime(value.c_str(), "%a, %d %b %Y %H:%M:%S", &when) != nullptr)
            wait = std::chrono::seconds(
                std::max<long long>(0, ::timegm(&when) - std::time(nullptr)));
    }
    wait = std::min(wait, kLongestWait);
    m_next = std::max(m_next, now + std::max(wait, std::chrono::seconds(1)));
}

struct SongLookup::Shared {
    std::mutex mutex;
    std::deque<Key> queue;
    bool running = false;
    std::atomic<bool> stop { false };
    std::atomic<int> sent { 0 };
    // Only the one running worker uses it.
    RequestPacer pacer;
};

// The worker's side, one lookup after the other until the queue is empty.
class LookupWorker {
public:
    using Shared = SongLookup::Shared;

    LookupWorker(std::shared_ptr<Shared> shared, SongLookup::Services services, CoverCache cache)
        : m_shared(std::move(shared))
        , m_services(std::move(services))
        , m_cache(std::move(cache))
        , m_userAgent(LookupUserAgent())
    {
    }

    bool stopped() const { return m_shared->stop.load() || FetchWorkersStopping(); }

    // Waits until the pacer lets a request go; false when the program or the
    // lookup stops meanwhile.
    bool waitForTurn()
    {
        for (;;) {
            if (stopped())
                return false;
            const auto now = RequestPacer::Clock::now();
            const auto next = m_shared->pacer.nextAllowed();
            if (now >= next)
                return true;
            std::this_thread::sleep_for(
                std::min<RequestPacer::Clock::duration>(next - now, std::chrono::milliseconds(50)));
        }
    }

    // One request, asked again while the service says it is busy. False
    // when it never got an answer.
    bool fetch(const std::string& address, WebAnswer& answer)
    {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (!waitForTurn())
                return false;
            m_shared->pacer.sent(RequestPacer::Clock::now());
            m_shared->sent.fetch_add(1);
            if (!FetchWebAnswer(address, m_userAgent, kFetchLimitSeconds, answer, &m_shared->stop))
                return false;
            if (answer.status != 503)
                return answer.reached;
            m_shared->pacer.busy(RequestPacer::Clock::now(), answer.retryAfter);
        }
        return false;
    }

    std::optional<SongDetails> lookUp(const std::string& artist, const std::string& title)
    {
        WebAnswer search;
        if (!fetch(RecordingSearchAddress(m_services.recordings, artist, title), search)
            || search.status != 200)
            return std::nullopt;
        const std::optional<RecordingMatch> match = ParseRecordingSearch(search.body);
        if (!match)
            return std::nullopt;
        SongDetails details { match->album, match->releaseDate, {}, match->releaseId };
        WebAnswer cover;
        std::string coverBytes;
        // A release without a cover answers 404: the details still count.
        if (fetch(CoverThumbnailAddress(m_services.covers, match->releaseId), cover)
            && cover.status == 200 && cover.body.size() >= 10)
            coverBytes = std::move(cover.body);
        else if (stopped())
            return std::nullopt;
        std::optional<SongDetails> stored
            = m_cache.store(CoverCache::Key(artist, title), details, coverBytes);
        return stored ? stored : details;
    }

    std::shared_ptr<Shared> m_shared;
    SongLookup::Services m_services;
    CoverCache m_cache;
    std::string m_userAgent;
};

SongLookup::SongLookup(Services services, CoverCache cache, Found found, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_cache(std::move(cache))
    , m_found(std::move(found))
    , m_shared(std::make_shared<Shared>())
    , m_mailbox(std::make_shared<WorkerMailbox<Result>>(this, [this] {
        for (Result& result : m_mailbox->take())
            result();
    }))
{
}

SongLookup::~SongLookup()
{
    m_shared->stop.store(true);
    m_mailbox->close();
}

int SongLookup::requestsSent() const
{
    return m_shared->sent.load();
}

std::optional<SongDetails> SongLookup::known(
    const std::string& artist, const std::string& title) const
{
    const auto it = m_answered.find({ artist, title });
    return it != m_answered.end() ? it->second : std::nullopt;
}

void SongLookup::request(const std::string& artist, const std::string& title)
{
    const Key key { artist, title };
    if (m_pending.contains(key))
        return;
    if (const auto it = m_answered.find(key); it != m_answered.end()) {
        m_found(artist, title, it->second);
        return;
    }
    if (std::optional<SongDetails> cached = m_cache.find(CoverCache::Key(artist, title))) {
        deliver(key, cached);
        return;
    }
    m_pending.insert(key);
    bool start = false;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->queue.push_back(key);
        start = !m_shared->running;
        m_shared->running = true;
    }
    if (!start)
        return;
    auto worker = std::make_shared<LookupWorker>(m_shared, m_services, m_cache);
    const bool started = StartFetchWorker([worker, mailbox = m_mailbox, this] {
        Shared& shared = *worker->m_shared;
        for (;;) {
            Key next;
            {
                std::lock_guard lock(shared.mutex);
                if (shared.queue.empty() || worker->stopped()) {
                    shared.running = false;
                    return;
                }
                next = std::move(shared.queue.front());
                shared.queue.pop_front();
            }
            std::optional<SongDetails> details = worker->lookUp(next.first, next.second);
            mailbox->post([this, next, details] { deliver(next, details); });
        }
    });
    if (!started) {
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->queue.clear();
            m_shared->running = false;
        }
        deliver(key, std::nullopt);
    }
}

void SongLookup::deliver(const Key& key, const std::optional<SongDetails>& details)
{
    m_pending.erase(key);
    std::optional<SongDetails> shown = details;
    if (shown && !shown->releasePage.empty())
        shown->releasePage = ReleasePageAddress(m_services.recordings, shown->releasePage);
    m_answered[key] = shown;
    m_found(key.first, key.second, shown);
}
