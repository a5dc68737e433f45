#pragma once

#include <cstdint>
#include <functional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "shell/sleeptimer.h"

class AudioEngine;
class QMenu;
class QWidget;

// The player's side of "Arrêt programmé": counts down on a clock, fades the
// player's volume out when the time comes, then stops playback and puts the
// listener's volume back for the next station.
class SleepControl : public QObject {
    Q_OBJECT

public:
    // Milliseconds of a clock that goes on while the computer sleeps.
    using Clock = std::function<std::int64_t()>;

    explicit SleepControl(AudioEngine* player, Clock clock = {}, QObject* parent = nullptr);

    // One of kSleepChoices, counted from now; 0 turns the timer off (and
    // gives a fade under way its volume back).
    void set(int minutes);
    // The chosen delay, 0 when off.
    int minutes() const { return m_minutes; }
    // "Arrêt programmé dans 12:34", empty when off.
    QString timeLeftText() const;

    // A minute, in milliseconds: 60000, or SONALTO_SLEEP_MINUTE_MS for
    // tests that cannot wait a quarter of an hour.
    static std::int64_t minuteMs();
    // The command id of an entry (0 for "Désactivé") and back; -1 when the
    // id is no entry of the menu.
    static int commandOf(int minutes);
    static int minutesOf(int commandId);

signals:
    // The text of timeLeftText() changed.
    void timeLeftChanged(const QString& text);
    // The fade is over: the window ends a recording before playback stops.
    void due();

private:
    void tick();
    void restoreVolume();

    AudioEngine* m_player;
    Clock m_clock;
    SleepTimer m_timer;
    QTimer m_tick;
    int m_minutes = 0;
    int m_volumeBefore = -1; // the listener's volume while a fade runs
    QString m_shown;
};

// The entries of "Arrêt programmé", the chosen one checked, each with its
// command id as data.
QMenu* BuildSleepMenu(QWidget* parent, int currentMinutes);
// Fills an existing menu the same way.
void FillSleepMenu(QMenu* menu, int currentMinutes);
// Puts "Arrêt programmé" at the end of a menu of the menu bar, its checks
// following sleep at each opening. The chosen entry reaches the triggered()
// of that menu, which hands its command id on (as "Perso" does).
void AddSleepMenu(QMenu* into, const SleepControl& sleep);
