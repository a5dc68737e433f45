#include "common/settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

#include "common/cp1252.h"
#include "common/profile.h"
#include "common/textfile.h"

namespace {

constexpr const char* kMain = "Sonalto";
constexpr const char* kFavourites = "Favoris";
constexpr const char* kRecorder = "Enregistreur HarddiskOgg";

constexpr const char* kHeight = "Hauteur";
constexpr const char* kWidth = "Largeur";
constexpr const char* kMiniHeight = "Mini-Hauteur";
constexpr const char* kMiniWidth = "Mini-Largeur";
constexpr const char* kPositionX = "Position X";
constexpr const char* kPositionY = "Position Y";
constexpr const char* kListenButton = "Bouton Ecouter";
constexpr const char* kUpdates = "Updates";
constexpr const char* kLastUpdate = "Derniere Update";
constexpr const char* kSplashScreen = "Splashscreen";
constexpr const char* kOnTop = "OnTop";
constexpr const char* kAssignLogo = "Assigner";
constexpr const char* kHideTaskbar = "Cacher TaskBar";
constexpr const char* kRefresh = "Temps Rafraichissement";
constexpr const char* kPathHtml = "Path HTML";
constexpr const char* kPathRec = "Path Rec";
constexpr const char* kSaveLastUrl = "Sauve Derniere URL";
constexpr const char* kLastUrl = "Derniere URL";
constexpr const char* kSkin = "Skin";
constexpr const char* kSkinHue = "Couleur du skin";
constexpr const char* kAppearance = "Nom apparence";
constexpr const char* kMiniPlayer = "Mini Player";
// A desktop notification at each new title of the stream, off unless asked.
constexpr const char* kSongNotifications = "Notifier Titres";
constexpr const char* kSongLookups = "Recherche Pochettes";
constexpr const char* kRecordingService = "Service Enregistrements";
constexpr const char* kCoverService = "Service Pochettes";
constexpr const char* kShopSearch = "Recherche Boutique";

constexpr const char* kFavouriteName = "FavorisName";
constexpr const char* kFavouritePage = "FavorisHTML";

constexpr const char* kCopyright = "Copyright";
constexpr const char* kSampleRate = "Taux d'echantillonnage";
constexpr const char* kFormat = "Type de compression";
constexpr const char* kCompression = "Taux de compression";
constexpr const char* kStereo = "Mono/St\xE9r\xE9o"; // Windows-1252 bytes
constexpr const char* kBaseName = "Nom du fichier";
constexpr const char* kBySong = "Titre par Titre";

constexpr const char* kCopyrightText = "Enregistreur HarddiskOgg de Sonalto";

constexpr std::int32_t kDefaultRefresh = 10;
constexpr std::int32_t kDefaultFormat = 1;
constexpr const char* kDefaultAppearance = "Skin Standard";
constexpr const char* kDefaultBaseName = "RadioRec";
constexpr const char* kRecordSubdir = "Record/";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a decimal number as "%d" does: blanks, an optional sign, digits.
// Too large a number stops at the nearest 32-bit limit. False when no digit
// comes.
bool parseNumber(std::string_view text, std::size_t& pos, std::int32_t& out)
{
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    const std::size_t digits = pos;
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t { std::numeric_limits<std::int32_t>::max() } + 1;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = std::min(value * 10 + (text[pos] - '0'), kLimit);
        ++pos;
    }
    if (pos == digits)
        return false;
    if (negative)
        value = -value;
    value = std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    out = static_cast<std::int32_t>(value);
    return true;
}

// An integer key: text that does not start with a number leaves the field
// as it was.
void readInt(const Profile& ini, const char* section, const char* key, std::int32_t& field)
{
    const std::string text = ini.get(section, key);
    std::size_t pos = 0;
    parseNumber(text, pos, field);
}

// An integer key whose 0 stands for its default.
void readIntOr(const Profile& ini, const char* section, const char* key, std::int32_t& field,
    std::int32_t fallback)
{
    readInt(ini, section, key, field);
    if (field == 0)
        field = fallback;
}

// Each boolean key compares its lower-cased text with one word; whichever word
// it tests decides what a missing or odd value means.
bool trueOnlyIf(const Profile& ini, const char* section, const char* key)
{
    return cp1252::lower(ini.get(section, key)) == "true";
}

