#pragma once

#include <string>

class Prompt;

// Recreates htmlDir + "haut.htm" after an update has brought station pages,
// as the index rebuild does: every page with a station title, sorted by
// title, stations that were inactive staying inactive. When the previous
// index has an inactive line (the listener keeps a personal list), the
// listener is asked whether the stations new to the index join the personal
// list; answered No, they are written inactive and so appear in the complete
// list only. False when the index cannot be written. Shows nothing else.
bool RegenerateIndex(const std::string& htmlDir, Prompt& prompt);
