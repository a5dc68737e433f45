#pragma once

#include <chrono>
#include <string>

#include "shell/commandline.h"

class WindowClaim;

enum class StartRole {
    First, // this process holds the player's name: it is the player
    Forwarded, // the running player took every record of the command line
    Unreachable, // another process held the name and never answered
    NothingToStop, // "-stop" with no player at all: nothing is claimed
};

// Makes sure that one player runs. Claims the player's name; when another
// process holds it, sends it the command line (SecondStartRecords). When
// that fails, the holder is quitting or just starting: the start tries
// again until the holder answers or ends, and then claims the name itself,
// for at most patience in all. A start is never reported forwarded unless
// every record was answered.
StartRole ClaimOrForward(WindowClaim& claim, const CommandLine& commandLine,
    const DesktopLaunch& launch, std::chrono::milliseconds patience = std::chrono::seconds(60));
