#include "common/pagename.h"

#include <array>
#include <string_view>

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
