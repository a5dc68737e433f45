#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

#include <QMetaObject>
#include <QObject>

// Carries the results of worker threads to an object on the GUI thread.
// Workers hold the mailbox by shared ownership and post their results; a
// result waits here, under the mailbox's own lock, until the target takes
// it. The event queue only carries a wake-up for the target, so nothing a
// worker built travels through it, and at most one wake-up is on its way:
// it runs wake() on the target's thread, which takes every result queued so
// far. The target keeps the mailbox alive and closes it before it goes;
// whatever arrives after that is dropped and the target hears of nothing.
template <typename Result> class WorkerMailbox {
public:
    WorkerMailbox(QObject* target, std::function<void()> wake)
        : m_target(target)
        , m_wake(std::move(wake))
    {
    }

    WorkerMailbox(const WorkerMailbox&) = delete;
    WorkerMailbox& operator=(const WorkerMailbox&) = delete;

    // Called on the target's thread before the target goes: the results not
    // taken yet are dropped, and so is every later one.
    void close()
    {
        std::deque<Result> dropped;
        std::lock_guard lock(m_mutex);
        m_target = nullptr;
        dropped.swap(m_results);
    }

    // Queues result for the target's thread if the target still exists.
    void post(Result result)
    {
        std::lock_guard lock(m_mutex);
        if (m_target == nullptr)
            return;
        m_results.push_back(std::move(result));
        if (!m_wakeUpPending) {
            m_wakeUpPending = true;
            QMetaObject::invokeMethod(m_target, WakeUp(this), Qt::QueuedConnection);
        }
    }

    // The results queued so far, oldest first; called on the target's thread.
    std::deque<Result> take()
    {
        std::lock_guard lock(m_mutex);
        m_wakeUpPending = false;
        return std::exchange(m_results, {});
    }

private:
    // The wake-up is built on the worker's thread and run, then destroyed,
    // on the target's. Qt's event queue orders the two under a lock of its
    // own, which a thread sanitizer does not see into; the wake-up's one
    // field is therefore handed over by a release store and an acquire
    // load, an order the sanitizer sees. A wake-up whose target went first
    // is dropped by Qt with the target, after close() took the mailbox's
    // lock.
    class WakeUp {
    public:
        explicit WakeUp(WorkerMailbox* mailbox)
        {
            m_mailbox.store(mailbox, std::memory_order_release);
        }
        WakeUp(const WakeUp& other)
        {
            m_mailbox.store(
                other.m_mailbox.load(std::memory_order_acquire), std::memory_order_release);
        }
        WakeUp& operator=(const WakeUp&) = delete;

        void operator()() const { m_mailbox.load(std::memory_order_acquire)->m_wake(); }

    private:
        std::atomic<WorkerMailbox*> m_mailbox;
    };

    std::mutex m_mutex;
    QObject* m_target;
    const std::function<void()> m_wake;
    std::deque<Result> m_results;
    bool m_wakeUpPending = false;
};