bool falseOnlyIf(const Profile& ini, const char* section, const char* key)
{
    return cp1252::lower(ini.get(section, key)) != "false";
}

void readTextOr(const Profile& ini, const char* section, const char* key, std::string& field,
    const std::string& fallback)
{
    field = ini.get(section, key);
    if (field.empty())
        field = fallback;
}

// A window edge off the screen puts the window in the middle instead.
std::int32_t checkedEdge(std::int32_t edge, int screenExtent, std::int32_t windowExtent)
{
    if (edge >= 0 && edge <= screenExtent)
        return edge;
    return static_cast<std::int32_t>((std::int64_t { screenExtent } - windowExtent) / 2);
}

// The keys that the updater and the scheduler read too. A hue whose text
// does not start with a number is left as it was.
void readSharedKeys(const Profile& ini, std::string& pathHtml, bool& skin, std::int32_t& skinHue)
{
    pathHtml = ini.get(kMain, kPathHtml);
    skin = trueOnlyIf(ini, kMain, kSkin);
    readInt(ini, kMain, kSkinHue, skinHue);
}

const char* boolText(bool value)
{
    return value ? "True" : "False";
}

} // namespace

std::string FormatSettingsDate(std::time_t when)
{
    std::tm local {};
    if (::localtime_r(&when, &local) == nullptr)
        return {};
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d", local.tm_mday, local.tm_mon + 1,
        local.tm_year - 100);
    return buffer;
}

bool ParseSettingsDate(const std::string& text, std::time_t& when)
{
    std::int32_t numbers[3] = {};
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '/')
                return false;
            ++pos;
        }
        if (!parseNumber(text, pos, numbers[i]))
            return false;
    }
    const std::int64_t yearsSince1900 = std::int64_t { numbers[2] } + 100;
    if (yearsSince1900 > std::numeric_limits<int>::max())
        return false;
    std::tm local {};
    local.tm_mday = numbers[0];
    local.tm_mon = numbers[1] - 1;
    local.tm_year = static_cast<int>(yearsSince1900);
    local.tm_isdst = -1;
    const std::time_t result = std::mktime(&local);
    // -1 is never a local midnight: it only reports a date mktime cannot hold.
    if (result == static_cast<std::time_t>(-1))
        return false;
    when = result;
    return true;
}

void ApplyDefaultSettings(Settings& settings, const std::string& installDir, ScreenSize screen)
{
    settings.height = kDefaultHeight;
    settings.width = kDefaultWidth;
    settings.miniHeight = kDefaultMiniHeight;
    settings.miniWidth = kDefaultMiniWidth;
    settings.positionX = (screen.width - kDefaultWidth) / 2;
    settings.positionY = (screen.height - kDefaultHeight) / 2;
    settings.listenButton = false;
    settings.updates = true;
    settings.lastUpdate = 0;
    settings.splashScreen = true;
    settings.onTop = true;
    settings.assignLogo = true;
    settings.hideTaskbar = false;
    settings.refreshSeconds = kDefaultRefresh;
    settings.pathHtml.clear();
    settings.pathRec = installDir + kRecordSubdir;
    settings.saveLastUrl = true;
    settings.startPage.clear();
    settings.skin = false;
    settings.skinHue = kDefaultSkinHue;
    settings.appearanceName = kDefaultAppearance;
    settings.miniPlayer = false;
    settings.songNotifications = false;
    settings.songLookups = true;
    settings.recordingService = kDefaultRecordingService;
    settings.coverService = kDefaultCoverService;
    settings.shopSearch = kDefaultShopSearch;
    settings.favourites = Favourites {};
    settings.sampleRateIndex = 0;
    settings.formatIndex = kDefaultFormat;
    settings.compressionIndex = 0;
    settings.stereo = false;
    settings.recordBaseName = kDefaultBaseName;
    settings.recordBySong = false;
}

