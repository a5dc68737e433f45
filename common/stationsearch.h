#pragma once

#include <string_view>
#include <vector>

#include "common/stationindex.h"

// The stations of the index text whose folded name (FoldAccents) contains
// the folded search text, in file order, inactive ones included. An empty
// search text matches every station. searchText is Windows-1252.
std::vector<StationEntry> SearchStations(std::string_view indexText, std::string_view searchText);
