#pragma once

#include <string>
#include <string_view>
#include <vector>

// The list boxes of the catalogue dialogs, as plain lists of Windows-1252
// names.

// The order of the personal list and of the favourites: ASCII letters put in
// lower case (accented letters left as they are), then unsigned bytes, a
// prefix first.
int CompareAsciiNoCase(std::string_view a, std::string_view b);

// Inserts name before the first entry that sorts after it (the order above);
// last when none does. Returns the index it went to.
int InsertSortedName(std::vector<std::string>& list, const std::string& name);

// The first entry that begins with prefix, letter case ignored (Windows-1252
// case mapping), looking from after `after` to the end and then from the
// start up to `after` included; -1 to look from the first entry. -1 when
// none.
int FindNamePrefix(const std::vector<std::string>& list, std::string_view prefix, int after = -1);

// The first entry equal to name, letter case ignored; -1 when none.
int FindNameNoCase(const std::vector<std::string>& list, std::string_view name);
