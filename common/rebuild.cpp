#include "common/rebuild.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/cp1252.h"
#include "common/indexmarkers.h"
#include "common/pagemarkers.h"
#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/textfile.h"

namespace {

struct Station {
    std::string title;
    std::string file;
};

// The table order: each station goes before the first entry E (TITLE, TAB,
// FILE) whose lower-cased text sorts after its lower-cased title.
//
// While no title holds a byte at or below TAB, the title compares with an
// entry exactly as with the entry's title alone, a tie counting as "after".
// The table is then ordered by lower-cased title, and among equal titles the
// station listed later comes first: a stable sort of the reversed listing.
// A title with such a byte can make that comparison depend on the FILE part;
// the entries are then inserted one by one exactly as described.
std::vector<Station> sortStations(std::vector<Station> stations)
{
    const bool plainTitles = std::none_of(stations.begin(), stations.end(), [](const Station& s) {
        return std::any_of(s.title.begin(), s.title.end(),
            [](char c) { return static_cast<unsigned char>(c) <= '\t'; });
    });

    if (plainTitles) {
        std::vector<std::pair<std::string, std::size_t>> keys;
        keys.reserve(stations.size());
        for (std::size_t i = stations.size(); i-- > 0;)
            keys.emplace_back(cp1252::lower(stations[i].title), i);
        std::stable_sort(keys.begin(), keys.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Station> sorted;
        sorted.reserve(stations.size());
        for (const auto& key : keys)
            sorted.push_back(std::move(stations[key.second]));
        return sorted;
    }

    std::vector<std::string> lowered; // lower-cased TITLE, TAB, FILE per table entry
    std::vector<Station> table;
    for (Station& station : stations) {
        const std::string title = cp1252::lower(station.title);
        std::size_t at = 0;
        while (at < lowered.size() && !(title < lowered[at]))
            ++at;
        lowered.insert(lowered.begin() + at, title + '\t' + cp1252::lower(station.file));
        table.insert(table.begin() + at, std::move(station));
    }
    return table;
}

// Which page files have an inactive line in the previous index: those that
// the text after some "<!--<option value=\"" begins with. Each such text is
// kept up to the length of the longest file name, which is all a prefix test
// against a file name can look at, and the texts are sorted so that each
// test is one binary search.
class InactiveFiles {
public:
    InactiveFiles(std::string_view old, std::size_t longestFile)
    {
        for (std::size_t pos = old.find(kInactiveOpener); pos != std::string_view::npos;
             pos = old.find(kInactiveOpener, pos + 1)) {
            m_following.push_back(old.substr(pos + kInactiveOpener.size(), longestFile));
        }
        std::sort(m_following.begin(), m_following.end());
    }

    bool contains(std::string_view file) const
    {
        // Texts that begin with file sort together, right from its lower bound.
        const auto it = std::lower_bound(m_following.begin(), m_following.end(), file);
        return it != m_following.end() && it->substr(0, file.size()) == file;
    }

private:
    std::vector<std::string_view> m_following;
};

} // namespace

bool RebuildIndex(const std::string& htmlDir)
{
    std::vector<std::string> unnamedPages;
    return RebuildIndex(htmlDir, unnamedPages);
}

bool RebuildIndex(const std::string& htmlDir, std::vector<std::string>& unnamedPages)
{
    const std::string indexPath = IndexPath(htmlDir);
    const std::string old = ReadTextFile(indexPath);

    unnamedPages.clear();
    std::vector<Station> stations;
    for (std::string& file : ListRegularFiles(htmlDir)) {
        // Hidden files are no stations: among them the temporary copy of a
        // page whose write is under way or was cut short.
        if (file.front() == '.')
            continue;
        std::string title
            = ExtractBetween(ReadTextFile(htmlDir + file), kPageTitleStart, kPageTitleEnd);
        if (title == kNotFound || title == kNamePlaceholder)
            continue;
        std::optional<std::string> fileText = FileNameInText(file);
        if (!fileText) {
            unnamedPages.push_back(std::move(file));
            continue;
        }
        stations.push_back({ std::move(title), std::move(*fileText) });
    }
    stations = sortStations(std::move(stations));

    // Each table entry is TITLE, TAB, FILE and is split again at its first
    // TAB: a TAB inside a title moves the rest of the title into FILE.
    std::size_t longestFile = 0;
    for (Station& station : stations) {
        const std::size_t tab = station.title.find('\t');
        if (tab != std::string::npos) {
            station.file = station.title.substr(tab + 1) + '\t' + station.file;
            station.title.resize(tab);
        }
        longestFile = std::max(longestFile, station.file.size());
    }

    const InactiveFiles inactive(old, longestFile);
    std::string text = IndexHeader();
    for (const Station& station : stations) {
        const bool wasInactive = inactive.contains(station.file);
        if (wasInactive)
            text += kCommentOpener;
        text += kValueOpener;
        text += station.file;
        text += kValueCloser;
        text += station.title;
        text += kOptionCloser;
        if (wasInactive)
            text += kCommentCloser;
        text += "\r\n";
    }
    text += IndexFooter();
    return WriteTextFile(indexPath, text);
}
