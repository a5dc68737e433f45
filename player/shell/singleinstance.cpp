#include "shell/singleinstance.h"

#include <thread>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/windowclaim.h"

namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(50);

bool sendAll(const CommandLine& commandLine, const DesktopLaunch& launch)
{
    // Each send waits for the player to handle the record before the next
    // one goes. A record that is not answered (the player began to quit)
    // fails the whole forward.
    for (const MessengerRecord& record : SecondStartRecords(commandLine, launch)) {
        if (!SendRecord(kPlayerWindowClass, kPlayerWindowTitle, record))
            return false;
    }
    return true;
}

} // namespace

StartRole ClaimOrForward(WindowClaim& claim, const CommandLine& commandLine,
    const DesktopLaunch& launch, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        // A "-stop" with no player needs no player, and leaves nothing.
        if (commandLine.stop && !WindowClaim::isHeld(kPlayerWindowClass, kPlayerWindowTitle))
            return StartRole::NothingToStop;
        if (claim.claim(kPlayerWindowClass, kPlayerWindowTitle))
            return StartRole::First;
        if (sendAll(commandLine, launch))
            return StartRole::Forwarded;
        if (std::chrono::steady_clock::now() >= deadline)
            return StartRole::Unreachable;
        std::this_thread::sleep_for(kRetryPause);
    }
}
