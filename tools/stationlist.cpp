#include "stationlist.h"

#include <fstream>
#include <map>
#include <sstream>

#include "common/cp1252.h"

namespace {

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool isBlank(const std::string& line)
{
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

// ASCII letter for each Windows-1252 byte from 0xC0 to 0xFF; 0 drops it.
constexpr char kFolded[] = "AAAAAAACEEEEIIII"
                           "DNOOOOO\0OUUUUYTs"
                           "aaaaaaaceeeeiiii"
                           "dnooooo\0ouuuuyty";

} // namespace

bool ReadCatalogue(
    const std::string& path, std::vector<CatalogueStation>& stations, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    const std::vector<std::string> required
        = { "nom", "flux", "site", "lecteur", "sigle", "couleur", "live", "description" };
    std::map<std::string, std::size_t> column;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (isBlank(line) || line.front() == '#')
            continue;
        const std::vector<std::string> fields = splitTabs(line);
        if (column.empty()) {
            for (std::size_t i = 0; i < fields.size(); ++i)
                column[fields[i]] = i;
            for (const std::string& name : required) {
                if (!column.count(name)) {
                    error = path + ":" + std::to_string(number) + ": no column \"" + name + "\"";
                    return false;
                }
            }
            continue;
        }
        auto field = [&](const char* name) {
            const std::size_t i = column.at(name);
            return i < fields.size() ? fields[i] : std::string();
        };
        CatalogueStation station;
        station.name = field("nom");
        station.stream = field("flux");
        station.site = field("site");
        station.player = field("lecteur");
        station.badge = field("sigle");
        station.colour = field("couleur");
        station.live = field("live");
        station.description = field("description");
        station.line = number;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (station.name.empty() || station.stream.empty()) {
            error = where + "a station needs a name and a stream";
            return false;
        }
        if (station.name.find_first_of("<>") != std::string::npos) {
            error = where + "a name cannot hold '<' or '>'";
            return false;
        }
        if (station.player.empty())
            station.player = "auto";
        if (station.player != "auto" && station.player != "wm" && station.player != "real") {
            error = where + "player must be auto, wm or real";
            return false;
        }
        if (CatalogueBaseName(station.name).empty()) {
            error = where + "the name gives no file name";
            return false;
        }
        stations.push_back(station);
    }
    if (column.empty()) {
        error = path + ": no column line";
        return false;
    }
    return true;
}

std::string CatalogueBaseName(const std::string& utf8Name)
{
    std::string base;
    for (const char byte : cp1252::fromUtf8(utf8Name)) {
        auto c = static_cast<unsigned char>(byte);
        if (c >= 0xC0)
            c = static_cast<unsigned char>(kFolded[c - 0xC0]);
        if (c == 0x8C || c == 0x9C) { // Œ and œ
            base += c == 0x8C ? "OE" : "oe";
            continue;
        }
        if (c == ' ' || c == '_') {
            if (!base.empty() && base.back() != '_')
                base += '_';
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || c == '.' || c == '-') {
            base += static_cast<char>(c);
        }
    }
    while (!base.empty() && base.back() == '_')
        base.pop_back();
    return base;
}
