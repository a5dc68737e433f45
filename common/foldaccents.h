#pragma once

#include <string>
#include <string_view>

// The search key of a name: the text put in lower case with the
// Windows-1252 case mapping (accented capitals included), then every letter
// of "àáâãäåòóôõöøèéêëìíîïùúûüÿñç" replaced by its partner in
// "aaaaaaooooooeeeeiiiiuuuuync". Other letters ("æ", "œ", "ý"...) stay.
// Windows-1252 in, Windows-1252 out.
std::string FoldAccents(std::string_view text);

// The same search key for a UTF-8 text, given in Windows-1252; characters
// without a Windows-1252 form become '?' on both sides of a comparison.
std::string FoldAccentsUtf8(std::string_view utf8);
