#include "nowplaying/covercache.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include <QString>

#include "common/textfile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDetailsSuffix = ".txt";
constexpr const char* kCoverSuffix = ".jpg";

std::string field(std::string_view text, std::string_view name)
{
    const std::string start = "\n" + std::string(name) + "=";
    const std::string padded = "\n" + std::string(text);
    const std::size_t at = padded.find(start);
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + start.size();
    const std::size_t end = padded.find('\n', from);
    return padded.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

// Line breaks would end a field early.
std::string oneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

} // namespace

CoverCache::CoverCache(std::string dir, std::uintmax_t limitBytes)
    : m_dir(std::move(dir))
    , m_limit(limitBytes)
{
    if (!m_dir.empty() && m_dir.back() != '/')
        m_dir += '/';
}

std::string CoverCache::DefaultDirectory()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (cache != nullptr && cache[0] == '/') {
        base = cache;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.cache";
    }
    if (base.back() != '/')
        base += '/';
    return base + "sonalto/pochettes/";
}

std::string CoverCache::Key(std::string_view artist, std::string_view title)
{
    // FNV-1a over the lower-cased names, a line feed between them.
    const auto lowered = [](std::string_view name) {
        return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
            .toLower()
            .toStdString();
    };
    const std::string text = lowered(artist) + "\n" + lowered(title);
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string key(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        key[static_cast<std::size_t>(i)] = kHex[hash & 0xF];
    return key;
}

std::optional<SongDetails> CoverCache::find(const std::string& key) const
{
    const std::optional<std::string> text = TryReadTextFile(m_dir + key + kDetailsSuffix);
    if (!text)
        return std::nullopt;
    SongDetails details;
    details.album = field(*text, "album");
    details.releaseDate = field(*text, "date");
    details.releasePage = field(*text, "release");
    const std::string cover = m_dir + key + kCoverSuffix;
    if (field(*text, "cover") == "1" && FileExists(cover)) {
        details.coverFile = cover;
        // Used now: the last to go when the folder is trimmed.
        std::error_code error;
        fs::last_write_time(cover, fs::file_time_type::clock::now(), error);
    }
    return details;
}

std::optional<SongDetails> CoverCache::store(
    const std::string& key, SongDetails details, std::string_view coverBytes)
{
    std::error_code error;
    fs::create_directories(m_dir, error);
    const std::string cover = m_dir + key + kCoverSuffix;
    details.coverFile.clear();
    if (!coverBytes.empty()) {
        if (WriteTextFile(cover, coverBytes))
            details.coverFile = cover;
    }
    const std::string text = "album=" + oneLine(details.album)
        + "\ndate=" + oneLine(details.releaseDate) + "\nrelease=" + oneLine(details.releasePage)
        + "\ncover=" + (details.coverFile.empty() ? "0" : "1") + "\n";
    if (!WriteTextFile(m_dir + key + kDetailsSuffix, text))
        return std::nullopt;
    trim();
    return details;
}

void CoverCache::trim() const
{
    // A song's files go together, judged by the last use of either: the
    // details without the cover would say there is one.
    struct Song {
        std::vector<fs::path> files;
        std::uintmax_t size = 0;
        fs::file_time_type used = fs::file_time_type::min();
    };
    std::map<std::string, Song> songs;
    std::uintmax_t total = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_dir, error)) {
        std::error_code each;
        if (!entry.is_regular_file(each))
            continue;
        const std::uintmax_t size = entry.file_size(each);
        const fs::file_time_type used = entry.last_write_time(each);
        if (each)
            continue;
        Song& song = songs[entry.path().stem().string()];
        song.files.push_back(entry.path());
        song.size += size;
        song.used = std::max(song.used, used);
        total += size;
    }
    if (total <= m_limit)
        return;
    std::vector<const Song*> oldestFirst;
    for (const auto& [stem, song] : songs)
        oldestFirst.push_back(&song);
    std::sort(oldestFirst.begin(), oldestFirst.end(),
        [](const Song* a, const Song* b) { return a->used < b->used; });
    for (const Song* song : oldestFirst) {
        if (total <= m_limit)
            break;
        for (const fs::path& file : song->files) {
            std::error_code each;
            fs::remove(file, each);
        }
        total -= std::min(total, song->size);
    }
}
