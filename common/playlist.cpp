#include "common/playlist.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <map>

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\n";

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string toLower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    return true;
}

std::string_view trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string_view withoutBom(std::string_view text)
{
    if (text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());
    return text;
}

// Splits on LF, dropping a CR before it, so CR LF and LF files read alike.
std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        result.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return result;
}

void appendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x110000) {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The XML character references of ASX and XSPF texts ("&amp;" in a query
// string is by far the most common).
std::string decodeEntities(std::string_view text)
{
    static const std::map<std::string_view, char> named
        = { { "amp", '&' }, { "lt", '<' }, { "gt", '>' }, { "quot", '"' }, { "apos", '\'' } };
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (semicolon == std::string_view::npos || semicolon - i > 10) {
            out += text[i++];
            continue;
        }
        const std::string name = toLower(text.substr(i + 1, semicolon - i - 1));
        if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string digits = name.substr(hex ? 2 : 1);
            char* end = nullptr;
            const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (!digits.empty() && end && *end == '\0') {
                appendUtf8(out, static_cast<uint32_t>(code));
                i = semicolon + 1;
                continue;
            }
        } else if (const auto it = named.find(name); it != named.end()) {
            out += it->second;
            i = semicolon + 1;
            continue;
        }
        out += text[i++];
    }
    return out;
}

// Finds "<tag" followed by a blank, '>' or '/', without regard to case, so
// that "<entry" does not match "<entryref".
size_t findTag(std::string_view lowerText, std::string_view tag, size_t from)
{
    const std::string open = "<" + std::string(tag);
    for (size_t at = lowerText.find(open, from); at != std::string_view::npos;
         at = lowerText.find(open, at + 1)) {
        const size_t next = at + open.size();
        if (next >= lowerText.size())
            return std::string_view::npos;
        const char c = lowerText[next];
        if (c == '>' || c == '/' || kBlanks.find(c) != std::string_view::npos)
            return at;
    }
    return std::string_view::npos;
}

// The value of an attribute inside one start tag ("<ref HREF='…'/>"),
// quoted with either quote, or unquoted; empty when absent.
std::string attribute(std::string_view tag, std::string_view name)
{
    const std::string lowerTag = toLower(tag);
    for (size_t at = lowerTag.find(name); at != std::string::npos;
         at = lowerTag.find(name, at + 1)) {
        if (at == 0 || kBlanks.find(lowerTag[at - 1]) == std::string_view::npos)
            continue;
        size_t i = at + name.size();
        while (i < tag.size() && kBlanks.find(tag[i]) != std::string_view::npos)
            ++i;
        if (i >= tag.size() || tag[i] != '=')
            continue;
        ++i;
        while (i < tag.size() && kBlanks.find(tag[i]) != std::string_view::npos)
            ++i;
        if (i >= tag.size())
            return {};
        if (tag[i] == '"' || tag[i] == '\'') {
            const size_t close = tag.find(tag[i], i + 1);
            if (close == std::string_view::npos)
                return {};
            return decodeEntities(trim(tag.substr(i + 1, close - i - 1)));
        }
        size_t end = i;
        while (
            end < tag.size() && tag[end] != '>' && kBlanks.find(tag[end]) == std::string_view::npos)
            ++end;
        // "href=http://a/b/>": the slash closes the empty tag.
        if (end == tag.size() && end > i + 1 && tag[end - 1] == '/')
            --end;
        return decodeEntities(tag.substr(i, end - i));
    }
    return {};
}

// The text content of the first <tag>…</tag> in [from, to), entities
// decoded, CDATA unwrapped; empty when absent.
std::string elementText(std::string_view text, std::string_view lowerText, std::string_view tag,
    size_t from = 0, size_t to = std::string_view::npos)
{
    const size_t open = findTag(lowerText, tag, from);
    if (open == std::string_view::npos || open >= to)
        return {};
    const size_t start = lowerText.find('>', open);
    if (start == std::string_view::npos || lowerText[start - 1] == '/')
        return {};
    const size_t close = lowerText.find("</" + std::string(tag), start);
    if (close == std::string_view::npos || close > to)
        return {};
    std::string_view content = trim(text.substr(start + 1, close - start - 1));
    if (content.substr(0, 9) == "<![CDATA[" && content.size() >= 12
        && content.substr(content.size() - 3) == "]]>")
        return std::string(trim(content.substr(9, content.size() - 12)));
    return decodeEntities(content);
}

// Blanks out <!-- … --> so that commented entries are not played.
std::string withoutXmlComments(std::string_view text)
{
    std::string result(text);
    for (size_t open = result.find("<!--"); open != std::string::npos;
         open = result.find("<!--", open)) {
        const size_t close = result.find("-->", open + 4);
        const size_t end = close == std::string::npos ? result.size() : close + 3;
        std::fill(result.begin() + static_cast<std::ptrdiff_t>(open),
            result.begin() + static_cast<std::ptrdiff_t>(end), ' ');
        open = end;
    }
    return result;
}

