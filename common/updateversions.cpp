#include "common/updateversions.h"

#include <random>

#include "common/fetch.h"
#include "common/profile.h"
#include "common/settings.h"
#include "common/textfile.h"

namespace {

// The version file is small: two seconds for the fetch itself.
constexpr int kVersionFetchLimit = 2;

// Markers of the values in a server's version file. The file's lines arrive
// each followed by CR LF.
constexpr const char* kVersionStart = "Version=";
constexpr const char* kVersionEnd = "\r\nDate=";
constexpr const char* kDateStart = "Date=";
constexpr const char* kDateEnd = "\r\nComment=";
constexpr const char* kCommentStart = "Comment=";
constexpr const char* kCommentEnd = "\r";

struct SectionValues {
    std::string version;
    std::string date;
    std::string comment;
};

SectionValues readSection(std::string_view section)
{
    SectionValues values;
    values.version = ExtractBetween(section, kVersionStart, kVersionEnd);
    values.date = ExtractBetween(section, kDateStart, kDateEnd);
    values.comment = ExtractBetween(section, kCommentStart, kCommentEnd);
    // A comment may be written between quotation marks.
    if (!values.comment.empty() && values.comment.back() == '"')
        values.comment = values.comment.size() >= 2
            ? values.comment.substr(1, values.comment.size() - 2)
            : std::string();
    return values;
}

// A remote item is newer only when its date reads and is later than the
// local one; a server date that cannot be read offers nothing.
bool isNewer(const std::string& remoteDate, std::time_t local)
{
    const std::optional<std::time_t> remote = ParseUpdateDate(remoteDate);
    return remote && local < *remote;
}

std::time_t localDate(const Profile& versions, const char* section)
{
    const std::optional<std::time_t> date = ParseUpdateDate(versions.get(section, "Date", {}, 259));
    return date ? *date : OldestUpdateDate();
}

} // namespace

UpdaterSettings ReadUpdaterSettings(const std::string& programDir)
{
    UpdaterSettings settings;
    settings.htmlDir = programDir + kInstalledHtmlDir;
    SharedSettings stored;
    if (!LoadSharedSettings(stored, programDir, kSettingsFileName))
        return settings;
    // The updater adds the '/' that a hand-edited directory may lack.
    const std::string& html = stored.pathHtml;
    if (!html.empty())
        settings.htmlDir = html.back() == '/' ? html : html + '/';
    settings.skin = stored.skin;
    settings.skinHue = stored.skinHue == 0 ? kDefaultSkinHue : stored.skinHue;
    return settings;
}

bool ReadServerListText(const std::string& text, ServerTable& table, std::uint32_t seed)
{
    table = ServerTable {};
    const Profile list(text);
    std::vector<std::string> values;
    for (int i = 0; i < ServerTable::kMax; ++i) {
        std::string value = list.get(kServerListSection, "URL" + std::to_string(i), {}, 259);
        if (value.empty())
            break;
        values.push_back(std::move(value));
    }
    table.count = static_cast<int>(values.size());
    if (table.count == 0)
        return false;
    // Each server lands in a free slot drawn at random, so that the load
    // spreads over the servers.
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> slot(0, table.count - 1);
    for (std::string& value : values) {
        int at = slot(random);
        while (!table.servers[at].empty())
            at = slot(random);
        table.servers[at] = std::move(value);
    }
    return true;
}

bool ReadServerList(const std::string& programDir, ServerTable& table, std::uint32_t seed)
{
    return ReadServerListText(ReadTextFile(programDir + kServerListFileName), table, seed);
}

std::optional<std::time_t> ParseUpdateDate(std::string_view text)
{
    std::time_t when = 0;
    if (!ParseSettingsDate(std::string(text), when))
        return std::nullopt;
    return when;
}

std::time_t OldestUpdateDate()
{
    std::tm local {};
    local.tm_mday = 1;
    local.tm_mon = 0;
    local.tm_year = 71;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

LocalDates ReadLocalDates(const std::string& programDir)
{
    Profile versions;
    versions.load(programDir + kVersionsFileName);
    return { localDate(versions, kSoftwareSection), localDate(versions, kStationListSection) };
}

bool ParseRemoteVersions(std::string_view text, const LocalDates& local, VersionCheck& check)
{
    // The section names are found as written; each section starts at the
    // bracket before its name, and the software section comes first.
    const std::size_t software = text.find(kSoftwareSection);
    const std::size_t stationList = text.find(kStationListSection);
    if (software == std::string_view::npos || stationList == std::string_view::npos
        || stationList < software)
        return false;
    const std::size_t softwareStart = software > 0 ? software - 1 : 0;
    const std::size_t stationListStart = stationList > 0 ? stationList - 1 : 0;
    const SectionValues soft
        = readSection(text.substr(softwareStart, stationListStart - softwareStart));
    const SectionValues list = readSection(text.substr(stationListStart));
    if (soft.version == kNotFound || list.version == kNotFound)
        return false;

    check.remote = { soft.version, soft.date, soft.comment, list.version, list.date, list.comment };
    check.softwareUpdate = isNewer(soft.date, local.software);
    check.stationListUpdate = isNewer(list.date, local.stationList);
    return true;
}

bool CheckServer(const std::string& server, const std::string& programDir, VersionCheck& check)
{
    const LocalDates local = ReadLocalDates(programDir);
    std::string text;
    if (!FetchText(server + "/" + kVersionsFileName, kVersionFetchLimit, text, FetchForm::Updater))
        return false;
    return ParseRemoteVersions(text, local, check);
}

std::string ServerName(const std::string& server)
{
    const std::size_t scheme = server.find("://");
    return scheme == std::string::npos ? server : server.substr(scheme + 3);
}

bool WriteLastUpdate(const std::string& programDir, std::time_t when)
{
    return SaveLastUpdate(programDir, kSettingsFileName, when);
}

bool WriteLocalVersions(
    const std::string& programDir, const RemoteVersions& remote, bool software, bool stationList)
{
    // A version file that is there but cannot be read is left as it is.
    const std::string path = programDir + kVersionsFileName;
    Profile versions;
    if (!versions.load(path) && PathPresent(path))
        return false;
    if (software) {
        versions.set(kSoftwareSection, "Version", remote.softwareVersion);
        versions.set(kSoftwareSection, "Date", remote.softwareDate);
        versions.set(kSoftwareSection, "Comment", EscapeLineBreaks(remote.softwareComment));
    }
    if (stationList) {
        versions.set(kStationListSection, "Version", remote.stationListVersion);
        versions.set(kStationListSection, "Date", remote.stationListDate);
        versions.set(kStationListSection, "Comment", EscapeLineBreaks(remote.stationListComment));
    }
    return versions.save(path);
}

std::string ExpandLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string EscapeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}
