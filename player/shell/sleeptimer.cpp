#include "shell/sleeptimer.h"

#include <cstdio>

void SleepTimer::start(std::int64_t nowMs, std::int64_t delayMs)
{
    m_armed = true;
    m_fadeAt = nowMs + (delayMs > 0 ? delayMs : 0);
}

SleepTimer::Phase SleepTimer::phase(std::int64_t nowMs) const
{
    if (!m_armed)
        return Phase::Off;
    if (nowMs < m_fadeAt)
        return Phase::Counting;
    return nowMs < m_fadeAt + kSleepFadeMs ? Phase::Fading : Phase::Due;
}

std::int64_t SleepTimer::remainingMs(std::int64_t nowMs) const
{
    return m_armed && nowMs < m_fadeAt ? m_fadeAt - nowMs : 0;
}

double SleepTimer::gain(std::int64_t nowMs) const
{
    switch (phase(nowMs)) {
    case Phase::Off:
    case Phase::Counting:
        return 1.0;
    case Phase::Fading:
        return 1.0 - static_cast<double>(nowMs - m_fadeAt) / static_cast<double>(kSleepFadeMs);
    case Phase::Due:
        break;
    }
    return 0.0;
}

std::string SleepTimeLeft(std::int64_t remainingMs)
{
    const std::int64_t seconds = remainingMs <= 0 ? 0 : (remainingMs + 999) / 1000;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld",
            static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
            static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
            static_cast<long long>(seconds % 60));
    return text;
}
