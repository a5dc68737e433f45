#pragma once

#include <chrono>
#include <string>

// The player's private output: a null sink of the sound server that the
// player feeds beside the speakers, so that the recorder takes the player's
// own audio from its monitor, before the speakers' volume and mute and
// without other programs' sounds.
inline constexpr const char* kPrivateOutputName = "sonalto_record";
inline constexpr const char* kPrivateMonitorName = "sonalto_record.monitor";

// True when the sound server answers and has an output of that name.
bool SoundOutputExists(
    const std::string& name, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

// Makes sure the private output exists: kept when already there (from an
// earlier run), else made by loading a null-sink module. False when there is
// no sound server or the module cannot be loaded.
bool EnsurePrivateOutput(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

// Unloads the private output when no recording takes its monitor: the
// output disappears from the desktop's sound settings once the player has
// left. False when it is still in use, absent, or the server did not answer.
bool RemovePrivateOutput(std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
