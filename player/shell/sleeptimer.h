#pragma once

#include <cstdint>
#include <string>

// "Arrêt programmé": the listener picks a delay; when it runs out the sound
// fades out over kSleepFadeMs, then playback stops. Times are milliseconds
// of a clock that the caller reads, so that a test gives its own.
inline constexpr int kSleepChoices[] = { 15, 30, 45, 60, 90 }; // minutes
inline constexpr std::int64_t kSleepFadeMs = 10000;

class SleepTimer {
public:
    enum class Phase { Off, Counting, Fading, Due };

    // Counts delayMs from nowMs; a new start replaces the running one.
    void start(std::int64_t nowMs, std::int64_t delayMs);
    void cancel() { m_armed = false; }
    bool isArmed() const { return m_armed; }

    Phase phase(std::int64_t nowMs) const;
    // Until the fade begins; 0 once it has, or when off.
    std::int64_t remainingMs(std::int64_t nowMs) const;
    // The share of the listener's volume to play at nowMs: 1 until the fade,
    // then down in a straight line to 0 at its end.
    double gain(std::int64_t nowMs) const;

private:
    bool m_armed = false;
    std::int64_t m_fadeAt = 0;
};

// The time left as the listener reads it: "m:ss" under an hour, "h:mm:ss"
// from an hour; a part second counts as a whole one, so the text never
// shows 0:00 while time is left.
std::string SleepTimeLeft(std::int64_t remainingMs);
