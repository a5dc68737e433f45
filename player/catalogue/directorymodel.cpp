#include "catalogue/directorymodel.h"

#include <iterator>
#include <utility>

#include "common/cp1252.h"
#include "common/prompt.h"
#include "common/stationpage.h"

DirectoryModel::DirectoryModel(std::string htmlDir, Prompt& prompt)
    : m_htmlDir(std::move(htmlDir))
    , m_prompt(prompt)
{
    m_query.countryCode = kDirectoryCountries[0].code;
}

void DirectoryModel::setQuery(
    const std::string& name, int country, const std::string& language, const std::string& tag)
{
    m_query.name = name;
    const int count = static_cast<int>(std::size(kDirectoryCountries));
    m_query.countryCode = country >= 0 && country < count ? kDirectoryCountries[country].code : "";
    m_query.language = language;
    m_query.tag = tag;
}

std::string DirectoryModel::searchPath() const
{
    DirectoryQuery query = m_query;
    query.showBroken = true;
    // The directory matches names letter for letter, accents included. When
    // a country, a language or a genre narrows the search, the name filters
    // here only, accents ignored; alone, it has to go to the directory.
    if (!query.countryCode.empty() || !query.language.empty() || !query.tag.empty())
        query.name.clear();
    return DirectorySearchPath(query);
}

void DirectoryModel::beginSearch()
{
    m_status = kDirectorySearching;
}

void DirectoryModel::takeAnswer(bool answered, bool unreadable, const std::string& body)
{
    // What was found before stays on show.
    if (!answered && !unreadable) {
        m_status = kDirectoryOffline;
        return;
    }
    DirectoryAnswer answer = ReadDirectoryStations(answered ? body : std::string());
    if (!answer.error.empty()) {
        m_status = answer.error;
        return;
    }
    m_all = std::move(answer.stations);
    refilter();
}

void DirectoryModel::setShowBroken(bool show)
{
    m_showBroken = show;
    refilter();
}

void DirectoryModel::refilter()
{
    m_shown = FilterDirectory(m_all, m_query.name, m_showBroken);
    m_status = m_shown.empty() ? kDirectoryNothingFound : std::string();
}

const DirectoryStation* DirectoryModel::station(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_shown.size()))
        return nullptr;
    return &m_shown[static_cast<std::size_t>(row)];
}

bool DirectoryModel::add(const DirectoryStation& station, const std::string& logoPath)
{
    DirectoryAdd add = AddDirectoryStation(m_htmlDir, station, logoPath, false);
    if (add.result == DirectoryAddResult::NameExists) {
        if (m_prompt.question(kDirectoryTitle, add.message) != PromptAnswer::Yes)
            return false;
        add = AddDirectoryStation(m_htmlDir, station, logoPath, true);
    }
    if (add.result == DirectoryAddResult::Added)
        return true;
    m_prompt.message(kDirectoryTitle, add.message, PromptIcon::Exclamation);
    return false;
}

std::string DirectoryModel::writeTrialPage(int row) const
{
    const DirectoryStation* found = station(row);
    if (found == nullptr || found->stream.find_first_of("\"<> ") != std::string::npos)
        return {};
    StationForm form;
    form.name = cp1252::fromUtf8(found->name);
    if (!GenerateStationPage(m_htmlDir, form, found->stream, std::string(), kDirectoryTrialPage))
        return {};
    return m_htmlDir + kDirectoryTrialPage;
}
