#include "schedulercore.h"

#include <algorithm>
#include <limits>

#include <QTimer>

#include "common/diaglog.h"
#include "common/ui/uitext.h"

namespace {

// Timers take milliseconds as int; a delay of several weeks is capped and
// simply re-armed when the capped timer fires.
int Milliseconds(long long seconds)
{
    constexpr long long kMax = std::numeric_limits<int>::max() / 1000;
    return static_cast<int>(std::clamp(seconds, 0LL, kMax) * 1000);
}

} // namespace

SchedulerCore::SchedulerCore(QObject* parent)
    : QObject(parent)
    , m_clock([] { return std::time(nullptr); })
    , m_launcher([](const std::string&) {})
    , m_playerWindowExists([] { return false; })
    , m_startTimer(new QTimer(this))
    , m_endTimer(new QTimer(this))
    , m_recheckTimer(new QTimer(this))
    , m_stopWait(new QTimer(this))
{
    m_startTimer->setSingleShot(true);
    m_endTimer->setSingleShot(true);
    m_startTimer->setTimerType(Qt::PreciseTimer);
    m_endTimer->setTimerType(Qt::PreciseTimer);
    connect(m_startTimer, &QTimer::timeout, this, [this] {
        // A capped delay, or a clock set back, fires early: wait the rest.
        if (!m_rows.empty() && now() < m_armedStart)
            armStartTimer();
        else
            startDue();
    });
    connect(m_endTimer, &QTimer::timeout, this, [this] {
        if (now() < m_armedEnd)
            armEndTimer();
        else
            endSlot();
    });
    m_recheckTimer->setInterval(kRecheckMs);
    connect(m_recheckTimer, &QTimer::timeout, this, &SchedulerCore::recheck);
    m_recheckTimer->start();
    m_stopWait->setInterval(1000);
    connect(m_stopWait, &QTimer::timeout, this, &SchedulerCore::stopTick);
}

void SchedulerCore::setStations(std::vector<std::string> names, std::vector<std::string> pages)
{
    m_stationNames = std::move(names);
    m_stationPages = std::move(pages);
}

LoadedSchedule SchedulerCore::load(const std::string& path)
{
    LoadedSchedule loaded = LoadSchedule(path, now(), m_nextId);
    m_fileUnreadable = loaded.unreadable;
    if (loaded.found) {
        m_rows = loaded.rows;
        emit rowsChanged();
        armStartTimer();
    }
    return loaded;
}

bool SchedulerCore::save(const std::string& path, bool launchStartUp) const
{
    if (m_fileUnreadable)
        return false;
    return SaveSchedule(path, m_rows, launchStartUp);
}

void SchedulerCore::sort()
{
    SortSchedule(m_rows, now());
}

void SchedulerCore::addRow(ScheduleRow row)
{
    row.mark.clear();
    row.id = m_nextId++;
    m_rows.insert(m_rows.begin(), std::move(row));
    sort();
    emit rowsChanged();
    armStartTimer();
}

void SchedulerCore::deleteRow(int index)
{
    if (index < 0 || index >= static_cast<int>(m_rows.size()))
        return;
    m_rows.erase(m_rows.begin() + index);
    emit rowsChanged();
    armStartTimer();
    if (m_rows.empty() && m_running)
        endSlot();
}

void SchedulerCore::armStartTimer()
{
    if (m_running)
        return;
    m_startTimer->stop();
    m_endTimer->stop();
    // A one-date slot already under way (the scheduler started during it)
    // has a negative delay: it starts at once rather than blocking row 0.
    if (!m_rows.empty()) {
        const long long seconds = SecondsUntil(m_rows.front(), false, now());
        m_armedStart = now() + static_cast<std::time_t>(seconds);
        m_startTimer->start(Milliseconds(seconds));
    }
}

void SchedulerCore::armEndTimer()
{
    m_startTimer->stop();
    m_endTimer->stop();
    if (m_rows.empty()) {
        m_armedEnd = now();
        m_endTimer->start(0);
        return;
    }
    m_endTimer->start(Milliseconds(static_cast<long long>(m_armedEnd - now())));
}

