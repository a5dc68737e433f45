#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The song journal: every song the player heard, kept for years in the
// listener's data folder. One UTF-8 text file per month, "AAAA-MM.tsv", one
// song a line:
//   date and time <TAB> station <TAB> artist <TAB> title <TAB> liked
// The date and time are local, "AAAA-MM-JJ HH:MM:SS"; liked is "1" for a song
// the listener marked, "0" otherwise. Tabs and line breaks inside a field are
// written as blanks. Every change rewrites the month's file through the atomic
// replace of WriteTextFile, so a crash never leaves half a journal.

struct JournalEntry {
    std::string when; // "AAAA-MM-JJ HH:MM:SS"
    std::string station;
    std::string artist;
    std::string title;
    bool liked = false;
};

// A song heard again on the same station within this many minutes is the same
// airing (a feed that repeats its record, a reconnect), not a new line.
inline constexpr int kJournalRepeatMinutes = 10;

// The journal's folder: $XDG_DATA_HOME/sonalto/journal/, or
// ~/.local/share/sonalto/journal/ when the variable is unset; ends with '/'.
std::string DefaultJournalDir();

class SongJournal {
public:
    // dir ends with '/'; it is created at the first write.
    explicit SongJournal(std::string dir);

    enum class Added { Written, Repeat, Failed };
    // Appends the song to its month's file unless the same station, artist
    // and title were heard within kJournalRepeatMinutes before entry.when.
    // An entry without a title, or whose date cannot be read, fails.
    Added Append(const JournalEntry& entry);

    // Marks (or unmarks) the newest line of the song at or before
    // entry.when. False when no such line exists or the file cannot be
    // written.
    bool SetLiked(const JournalEntry& entry, bool liked);

    // Every song of every month, newest first. Lines that cannot be read are
    // left out.
    std::vector<JournalEntry> ReadAll() const;

    // The month file of a date, "AAAA-MM.tsv" in the folder.
    std::string MonthFile(std::string_view when) const;

private:
    std::string dir_;
};

// What the journal window shows: every field may be empty, meaning "all".
struct JournalFilter {
    std::string text; // found in station, artist or title, accents and case ignored
    std::string station; // exact station name
    std::string day; // "AAAA-MM-JJ"
    bool likedOnly = false;
};

// The positions of the entries that pass the filter, in their order.
std::vector<std::size_t> FilterJournalRows(
    const std::vector<JournalEntry>& entries, const JournalFilter& filter);
// The entries that pass the filter, in their order.
std::vector<JournalEntry> FilterJournal(
    const std::vector<JournalEntry>& entries, const JournalFilter& filter);

// The songs as a CSV file (RFC 4180, UTF-8, comma-separated) under a header
// line naming its five columns: date, time, station, artist, title. The
// names are the caller's, in the listener's language.
std::string JournalCsv(
    const std::vector<JournalEntry>& entries, std::span<const char* const, 5> columns);
