#pragma once

#include <string>

// The last step of an update of the updater itself. A running program cannot
// be replaced by the updater, so the new updater waits in the HTML directory
// under this name until the player puts it in place.
inline constexpr const char* kParkedUpdater = "fichier_tmp.tmp";

enum class SelfUpdateStep {
    Waiting, // the updater still runs: try again later
    Nothing, // no new updater is waiting
    Done, // the new updater is in place and the parked file gone
    Failed, // the old updater is kept whole, and so is the parked file
};

// Puts htmlDir + kParkedUpdater in place of installDir + the updater,
// through the atomic replace of every write (the new program is flushed to
// disk beside the old one, then renamed over it), runnable. While
// updaterRunning nothing is looked at.
SelfUpdateStep CompleteSelfUpdate(
    const std::string& htmlDir, const std::string& installDir, bool updaterRunning);
