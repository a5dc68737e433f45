#include "playback/controlstrip.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include "fakeengine.h"

namespace {

TEST(ControlStrip, followsAndDrivesTheEngine)
{
    FakeEngine engine;
    ControlStrip strip(&engine);
    EXPECT_FALSE(strip.playStopButton()->isEnabled()) << "nothing to play yet";
    EXPECT_EQ(strip.statusLabel()->text(), QString("Arrêté"));
    EXPECT_EQ(strip.playStopButton()->toolTip(), QString("Écouter"));

    engine.play("http://radio.example/flux");
    engine.setState(AudioEngine::State::Playing, "En lecture — Bandeau");
    EXPECT_EQ(strip.statusLabel()->text(), QString("En lecture — Bandeau"));
    EXPECT_EQ(strip.statusLabel()->toolTip(), QString("En lecture — Bandeau"));
    EXPECT_TRUE(strip.playStopButton()->isEnabled());
    EXPECT_EQ(strip.playStopButton()->toolTip(), QString("Arrêter"));

    // The button stops a busy engine and plays the last station again.
    strip.playStopButton()->click();
    EXPECT_EQ(strip.statusLabel()->text(), QString("Arrêté"));
    EXPECT_TRUE(strip.playStopButton()->isEnabled());
    strip.playStopButton()->click();
    EXPECT_EQ(engine.calls, QStringList({ "play http://radio.example/flux", "stop", "replay" }));
    // A reconnecting engine is still busy: the button stops it.
    engine.setState(AudioEngine::State::Reconnecting, "Flux interrompu, nouvelle tentative…");
    strip.playStopButton()->click();
    EXPECT_EQ(engine.calls.last(), QString("stop"));

    strip.volumeSlider()->setValue(30);
    EXPECT_EQ(engine.volume(), 30);
    engine.setVolume(70);
    EXPECT_EQ(strip.volumeSlider()->value(), 70);
}

} // namespace