void SchedulerCore::startDue()
{
    if (m_rows.empty() || m_running)
        return;
    const ScheduleRow& row = m_rows.front();
    // The run that was due: the armed start, which may lie well behind the
    // clock after a sleep or a change of the time.
    const std::time_t start = std::min(m_armedStart, now());
    if (OccurrenceEnd(row, start) >= now()) {
        startSlot();
        return;
    }
    // Its end passed as well: nothing is started. A one-time slot is gone
    // and the listener hears of it; a daily one waits for its next day.
    if (!row.isDaily()) {
        const ScheduleRow missed = row;
        m_rows.erase(m_rows.begin());
        emit slotMissed(missed);
        emit listShortened();
    }
    sort();
    emit rowsChanged();
    armStartTimer();
}

void SchedulerCore::startSlot()
{
    m_running = true;
    m_startTimer->stop();
    m_stopWait->stop();
    m_slotLaunched = false;
    // The moment on the scheduler's own clock, for whoever follows the log.
    DiagLog("slot start " + FormatTime(TimeOf(now())));
    if (!m_rows.empty()) {
        ScheduleRow& row = m_rows.front();
        row.mark = kRunningMark;
        // The end of the run that began at the armed start, even when it
        // starts late: a daily 23:00 to 01:00 slot started at 00:30 ends at
        // 01:00, not a day later.
        const std::time_t start = m_armedStart != 0 && m_armedStart <= now() ? m_armedStart : now();
        m_armedEnd = OccurrenceEnd(row, start);
        emit rowsChanged();
        const auto page = PageForStation(row.station, m_stationNames, m_stationPages);
        if (page) {
            m_launcher(StartParameters(row, *page));
            m_slotLaunched = true;
        } else {
            emit stationMissing(UiText(row.station));
        }
    }
    armEndTimer();
}

void SchedulerCore::endSlot()
{
    m_running = false;
    m_endTimer->stop();
    DiagLog("slot end " + FormatTime(TimeOf(now())));
    const auto running = std::find_if(m_rows.begin(), m_rows.end(),
        [](const ScheduleRow& row) { return row.mark == kRunningMark; });
    if (running != m_rows.end())
        running->mark = kRunMark;
    // The player this slot started is stopped, even while it is still
    // starting: its window is waited for. A slot that launched nothing
    // leaves alone a player the listener started.
    if (m_slotLaunched) {
        m_slotLaunched = false;
        if (m_playerWindowExists()) {
            m_launcher(kStopParameters);
        } else {
            m_stopTriesLeft = kStopWaitSeconds;
            m_stopWait->start();
        }
    }
    const bool removed = running != m_rows.end() && !running->isDaily();
    if (removed)
        m_rows.erase(running);
    emit rowsChanged();
    if (removed)
        emit listShortened();
    if (!m_rows.empty()) {
        sort();
        emit rowsChanged();
        armStartTimer();
    }
}

void SchedulerCore::stopTick()
{
    if (m_playerWindowExists()) {
        m_stopWait->stop();
        m_launcher(kStopParameters);
        return;
    }
    if (--m_stopTriesLeft <= 0)
        m_stopWait->stop();
}

bool SchedulerCore::waitingToStop() const
{
    return m_stopWait->isActive();
}

void SchedulerCore::recheck()
{
    if (m_running) {
        if (now() >= m_armedEnd)
            endSlot();
        else
            armEndTimer();
        return;
    }
    if (m_rows.empty())
        return;
    if (now() >= m_armedStart)
        startDue();
    else
        armStartTimer();
}

void SchedulerCore::onPrepareForSleep(bool sleeping)
{
    if (!sleeping)
        recheck();
}

int SchedulerCore::startTimerDelay() const
{
    return m_startTimer->isActive() ? m_startTimer->interval() : -1;
}

int SchedulerCore::endTimerDelay() const
{
    return m_endTimer->isActive() ? m_endTimer->interval() : -1;
}
