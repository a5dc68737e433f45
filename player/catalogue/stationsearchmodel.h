#pragma once

#include <string>
#include <vector>

#include "common/settings.h"
#include "common/stationindex.h"

class Prompt;

// The search over the whole catalogue, by part of a name, without regard to
// case or accents.
class StationSearchModel {
public:
    StationSearchModel(std::string htmlDir, Prompt& prompt);

    // Runs a search (Windows-1252 text); true when something matched. An
    // unreadable or empty index matches nothing.
    bool search(const std::string& text);
    const std::vector<StationEntry>& results() const { return m_results; }

    // The page to play for a result; empty when there is no such result.
    std::string pageOf(int index) const;
    // "Ajouter aux favoris" for a result.
    bool addToFavourites(int index, Favourites& favourites);

private:
    std::string m_htmlDir;
    Prompt& m_prompt;
    std::vector<StationEntry> m_results;
};
