#pragma once

#include <string>

#include "shell/commandline.h"

class WindowClaim;

// What the start-up program hands to the player's windowed part once it
// knows that this process is to be the player (or has to show a playlist's
// error). The start-up program links neither the display nor the web view,
// so a start that only forwards its options ends without loading them; the
// windowed part is a library beside it, loaded only when needed.
struct PlayerStart {
    int version = 0; // kPlayerStartVersion of the program that filled it
    std::string installDir;
    CommandLine commandLine;
    std::string playlistError; // an unreadable playlist named on the command line
    WindowClaim* claim = nullptr; // the player's name, claimed (or released)
    bool forwarded = false; // the options went to the running player
};

// Both parts come from one build; a library of another build refuses the
// start rather than misread it.
inline constexpr int kPlayerStartVersion = 1;

// The windowed part, in the installation directory, and its entry.
inline constexpr const char* kPlayerLibrary = "sonalto-player.so";
inline constexpr const char* kPlayerEntry = "SonaltoRunPlayer";

using PlayerEntry = int (*)(int argc, char** argv, PlayerStart* start);
