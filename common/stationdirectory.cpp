#include "common/stationdirectory.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include <nlohmann/json.hpp>

#include "common/cp1252.h"
#include "common/foldaccents.h"
#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/stationpage.h"
#include "common/textfile.h"
#include "common/updatedownload.h"

namespace {

using nlohmann::json;

std::string text(const json& object, const char* key)
{
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int number(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end())
        return 0;
    if (it->is_number_integer())
        return static_cast<int>(std::clamp<long long>(it->get<long long>(), 0, 1 << 20));
    if (it->is_string())
        return std::atoi(it->get<std::string>().c_str());
    return 0;
}

bool webAddress(std::string_view address)
{
    return address.starts_with("http://") || address.starts_with("https://");
}

// Control characters end a name at the first line break: a name goes into
// page text and file names, where they have no place.
std::string oneLine(std::string value)
{
    std::replace_if(
        value.begin(), value.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }, ' ');
    const auto first = value.find_first_not_of(' ');
    const auto last = value.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
}

} // namespace

std::string DirectorySearchPath(const DirectoryQuery& query)
{
    std::string path
        = "/json/stations/search?order=votes&reverse=true&limit=" + std::to_string(query.limit);
    auto add = [&](const char* key, const std::string& value) {
        if (!value.empty())
            path += std::string("&") + key + "=" + EncodeNameForAddress(value);
    };
    add("name", query.name);
    add("countrycode", query.countryCode);
    add("language", query.language);
    add("tag", query.tag);
    path += query.showBroken ? "&hidebroken=false" : "&hidebroken=true";
    return path;
}

std::string DirectoryClickPath(std::string_view uuid)
{
    return "/json/url/" + EncodeNameForAddress(uuid);
}

DirectoryAnswer ReadDirectoryStations(std::string_view answer)
{
    DirectoryAnswer result;
    const json doc = json::parse(answer, nullptr, false);
    if (doc.is_discarded() || !doc.is_array()) {
        result.error = "La réponse de l'annuaire n'est pas lisible.";
        return result;
    }
    for (const json& item : doc) {
        if (!item.is_object())
            continue;
        DirectoryStation s;
        s.uuid = text(item, "stationuuid");
        s.name = oneLine(text(item, "name"));
        s.stream = text(item, "url_resolved");
        if (!webAddress(s.stream))
            s.stream = text(item, "url");
        if (s.name.empty() || !webAddress(s.stream))
            continue;
        s.homepage = text(item, "homepage");
        if (!webAddress(s.homepage))
            s.homepage.clear();
        s.favicon = text(item, "favicon");
        if (!webAddress(s.favicon))
            s.favicon.clear();
        s.country = oneLine(text(item, "country"));
        s.countryCode = oneLine(text(item, "countrycode"));
        s.language = oneLine(text(item, "language"));
        s.tags = oneLine(text(item, "tags"));
        s.codec = oneLine(text(item, "codec"));
        s.bitrate = number(item, "bitrate");
        s.working = number(item, "lastcheckok") == 1;
        result.stations.push_back(std::move(s));
    }
    return result;
}