bool LoadSettings(Settings& settings, const std::string& installDir, const std::string& fileName,
    ScreenSize screen)
{
    Profile ini;
    if (!ini.load(installDir + fileName))
        return false;

    // Sizes first: the position check needs them.
    readIntOr(ini, kMain, kWidth, settings.width, kDefaultWidth);
    readIntOr(ini, kMain, kHeight, settings.height, kDefaultHeight);
    readIntOr(ini, kMain, kMiniWidth, settings.miniWidth, kDefaultMiniWidth);
    readIntOr(ini, kMain, kMiniHeight, settings.miniHeight, kDefaultMiniHeight);
    readInt(ini, kMain, kPositionX, settings.positionX);
    settings.positionX = checkedEdge(settings.positionX, screen.width, settings.width);
    readInt(ini, kMain, kPositionY, settings.positionY);
    settings.positionY = checkedEdge(settings.positionY, screen.height, settings.height);

    settings.listenButton = trueOnlyIf(ini, kMain, kListenButton);
    settings.updates = falseOnlyIf(ini, kMain, kUpdates);
    // A missing or unreadable date is time zero: the weekly update check then
    // runs at once.
    if (!ParseSettingsDate(ini.get(kMain, kLastUpdate), settings.lastUpdate))
        settings.lastUpdate = 0;
    settings.splashScreen = falseOnlyIf(ini, kMain, kSplashScreen);
    settings.onTop = falseOnlyIf(ini, kMain, kOnTop);
    settings.assignLogo = falseOnlyIf(ini, kMain, kAssignLogo);
    settings.hideTaskbar = falseOnlyIf(ini, kMain, kHideTaskbar);
    readSharedKeys(ini, settings.pathHtml, settings.skin, settings.skinHue);
    if (settings.skinHue == 0)
        settings.skinHue = kDefaultSkinHue;
    readTextOr(ini, kMain, kPathRec, settings.pathRec, installDir + kRecordSubdir);
    readIntOr(ini, kMain, kRefresh, settings.refreshSeconds, kDefaultRefresh);

    // Only complete pairs are taken, packed from slot 0.
    Favourites& favourites = settings.favourites;
    favourites.count = 0;
    for (int i = 0; i < Favourites::kMax; ++i) {
        const std::string index = std::to_string(i);
        std::string name = ini.get(kFavourites, kFavouriteName + index);
        std::string page = ini.get(kFavourites, kFavouritePage + index);
        if (name.empty() || page.empty())
            continue;
        favourites.names[favourites.count] = std::move(name);
        favourites.pages[favourites.count] = std::move(page);
        ++favourites.count;
    }
    for (int i = favourites.count; i < Favourites::kMax; ++i) {
        favourites.names[i].clear();
        favourites.pages[i].clear();
    }

    settings.saveLastUrl = trueOnlyIf(ini, kMain, kSaveLastUrl);
    const std::string lastUrl = ini.get(kMain, kLastUrl);
    settings.startPage = settings.saveLastUrl ? lastUrl : std::string();
    readTextOr(ini, kMain, kAppearance, settings.appearanceName, kDefaultAppearance);
    settings.miniPlayer = trueOnlyIf(ini, kMain, kMiniPlayer);
    settings.songNotifications = trueOnlyIf(ini, kMain, kSongNotifications);
    settings.songLookups = falseOnlyIf(ini, kMain, kSongLookups);
    readTextOr(ini, kMain, kRecordingService, settings.recordingService, kDefaultRecordingService);
    readTextOr(ini, kMain, kCoverService, settings.coverService, kDefaultCoverService);
    readTextOr(ini, kMain, kShopSearch, settings.shopSearch, kDefaultShopSearch);

    readInt(ini, kRecorder, kSampleRate, settings.sampleRateIndex);
    readIntOr(ini, kRecorder, kFormat, settings.formatIndex, kDefaultFormat);
    readInt(ini, kRecorder, kCompression, settings.compressionIndex);
    settings.stereo = trueOnlyIf(ini, kRecorder, kStereo);
    readTextOr(ini, kRecorder, kBaseName, settings.recordBaseName, kDefaultBaseName);
    settings.recordBySong = trueOnlyIf(ini, kRecorder, kBySong);
    return true;
}

bool LoadSharedSettings(
    SharedSettings& settings, const std::string& installDir, const std::string& fileName)
{
    Profile ini;
    if (!ini.load(installDir + fileName))
        return false;
    settings.skinHue = 0;
    readSharedKeys(ini, settings.pathHtml, settings.skin, settings.skinHue);
    return true;
}

