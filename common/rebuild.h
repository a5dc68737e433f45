#pragma once

#include <string>

// Recreates htmlDir + "haut.htm" from the station pages in htmlDir, sorted by
// title, keeping stations that were inactive in the previous index inactive.
// False when the index cannot be written (the previous one is then kept).
// The caller reloads the view and tells the user.
bool RebuildIndex(const std::string& htmlDir);

inline constexpr const char* kRebuildDoneTitle = "Terminé";
inline constexpr const char* kRebuildDoneText
    = "La reconstruction de l'index des radios est terminée.";
