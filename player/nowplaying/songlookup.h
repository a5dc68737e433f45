#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <QObject>

#include "nowplaying/covercache.h"
#include "nowplaying/streamsongs.h"

template <typename Result> class WorkerMailbox;

// "Sonalto/<version> ( <contact> )": how every lookup names its client.
std::string LookupUserAgent();

// The recording search of the recordings service for a title by an artist,
// answered in JSON. service is a scheme and host, as the settings hold it.
std::string RecordingSearchAddress(
    const std::string& service, const std::string& artist, const std::string& title);

// What a recording search found: the release to take the cover from, its
// title as the album and its date.
struct RecordingMatch {
    std::string releaseId;
    std::string album;
    std::string releaseDate;
};

// Reads the JSON answer of a recording search: the best-scored recording's
// official release with the earliest date (else its first release).
// nullopt when the answer holds no recording with a release, or is not
// JSON of that shape.
std::optional<RecordingMatch> ParseRecordingSearch(std::string_view json);

// The 250-pixel front cover of a release on the covers service.
std::string CoverThumbnailAddress(const std::string& service, const std::string& releaseId);
// The release's page on the recordings service, for a click on the cover.
std::string ReleasePageAddress(const std::string& service, const std::string& releaseId);

// Spaces the requests to a service: at most one a second, and none before
// the time a busy answer (503) asked to wait with its Retry-After.
class RequestPacer {
public:
    using Clock = std::chrono::steady_clock;

    // The longest wait a Retry-After is taken for.
    static constexpr std::chrono::seconds kLongestWait { 120 };

    // When the next request may go.
    Clock::time_point nextAllowed() const { return m_next; }
    // A request went at now.
    void sent(Clock::time_point now);
    // The service answered 503 at now with this Retry-After (seconds, or an
    // HTTP date, or nothing, which counts as 5 seconds).
    void busy(Clock::time_point now, std::string_view retryAfter);

private:
    Clock::time_point m_next {};
};

// Looks up the songs of the stream's titles: the recording on the
// recordings service, then its release's cover on the covers service. One
// worker runs the lookups one after the other, paced for the services, and
// hands each result to the GUI thread; a song is looked up once per run at
// most, and never when the cache already knows it.
class SongLookup : public QObject {
    Q_OBJECT

public:
    struct Services {
        std::string recordings; // scheme and host
        std::string covers;
    };
    // Called on the GUI thread with what was found for a song; nullopt
    // when the lookup failed or found nothing.
    using Found = std::function<void(
        const std::string& artist, const std::string& title, const std::optional<SongDetails>&)>;

    SongLookup(Services services, CoverCache cache, Found found, QObject* parent = nullptr);
    ~SongLookup() override;

    // Looks the song up unless it was already: a song the cache knows is
    // answered at once, one looked up earlier in this run (found or not)
    // gives what it gave then, one on its way waits for its lookup.
    void request(const std::string& artist, const std::string& title);

    // What is known now of a song, without asking anything; nullopt also
    // for a song not looked up yet.
    std::optional<SongDetails> known(const std::string& artist, const std::string& title) const;

    // Requests sent to the services in this run.
    int requestsSent() const;

private:
    friend class LookupWorker;
    struct Shared;
    using Key = std::pair<std::string, std::string>;
    using Result = std::function<void()>;

    void deliver(const Key& key, const std::optional<SongDetails>& details);

    Services m_services;
    CoverCache m_cache;
    Found m_found;
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<WorkerMailbox<Result>> m_mailbox;
    // Songs answered in this run, failures included, and songs on their way.
    std::map<Key, std::optional<SongDetails>> m_answered;
    std::set<Key> m_pending;
};
