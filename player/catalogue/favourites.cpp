#include "catalogue/favourites.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <random>
#include <utility>

#include "catalogue/cataloguetexts.h"
#include "catalogue/namelist.h"
#include "common/foldaccents.h"
#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/textfile.h"

namespace texts = catalogue_texts;

namespace {

constexpr const char* kWelcomePage = "bienvenue.htm";

void refuse(Prompt& prompt, const char* text)
{
    prompt.message(texts::kErrorTitle, text, PromptIcon::Exclamation);
}

} // namespace

bool AddFavourite(
    Favourites& favourites, const std::string& name, const std::string& page, Prompt& prompt)
{
    if (favourites.count >= Favourites::kMax) {
        refuse(prompt, texts::kListFull);
        return false;
    }
    const auto used = favourites.names.begin() + favourites.count;
    if (std::find(favourites.names.begin(), used, name) != used) {
        refuse(prompt, texts::kAlreadyAdded);
        return false;
    }
    favourites.names[favourites.count] = name;
    favourites.pages[favourites.count] = page;
    ++favourites.count;
    return true;
}

bool AddCurrentStation(Favourites& favourites, const StationPageInfo& current,
    const std::string& htmlDir, Prompt& prompt)
{
    if (favourites.count >= Favourites::kMax) {
        refuse(prompt, texts::kListFull);
        return false;
    }
    if (current.title.empty() || current.title == kNotFound) {
        refuse(prompt, texts::kCannotAdd);
        return false;
    }
    // The page is opened again as the HTML directory plus what is stored.
    const std::string& path = current.pagePath;
    std::string page;
    if (!htmlDir.empty() && path.compare(0, htmlDir.size(), htmlDir) == 0) {
        page = path.substr(htmlDir.size());
    } else {
        const std::size_t slash = path.find_last_of('/');
        page = slash == std::string::npos ? path : path.substr(slash + 1);
    }
    const std::optional<std::string> pageText = FileNameInText(page);
    if (page.empty() || !pageText) {
        refuse(prompt, texts::kCannotAdd);
        return false;
    }
    return AddFavourite(favourites, current.title, *pageText, prompt);
}

std::string PickRandomStation(std::string_view indexText, std::uint32_t randomValue)
{
    if (indexText.empty())
        return {};
    const std::vector<StationEntry> stations = ListStations(indexText);
    if (stations.empty())
        return kWelcomePage;
    return stations[randomValue % stations.size()].pageFile;
}

std::uint32_t TimeSeededRandom()
{
    // The time alone would give the same station twice within one second.
    std::seed_seq seed { static_cast<std::uint32_t>(std::time(nullptr)), std::random_device {}() };
    std::mt19937 generator(seed);
    return static_cast<std::uint32_t>(generator());
}

FavouritesOrganiser::FavouritesOrganiser(
    std::string indexText, const Favourites& favourites, Prompt& prompt)
    : m_indexText(std::move(indexText))
    , m_prompt(prompt)
{
    for (StationEntry& entry : ListStations(m_indexText))
        m_stations.push_back(std::move(entry.name));
    std::stable_sort(m_stations.begin(), m_stations.end(),
        [](const std::string& a, const std::string& b) { return CompareStationNames(a, b) < 0; });
    for (int i = 0; i < favourites.count; ++i)
        InsertSortedName(m_favourites, favourites.names[i]);
}

void FavouritesOrganiser::chooseStation(int index)
{
    if (index < 0 || index >= static_cast<int>(m_stations.size())) {
        m_stationSelection = -1;
        return;
    }
    m_stationSelection = index;
    m_searchPosition = index;
}

void FavouritesOrganiser::chooseFavourite(int index)
{
    m_favouriteSelection = index >= 0 && index < static_cast<int>(m_favourites.size()) ? index : -1;
}

void FavouritesOrganiser::addSelected()
{
    if (m_stationSelection < 0)
        return;
    if (m_favourites.size() >= static_cast<std::size_t>(Favourites::kMax)) {
        refuse(m_prompt, texts::kListFull);
        return;
    }
    const std::string& name = m_stations[m_stationSelection];
    if (FindNamePrefix(m_favourites, name) < 0)
        m_favouriteSelection = InsertSortedName(m_favourites, name);
}

void FavouritesOrganiser::removeSelected()
{
    if (m_favouriteSelection < 0)
        return;
    m_favourites.erase(m_favourites.begin() + m_favouriteSelection);
    m_favouriteSelection = -1;
}

bool FavouritesOrganiser::findNext(const std::string& text)
{
    const std::string key = FoldAccents(text);
    const int size = static_cast<int>(m_stations.size());
    const auto matches
        = [&](int i) { return FoldAccents(m_stations[i]).find(key) != std::string::npos; };
    int found = -1;
    for (int i = m_searchPosition + 1; i < size && found < 0; ++i)
        if (matches(i))
            found = i;
    for (int i = 0; i < size && found < 0; ++i)
        if (matches(i))
            found = i;
    if (found < 0) {
        refuse(m_prompt, texts::kNothingFound);
        return false;
    }
    m_stationSelection = m_searchPosition = found;
    return true;
}

void FavouritesOrganiser::store(Favourites& favourites) const
{
    const Favourites before = favourites;
    favourites = Favourites {};
    for (const std::string& name : m_favourites) {
        if (favourites.count == Favourites::kMax)
            break;
        std::string page = kNotFound;
        const StationLine line = FindStationLine(m_indexText, name);
        if (line.found) {
            page = line.pageFile;
        } else {
            // A favourite whose name the index does not carry (its page's
            // title differs from its line) keeps the page it had.
            const auto used = before.names.begin() + before.count;
            const auto old = std::find(before.names.begin(), used, name);
            if (old != used)
                page = before.pages[old - before.names.begin()];
        }
        favourites.names[favourites.count] = name;
        favourites.pages[favourites.count] = page;
        ++favourites.count;
    }
}
