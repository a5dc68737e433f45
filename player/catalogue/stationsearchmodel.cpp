#include "catalogue/stationsearchmodel.h"

#include <utility>

#include "catalogue/favourites.h"
#include "common/pagename.h"
#include "common/stationsearch.h"
#include "common/textfile.h"

StationSearchModel::StationSearchModel(std::string htmlDir, Prompt& prompt)
    : m_htmlDir(std::move(htmlDir))
    , m_prompt(prompt)
{
}

bool StationSearchModel::search(const std::string& text)
{
    m_results = SearchStations(ReadTextFile(IndexPath(m_htmlDir)), text);
    return !m_results.empty();
}

std::string StationSearchModel::pageOf(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_results.size()))
        return {};
    return m_htmlDir + FileNameOnDisk(m_results[index].pageFile);
}

bool StationSearchModel::addToFavourites(int index, Favourites& favourites)
{
    if (index < 0 || index >= static_cast<int>(m_results.size()))
        return false;
    return AddFavourite(favourites, m_results[index].name, m_results[index].pageFile, m_prompt);
}