std::vector<std::string> ReadDirectoryServers(std::string_view answer)
{
    std::vector<std::string> names;
    const json doc = json::parse(answer, nullptr, false);
    if (doc.is_discarded() || !doc.is_array())
        return names;
    for (const json& item : doc) {
        const std::string name = item.is_object() ? text(item, "name") : std::string();
        const bool hostName = !name.empty()
            && std::all_of(name.begin(), name.end(),
                [](unsigned char c) { return std::isalnum(c) || c == '.' || c == '-'; });
        if (hostName && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

std::vector<DirectoryStation> FilterDirectory(
    const std::vector<DirectoryStation>& stations, std::string_view text, bool showBroken)
{
    const std::string key = FoldAccentsUtf8(text);
    std::vector<DirectoryStation> shown;
    for (const DirectoryStation& s : stations) {
        if ((s.working || showBroken)
            && (key.empty() || FoldAccentsUtf8(s.name).find(key) != std::string::npos))
            shown.push_back(s);
    }
    return shown;
}

std::string DirectoryDescription(const DirectoryStation& station)
{
    std::string description;
    for (const std::string* part : { &station.country, &station.language, &station.tags }) {
        if (part->empty())
            continue;
        if (!description.empty())
            description += " - ";
        description += *part;
    }
    return description;
}

namespace {

// Characters that would lead a page file elsewhere or break the page's
// markup; a name is a file name and the text of an HTML element.
bool safePageName(std::string_view name)
{
    if (name.empty() || name.front() == '.' || name.front() == '-')
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F
            || std::string_view("/\\<>\":*?|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
        // "&" followed by a letter, a digit or "#" would be read as an entity.
        if (c == '&' && i + 1 < name.size()
            && (std::isalnum(static_cast<unsigned char>(name[i + 1])) || name[i + 1] == '#'))
            return false;
    }
    return true;
}

// A text for the page's markup: its quotes and angle brackets as blanks.
std::string pageText(std::string_view utf8)
{
    std::string text = cp1252::fromUtf8(utf8);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '<' || c == '>' || c == '"'; }, ' ');
    return text;
}

std::string quoted(const std::string& cp1252Name, const char* format)
{
    std::string message = format;
    ReplaceFirst(message, "%1", cp1252::toUtf8(cp1252Name));
    return message;
}

// Puts the logo in "logo/" under a name made from the station's, in plain
// ASCII with the picture's extension, numbered when another picture holds
// that name; written whole. The path in place (created tells whether it is
// new), or empty when the logo cannot be read or written.
std::string placeLogo(
    const std::string& htmlDir, const std::string& name, const std::string& logoPath, bool& created)
{
    created = false;
    const std::optional<std::string> bytes = TryReadTextFile(logoPath);
    if (!bytes || bytes->empty())
        return {};
    const std::size_t slash = logoPath.find_last_of('/');
    const std::size_t dot = logoPath.find_last_of('.');
    const std::string extension
        = dot != std::string::npos && (slash == std::string::npos || dot > slash)
        ? logoPath.substr(dot)
        : std::string(".png");
    const std::string base = AsciiLogoName(name + extension);
    const std::size_t stemEnd = base.find_last_of('.');
    const std::string stem = base.substr(0, stemEnd);
    const std::string suffix = stemEnd == std::string::npos ? std::string() : base.substr(stemEnd);
    std::string target = htmlDir + "logo/" + base;
    for (int n = 2; FileExists(target); ++n) {
        if (TryReadTextFile(target) == bytes)
            return target;
        target = htmlDir + "logo/" + stem + "_" + std::to_string(n) + suffix;
    }
    std::error_code error;
    std::filesystem::create_directories(htmlDir + "logo", error);
    if (!WriteTextFile(target, *bytes))
        return {};
    created = true;
    return target;
}

std::string pageFileOf(std::string name)
{
    if (!name.empty())
        name[0] = static_cast<char>(cp1252::toUpper(static_cast<unsigned char>(name[0])));
    std::replace(name.begin(), name.end(), ' ', '_');
    return name + ".htm";
}

} // namespace

DirectoryAdd AddDirectoryStation(const std::string& htmlDir, const DirectoryStation& station,
    const std::string& logoPath, bool secondCopy)
{
    DirectoryAdd add;
    std::string name = cp1252::fromUtf8(station.name);
    const bool encodable = cp1252::toUtf8(name) == station.name;
    if (!name.empty())
        name[0] = static_cast<char>(cp1252::toUpper(static_cast<unsigned char>(name[0])));
    add.name = name;
    if (!encodable || !safePageName(name)) {
        add.result = DirectoryAddResult::UnsafeName;
        add.message = "Le nom « " + station.name
            + " » ne peut pas servir de nom de page : la station n'a pas été ajoutée.";
        return add;
    }
    const std::string indexPath = IndexPath(htmlDir);
    const std::optional<std::string> index = TryReadTextFile(indexPath);
    if (!index) {
        add.message = quoted(name,
            "La station « %1 » n'a pas pu être ajoutée : la liste des stations ne peut pas être "
            "lue.");
        return add;
    }
    auto taken = [&](const std::string& candidate) {
        return FindStationLine(*index, candidate).found
            || PathPresent(htmlDir + FileNameOnDisk(pageFileOf(candidate)));
    };
    if (taken(name)) {
        if (!secondCopy) {
            add.result = DirectoryAddResult::NameExists;
            add.message = quoted(name, kDirectoryDuplicateQuestion);
            return add;
        }
        int number = 2;
        while (taken(name + " (" + std::to_string(number) + ")"))
            ++number;
        name += " (" + std::to_string(number) + ")";
        add.name = name;
    }

    bool logoCreated = false;
    const std::string logo
        = logoPath.empty() ? std::string() : placeLogo(htmlDir, name, logoPath, logoCreated);
    const auto dropLogo = [&] {
        if (logoCreated)
            DeleteFile(logo);
    };

    StationForm form;
    form.name = name;
    form.logoChecked = !logo.empty();
    form.siteChecked
        = !station.homepage.empty() && station.homepage.find_first_of("\"<> ") == std::string::npos;
    form.siteLink = form.siteChecked ? station.homepage : std::string();
    const std::string description = pageText(DirectoryDescription(station));
    form.descriptionChecked = !description.empty();
    form.description = description;
    const std::string pageFile = pageFileOf(name);
    if (station.stream.find_first_of("\"<> ") != std::string::npos
        || !GenerateStationPage(htmlDir, form, station.stream, logo, std::string())) {
        dropLogo();
        add.message = quoted(
            name, "La station « %1 » n'a pas pu être ajoutée : sa page ne peut pas être écrite.");
        return add;
    }
    if (!InsertStation(indexPath, form.name, pageFile)) {
        DeleteFile(htmlDir + FileNameOnDisk(pageFile));
        dropLogo();
        add.message = quoted(name,
            "La station « %1 » n'a pas pu être ajoutée : la liste des stations ne peut pas être "
            "écrite.");
        return add;
    }
    add.result = DirectoryAddResult::Added;
    return add;
}
