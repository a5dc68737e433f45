#include "nowplaying/journalmodel.h"

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

#include "common/foldaccents.h"
#include "nowplaying/nowplayingtexts.h"
#include "nowplaying/songwindowmodel.h"

namespace {

constexpr std::size_t kDayLength = 10; // "AAAA-MM-JJ"

bool sameSong(const JournalEntry& a, const JournalEntry& b)
{
    return a.station == b.station && a.artist == b.artist && a.title == b.title;
}

bool stationBefore(const std::string& a, const std::string& b)
{
    const std::string ka = FoldAccentsUtf8(a);
    const std::string kb = FoldAccentsUtf8(b);
    return ka != kb ? ka < kb : a < b;
}

} // namespace

JournalModel::JournalModel(std::vector<JournalEntry> entries)
    : m_entries(std::move(entries))
{
    std::set<std::string> stations;
    std::set<std::string, std::greater<>> days;
    for (const JournalEntry& e : m_entries) {
        if (!e.station.empty())
            stations.insert(e.station);
        days.insert(e.when.substr(0, kDayLength));
    }
    m_stations.assign(stations.begin(), stations.end());
    std::sort(m_stations.begin(), m_stations.end(), stationBefore);
    m_days.assign(days.begin(), days.end());
    setFilter({});
}

void JournalModel::setFilter(JournalFilter filter)
{
    m_filter = std::move(filter);
    m_rows = FilterJournalRows(m_entries, m_filter);
}

void JournalModel::add(const JournalEntry& entry)
{
    m_entries.insert(m_entries.begin(), entry);
    if (!entry.station.empty())
        addStation(entry.station);
    addDay(entry.when.substr(0, kDayLength));
    setFilter(m_filter);
}

void JournalModel::addStation(const std::string& station)
{
    const auto at = std::lower_bound(m_stations.begin(), m_stations.end(), station, stationBefore);
    if (at == m_stations.end() || *at != station)
        m_stations.insert(at, station);
}

void JournalModel::addDay(const std::string& day)
{
    const auto at = std::lower_bound(m_days.begin(), m_days.end(), day, std::greater<>());
    if (at == m_days.end() || *at != day)
        m_days.insert(at, day);
}

bool JournalModel::markLiked(const JournalEntry& entry)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
        [&](const JournalEntry& e) { return e.when <= entry.when && sameSong(e, entry); });
    if (it == m_entries.end())
        return false;
    it->liked = true;
    setFilter(m_filter);
    return true;
}

std::string JournalModel::copyText(const std::vector<std::size_t>& rows) const
{
    std::string text;
    for (std::size_t r : rows) {
        const JournalEntry& e = row(r);
        text += e.when + '\t' + e.station + '\t' + e.artist + '\t' + e.title + '\n';
    }
    return text;
}

std::string JournalModel::pageAddress(
    std::size_t r, const std::string& releasePage, const std::string& shopSearch) const
{
    // The song window's rule for a song of a feed.
    SongList songs {};
    songs[0].title = row(r).title;
    songs[0].artist = row(r).artist;
    songs[0].infoAddress = releasePage;
    SongWindowModel song(SongWindowModel::kMinPeriod);
    if (!shopSearch.empty())
        song.setShopSearch(shopSearch);
    song.resetSongs(songs);
    return song.coverClickAddress();
}

std::string JournalModel::likedCsv() const
{
    std::vector<JournalEntry> liked;
    std::copy_if(m_entries.begin(), m_entries.end(), std::back_inserter(liked),
        [](const JournalEntry& e) { return e.liked; });
    return JournalCsv(liked, texts::kJournalColumns);
}
