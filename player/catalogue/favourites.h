#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/prompt.h"
#include "common/settings.h"
#include "common/stationpage.h"

// Appends a favourite unless the table is full or already holds that exact
// name; the refusal is shown titled "Erreur". Name and page are
// Windows-1252, the page relative to the HTML directory.
bool AddFavourite(
    Favourites& favourites, const std::string& name, const std::string& page, Prompt& prompt);

// "Ajouter cette radio": the station now playing, named by its page's title
// and stored by its page's path relative to htmlDir (a page in a subfolder
// such as "lecture/" keeps its folder), in the files' spelling.
bool AddCurrentStation(Favourites& favourites, const StationPageInfo& current,
    const std::string& htmlDir, Prompt& prompt);

// "Au hasard ?": the page file of one station line of the index, chosen by
// randomValue modulo the number of lines (inactive lines included), or the
// welcome page when the index lists none. Empty when the index is empty.
std::string PickRandomStation(std::string_view indexText, std::uint32_t randomValue);

// A random value seeded from the time of each use.
std::uint32_t TimeSeededRandom();

// "Organiser les favoris": the stations of the index beside the favourites
// being edited, with a search that goes round the station list.
class FavouritesOrganiser {
public:
    FavouritesOrganiser(std::string indexText, const Favourites& favourites, Prompt& prompt);

    // Every station name, sorted as the list shows them.
    const std::vector<std::string>& stations() const { return m_stations; }
    // The favourites in name order.
    const std::vector<std::string>& favourites() const { return m_favourites; }
    int stationSelection() const { return m_stationSelection; }
    int favouriteSelection() const { return m_favouriteSelection; }
    int searchPosition() const { return m_searchPosition; }
    // True once the search text was typed in: Enter then searches.
    bool searchIsDefault() const { return m_searchIsDefault; }

    void chooseStation(int index);
    void chooseFavourite(int index);
    void editSearchText() { m_searchIsDefault = true; }

    void addSelected();
    void removeSelected();
    // "v": selects the next station whose folded name contains the folded
    // text, going round to the first station; "Introuvable." when none.
    bool findNext(const std::string& text);

    // OK: the table becomes the list, each favourite with the page of the
    // station line of exactly that name.
    void store(Favourites& favourites) const;

private:
    std::string m_indexText;
    Prompt& m_prompt;
    std::vector<std::string> m_stations;
    std::vector<std::string> m_favourites;
    int m_stationSelection = -1;
    int m_favouriteSelection = -1;
    int m_searchPosition = 0;
    bool m_searchIsDefault = false;
};
