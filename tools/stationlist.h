#pragma once

#include <string>
#include <vector>

// One station of the default catalogue, as written in data/stations.tsv.
// Texts are UTF-8, as in the file.
struct CatalogueStation {
    std::string name;
    std::string stream;
    std::string site;
    std::string player; // "auto", "wm" or "real"
    std::string badge; // text of the drawn logo, '|' breaks the line
    std::string colour; // #RRGGBB
    std::string live;
    std::string description;
    int line = 0; // line number in the file, for messages
};

// Reads the catalogue file: '#' lines and blank lines are skipped, the first
// other line names the tab-separated columns. On a malformed file returns
// false with a message naming the line.
bool ReadCatalogue(
    const std::string& path, std::vector<CatalogueStation>& stations, std::string& error);

// The base name of a station's page and logo: accents folded, blanks turned
// into '_', only ASCII letters, digits, '.', '-' and '_' kept, so that the
// file name is the same bytes in every encoding and in a URL.
std::string CatalogueBaseName(const std::string& utf8Name);
