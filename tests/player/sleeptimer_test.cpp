#include "shell/sleeptimer.h"

#include <cstdint>

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "commandids.h"
#include "fakeengine.h"
#include "shell/sleepcontrol.h"

namespace {

constexpr std::int64_t kMinute = 60000;

TEST(SleepTimerTest, phasesTimeLeftAndGainFollowTheClock)
{
    SleepTimer timer;
    EXPECT_EQ(timer.phase(0), SleepTimer::Phase::Off);
    EXPECT_EQ(timer.gain(0), 1.0);
    const std::int64_t start = 1'000'000;
    timer.start(start, 15 * kMinute);
    const std::int64_t fadeAt = start + 15 * kMinute;
    struct Case {
        std::int64_t now;
        SleepTimer::Phase phase;
        std::int64_t remaining;
        double gain;
        const char* text;
    };
    const Case cases[] = {
        { start, SleepTimer::Phase::Counting, 15 * kMinute, 1.0, "15:00" },
        { start + 1, SleepTimer::Phase::Counting, 15 * kMinute - 1, 1.0, "15:00" },
        { fadeAt - 1001, SleepTimer::Phase::Counting, 1001, 1.0, "0:02" },
        { fadeAt - 1, SleepTimer::Phase::Counting, 1, 1.0, "0:01" },
        { fadeAt, SleepTimer::Phase::Fading, 0, 1.0, "0:00" },
        { fadeAt + 2500, SleepTimer::Phase::Fading, 0, 0.75, "0:00" },
        { fadeAt + 9999, SleepTimer::Phase::Fading, 0, 0.0001, "0:00" },
        { fadeAt + kSleepFadeMs, SleepTimer::Phase::Due, 0, 0.0, "0:00" },
        { fadeAt + kMinute, SleepTimer::Phase::Due, 0, 0.0, "0:00" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now - start);
        EXPECT_EQ(timer.phase(c.now), c.phase);
        EXPECT_EQ(timer.remainingMs(c.now), c.remaining);
        EXPECT_NEAR(timer.gain(c.now), c.gain, 1e-9);
        EXPECT_EQ(SleepTimeLeft(timer.remainingMs(c.now)), c.text);
    }
    // A new choice replaces the running one; off is off at any time.
    timer.start(fadeAt, 30 * kMinute);
    EXPECT_EQ(timer.remainingMs(fadeAt), 30 * kMinute);
    EXPECT_EQ(SleepTimeLeft(90 * kMinute), "1:30:00");
    timer.cancel();
    EXPECT_EQ(timer.phase(fadeAt + kMinute), SleepTimer::Phase::Off);
    EXPECT_EQ(timer.remainingMs(fadeAt), 0);
}

TEST(SleepTimerTest, entriesMapToTheirCommands)
{
    EXPECT_EQ(SleepControl::commandOf(0), cmd::SleepOff);
    EXPECT_EQ(SleepControl::commandOf(15), cmd::SleepFirst);
    EXPECT_EQ(SleepControl::commandOf(90), cmd::SleepLast);
    EXPECT_EQ(SleepControl::commandOf(20), -1);
    for (int minutes : kSleepChoices)
        EXPECT_EQ(SleepControl::minutesOf(SleepControl::commandOf(minutes)), minutes);
    EXPECT_EQ(SleepControl::minutesOf(cmd::SleepOff), 0);
    EXPECT_EQ(SleepControl::minutesOf(cmd::SleepLast + 1), -1);
    EXPECT_EQ(SleepControl::minutesOf(cmd::Quit), -1);

    std::unique_ptr<QMenu> menu(BuildSleepMenu(nullptr, 45));
    EXPECT_EQ(menu->title(), QStringLiteral("Arrêt programmé"));
    QStringList shown;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        shown << action->text() + (action->isChecked() ? QStringLiteral("*") : QString());
        EXPECT_EQ(SleepControl::minutesOf(action->data().toInt()) >= 0, true);
    }
    EXPECT_EQ(shown.join('|').toStdString(),
        "15 minutes|30 minutes|45 minutes*|60 minutes|90 minutes|Désactivé");
}

// The control on a clock the test moves: the time left, the fade of the
// listener's volume, the stop, and the volume given back for the next
// station.
TEST(SleepTimerTest, controlFadesStopsAndGivesTheVolumeBack)
{
    FakeEngine engine;
    engine.play(QStringLiteral("http://radio/flux"));
    engine.setVolume(80);
    std::int64_t now = 5000;
    SleepControl control(&engine, [&now] { return now; });
    QSignalSpy due(&control, &SleepControl::due);
    QSignalSpy shown(&control, &SleepControl::timeLeftChanged);
    const auto settle = [] { QTest::qWait(150); };

    control.set(15);
    EXPECT_EQ(control.minutes(), 15);
    EXPECT_EQ(control.timeLeftText(), QStringLiteral("Arrêt programmé dans 15:00"));
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last().at(0).toString(), control.timeLeftText());

    now += 15 * kMinute - 500;
    settle();
    EXPECT_EQ(shown.last().at(0).toString(), QStringLiteral("Arrêt programmé dans 0:01"));
    EXPECT_EQ(engine.volume(), 80);

    now += 500 + 5000; // half-way through the fade
    settle();
    EXPECT_EQ(engine.volume(), 40);
    EXPECT_TRUE(engine.isActive());
    EXPECT_EQ(due.count(), 0);

    now += 5000;
    settle();
    EXPECT_EQ(due.count(), 1);
    EXPECT_FALSE(engine.isActive());
    EXPECT_EQ(engine.calls.last(), QStringLiteral("stop"));
    EXPECT_EQ(engine.volume(), 80);
    EXPECT_EQ(control.minutes(), 0);
    EXPECT_TRUE(shown.last().at(0).toString().isEmpty());

    // Turned off in the middle of a fade: the sound comes back at once and
    // nothing stops.
    engine.replay();
    control.set(30);
    now += 30 * kMinute + 3000;
    settle();
    EXPECT_LT(engine.volume(), 80);
    control.set(0);
    EXPECT_EQ(engine.volume(), 80);
    now += kMinute;
    settle();
    EXPECT_EQ(due.count(), 1);
    EXPECT_TRUE(engine.isActive());
}

} // namespace
