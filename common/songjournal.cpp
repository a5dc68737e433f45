#include "common/songjournal.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "common/foldaccents.h"
#include "common/textfile.h"

namespace {

constexpr std::size_t kWhenLength = 19; // "AAAA-MM-JJ HH:MM:SS"

// Blanks for the characters that would break a line or a column.
std::string field(std::string_view text)
{
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return out;
}

std::string line(const JournalEntry& e)
{
    return e.when + '\t' + field(e.station) + '\t' + field(e.artist) + '\t' + field(e.title) + '\t'
        + (e.liked ? '1' : '0') + '\n';
}

bool digitsAt(std::string_view s, std::initializer_list<std::size_t> at)
{
    return std::all_of(
        at.begin(), at.end(), [&](std::size_t i) { return s[i] >= '0' && s[i] <= '9'; });
}

int numberAt(std::string_view when, std::size_t at, std::size_t n)
{
    int value = 0;
    for (std::size_t i = at; i < at + n; ++i)
        value = value * 10 + (when[i] - '0');
    return value;
}

// A date and time as the journal writes it. Checked for every line read,
// so without the calendar arithmetic of secondsOf.
bool readableWhen(std::string_view when)
{
    if (when.size() != kWhenLength || when[4] != '-' || when[7] != '-' || when[10] != ' '
        || when[13] != ':' || when[16] != ':'
        || !digitsAt(when, { 0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18 }))
        return false;
    const int month = numberAt(when, 5, 2);
    const int day = numberAt(when, 8, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// Seconds of a local date and time counted as if it were UTC: only
// differences are used, so the zone does not matter.
std::optional<long long> secondsOf(std::string_view when)
{
    if (!readableWhen(when))
        return std::nullopt;
    std::tm tm {};
    tm.tm_year = numberAt(when, 0, 4) - 1900;
    tm.tm_mon = numberAt(when, 5, 2) - 1;
    tm.tm_mday = numberAt(when, 8, 2);
    tm.tm_hour = numberAt(when, 11, 2);
    tm.tm_min = numberAt(when, 14, 2);
    tm.tm_sec = numberAt(when, 17, 2);
    return static_cast<long long>(timegm(&tm));
}

std::optional<JournalEntry> parse(std::string_view text)
{
    JournalEntry e;
    std::string* fields[] = { &e.when, &e.station, &e.artist, &e.title };
    for (std::string* f : fields) {
        const std::size_t tab = text.find('\t');
        if (tab == std::string_view::npos)
            return std::nullopt;
        *f = std::string(text.substr(0, tab));
        text.remove_prefix(tab + 1);
    }
    if (!readableWhen(e.when) || e.title.empty())
        return std::nullopt;
    e.liked = text == "1";
    return e;
}

// The lines of one month's file, in file order (oldest first).
std::vector<JournalEntry> readMonth(const std::string& path)
{
    std::vector<JournalEntry> entries;
    const std::string text = ReadTextFile(path);
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (auto e = parse(rest.substr(0, end)))
            entries.push_back(std::move(*e));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return entries;
}

bool sameSong(const JournalEntry& a, const JournalEntry& b)
{
    return field(a.station) == b.station && field(a.artist) == b.artist
        && field(a.title) == b.title;
}

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

} // namespace

std::string DefaultJournalDir()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && *data == '/')
        base = data;
    else if (const char* home = std::getenv("HOME"))
        base = std::string(home) + "/.local/share";
    else
        base = "/tmp";
    return base + "/sonalto/journal/";
}

SongJournal::SongJournal(std::string dir)
    : dir_(std::move(dir))
{
}

std::string SongJournal::MonthFile(std::string_view when) const
{
    return dir_ + std::string(when.substr(0, 7)) + ".tsv";
}

