#include "recording/recordertitles.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTest>

#include "common/messages.h"
#include "common/messenger.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;

// A recorder that comes late, on a thread of its own (the player's sends
// wait for its answer), keeps the titles it is told.
TEST(RecorderTitles, aLateRecorderHearsTheLatestTitleThenEachChangeInOrder)
{
    testsupport::RuntimeDirectory runtime;
    RecorderTitles forward;
    forward.begin(QStringLiteral("A - Un"));
    forward.onTitle(QStringLiteral("B - Deux"));
    forward.onTitle(QStringLiteral("C - Trois"));
    EXPECT_TRUE(forward.hasPending());

    std::mutex lock;
    std::vector<std::pair<std::uint64_t, std::string>> heard;
    std::atomic<bool> stop { false };
    MessengerListener listener;
    ASSERT_TRUE(listener.listen(kRecorderWindowClass, kRecorderWindowTitle));
    std::thread recorder([&] {
        while (!stop) {
            pollfd p { listener.fd(), POLLIN, 0 };
            if (::poll(&p, 1, 20) > 0)
                MessengerListener::serveConnection(
                    listener.acceptConnection(),
                    [&](const MessengerRecord& record) {
                        const std::lock_guard<std::mutex> guard(lock);
                        heard.emplace_back(record.dwData, record.payload);
                        return std::int64_t { 0 };
                    },
                    2s);
        }
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !forward.hasPending(); }, 5000));
    forward.onTitle(QStringLiteral("D - Quatre"));
    forward.onTitle(QStringLiteral("É - Cinq"));
    forward.end();
    forward.onTitle(QStringLiteral("F - Après"));
    stop = true;
    recorder.join();

    const std::vector<std::pair<std::uint64_t, std::string>> expected
        = { { kRecorderStartTitle, "C - Trois" }, { kRecorderNewTitle, "D - Quatre" },
              { kRecorderNewTitle, "É - Cinq" } };
    EXPECT_EQ(heard, expected);
}

} // namespace