bool SaveLastUpdate(const std::string& installDir, const std::string& fileName, std::time_t when)
{
    // Only a file that was read is written back: one that is missing or
    // cannot be read (a link to a folder that is not there) is left alone
    // rather than replaced by a file holding this one key.
    Profile ini;
    if (!ini.load(installDir + fileName))
        return false;
    ini.set(kMain, kLastUpdate, FormatSettingsDate(when));
    return ini.save(installDir + fileName);
}

bool SaveSettings(Settings& settings, const std::string& installDir, const std::string& fileName,
    const std::string& currentStationPage)
{
    const std::string path = installDir + fileName;
    // Keys are written one by one into what the file holds, so keys that the
    // player does not know stay where they are.
    Profile ini;
    ini.load(path);

    // The updater writes the date of its check while the player runs; the
    // player never changes it, so the later date is the one to keep.
    std::time_t fileDate = 0;
    if (ParseSettingsDate(ini.get(kMain, kLastUpdate), fileDate) && fileDate > settings.lastUpdate)
        settings.lastUpdate = fileDate;

    ini.set(kMain, kHeight, std::to_string(settings.height));
    ini.set(kMain, kWidth, std::to_string(settings.width));
    ini.set(kMain, kMiniHeight, std::to_string(settings.miniHeight));
    ini.set(kMain, kMiniWidth, std::to_string(settings.miniWidth));
    ini.set(kMain, kPositionX, std::to_string(settings.positionX));
    ini.set(kMain, kPositionY, std::to_string(settings.positionY));
    ini.set(kMain, kListenButton, boolText(settings.listenButton));
    ini.set(kMain, kUpdates, boolText(settings.updates));
    ini.set(kMain, kLastUpdate, FormatSettingsDate(settings.lastUpdate));
    ini.set(kMain, kSplashScreen, boolText(settings.splashScreen));
    ini.set(kMain, kOnTop, boolText(settings.onTop));
    ini.set(kMain, kAssignLogo, boolText(settings.assignLogo));
    ini.set(kMain, kHideTaskbar, boolText(settings.hideTaskbar));
    ini.set(kMain, kRefresh, std::to_string(settings.refreshSeconds));
    ini.set(kMain, kPathHtml, settings.pathHtml);
    ini.set(kMain, kPathRec, settings.pathRec);
    ini.set(kMain, kSaveLastUrl, boolText(settings.saveLastUrl));
    ini.set(kMain, kLastUrl, settings.saveLastUrl ? currentStationPage : std::string());
    ini.set(kMain, kSkin, boolText(settings.skin));
    ini.set(kMain, kSkinHue, std::to_string(settings.skinHue));
    ini.set(kMain, kAppearance, settings.appearanceName);
    ini.set(kMain, kMiniPlayer, boolText(settings.miniPlayer));
    ini.set(kMain, kSongNotifications, boolText(settings.songNotifications));
    ini.set(kMain, kSongLookups, boolText(settings.songLookups));
    ini.set(kMain, kRecordingService, settings.recordingService);
    ini.set(kMain, kCoverService, settings.coverService);
    ini.set(kMain, kShopSearch, settings.shopSearch);

    const Favourites& favourites = settings.favourites;
    for (int i = 0; i < Favourites::kMax; ++i) {
        const std::string index = std::to_string(i);
        const bool used = i < favourites.count;
        ini.set(kFavourites, kFavouriteName + index, used ? favourites.names[i] : std::string());
        ini.set(kFavourites, kFavouritePage + index, used ? favourites.pages[i] : std::string());
    }

    ini.set(kRecorder, kCopyright, kCopyrightText);
    ini.set(kRecorder, kSampleRate, std::to_string(settings.sampleRateIndex));
    ini.set(kRecorder, kFormat, std::to_string(settings.formatIndex));
    ini.set(kRecorder, kCompression, std::to_string(settings.compressionIndex));
    ini.set(kRecorder, kStereo, boolText(settings.stereo));
    ini.set(kRecorder, kBaseName, settings.recordBaseName);
    ini.set(kRecorder, kBySong, boolText(settings.recordBySong));
    return ini.save(path);
}
