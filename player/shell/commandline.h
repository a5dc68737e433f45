#pragma once

#include <string>
#include <vector>

#include "common/messenger.h"

// The options the player obeys, found by case-sensitive substring search in
// the command-line tail, so that their order and any extra text do not
// matter.
struct CommandLine {
    std::string tail;
    bool quiet = false; // "-quiet"
    bool stop = false; // "-stop"
    bool selfUpdate = false; // "-self_update"
    bool rebuild = false; // "-rebuild"
    bool recordStart = false; // "-record start"
    bool recordStop = false; // "-record stop"
    bool radio = false; // "-radio"
    // With "-radio": the station page file name, the text after "-radio " up
    // to the next ".htm" (both found without regard to case) with ".htm"
    // appended; "Introuvable.htm" without "-radio ", ".htm" without ".htm".
    std::string radioPage;
};

// The tail is what follows the program's name on its command line. The
// system hands over the arguments already split, so they are joined again
// with single blanks: a station name given as several arguments ("France",
// "Inter.htm") reads the same as one argument holding the blank.
std::string CommandLineTail(const std::vector<std::string>& arguments);
std::string CommandLineTail(int argc, char** argv);

CommandLine ParseCommandLine(std::string tail);

// dwData of the record that forwards "-radio".
inline constexpr std::uint64_t kCopyDataRadio = 0x8048;

// lParam of the activation when options follow it: the forward is about
// those options, and a player hidden in the notification area stays hidden.
// Only a start with no option (lParam 0) brings a hidden player back.
inline constexpr std::int64_t kActivateForOptions = 1;

// dwData of the record that carries the second start's activation token
// (the desktop's XDG_ACTIVATION_TOKEN, without a terminating zero), sent
// just before the activation so that the running player may raise itself.
inline constexpr std::uint64_t kCopyDataActivationToken = 0x8049;

// dwData of the record that carries the second start's X11 startup id (the
// desktop's DESKTOP_STARTUP_ID, without a terminating zero), sent with the
// token: the running player ends the launch feedback with it and raises its
// window with the launch's time.
inline constexpr std::uint64_t kCopyDataStartupId = 0x804A;

// How the desktop asked for this start: the Wayland activation token and the
// X11 startup id, each empty when the desktop gave none.
struct DesktopLaunch {
    std::string activationToken;
    std::string startupId;
};

// Everything a second start sends, in order: the activation token and the
// startup id when there are, the activation, then the forwarding plan.
std::vector<MessengerRecord> SecondStartRecords(
    const CommandLine& commandLine, const DesktopLaunch& launch);

// What a second start sends to the running player, in this fixed order:
// "-quiet", "-stop", "-self_update", "-rebuild", "-record start",
// "-record stop", "-radio". The activation that comes first is not part of it.
std::vector<MessengerRecord> ForwardingPlan(const CommandLine& commandLine);