std::vector<PlaylistEntry> parsePls(std::string_view text)
{
    // Entries come by their number, whatever order the lines are in.
    // NumberOfEntries is often wrong in the wild, so every FileN counts.
    std::map<long, PlaylistEntry> byNumber;
    for (std::string_view line : lines(text)) {
        line = trim(line);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string key = toLower(trim(line.substr(0, equals)));
        const std::string_view value = trim(line.substr(equals + 1));
        std::string_view number;
        bool isTitle = false;
        if (key.starts_with("file"))
            number = std::string_view(key).substr(4);
        else if (key.starts_with("ref"))
            number = std::string_view(key).substr(3);
        else if (key.starts_with("title")) {
            number = std::string_view(key).substr(5);
            isTitle = true;
        }
        if (number.empty() || !std::all_of(number.begin(), number.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            }))
            continue;
        PlaylistEntry& entry = byNumber[std::strtol(std::string(number).c_str(), nullptr, 10)];
        (isTitle ? entry.title : entry.location) = std::string(value);
    }
    std::vector<PlaylistEntry> result;
    for (auto& [number, entry] : byNumber)
        if (!entry.location.empty())
            result.push_back(std::move(entry));
    return result;
}

std::vector<PlaylistEntry> parseM3u(std::string_view text)
{
    std::vector<PlaylistEntry> result;
    std::string pendingTitle;
    for (std::string_view line : lines(text)) {
        line = trim(line);
        if (line.empty())
            continue;
        if (line.front() == '#') {
            if (startsWithNoCase(line, "#EXT-X-"))
                return {};
            if (startsWithNoCase(line, "#EXTINF:")) {
                // #EXTINF:<duration>[ attributes],<title>
                const size_t comma = line.find(',');
                pendingTitle = comma == std::string_view::npos
                    ? ""
                    : std::string(trim(line.substr(comma + 1)));
            }
            continue;
        }
        result.push_back({ std::string(line), pendingTitle });
        pendingTitle.clear();
    }
    return result;
}

std::vector<PlaylistEntry> parseAsx(std::string_view original)
{
    const std::string text = withoutXmlComments(original);
    const std::string lowerText = toLower(text);
    // <ref> inside an <entry> carries that entry's title; an <entryref>
    // names another playlist and takes its place in document order.
    struct Span {
        size_t begin, end;
        std::string title;
    };
    std::vector<Span> entries;
    for (size_t at = findTag(lowerText, "entry", 0); at != std::string::npos;) {
        const size_t close = lowerText.find("</entry", at);
        const size_t end = close == std::string::npos ? text.size() : close;
        entries.push_back({ at, end, elementText(text, lowerText, "title", at, end) });
        at = findTag(lowerText, "entry", end);
    }
    std::vector<size_t> refs;
    for (const std::string_view tag : { "ref", "entryref" })
        for (size_t at = findTag(lowerText, tag, 0); at != std::string::npos;
             at = findTag(lowerText, tag, at + 1))
            refs.push_back(at);
    std::sort(refs.begin(), refs.end());
    std::vector<PlaylistEntry> result;
    for (const size_t at : refs) {
        const size_t end = lowerText.find('>', at);
        std::string href = attribute(std::string_view(text).substr(at,
                                         end == std::string::npos ? std::string::npos : end - at),
            "href");
        if (href.empty())
            continue;
        std::string title;
        for (const Span& entry : entries)
            if (at > entry.begin && at < entry.end)
                title = entry.title;
        result.push_back({ std::move(href), std::move(title) });
    }
    return result;
}

std::vector<PlaylistEntry> parseXspf(std::string_view original)
{
    const std::string text = withoutXmlComments(original);
    const std::string lowerText = toLower(text);
    std::vector<PlaylistEntry> result;
    for (size_t track = findTag(lowerText, "track", 0); track != std::string::npos;) {
        const size_t close = lowerText.find("</track", track);
        const size_t end = close == std::string::npos ? text.size() : close;
        const std::string title = elementText(text, lowerText, "title", track, end);
        for (size_t at = findTag(lowerText, "location", track); at != std::string::npos && at < end;
             at = findTag(lowerText, "location", at + 1)) {
            std::string location = elementText(text, lowerText, "location", at, end);
            if (!location.empty())
                result.push_back({ std::move(location), title });
        }
        track = findTag(lowerText, "track", end);
    }
    return result;
}

