#include <atomic>
#include <filesystem>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/windowclaim.h"
#include "support/playerinstallation.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;

// The player's name held by the test itself, answering every record as a
// running player does: the second start sees a player and forwards to it.
class HeldName {
public:
    explicit HeldName(WindowClaim& claim)
        : m_claim(claim)
        , m_thread([this] { serve(); })
    {
    }
    ~HeldName()
    {
        m_done = true;
        m_thread.join();
    }
    std::vector<MessengerRecord> records()
    {
        std::lock_guard lock(m_mutex);
        return m_records;
    }

private:
    void serve()
    {
        MessengerListener& listener = m_claim.listener();
        while (!m_done) {
            pollfd watch { listener.fd(), POLLIN, 0 };
            if (::poll(&watch, 1, 20) <= 0)
                continue;
            const int connection = listener.acceptConnection();
            if (connection < 0)
                continue;
            MessengerListener::serveConnection(
                connection,
                [this](const MessengerRecord& record) {
                    std::lock_guard lock(m_mutex);
                    m_records.push_back(record);
                    return std::int64_t { 0 };
                },
                2s);
        }
    }

    WindowClaim& m_claim;
    std::mutex m_mutex;
    std::vector<MessengerRecord> m_records;
    std::atomic<bool> m_done { false };
    std::thread m_thread;
};

class QuickForward : public testsupport::PlayerTest {
protected:
    QuickForward()
        : PlayerTest("sonalto-quick")
    {
    }
};

// The scheduler's start, sent to a running player, is done with plain
// sockets: the loader's own list of what it loaded names no Qt library,
// so neither the display nor the web view was loaded.
TEST_F(QuickForward, ForwardLoadsNoQtLibrary)
{
    WindowClaim claim;
    ASSERT_TRUE(claim.claim(kPlayerWindowClass, kPlayerWindowTitle));
    HeldName held(claim);

    Process launch;
    ASSERT_TRUE(start(launch, { "-quiet", "-radio", "Radio Alpha.htm" },
        { { "LD_DEBUG", "libs" }, { "DISPLAY", std::nullopt } }));
    EXPECT_EQ(launch.waitForExit(30s), 0);

    const std::string loaded = output();
    EXPECT_NE(loaded.find("calling init: "), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("libc.so"), std::string::npos);
    EXPECT_EQ(loaded.find("libQt6"), std::string::npos) << loaded;
    EXPECT_EQ(loaded.find("sonalto-player.so"), std::string::npos);

    const std::vector<MessengerRecord> records = held.records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].message, static_cast<std::uint32_t>(WM_ACTIVATE));
    EXPECT_EQ(records[1].wParam, static_cast<std::uint64_t>(SC_MINIMIZE));
    EXPECT_EQ(records[2].payload, std::string("Radio Alpha.htm", 16));
}

// An installation that lost the windowed part says so and leaves the name
// free for the next start, rather than hang or hold it.
TEST_F(QuickForward, MissingWindowedPartIsReported)
{
    std::filesystem::remove(path() + "sonalto-player.so");
    Process launch;
    ASSERT_TRUE(start(launch));
    EXPECT_EQ(launch.waitForExit(30s), 1);
    EXPECT_NE(output().find("Sonalto : impossible de charger le lecteur ("), std::string::npos)
        << output();
    EXPECT_FALSE(WindowClaim::isHeld(kPlayerWindowClass, kPlayerWindowTitle));
}

} // namespace
