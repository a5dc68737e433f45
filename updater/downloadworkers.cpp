#include "downloadworkers.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include <QPointer>

#include "common/ui/workermailbox.h"

namespace {

// How long the end of the dialog waits for abandoned workers.
constexpr std::chrono::seconds kStopWait { 3 };

} // namespace

// What the workers and the dialog share, under the lock. The rest of the
// dialog's state stays on its thread.
struct DownloadWorkers::Shared {
    explicit Shared(DownloadWorkers* owner)
        : ended(owner, [owner] { owner->reportEnded(); })
    {
    }

    std::mutex mutex;
    std::condition_variable stopped;
    std::map<int, std::shared_ptr<std::atomic<bool>>> cancels;
    int running = 0;
    // Ends on their way to the GUI thread: attempt and result.
    WorkerMailbox<std::pair<int, bool>> ended;
};

DownloadWorkers::DownloadWorkers(DownloadOptions options, QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>(this))
    , m_options(std::move(options))
{
}

DownloadWorkers::~DownloadWorkers()
{
    abandonAll();
    m_shared->ended.close();
    std::unique_lock lock(m_shared->mutex);
    m_shared->stopped.wait_for(lock, kStopWait, [this] { return m_shared->running == 0; });
}

void DownloadWorkers::start(int attempt, const std::string& address, const std::string& destination)
{
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->cancels[attempt] = cancel;
        ++m_shared->running;
    }
    std::shared_ptr<Shared> shared = m_shared;
    const DownloadOptions options = m_options;
    try {
        std::thread([shared, cancel, attempt, address, destination, options] {
            const bool ok = DownloadToFile(address, destination, *cancel, options);
            {
                std::lock_guard lock(shared->mutex);
                --shared->running;
                shared->cancels.erase(attempt);
                shared->stopped.notify_all();
            }
            // Dropped when the owner went first: it closes the mailbox
            // before it waits for the workers.
            shared->ended.post({ attempt, ok });
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(m_shared->mutex);
        --m_shared->running;
        m_shared->cancels.erase(attempt);
        // No worker: the watchdog will try again.
    }
}

void DownloadWorkers::reportEnded()
{
    const auto ended = m_shared->ended.take();
    // A receiver may delete this object while it hears of an end.
    const QPointer<DownloadWorkers> self(this);
    for (const auto& [attempt, ok] : ended) {
        if (self.isNull())
            return;
        emit finished(attempt, ok);
    }
}

void DownloadWorkers::abandon(int attempt)
{
    std::lock_guard lock(m_shared->mutex);
    const auto it = m_shared->cancels.find(attempt);
    if (it != m_shared->cancels.end())
        it->second->store(true);
}

void DownloadWorkers::abandonAll()
{
    std::lock_guard lock(m_shared->mutex);
    for (auto& [attempt, cancel] : m_shared->cancels)
        cancel->store(true);
}

int DownloadWorkers::running() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->running;
}
