#include "catalogue/namelist.h"

#include <algorithm>

#include "common/cp1252.h"

namespace {

unsigned char asciiLower(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 32) : byte;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && cp1252::compareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

} // namespace

int CompareAsciiNoCase(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = asciiLower(a[i]);
        const unsigned char y = asciiLower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int InsertSortedName(std::vector<std::string>& list, const std::string& name)
{
    const auto at = std::find_if(list.begin(), list.end(),
        [&](const std::string& entry) { return CompareAsciiNoCase(entry, name) > 0; });
    return static_cast<int>(list.insert(at, name) - list.begin());
}

int FindNamePrefix(const std::vector<std::string>& list, std::string_view prefix, int after)
{
    const int size = static_cast<int>(list.size());
    if (size == 0)
        return -1;
    const int first = after < 0 || after >= size ? 0 : after + 1;
    for (int step = 0; step < size; ++step) {
        const int i = (first + step) % size;
        if (startsWithNoCase(list[i], prefix))
            return i;
    }
    return -1;
}

int FindNameNoCase(const std::vector<std::string>& list, std::string_view name)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (cp1252::compareNoCase(list[i], name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}