// A text of plain lines each naming an address with a scheme, as some
// stations serve their .m3u without the #EXTM3U header.
bool looksLikeBareAddressList(std::string_view text)
{
    bool any = false;
    for (std::string_view line : lines(text)) {
        line = trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        if (!HasUriScheme(line) || std::any_of(line.begin(), line.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x20 && c != '\t';
            }))
            return false;
        any = true;
    }
    return any;
}

} // namespace

bool HasUriScheme(std::string_view address)
{
    const size_t colon = address.find(':');
    // One letter before the colon is a drive letter, not a scheme.
    if (colon == std::string_view::npos || colon < 2
        || !std::isalpha(static_cast<unsigned char>(address[0])))
        return false;
    return std::all_of(
        address.begin(), address.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        });
}

PlaylistFormat PlaylistFormatFromAddress(std::string_view address)
{
    std::string_view path = address;
    if (HasUriScheme(address)) {
        path = path.substr(0, path.find_first_of("?#"));
        // "http://host" alone has no path to look at.
        const size_t authority = path.find("//");
        if (authority != std::string_view::npos
            && path.find('/', authority + 2) == std::string_view::npos)
            return PlaylistFormat::None;
    }
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return PlaylistFormat::None;
    const std::string extension = toLower(name.substr(dot + 1));
    if (extension == "pls")
        return PlaylistFormat::Pls;
    if (extension == "m3u" || extension == "m3u8")
        return PlaylistFormat::M3u;
    if (extension == "asx" || extension == "wax" || extension == "wvx")
        return PlaylistFormat::Asx;
    if (extension == "xspf")
        return PlaylistFormat::Xspf;
    return PlaylistFormat::None;
}

PlaylistFormat PlaylistFormatFromContentType(std::string_view contentType)
{
    const std::string type = toLower(trim(contentType.substr(0, contentType.find(';'))));
    if (type == "audio/x-scpls" || type == "audio/scpls")
        return PlaylistFormat::Pls;
    if (type == "audio/x-mpegurl" || type == "audio/mpegurl" || type == "application/x-mpegurl"
        || type == "application/vnd.apple.mpegurl" || type == "audio/x-m3u")
        return PlaylistFormat::M3u;
    if (type == "video/x-ms-asx" || type == "audio/x-ms-asx" || type == "video/x-ms-wax"
        || type == "audio/x-ms-wax" || type == "video/x-ms-wvx")
        return PlaylistFormat::Asx;
    if (type == "application/xspf+xml")
        return PlaylistFormat::Xspf;
    return PlaylistFormat::None;
}

PlaylistFormat SniffPlaylistFormat(std::string_view text)
{
    const std::string_view body = trim(withoutBom(text));
    const std::string head = toLower(body.substr(0, 4096));
    if (head.starts_with("[playlist]") || head.starts_with("[reference]"))
        return PlaylistFormat::Pls;
    if (head.starts_with("#extm3u"))
        return toLower(body).find("#ext-x-") != std::string::npos ? PlaylistFormat::Hls
                                                                  : PlaylistFormat::M3u;
    if (head.starts_with("<")) {
        if (findTag(head, "asx", 0) != std::string::npos)
            return PlaylistFormat::Asx;
        if (findTag(head, "playlist", 0) != std::string::npos
            && head.find("xspf") != std::string::npos)
            return PlaylistFormat::Xspf;
        return PlaylistFormat::None;
    }
    return looksLikeBareAddressList(body) ? PlaylistFormat::M3u : PlaylistFormat::None;
}

std::vector<PlaylistEntry> ParsePlaylist(std::string_view text, PlaylistFormat format)
{
    text = withoutBom(text);
    switch (format) {
    case PlaylistFormat::Pls:
        return parsePls(text);
    case PlaylistFormat::M3u:
        return parseM3u(text);
    case PlaylistFormat::Asx:
        return parseAsx(text);
    case PlaylistFormat::Xspf:
        return parseXspf(text);
    case PlaylistFormat::Hls:
    case PlaylistFormat::None:
        break;
    }
    return {};
}

std::string NormalizeStreamLink(std::string_view link, std::string_view htmlDir)
{
    const std::string_view trimmed = trim(link);
    if (trimmed.empty())
        return {};
    // Windows Media servers answer MMS over HTTP (MMSH) on the same address.
    for (const std::string_view scheme : { "mms://", "mmsh://" })
        if (startsWithNoCase(trimmed, scheme))
            return "http://" + std::string(trimmed.substr(scheme.size()));
    if (HasUriScheme(trimmed))
        return std::string(trimmed);
    std::string path(trimmed);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.front() == '/' || htmlDir.empty())
        return path;
    std::string dir(htmlDir);
    if (dir.back() != '/')
        dir += '/';
    return dir + path;
}
