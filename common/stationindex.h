#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The station index "haut.htm": the drop-down page of the top frame and the
// only store of the catalogue. Each station is one line,
//   <option value="FILE">NAME</option>            active (personal list)
//   <!--<option value="FILE">NAME</option>-->     inactive (complete list only)
// between a fixed header, whose last line is the placeholder entry, and a
// fixed footer. Every operation reads the file afresh and writes it whole.

struct StationEntry {
    std::string name;
    std::string pageFile;
    bool active = true;
};

// A station line found by name: [start, end) runs from the '<' of its
// "<option value=" to just past its "</option>" (comment marks excluded).
struct StationLine {
    std::size_t start = 0;
    std::size_t end = 0;
    std::string pageFile;
    bool found = false;
};

// The index file in an HTML directory that ends with '/'.
std::string IndexPath(const std::string& htmlDir);

// The index with no station: the twelve header lines (the last one is the
// placeholder) and the eight footer lines, each ending with CR LF.
std::string IndexHeader();
std::string IndexFooter();
std::string EmptyIndexText();

// Every station line in file order, inactive ones included, the placeholder
// never.
std::vector<StationEntry> ListStations(std::string_view text);

// FILE of the first line whose name begins with name (exact bytes);
// kNotFound when there is none.
std::string FindPageFileByPrefix(std::string_view text, std::string_view name);

// The first line named exactly name, active or not.
StationLine FindStationLine(std::string_view text, std::string_view name);

// The order of station names: Windows-1252 lower case, unsigned bytes, a
// prefix first. Negative, zero or positive.
int CompareStationNames(std::string_view a, std::string_view b);

// Adds an active line for a new station, its page named after it with blanks
// turned into '_', before the first line whose name sorts after it.
bool InsertStation(const std::string& indexPath, const std::string& name);
// The same, the line naming pageFile (Windows-1252, relative to the HTML
// directory) as its page.
bool InsertStation(
    const std::string& indexPath, const std::string& name, const std::string& pageFile);

// The default logo of pages without a picture of their own, inside "logo/".
inline constexpr const char* kDefaultLogoFile = "sntlogo.jpg";

// What a removal did. A file that the removed page named but that stays
// is listed with the reason it stays.
struct RemovalResult {
    enum class Reason {
        DefaultLogo, // the shared picture of every page without a logo
        NamedByAnotherPage, // otherPage still shows or plays it
    };
    struct Kept {
        std::string file; // relative to the HTML directory, as on disk
        Reason reason;
        std::string otherPage;
    };
    bool lineRemoved = false; // the index was written without the line
    bool removed = false; // and the page was read and deleted
    std::vector<Kept> kept;
    explicit operator bool() const { return removed; }
};

// Removes a station's line (with its comment marks when inactive), then its
// page, its logo and a stream link that names a file beside the pages. The
// default logo, and a logo or playlist that another page of the HTML
// directory still names, stay. The HTML directory is the folder of
// indexPath.
RemovalResult RemoveStation(const std::string& indexPath, const std::string& name);

// Makes each listed station active when isPersonal(name) holds and inactive
// otherwise, name by name in order, on the first line carrying that name.
bool ApplyPersonalList(const std::string& indexPath, const std::vector<std::string>& completeNames,
    const std::function<bool(const std::string&)>& isPersonal);

// The same edits on index text in memory; returns the new text.
std::string ApplyPersonalListText(std::string_view text,
    const std::vector<std::string>& completeNames,
    const std::function<bool(const std::string&)>& isPersonal);

// True when path names a file inside the directory it is relative to: not
// empty, not absolute, no ".." component (either slash separates), no
// address ("://" or a leading "scheme:"), no NUL byte. Files named otherwise
// in the index or a page are never deleted.
bool IsSafeRelativePath(std::string_view path);
