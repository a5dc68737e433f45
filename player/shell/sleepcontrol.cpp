#include "shell/sleepcontrol.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "commandids.h"
#include "common/ui/uitext.h"
#include "playback/audioengine.h"
#include "texts.h"

namespace {

// Often enough for a smooth fade and a text that follows the seconds.
constexpr int kTickMs = 100;

std::int64_t bootClockMs()
{
    // CLOCK_BOOTTIME goes on through a suspend: a laptop closed for the
    // night does not wake up to play the rest of the timer.
    timespec now {};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

SleepControl::SleepControl(AudioEngine* player, Clock clock, QObject* parent)
    : QObject(parent)
    , m_player(player)
    , m_clock(clock ? std::move(clock) : Clock(bootClockMs))
{
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &SleepControl::tick);
}

std::int64_t SleepControl::minuteMs()
{
    if (const char* unit = std::getenv("SONALTO_SLEEP_MINUTE_MS")) {
        const long long ms = std::atoll(unit);
        if (ms > 0)
            return ms;
    }
    return 60000;
}

int SleepControl::commandOf(int minutes)
{
    if (minutes == 0)
        return cmd::SleepOff;
    for (std::size_t i = 0; i < std::size(kSleepChoices); ++i)
        if (kSleepChoices[i] == minutes)
            return cmd::SleepFirst + static_cast<int>(i);
    return -1;
}

int SleepControl::minutesOf(int commandId)
{
    if (commandId == cmd::SleepOff)
        return 0;
    const int index = commandId - cmd::SleepFirst;
    if (index < 0 || index >= static_cast<int>(std::size(kSleepChoices)))
        return -1;
    return kSleepChoices[index];
}

void SleepControl::set(int minutes)
{
    restoreVolume();
    if (minutes <= 0) {
        m_timer.cancel();
        m_minutes = 0;
        m_tick.stop();
    } else {
        m_minutes = minutes;
        m_timer.start(m_clock(), minutes * minuteMs());
        m_tick.start();
    }
    tick();
}

QString SleepControl::timeLeftText() const
{
    if (!m_timer.isArmed())
        return {};
    return Utf8Text(texts::kSleepLeft)
        .arg(QString::fromStdString(SleepTimeLeft(m_timer.remainingMs(m_clock()))));
}

void SleepControl::tick()
{
    const std::int64_t now = m_clock();
    switch (m_timer.phase(now)) {
    case SleepTimer::Phase::Off:
    case SleepTimer::Phase::Counting:
        break;
    case SleepTimer::Phase::Fading: {
        if (m_volumeBefore < 0)
            m_volumeBefore = m_player->volume();
        const int volume = static_cast<int>(std::lround(m_volumeBefore * m_timer.gain(now)));
        if (volume != m_player->volume())
            m_player->setVolume(volume);
        break;
    }
    case SleepTimer::Phase::Due:
        m_timer.cancel();
        m_minutes = 0;
        m_tick.stop();
        if (m_volumeBefore < 0)
            m_volumeBefore = m_player->volume();
        m_player->setVolume(0);
        emit due();
        m_player->stop();
        restoreVolume();
        break;
    }
    const QString text = timeLeftText();
    if (text != m_shown) {
        m_shown = text;
        emit timeLeftChanged(text);
    }
}

void SleepControl::restoreVolume()
{
    if (m_volumeBefore < 0)
        return;
    m_player->setVolume(m_volumeBefore);
    m_volumeBefore = -1;
}

void FillSleepMenu(QMenu* menu, int currentMinutes)
{
    menu->clear();
    for (QActionGroup* old : menu->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly))
        delete old;
    auto* group = new QActionGroup(menu);
    const auto add = [&](const char* text, int minutes) {
        QAction* action = menu->addAction(Utf8Text(text));
        action->setData(SleepControl::commandOf(minutes));
        action->setCheckable(true);
        action->setChecked(minutes == currentMinutes);
        group->addAction(action);
    };
    for (std::size_t i = 0; i < std::size(kSleepChoices); ++i)
        add(texts::kSleepMinutes[i], kSleepChoices[i]);
    menu->addSeparator();
    add(texts::kSleepOff, 0);
}

QMenu* BuildSleepMenu(QWidget* parent, int currentMinutes)
{
    auto* menu = new QMenu(Utf8Text(texts::kMenuSleep), parent);
    FillSleepMenu(menu, currentMinutes);
    return menu;
}

void AddSleepMenu(QMenu* into, const SleepControl& sleep)
{
    QMenu* menu = BuildSleepMenu(into, sleep.minutes());
    into->addMenu(menu);
    QObject::connect(
        menu, &QMenu::aboutToShow, menu, [menu, &sleep] { FillSleepMenu(menu, sleep.minutes()); });
}
