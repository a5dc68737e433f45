#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <QObject>

#include "schedule.h"

class QTimer;

// The schedule as the window runs it: the rows in list order, the running
// flag and the two timers that watch row 0 (104 for its start, 105 for the
// end of the running slot). The clock, the launch of the player and the
// test for its window are handed in, so that the whole cycle can be driven
// without a player and at any time of day.
class SchedulerCore : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<std::time_t()>;
    using Launcher = std::function<void(const std::string& parameters)>;
    using WindowProbe = std::function<bool()>;

    static constexpr int kStartTimerId = 104;
    static constexpr int kEndTimerId = 105;

    explicit SchedulerCore(QObject* parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setLauncher(Launcher launcher) { m_launcher = std::move(launcher); }
    void setPlayerWindowProbe(WindowProbe probe) { m_playerWindowExists = std::move(probe); }
    void setStations(std::vector<std::string> names, std::vector<std::string> pages);

    std::time_t now() const { return m_clock(); }
    const std::vector<ScheduleRow>& rows() const { return m_rows; }
    bool isRunning() const { return m_running; }

    // Loads the file, keeps its rows (sorted) and arms the start timer.
    LoadedSchedule load(const std::string& path);
    bool save(const std::string& path, bool launchStartUp) const;

    // Adds a checked row at the top, sorts and arms the start timer.
    void addRow(ScheduleRow row);
    // Deletes a row (nothing when out of range); ends the run at once when
    // the list becomes empty while a slot runs.
    void deleteRow(int index);

    void armStartTimer();
    void armEndTimer();
    void startSlot();
    void endSlot();

    // Compares the armed moments with the clock: timers run on a clock that
    // stops while the computer sleeps and does not follow a change of the
    // time, so the schedule is checked against the real time every 30 s and
    // when the computer wakes. A start that passed while its end is ahead
    // starts at once; a slot whose end passed too is missed; a running slot
    // whose end passed ends.
    void recheck();
    static constexpr int kRecheckMs = 30 * 1000;
    // How long the end of a slot waits for the window of a player the slot
    // started, when that player is still starting.
    static constexpr int kStopWaitSeconds = 30;
    bool waitingToStop() const;

    // The schedule is the file's: nothing may be saved over a file that was
    // there but could not be read.
    bool fileUnreadable() const { return m_fileUnreadable; }

    // Delays now armed, in milliseconds; -1 when the timer is idle.
    int startTimerDelay() const;
    int endTimerDelay() const;

signals:
    // The rows or their marks changed.
    void rowsChanged();
    // A slot's station begins no entry of the station list: nothing was
    // launched.
    void stationMissing(const QString& station);
    // A one-time slot whose end passed before it could start (the computer
    // slept through it); it has been removed.
    void slotMissed(const ScheduleRow& row);
    // A one-time slot was removed after its run or as missed: the list
    // differs from the file.
    void listShortened();

public slots:
    // logind's notice around a suspend: on waking, check at once.
    void onPrepareForSleep(bool sleeping);

private:
    void sort();
    // The start timer fired, or the clock says the armed start has passed.
    void startDue();
    void stopTick();

    Clock m_clock;
    Launcher m_launcher;
    WindowProbe m_playerWindowExists;
    std::vector<std::string> m_stationNames;
    std::vector<std::string> m_stationPages;
    std::vector<ScheduleRow> m_rows;
    int m_nextId = 0;
    bool m_running = false;
    bool m_fileUnreadable = false;
    // The moments the timers are armed for, on the real clock.
    std::time_t m_armedStart = 0;
    std::time_t m_armedEnd = 0;
    // The running slot launched the player (a missing station launches
    // nothing, and then nothing is stopped either).
    bool m_slotLaunched = false;
    int m_stopTriesLeft = 0;
    QTimer* m_startTimer;
    QTimer* m_endTimer;
    QTimer* m_recheckTimer;
    QTimer* m_stopWait;
};
