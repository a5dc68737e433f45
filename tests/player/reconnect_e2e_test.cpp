#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::Process;
using testsupport::ReadLines;

// The real player playing the local server's endless stream, while the
// server goes away and comes back on the same port, as a station's server
// restarting does. What reaches the audio output is read from GStreamer's
// own debug log of the sink: one "rendering object" line per buffer handed
// to the (null) output, so the test sees sound stop and start again
// whatever the player itself chooses to report.
class PlayerReconnect : public testsupport::PlayerTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.start(path()));
        m_port = m_server.port();

        // The drop-down picks the station once the page is loaded, through
        // its own onChange script, as a listener's choice does.
        testsupport::WriteSmallCatalogue(
            html(), m_server.url("/_stream?title=Alpha+en+direct"), "", true);
        variables = {
            { "GST_DEBUG", "basesink:5" },
            { "GST_DEBUG_FILE", sinkLogPath() },
            { "GST_DEBUG_NO_COLOR", "1" },
        };
    }

    void TearDown() override { m_returned.kill(); }

    // The server again, on the port the station page names.
    bool restartServer()
    {
        const std::string portFile = path() + "returned.out";
        if (!m_returned.start("python3",
                { testsupport::SupportDirectory() + "/httpserver.py", "--root", path(), "--port",
                    std::to_string(m_port), "--verbose" },
                { { "PYTHONUNBUFFERED", "1" } }, {}, portFile))
            return false;
        const auto deadline = Clock::now() + 30s;
        while (Clock::now() < deadline) {
            const std::vector<std::string> lines = ReadLines(portFile);
            if (!lines.empty() && lines.front() == std::to_string(m_port))
                return true;
            if (!m_returned.isRunning())
                return false;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // Buffers the output has rendered so far.
    std::size_t renderedBuffers() const
    {
        const std::vector<std::string> lines = ReadLines(sinkLogPath());
        return static_cast<std::size_t>(
            std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
                // The connection's own sink hands audio to the player's
                // queue, not to the output.
                return l.find("rendering object") != std::string::npos
                    && l.find("<sonalto-tap>") == std::string::npos;
            }));
    }

    // Waits until at least count more buffers than from were rendered.
    bool waitForRendered(std::size_t from, std::size_t count, std::chrono::milliseconds timeout)
    {
        return testsupport::WaitFor([&] { return renderedBuffers() >= from + count; }, timeout);
    }

    // Waits until no buffer has been rendered for quiet; returns the count
    // then, or nullopt if sound never stopped within timeout.
    std::optional<std::size_t> waitForSilence(
        std::chrono::milliseconds quiet, std::chrono::milliseconds timeout)
    {
        const auto deadline = Clock::now() + timeout;
        std::size_t last = renderedBuffers();
        auto since = Clock::now();
        while (Clock::now() < deadline) {
            std::this_thread::sleep_for(100ms);
            const std::size_t now = renderedBuffers();
            if (now != last) {
                last = now;
                since = Clock::now();
            } else if (Clock::now() - since >= quiet) {
                return now;
            }
        }
        return std::nullopt;
    }

    std::string sinkLogPath() const { return path() + "sink.log"; }

    testsupport::HttpServer m_server;
    Process m_returned;
    int m_port = 0;
};

// A buffer of the decoded MP3 stream is 1152 samples at 44.1 kHz, about
// 26 ms: 38 of them are a second of sound.
constexpr std::size_t kOneSecond = 38;

TEST_F(PlayerReconnect, playsAgainWhenTheServerComesBackAfterADrop)
{
    Process player;
    ASSERT_TRUE(start(player));
    ASSERT_TRUE(logHas("station Radio Alpha")) << output();
    ASSERT_TRUE(logHas("first audio")) << output();
    ASSERT_TRUE(waitForRendered(0, kOneSecond, 10s)) << "no sound reached the output";

    // The server dies: its connections close and nothing answers on the
    // port any more. The sound stops once what was buffered is played.
    m_server.stop();
    const auto killedAt = Clock::now();
    const std::optional<std::size_t> silent = waitForSilence(1500ms, 20s);
    ASSERT_TRUE(silent) << "sound went on without a server";

    // Down for a few seconds, over more than one of the player's retries.
    std::this_thread::sleep_for(std::max<Clock::duration>(0s, killedAt + 4s - Clock::now()));
    EXPECT_EQ(renderedBuffers(), *silent) << "sound without a server";
    ASSERT_TRUE(restartServer()) << ReadTextFile(path() + "returned.out");

    // Sound comes back on its own, and keeps flowing.
    EXPECT_TRUE(waitForRendered(*silent, 2 * kOneSecond, 30s))
        << "no sound after the server came back\nplayer:\n"
        << output() << "\nserver:\n"
        << ReadTextFile(path() + "returned.out");
    EXPECT_TRUE(player.isRunning());

    // A second start with -stop ends it.
    variables.clear();
    EXPECT_TRUE(stop(player));
}

} // namespace
