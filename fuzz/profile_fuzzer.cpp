// Any bytes as a profile file, then writes and removals with names and a
// value taken from the same bytes: reading and listing must not fail, a key
// written must read back (cut to the usual 259 bytes), and keys of other
// sections must keep their values. Every lookup walks the whole text, so the
// before/after comparison reads at most kCheckedKeys keys: reading them all
// made each run quadratic in the input and the fuzzer crawl.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "common/profile.h"

namespace {

constexpr std::size_t kCheckedKeys = 24;

// Takes a length byte and up to that many bytes from the front of the input.
std::string take(const std::uint8_t*& data, std::size_t& size, std::size_t maxLength)
{
    if (size == 0)
        return {};
    const std::size_t length = std::min<std::size_t>(data[0] % (maxLength + 1), size - 1);
    std::string out(reinterpret_cast<const char*>(data + 1), length);
    data += length + 1;
    size -= length + 1;
    return out;
}

// A name the format can hold: no line break, no '[' ']' '=' or ';', no
// blank at either end.
std::string nameFrom(const std::uint8_t*& data, std::size_t& size)
{
    std::string name = "n";
    for (const char c : take(data, size, 12))
        if (c != '\r' && c != '\n' && c != '[' && c != ']' && c != '=' && c != ';' && c != '\0')
            name += c;
    while (name.back() == ' ' || name.back() == '\t' || name.back() == '\v')
        name.pop_back();
    return name;
}

// A value that reads back as written: no line break, no blank at either end,
// not wrapped in quotes.
std::string valueFrom(const std::uint8_t*& data, std::size_t& size)
{
    std::string value = "v";
    for (const char c : take(data, size, 255))
        if (c != '\r' && c != '\n')
            value += c;
    value += static_cast<char>(value.size() % 2 ? 'x' : 'y');
    const std::size_t repeat = value.size() % 3 == 0 ? 2 : 1; // sometimes past 259 bytes
    std::string out;
    for (std::size_t i = 0; i < repeat; ++i)
        out += value;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string section = nameFrom(data, size);
    const std::string key = nameFrom(data, size);
    const std::string otherKey = nameFrom(data, size);
    const std::string value = valueFrom(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);

    Profile ini(text);
    // The first sections and keys in file order, with their values.
    struct Read {
        std::string section, key, value;
    };
    std::vector<Read> before;
    const std::vector<std::string> sections = ini.sections();
    for (std::size_t n = 0; n < sections.size() && n < kCheckedKeys; ++n)
        for (const std::string& k : ini.keys(sections[n]))
            if (before.size() < kCheckedKeys)
                before.push_back({ sections[n], k, ini.get(sections[n], k, "<none>", 1 << 20) });

    ini.set(section, key, value);
    if (ini.get(section, key) != value.substr(0, 259)
        || ini.get(section, key, {}, 1 << 20) != value)
        __builtin_trap();
    const std::vector<std::string> after = ini.sections();
    if (std::none_of(after.begin(), after.end(),
            [&](const std::string& s) { return cp1252::compareNoCase(s, section) == 0; }))
        __builtin_trap();

    ini.set(section, otherKey, "second");
    ini.removeKey(section, otherKey);
    if (ini.hasKey(section, otherKey))
        __builtin_trap();
    if (cp1252::compareNoCase(key, otherKey) != 0 && ini.get(section, key, {}, 1 << 20) != value)
        __builtin_trap();

    // Keys of sections with another name read as before.
    for (const Read& read : before)
        if (cp1252::compareNoCase(read.section, section) != 0
            && ini.get(read.section, read.key, "<none>", 1 << 20) != read.value)
            __builtin_trap();

    ini.removeSection(section);
    if (ini.hasSection(section))
        __builtin_trap();
    return 0;
}