SongJournal::Added SongJournal::Append(const JournalEntry& entry)
{
    const auto now = secondsOf(entry.when);
    if (!now || entry.title.empty())
        return Added::Failed;
    std::vector<JournalEntry> month = readMonth(MonthFile(entry.when));
    // An airing heard just before midnight on the last of the month sits in
    // the previous month's file.
    std::vector<JournalEntry> recent = month;
    if (entry.when.compare(8, 2, "01") == 0) {
        const std::time_t earlier = static_cast<std::time_t>(*now - kJournalRepeatMinutes * 60);
        std::tm tm {};
        gmtime_r(&earlier, &tm);
        char previous[8];
        std::strftime(previous, sizeof previous, "%Y-%m", &tm);
        if (entry.when.compare(0, 7, previous) != 0) {
            std::vector<JournalEntry> before = readMonth(dir_ + previous + ".tsv");
            recent.insert(recent.begin(), before.begin(), before.end());
        }
    }
    for (auto it = recent.rbegin(); it != recent.rend(); ++it) {
        const auto then = secondsOf(it->when);
        if (*now - *then > kJournalRepeatMinutes * 60)
            break;
        if (*then <= *now && sameSong(entry, *it))
            return Added::Repeat;
    }
    std::error_code error;
    std::filesystem::create_directories(dir_, error);
    std::string text = ReadTextFile(MonthFile(entry.when));
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    text += line(entry);
    return WriteTextFile(MonthFile(entry.when), text) ? Added::Written : Added::Failed;
}

bool SongJournal::SetLiked(const JournalEntry& entry, bool liked)
{
    if (!secondsOf(entry.when))
        return false;
    const std::string path = MonthFile(entry.when);
    std::vector<JournalEntry> month = readMonth(path);
    auto it = std::find_if(month.rbegin(), month.rend(),
        [&](const JournalEntry& e) { return e.when <= entry.when && sameSong(entry, e); });
    if (it == month.rend())
        return false;
    it->liked = liked;
    std::string text;
    for (const JournalEntry& e : month)
        text += line(e);
    return WriteTextFile(path, text);
}

std::vector<JournalEntry> SongJournal::ReadAll() const
{
    std::vector<std::string> months;
    for (const std::string& name : ListRegularFiles(dir_)) {
        if (name.size() == 11 && name.ends_with(".tsv") && name[4] == '-')
            months.push_back(name);
    }
    std::vector<std::vector<JournalEntry>> read;
    std::size_t total = 0;
    for (auto month = months.rbegin(); month != months.rend(); ++month) {
        read.push_back(readMonth(dir_ + *month));
        total += read.back().size();
    }
    // Years of journal are moved once, into their place.
    std::vector<JournalEntry> all;
    all.reserve(total);
    for (std::vector<JournalEntry>& entries : read) {
        // A file holds its month oldest first; a line put in by hand out of
        // order still shows at its time.
        std::reverse(entries.begin(), entries.end());
        const auto newer
            = [](const JournalEntry& a, const JournalEntry& b) { return a.when > b.when; };
        if (!std::is_sorted(entries.begin(), entries.end(), newer))
            std::stable_sort(entries.begin(), entries.end(), newer);
        std::move(entries.begin(), entries.end(), std::back_inserter(all));
    }
    return all;
}

std::vector<std::size_t> FilterJournalRows(
    const std::vector<JournalEntry>& entries, const JournalFilter& filter)
{
    const std::string key = FoldAccentsUtf8(filter.text);
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const JournalEntry& e = entries[i];
        if (filter.likedOnly && !e.liked)
            continue;
        if (!filter.station.empty() && e.station != filter.station)
            continue;
        if (!filter.day.empty() && e.when.compare(0, filter.day.size(), filter.day) != 0)
            continue;
        if (!key.empty()
            && FoldAccentsUtf8(e.station + '\n' + e.artist + '\n' + e.title).find(key)
                == std::string::npos)
            continue;
        rows.push_back(i);
    }
    return rows;
}

std::vector<JournalEntry> FilterJournal(
    const std::vector<JournalEntry>& entries, const JournalFilter& filter)
{
    std::vector<JournalEntry> shown;
    for (std::size_t i : FilterJournalRows(entries, filter))
        shown.push_back(entries[i]);
    return shown;
}

std::string JournalCsv(
    const std::vector<JournalEntry>& entries, std::span<const char* const, 5> columns)
{
    std::string csv;
    for (const char* column : columns)
        csv += (csv.empty() ? "" : ",") + csvField(column);
    csv += "\r\n";
    for (const JournalEntry& e : entries) {
        csv += e.when.substr(0, 10) + ',' + e.when.substr(11) + ',' + csvField(e.station) + ','
            + csvField(e.artist) + ',' + csvField(e.title) + "\r\n";
    }
    return csv;
}
