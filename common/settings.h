#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

// Favourite stations: up to 20 pairs of a display name and a page file name
// (relative to the HTML directory), filled from slot 0 without gaps.
struct Favourites {
    static constexpr int kMax = 20;
    std::array<std::string, kMax> names;
    std::array<std::string, kMax> pages;
    int count = 0;
};

struct ScreenSize {
    int width = 1024;
    int height = 768;
};

// The player's in-memory record of Sonalto.ini. Texts are Windows-1252.
struct Settings {
    // Section "Sonalto"
    std::int32_t height = 0; // "Hauteur"
    std::int32_t width = 0; // "Largeur"
    std::int32_t miniHeight = 0; // "Mini-Hauteur"
    std::int32_t miniWidth = 0; // "Mini-Largeur"
    std::int32_t positionX = 0; // "Position X"
    std::int32_t positionY = 0; // "Position Y"
    bool listenButton = false; // "Bouton Ecouter"
    bool updates = false; // "Updates"
    std::time_t lastUpdate = 0; // "Derniere Update"
    bool splashScreen = false; // "Splashscreen"
    bool onTop = false; // "OnTop"
    bool assignLogo = false; // "Assigner"
    bool hideTaskbar = false; // "Cacher TaskBar"
    std::int32_t refreshSeconds = 0; // "Temps Rafraichissement"
    std::string pathHtml; // "Path HTML", ends with '/'
    std::string pathRec; // "Path Rec", ends with '/'
    bool saveLastUrl = false; // "Sauve Derniere URL"
    std::string startPage; // from "Derniere URL" at start-up (not written back as such)
    bool skin = false; // "Skin"
    std::int32_t skinHue = 0; // "Couleur du skin"
    std::string appearanceName; // "Nom apparence"
    bool miniPlayer = false; // "Mini Player"
    bool songNotifications = false; // "Notifier Titres": a desktop notice per new title
    // The song window looks up covers and album details of the stream's
    // titles on the web services below; off, it makes no call at all.
    bool songLookups = true; // "Recherche Pochettes"
    std::string recordingService; // "Service Enregistrements": scheme and host
    std::string coverService; // "Service Pochettes": scheme and host
    std::string shopSearch; // "Recherche Boutique": the title goes at its end

    // Section "Favoris"
    Favourites favourites;

    // Section "Enregistreur HarddiskOgg"
    std::int32_t sampleRateIndex = 0; // "Taux d'echantillonnage"
    std::int32_t formatIndex = 0; // "Type de compression"
    std::int32_t compressionIndex = 0; // "Taux de compression"
    bool stereo = false; // "Mono/Stéréo"
    std::string recordBaseName; // "Nom du fichier"
    // One file per song, cut at each new stream title; off: one file.
    bool recordBySong = false; // "Titre par Titre"
};

inline constexpr const char* kSettingsFileName = "Sonalto.ini";
// Where the song window's lookups and links go unless the settings say
// otherwise.
inline constexpr const char* kDefaultRecordingService = "https://musicbrainz.org";
inline constexpr const char* kDefaultCoverService = "https://coverartarchive.org";
// A music shop whose search by free text finds a song by its title.
inline constexpr const char* kDefaultShopSearch = "https://bandcamp.com/search?item_type=t&q=";
// The HTML directory of the installation, under the installation directory.
inline constexpr const char* kInstalledHtmlDir = "html/";
// The hue of the look that a hue of 0 stands for.
inline constexpr std::int32_t kDefaultSkinHue = 96;
// The window's sizes when the file has none (or 0).
inline constexpr std::int32_t kDefaultHeight = 288;
inline constexpr std::int32_t kDefaultWidth = 251;
inline constexpr std::int32_t kDefaultMiniHeight = 38;
inline constexpr std::int32_t kDefaultMiniWidth = 178;

// Reads installDir + fileName into the record. False when the file does not
// exist; the record is then unchanged. The screen size is used to check the
// stored window position.
bool LoadSettings(Settings& settings, const std::string& installDir, const std::string& fileName,
    ScreenSize screen);

// Writes every key of the three sections, key by key in their fixed order,
// into installDir + fileName (replaced atomically). currentStationPage is
// written as "Derniere URL" when saveLastUrl is set, else an empty value.
bool SaveSettings(Settings& settings, const std::string& installDir, const std::string& fileName,
    const std::string& currentStationPage);

// The keys of the player's settings that the updater and the scheduler read
// too, each read by the same rule as LoadSettings reads it.
struct SharedSettings {
    std::string pathHtml; // "Path HTML", as stored
    bool skin = false; // "Skin"
    std::int32_t skinHue = 0; // "Couleur du skin" as stored, 0 when it is not a number
};

// Reads those keys from installDir + fileName. False when the file does not
// exist or cannot be read; the record is then unchanged.
bool LoadSharedSettings(
    SharedSettings& settings, const std::string& installDir, const std::string& fileName);

// Writes "Derniere Update" into installDir + fileName (replaced
// atomically), every other key left as it is.
bool SaveLastUpdate(const std::string& installDir, const std::string& fileName, std::time_t when);

// The values used when there is no settings file.
void ApplyDefaultSettings(Settings& settings, const std::string& installDir, ScreenSize screen);

// "dd/mm/yy" with the year counted from 2000 (negative before 2000), and
// back to a local midnight. Parsing false when three numbers cannot be read.
std::string FormatSettingsDate(std::time_t when);
bool ParseSettingsDate(const std::string& text, std::time_t& when);
