#include "common/cp1252.h"

#include <array>
#include <cstdint>

namespace cp1252 {
namespace {

// Unicode code points of the bytes 0x80-0x9F; 0 where the code page has none.
constexpr std::array<std::uint16_t, 32> kHigh = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020,
    0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D,
    0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

constexpr std::array<unsigned char, 256> makeLowerTable()
{
    std::array<unsigned char, 256> t {};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7)
            t[c] = static_cast<unsigned char>(c + 32);
    t[0x8A] = 0x9A; // Š
    t[0x8C] = 0x9C; // Œ
    t[0x8E] = 0x9E; // Ž
    t[0x9F] = 0xFF; // Ÿ
    return t;
}

constexpr std::array<unsigned char, 256> makeUpperTable()
{
    std::array<unsigned char, 256> t {};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    const auto lowerTable = makeLowerTable();
    for (int i = 0; i < 256; ++i)
        if (lowerTable[i] != i)
            t[lowerTable[i]] = static_cast<unsigned char>(i);
    return t;
}

constexpr auto kLower = makeLowerTable();
constexpr auto kUpper = makeUpperTable();

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char byteForCodePoint(std::uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] != 0 && kHigh[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

unsigned char toLower(unsigned char c)
{
    return kLower[c];
}
unsigned char toUpper(unsigned char c)
{
    return kUpper[c];
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (auto& c : out)
        c = static_cast<char>(kLower[static_cast<unsigned char>(c)]);
    return out;
}

std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from)
{
    if (needle.empty())
        return from <= haystack.size() ? from : std::string_view::npos;
    if (haystack.size() < needle.size() || from > haystack.size() - needle.size())
        return std::string_view::npos;
    const unsigned char first = kLower[static_cast<unsigned char>(needle[0])];
    const std::size_t last = haystack.size() - needle.size();
    for (std::size_t i = from; i <= last; ++i) {
        if (kLower[static_cast<unsigned char>(haystack[i])] != first)
            continue;
        std::size_t k = 1;
        while (k < needle.size()
            && kLower[static_cast<unsigned char>(haystack[i + k])]
                == kLower[static_cast<unsigned char>(needle[k])])
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

int compareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int x = kLower[static_cast<unsigned char>(a[i])];
        const int y = kLower[static_cast<unsigned char>(b[i])];
        if (x != y)
            return x - y;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string fromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = c;
        std::size_t len = 1;
        if (c >= 0xC2 && c <= 0xDF)
            len = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF)
            len = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4)
            len = 4, cp = c & 0x07;
        bool valid = len > 1 && i + len <= utf8.size();
        for (std::size_t k = 1; valid && k < len; ++k) {
            const auto cc = static_cast<unsigned char>(utf8[i + k]);
            if ((cc & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        if (len == 1 || !valid) {
            // ASCII, or a stray byte taken as Latin-1.
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        out += byteForCodePoint(cp);
        i += len;
    }
    return out;
}

std::string toUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c <= 0x9F) {
            const std::uint16_t cp = kHigh[c - 0x80];
            appendUtf8(out, cp ? cp : c);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

} // namespace cp1252
