#include "common/profile.h"

#include <algorithm>
#include <utility>
#include <sys/stat.h>

#include "common/cp1252.h"
#include "common/textfile.h"

namespace {

// Blanks around names and values in the file. Line ends are CR LF, but a
// lone LF also ends a line, so files edited by hand still read.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\r';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Section and key names given by callers lose their surrounding spaces only.
std::string_view trimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// A written name or value keeps one entry per line: it ends at its first
// line break, which is also all that a reader would find of it.
std::string_view firstLine(std::string_view s)
{
    const std::size_t pos = s.find_first_of("\r\n");
    return pos == std::string_view::npos ? s : s.substr(0, pos);
}

bool sameName(std::string_view a, std::string_view b)
{
    return cp1252::compareNoCase(a, b) == 0;
}

// A line without '=', or with nothing before it, is kept but is no key.
struct Line {
    enum Kind { Blank, Comment, Header, Entry, Other };
    std::size_t begin = 0; // first byte of the line
    std::size_t end = 0; // past its content, before the CR LF or LF
    std::size_t next = 0; // first byte of the following line
    Kind kind = Blank;
    std::string_view name; // section name of a header, key of an entry
    std::string_view value; // value of an entry
};

Line parseLine(std::string_view text, std::size_t pos)
{
    Line line;
    line.begin = pos;
    const std::size_t nl = text.find('\n', pos);
    line.end = nl == std::string_view::npos ? text.size() : nl;
    line.next = nl == std::string_view::npos ? text.size() : nl + 1;
    if (line.end > pos && text[line.end - 1] == '\r')
        --line.end;

    const std::string_view content = trimBlanks(text.substr(pos, line.end - pos));
    if (content.empty())
        return line;
    if (content.front() == '[') {
        // The name runs to the first ']', or to the end of a line without one.
        std::string_view name = content.substr(1);
        const std::size_t close = name.find(']');
        if (close != std::string_view::npos)
            name = name.substr(0, close);
        line.kind = Line::Header;
        line.name = trimBlanks(name);
        return line;
    }
    if (content.front() == ';') {
        line.kind = Line::Comment;
        return line;
    }
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos || trimBlanks(content.substr(0, eq)).empty()) {
        line.kind = Line::Other;
        return line;
    }
    line.kind = Line::Entry;
    line.name = trimBlanks(content.substr(0, eq));
    line.value = trimBlanks(content.substr(eq + 1));
    return line;
}

// Visits the lines in order while visit returns true.
template <typename Visit> void forEachLine(std::string_view text, Visit visit)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const Line line = parseLine(text, pos);
        if (!visit(line))
            return;
        pos = line.next;
    }
}

// Where the first section of a name lies in the text.
struct SectionSpan {
    bool found = false;
    std::size_t contentEnd = 0; // after its last non-blank line, header included
    std::vector<Line> entries; // its key lines, in file order
};

SectionSpan findSection(std::string_view text, std::string_view section)
{
    SectionSpan span;
    bool inside = false;
    forEachLine(text, [&](const Line& line) {
        if (line.kind == Line::Header) {
            if (inside)
                return false; // the next section begins
            if (sameName(line.name, section)) {
                inside = true;
                span.found = true;
                span.contentEnd = line.next;
            }
        } else if (inside && line.kind != Line::Blank) {
            if (line.kind == Line::Entry)
                span.entries.push_back(line);
            span.contentEnd = line.next;
        }
        return true;
    });
    return span;
}

const Line* findEntry(const SectionSpan& span, std::string_view key)
{
    if (key.empty() || key.front() == ';')
        return nullptr;
    for (const Line& line : span.entries)
        if (sameName(line.name, key))
            return &line;
    return nullptr;
}

// Removes whole lines, given as [begin, next) ranges in increasing order.
void eraseLines(std::string& text, const std::vector<std::pair<std::size_t, std::size_t>>& ranges)
{
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it)
        text.erase(it->first, it->second - it->first);
}

} // namespace

Profile::Profile(std::string text)
    : m_text(std::move(text))
{
}

bool Profile::load(const std::string& path)
{
    m_text.clear();
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    m_text = ReadTextFile(path);
    // ReadTextFile gives nothing for a read error: only an empty file may.
    return !m_text.empty() || st.st_size == 0;
}

bool Profile::save(const std::string& path) const
{
    return WriteTextFile(path, m_text);
}

std::string Profile::get(std::string_view section, std::string_view key, std::string_view fallback,
    std::size_t maxLength) const
{
    std::string_view result = fallback;
    const SectionSpan span = findSection(m_text, trimSpaces(section));
    if (const Line* line = findEntry(span, trimSpaces(key))) {
        result = line->value;
        if (result.size() >= 2 && (result.front() == '"' || result.front() == '\'')
            && result.back() == result.front())
            result = result.substr(1, result.size() - 2);
    }
    return std::string(result.substr(0, std::min(result.size(), maxLength)));
}

bool Profile::hasSection(std::string_view section) const
{
    return findSection(m_text, trimSpaces(section)).found;
}

bool Profile::hasKey(std::string_view section, std::string_view key) const
{
    return findEntry(findSection(m_text, trimSpaces(section)), trimSpaces(key)) != nullptr;
}

void Profile::set(std::string_view section, std::string_view key, std::string_view value)
{
    section = firstLine(trimSpaces(section));
    key = firstLine(trimSpaces(key));
    value = firstLine(value);
    if (key.empty())
        return;

    const SectionSpan span = findSection(m_text, section);
    if (const Line* line = findEntry(span, key)) {
        // The line keeps the key's spelling from the file.
        std::string replacement(line->name);
        replacement += '=';
        replacement += value;
        m_text.replace(line->begin, line->end - line->begin, replacement);
        return;
    }

    std::string insertion;
    // After the section's last non-blank line, so that blank lines between
    // sections stay where they are.
    const std::size_t at = span.found ? span.contentEnd : m_text.size();
    if (at == m_text.size() && !m_text.empty() && m_text.back() != '\n')
        insertion += "\r\n";
    if (!span.found) {
        insertion += '[';
        insertion += section;
        insertion += "]\r\n";
    }
    insertion += key;
    insertion += '=';
    insertion += value;
    insertion += "\r\n";
    m_text.insert(at, insertion);
}

void Profile::removeKey(std::string_view section, std::string_view key)
{
    key = trimSpaces(key);
    if (key.empty() || key.front() == ';')
        return;
    const SectionSpan span = findSection(m_text, trimSpaces(section));
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (const Line& line : span.entries)
        if (sameName(line.name, key))
            ranges.emplace_back(line.begin, line.next);
    eraseLines(m_text, ranges);
}

void Profile::removeSection(std::string_view section)
{
    section = trimSpaces(section);
    // Every section of that name goes; its comments and blank lines stay, as
    // they may describe what follows.
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    bool inside = false;
    forEachLine(m_text, [&](const Line& line) {
        if (line.kind == Line::Header)
            inside = sameName(line.name, section);
        if (inside && line.kind != Line::Comment && line.kind != Line::Blank)
            ranges.emplace_back(line.begin, line.next);
        return true;
    });
    eraseLines(m_text, ranges);
}

std::vector<std::string> Profile::sections() const
{
    std::vector<std::string> names;
    forEachLine(m_text, [&](const Line& line) {
        if (line.kind == Line::Header)
            names.emplace_back(line.name);
        return true;
    });
    return names;
}

std::vector<std::string> Profile::keys(std::string_view section) const
{
    std::vector<std::string> names;
    for (const Line& line : findSection(m_text, trimSpaces(section)).entries)
        names.emplace_back(line.name);
    return names;
}
