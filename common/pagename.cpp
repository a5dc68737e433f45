#include "common/pagename.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/cp1252.h"

namespace {

// Plain ASCII for the letters 0xC0-0xFF of Windows-1252, case kept.
constexpr std::array<const char*, 64> kLatinLetters
    = { "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I", "D", "N",
          "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "Th", "ss", "a", "a", "a",
          "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i", "d", "n", "o", "o", "o",
          "o", "o", "_", "o", "u", "u", "u", "u", "y", "th", "y" };

bool keptAsIs(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-_.()!,+'").find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

std::string AsciiPageBase(const std::string& name)
{
    std::string base;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c))
            base += ch;
        else if (c >= 0xC0)
            base += kLatinLetters[c - 0xC0];
        else if (c == 0x8A || c == 0x8E)
            base += c == 0x8A ? "S" : "Z"; // Š Ž
        else if (c == 0x9A || c == 0x9E)
            base += c == 0x9A ? "s" : "z"; // š ž
        else if (c == 0x8C || c == 0x9C)
            base += c == 0x8C ? "OE" : "oe"; // Œ œ
        else if (c == 0x9F)
            base += "Y"; // Ÿ
        else
            base += '_';
    }
    // No hidden file.
    if (!base.empty() && base[0] == '.')
        base[0] = '_';
    return base;
}

std::string FileNameOnDisk(std::string_view textName)
{
    return cp1252::toUtf8(textName);
}

std::optional<std::string> FileNameInText(std::string_view diskName)
{
    std::string text = cp1252::fromUtf8(diskName);
    // A byte that is not UTF-8, or a character outside Windows-1252, does
    // not come back the same way.
    if (cp1252::toUtf8(text) != diskName)
        return std::nullopt;
    return text;
}

std::string AsciiLogoName(const std::string& textName)
{
    const std::size_t dot = textName.find_last_of('.');
    std::string stem = dot == std::string::npos || dot == 0 ? textName : textName.substr(0, dot);
    std::string extension
        = dot == std::string::npos || dot == 0 ? std::string() : textName.substr(dot);
    std::string base = AsciiPageBase(stem);
    if (base.empty())
        base = "logo";
    extension = AsciiPageBase(extension);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (!extension.empty())
        extension[0] = '.';
    return base + extension;
}
