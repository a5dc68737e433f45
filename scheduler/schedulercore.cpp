#include "schedulercore.h"

#include <algorithm>
#include <limits>

#include <QTimer>

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
{
    m_startTimer->setSingleShot(true);
    m_endTimer->setSingleShot(true);
    m_startTimer->setTimerType(Qt::PreciseTimer);
    m_endTimer->setTimerType(Qt::PreciseTimer);
    connect(m_startTimer, &QTimer::timeout, this, [this] {
        // A capped delay fires early: wait the rest.
        if (!m_rows.empty() && SecondsUntil(m_rows.front(), false, now()) > 0)
            armStartTimer();
        else
            startSlot();
    });
    connect(m_endTimer, &QTimer::timeout, this, &SchedulerCore::endSlot);
}

void SchedulerCore::setStations(std::vector<std::string> names, std::vector<std::string> pages)
{
    m_stationNames = std::move(names);
    m_stationPages = std::move(pages);
}

LoadedSchedule SchedulerCore::load(const std::string& path)
{
    LoadedSchedule loaded = LoadSchedule(path, now(), m_nextId);
    if (loaded.found) {
        m_rows = loaded.rows;
        emit rowsChanged();
        armStartTimer();
    }
    return loaded;
}

bool SchedulerCore::save(const std::string& path, bool launchStartUp) const
{
    return SaveSchedule(path, m_rows, launchStartUp);
}

void SchedulerCore::sort() { SortSchedule(m_rows, now()); }

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
    if (!m_rows.empty())
        m_startTimer->start(Milliseconds(SecondsUntil(m_rows.front(), false, now())));
}

void SchedulerCore::armEndTimer()
{
    m_startTimer->stop();
    m_endTimer->stop();
    m_endTimer->start(m_rows.empty() ? 0 : Milliseconds(SecondsUntil(m_rows.front(), true, now())));
}

void SchedulerCore::startSlot()
{
    m_running = true;
    m_startTimer->stop();
    if (!m_rows.empty()) {
        ScheduleRow& row = m_rows.front();
        row.mark = kRunningMark;
        emit rowsChanged();
        const auto page = PageForStation(row.station, m_stationNames, m_stationPages);
        if (page)
            m_launcher(StartParameters(row, *page));
        else
            emit stationMissing(UiText(row.station));
    }
    armEndTimer();
}

void SchedulerCore::endSlot()
{
    m_running = false;
    m_endTimer->stop();
    const auto running = std::find_if(m_rows.begin(), m_rows.end(),
        [](const ScheduleRow& row) { return row.mark == kRunningMark; });
    if (running != m_rows.end())
        running->mark = kRunMark;
    if (m_playerWindowExists())
        m_launcher(kStopParameters);
    if (running != m_rows.end() && !running->isDaily())
        m_rows.erase(running);
    emit rowsChanged();
    if (!m_rows.empty()) {
        sort();
        emit rowsChanged();
        armStartTimer();
    }
}

int SchedulerCore::startTimerDelay() const
{
    return m_startTimer->isActive() ? m_startTimer->interval() : -1;
}

int SchedulerCore::endTimerDelay() const
{
    return m_endTimer->isActive() ? m_endTimer->interval() : -1;
}
