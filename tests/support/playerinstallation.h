#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace testsupport {

// The platform the real programs draw on: SONALTO_E2E_PLATFORM ("xcb" under
// Xvfb), offscreen otherwise.
std::string E2ePlatform();
// Whether they draw on a real X display.
bool OnXDisplay();

// The X id of the player's top-level window, empty when there is none.
std::string PlayerWindowId();
// Whether a window of the player's title is mapped on the X display.
bool PlayerWindowShown();

// An installation directory of the real player, as a listener's desktop
// starts it: the program copied in, a private runtime directory, the
// diagnostic log in the directory, a null audio output, and the platform of
// E2ePlatform(). What a test adds (a catalogue, settings, servers) goes in
// path().
class PlayerInstallation {
public:
    // withPlayer false leaves the program out, for a stand-in or a later
    // installPlayer().
    explicit PlayerInstallation(
        const std::string& prefix = "sonalto-install", bool withPlayer = true);

    // Copies the real player (again) into the directory.
    void installPlayer();

    const std::string& path() const { return m_dir.path(); }
    std::string html() const { return path() + "html/"; }
    std::string logPath() const { return path() + "diag.log"; }
    std::string settingsPath() const { return path() + "Sonalto.ini"; }
    const std::string& runtime() const { return m_runtime.path(); }
    const std::string& program() const { return m_program; }

    // The variables of every start: those above, then `variables` (a value
    // sets one, nullopt removes it).
    Environment environment() const;
    Environment variables;

    // Sonalto.ini: the section, no splash screen, then lines (CR LF each).
    ::testing::AssertionResult writeSettings(const std::string& lines = {}) const;

    // Starts the player in the background, its output going to
    // player.out; extra goes over environment().
    bool start(Process& player, const std::vector<std::string>& arguments = {},
        const Environment& extra = {}) const;
    // The same, then waits until its log says "ready".
    ::testing::AssertionResult startReady(Process& player,
        const std::vector<std::string>& arguments = {}, const Environment& extra = {}) const;
    // A second start to its end (RunSecondStart), output to second.out.
    std::optional<int> runSecond(
        const std::vector<std::string>& arguments = {}, const Environment& extra = {}) const;
    // "-stop" by a second start, then the player's own end, both with 0.
    ::testing::AssertionResult stop(Process& player) const;

    // Waits until the diagnostic log holds the line.
    bool logHas(const std::string& line, std::chrono::milliseconds timeout = 30s) const;
    std::size_t logCount(const std::string& line) const;
    std::vector<std::string> logLines() const;
    std::string log() const;
    // What the player printed (player.out).
    std::string output() const;

private:
    TempDir m_dir;
    RuntimeDirectory m_runtime;
    std::string m_program;
};

// A test over one installation of the player, whose helpers it calls as its
// own.
class PlayerTest : public ::testing::Test, public PlayerInstallation {
protected:
    using PlayerInstallation::PlayerInstallation;
};

} // namespace testsupport
