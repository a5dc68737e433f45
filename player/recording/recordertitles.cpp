#include "recording/recordertitles.h"

#include <chrono>

#include "common/messages.h"
#include "common/messenger.h"

namespace {

// A recorder that runs answers at once; one that does not is asked again.
constexpr std::chrono::milliseconds kReplyTimeout { 1000 };
constexpr int kRetryMs = 200;

} // namespace

RecorderTitles::RecorderTitles(QObject* parent)
    : QObject(parent)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &RecorderTitles::send);
}

void RecorderTitles::begin(const QString& title)
{
    end();
    m_active = true;
    m_pending.emplace_back(kRecorderStartTitle, title.toStdString());
    send();
}

void RecorderTitles::onTitle(const QString& title)
{
    if (!m_active)
        return;
    if (!m_answered && !m_pending.empty())
        m_pending.front().second = title.toStdString();
    else
        m_pending.emplace_back(kRecorderNewTitle, title.toStdString());
    if (!m_retry.isActive())
        send();
}

void RecorderTitles::end()
{
    m_active = false;
    m_answered = false;
    m_pending.clear();
    m_retry.stop();
    m_waiting.invalidate();
}

void RecorderTitles::send()
{
    while (!m_pending.empty()) {
        const auto& [kind, title] = m_pending.front();
        if (!SendRecord(kRecorderWindowClass, kRecorderWindowTitle,
                MessengerRecord::makeCopyData(kind, title), kReplyTimeout)) {
            if (!m_waiting.isValid())
                m_waiting.start();
            if (m_waiting.elapsed() > kPatienceMs)
                m_pending.clear(); // no recorder came: the titles go with it
            else
                m_retry.start();
            return;
        }
        m_waiting.invalidate();
        m_answered = true;
        m_pending.pop_front();
    }
}
