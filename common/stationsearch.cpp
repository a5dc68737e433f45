#include "common/stationsearch.h"

#include <string>

#include "common/foldaccents.h"

std::vector<StationEntry> SearchStations(std::string_view indexText, std::string_view searchText)
{
    const std::string key = FoldAccents(searchText);
    std::vector<StationEntry> found;
    for (StationEntry& entry : ListStations(indexText)) {
        if (FoldAccents(entry.name).find(key) != std::string::npos)
            found.push_back(std::move(entry));
    }
    return found;
}
