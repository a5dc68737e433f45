#include "common/titlesplit.h"

#include <array>
#include <cctype>

#include "common/textfile.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Drops blanks and dots at both ends.
void trimEnds(std::string& name)
{
    const auto edge = [](char c) { return c == ' ' || c == '.'; };
    std::size_t begin = 0;
    while (begin < name.size() && edge(name[begin]))
        ++begin;
    std::size_t end = name.size();
    while (end > begin && edge(name[end - 1]))
        --end;
    name = name.substr(begin, end - begin);
}

// The names other systems keep for devices, whatever the case and the
// extension: a file named so cannot be copied there.
bool isDeviceName(const std::string& name)
{
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const std::array<const char*, 4> plain = { "CON", "PRN", "AUX", "NUL" };
    for (const char* device : plain)
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)
        && stem[3] >= '1' && stem[3] <= '9';
}

} // namespace

std::string SongFileName(std::string_view title, std::string_view untitled)
{
    std::string name;
    name.reserve(title.size());
    bool blank = false;
    for (std::size_t i = 0; i < title.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        char out = static_cast<char>(c);
        if (c == '/' || c == '\\' || c == '|') {
            out = '-';
        } else if (c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>') {
            continue;
        } else if (c < 0x20 || c == 0x7f) {
            out = ' ';
        } else if (c == 0xc2 && i + 1 < title.size()
            && static_cast<unsigned char>(title[i + 1]) >= 0x80
            && static_cast<unsigned char>(title[i + 1]) <= 0x9f) {
            ++i; // a control character of the second range, U+0080 to U+009F
            out = ' ';
        }
        if (out == ' ') {
            blank = true;
            continue;
        }
        if (blank && !name.empty())
            name += ' ';
        blank = false;
        name += out;
    }
    trimEnds(name);
    if (name.size() > kMaxSongNameBytes) {
        std::size_t cut = kMaxSongNameBytes;
        // Back to the first byte of a character.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xc0) == 0x80)
            --cut;
        name.resize(cut);
        trimEnds(name);
    }
    if (name.empty())
        return std::string(untitled);
    if (isDeviceName(name))
        name.insert(0, 1, '_');
    return name;
}

std::string FreeSongFile(
    const std::string& directory, const std::string& name, const std::string& ext)
{
    std::string candidate = directory + name + ext;
    for (int n = 2; FileExists(candidate); ++n)
        candidate = directory + name + " (" + std::to_string(n) + ")" + ext;
    return candidate;
}

TitleSplit::TitleSplit(std::string untitled, std::string partialMarker)
    : m_untitled(std::move(untitled))
    , m_marker(std::move(partialMarker))
{
}

void TitleSplit::startTitle(std::string_view title)
{
    if (!m_changed)
        m_title = trimmed(title);
}

std::optional<std::string> TitleSplit::newTitle(std::string_view title)
{
    title = trimmed(title);
    if (title == m_title)
        return std::nullopt;
    m_changed = true;
    // A stream tells its title a moment after it connects, in the middle of
    // the song: a piece without a title takes the first one that comes.
    if (m_title.empty()) {
        m_title = title;
        m_beganAtChange = false;
        return std::nullopt;
    }
    // A song is whole from one title to the next; one that gives way to no
    // title (another station, the stream lost) was cut.
    std::string ended = name(!m_beganAtChange || title.empty());
    m_title = title;
    m_beganAtChange = true;
    return ended;
}

std::string TitleSplit::name(bool cut) const
{
    if (SongFileName(m_title, {}).empty())
        return m_untitled;
    return SongFileName(m_title, m_untitled) + (cut ? m_marker : std::string());
}
