#include "support/playerinstallation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"

namespace testsupport {

std::string E2ePlatform()
{
    const char* platform = std::getenv("SONALTO_E2E_PLATFORM");
    return platform != nullptr ? platform : "offscreen";
}

bool OnXDisplay()
{
    return E2ePlatform() == "xcb" && std::getenv("DISPLAY") != nullptr;
}

std::string PlayerWindowId()
{
    const std::vector<std::string> ids = TopLevelWindowIds(kPlayerWindowTitle);
    return ids.empty() ? std::string() : ids.front();
}

bool PlayerWindowShown()
{
    for (const std::string& id : TopLevelWindowIds(kPlayerWindowTitle)) {
        if (RunCommand("xwininfo -id " + id + " 2>/dev/null").find("IsViewable")
            != std::string::npos)
            return true;
    }
    return false;
}

PlayerInstallation::PlayerInstallation(const std::string& prefix, bool withPlayer)
    : m_dir(prefix)
{
    if (withPlayer)
        installPlayer();
}

void PlayerInstallation::installPlayer()
{
    m_program = CopyProgram(SONALTO_PLAYER_PATH, path());
}

Environment PlayerInstallation::environment() const
{
    Environment env {
        { "XDG_RUNTIME_DIR", runtime() },
        { "QT_QPA_PLATFORM", E2ePlatform() },
        { "SONALTO_DIAG_LOG", logPath() },
        { "SONALTO_AUDIO_SINK", "fakesink sync=true" },
    };
    for (const auto& [name, value] : variables)
        env[name] = value;
    return env;
}

::testing::AssertionResult PlayerInstallation::writeSettings(const std::string& lines) const
{
    if (WriteTextFile(settingsPath(), "[Sonalto]\r\nSplashscreen=False\r\n" + lines))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "could not write " << settingsPath();
}

bool PlayerInstallation::start(
    Process& player, const std::vector<std::string>& arguments, const Environment& extra) const
{
    // A sound server of the test may have named its own runtime directory
    // since; this process looks for the player in the player's.
    m_runtime.use();
    Environment env = environment();
    for (const auto& [name, value] : extra)
        env[name] = value;
    return player.start(m_program, arguments, env, "/", path() + "player.out");
}

::testing::AssertionResult PlayerInstallation::startReady(
    Process& player, const std::vector<std::string>& arguments, const Environment& extra) const
{
    if (!start(player, arguments, extra))
        return ::testing::AssertionFailure() << "the player could not be started";
    if (logHas("ready"))
        return ::testing::AssertionSuccess();
    // Whether it died (and how) or hangs, and whether it got as far as
    // claiming its name, tell the failures apart.
    std::string state = "it still runs";
    if (const std::optional<int> status = player.waitForExit(0ms)) {
        state = *status > 128 ? "it was ended by signal " + std::to_string(*status - 128) + " ("
                + ::strsignal(*status - 128) + ")"
                              : "it ended with code " + std::to_string(*status);
    }
    const std::string socket = MessengerSocketPath(kPlayerWindowClass, kPlayerWindowTitle);
    const char* claim = FindWindow(kPlayerWindowClass, kPlayerWindowTitle) ? "its socket listens"
        : std::filesystem::exists(socket) ? "its socket is left without a listener"
                                          : "it has no socket";
    return ::testing::AssertionFailure()
        << "the player never got ready: " << state << ", " << claim << "\n--- player.out\n"
        << output() << "\n--- diag.log\n"
        << log();
}

std::optional<int> PlayerInstallation::runSecond(
    const std::vector<std::string>& arguments, const Environment& extra) const
{
    Environment env = environment();
    for (const auto& [name, value] : extra)
        env[name] = value;
    return RunSecondStart(m_program, arguments, env, path() + "second.out");
}

::testing::AssertionResult PlayerInstallation::stop(Process& player) const
{
    const std::optional<int> second = runSecond({ "-stop" });
    const std::optional<int> status = player.waitForExit(30s);
    if (second == 0 && status == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << "-stop ended with " << (second ? std::to_string(*second) : "nothing")
        << ", the player with " << (status ? std::to_string(*status) : "nothing") << "\n"
        << output();
}

bool PlayerInstallation::logHas(const std::string& line, std::chrono::milliseconds timeout) const
{
    return WaitForFileLine(logPath(), line, timeout);
}

std::size_t PlayerInstallation::logCount(const std::string& line) const
{
    const std::vector<std::string> lines = logLines();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

std::vector<std::string> PlayerInstallation::logLines() const
{
    return ReadLines(logPath());
}

std::string PlayerInstallation::log() const
{
    return ReadTextFile(logPath());
}

std::string PlayerInstallation::output() const
{
    return ReadTextFile(path() + "player.out");
}

} // namespace testsupport
