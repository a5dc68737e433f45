#pragma once

#include <string>
#include <string_view>

// Single-byte text in the Windows-1252 code page: the encoding of every file
// the three programs share. Case rules follow that code page, accented
// capitals included (É <-> é, Œ <-> œ, Ÿ <-> ÿ...).
namespace cp1252 {

unsigned char toLower(unsigned char c);
unsigned char toUpper(unsigned char c);
std::string lower(std::string_view text);

// Position of the first occurrence of needle at or after from, letter case
// ignored; npos when absent.
std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// Compares two names lower-cased, byte by byte as unsigned values; a prefix
// sorts first. Negative, zero or positive like strcmp.
int compareNoCase(std::string_view a, std::string_view b);

// Conversions at the boundary with the user interface. Characters without a
// Windows-1252 form become '?'; invalid UTF-8 bytes are taken as Latin-1.
std::string fromUtf8(std::string_view utf8);
std::string toUtf8(std::string_view text);

} // namespace cp1252
