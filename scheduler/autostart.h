#pragma once

#include <string>

// The desktop's start-up entry of the scheduler: an XDG autostart file
// "SntScheduler.desktop" that starts the scheduler with "-quiet" from its
// installation directory.

inline constexpr const char* kAutostartFileName = "SntScheduler.desktop";

// $XDG_CONFIG_HOME/autostart/, or ~/.config/autostart/; empty when neither
// can be had.
std::string AutostartDirectory();

// The entry's text for an installation directory ending with '/'.
std::string AutostartEntry(const std::string& installDir);

// Writes the entry into autostartDir (created when missing); true when it
// was written.
bool CreateStartupShortcut(const std::string& installDir, const std::string& autostartDir);
// Removes the entry; always true.
bool DeleteStartupShortcut(const std::string& autostartDir);
