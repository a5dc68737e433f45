#pragma once

#include <string_view>

// The fixed texts of a station line in the index haut.htm.
inline constexpr std::string_view kOptionOpener = "<option value=";
inline constexpr std::string_view kValueOpener = "<option value=\"";
inline constexpr std::string_view kValueCloser = "\">";
inline constexpr std::string_view kOptionCloser = "</option>";
inline constexpr std::string_view kCommentOpener = "<!--";
inline constexpr std::string_view kCommentCloser = "-->";
inline constexpr std::string_view kListCloser = "</select>";
// The start of an inactive station line.
inline constexpr std::string_view kInactiveOpener = "<!--<option value=\"";
