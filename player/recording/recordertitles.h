#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

// Tells a recorder that records song by song which titles the player
// hears: the title already playing when the recording began, then each new
// one. The player's titles come with the audio it plays, which is what the
// recorder takes, so the cut falls where the listener hears the change. The
// recorder needs a moment to start: until it has answered, a new title
// replaces the one it is to be told was playing at its start, as the songs
// that ended meanwhile were not recorded; then titles wait in their order.
class RecorderTitles : public QObject {
    Q_OBJECT

public:
    // How long titles wait for a recorder that does not answer.
    static constexpr int kPatienceMs = 20000;

    explicit RecorderTitles(QObject* parent = nullptr);

    // A recording by song has been started while title was playing.
    void begin(const QString& title);
    // A title the player reports; nothing unless a recording by song runs.
    void onTitle(const QString& title);
    // The recording ended: titles still waiting are dropped.
    void end();

    bool isActive() const { return m_active; }
    bool hasPending() const { return !m_pending.empty(); }

private:
    void send();

    bool m_active = false;
    bool m_answered = false; // the recorder took the first title
    std::deque<std::pair<std::uint64_t, std::string>> m_pending;
    QTimer m_retry;
    QElapsedTimer m_waiting;
};
