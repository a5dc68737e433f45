#include "common/foldaccents.h"

#include <array>

#include "common/cp1252.h"

namespace {

// The two parallel strings of the folding table, as Windows-1252 bytes.
constexpr std::string_view kAccented = "\xE0\xE1\xE2\xE3\xE4\xE5" // à á â ã ä å
                                       "\xF2\xF3\xF4\xF5\xF6\xF8" // ò ó ô õ ö ø
                                       "\xE8\xE9\xEA\xEB" // è é ê ë
                                       "\xEC\xED\xEE\xEF" // ì í î ï
                                       "\xF9\xFA\xFB\xFC" // ù ú û ü
                                       "\xFF\xF1\xE7"; // ÿ ñ ç
constexpr std::string_view kPlain = "aaaaaaooooooeeeeiiiiuuuuync";
static_assert(kAccented.size() == 27 && kPlain.size() == 27);

// Lower case and folding in one byte table, built once.
std::array<char, 256> makeFoldTable()
{
    std::array<char, 256> table {};
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<char>(cp1252::toLower(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < kAccented.size(); ++i) {
        for (int c = 0; c < 256; ++c)
            if (table[c] == kAccented[i])
                table[c] = kPlain[i];
    }
    return table;
}

} // namespace

std::string FoldAccents(std::string_view text)
{
    static const std::array<char, 256> table = makeFoldTable();
    std::string folded(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        folded[i] = table[static_cast<unsigned char>(text[i])];
    return folded;
}

std::string FoldAccentsUtf8(std::string_view utf8)
{
    return FoldAccents(cp1252::fromUtf8(utf8));
}
