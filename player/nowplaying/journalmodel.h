#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/songjournal.h"

// The rules of "Journal des titres": the journal's songs newest first, the
// filter the listener set, the stations and days to filter by, and what
// "Copier", the song's page and "Exporter…" give. The window copies values
// in and out and forwards clicks.
class JournalModel {
public:
    // entries newest first, as SongJournal::ReadAll gives them.
    explicit JournalModel(std::vector<JournalEntry> entries);

    const JournalFilter& filter() const { return m_filter; }
    void setFilter(JournalFilter filter);

    // The songs that pass the filter, newest first.
    std::size_t rowCount() const { return m_rows.size(); }
    const JournalEntry& row(std::size_t row) const { return m_entries[m_rows[row]]; }

    // The stations heard, in alphabetical order with accents and case
    // ignored, and the days heard ("AAAA-MM-JJ"), newest first.
    const std::vector<std::string>& stations() const { return m_stations; }
    const std::vector<std::string>& days() const { return m_days; }

    // A song heard while the window is open goes in front.
    void add(const JournalEntry& entry);
    // A song marked elsewhere: its newest line at or before entry.when, as
    // SongJournal::SetLiked marks it. False when there is none.
    bool markLiked(const JournalEntry& entry);

    // "Copier": each of the rows on a line of its own, date and time,
    // station, artist and title separated by tabs.
    std::string copyText(const std::vector<std::size_t>& rows) const;
    // The song's page, as a click on the song window's cover opens it: the
    // release page the lookups found (releasePage, empty when none), else
    // the shop search followed by the title.
    std::string pageAddress(
        std::size_t row, const std::string& releasePage, const std::string& shopSearch) const;
    // "Exporter…": every liked song of the journal, whatever the filter, as
    // CSV.
    std::string likedCsv() const;

private:
    void addStation(const std::string& station);
    void addDay(const std::string& day);

    std::vector<JournalEntry> m_entries;
    JournalFilter m_filter;
    std::vector<std::size_t> m_rows;
    std::vector<std::string> m_stations;
    std::vector<std::string> m_days;
};
