#pragma once

#include <string>

#include "common/stationpage.h"

// The page shown in the mini layout instead of the station's own page: the
// station's small logo linked to its site, a compact player and a back icon.
// Writes htmlDir + "playermini.html"; a failed write is ignored.
void BuildMiniPlayerPage(const std::string& htmlDir, const StationPageInfo& current);

// Switches the drop-down of htmlDir + "haut.htm" to its button form (a plain
// list with an "Ecouter !" button) or back to its navigate-on-change form.
// Nothing happens when the index is missing or empty; a failed write is
// ignored.
void SetListButton(const std::string& htmlDir, bool withButton);
