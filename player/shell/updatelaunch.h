#pragma once

#include <ctime>
#include <string>

#include "common/settings.h"

class Prompt;

// How the updater is started: by the listener from the Options dialog
// ("Vérifier", no argument), or by the weekly check ("-silence").
enum class UpdaterStart { Now, Weekly };

namespace updatetexts {
inline constexpr const char* kMissingText
    = "Le module de mise à jour de Sonalto est introuvable.\n\nRéinstallez Sonalto";
inline constexpr const char* kMissingTitleNow = "Impossible";
inline constexpr const char* kMissingTitleWeekly = "Vérification impossible";
inline constexpr const char* kSilentOption = "-silence";
} // namespace updatetexts

// Starts installDir + the updater, detached, in the installation directory.
// When the program is not there (or cannot be started) the listener is told
// with the exclamation icon, titled after how it was started, and the
// result is false.
bool StartUpdater(const std::string& installDir, UpdaterStart how, Prompt& prompt);

// A week, in seconds.
inline constexpr std::time_t kWeeklyCheckPeriod = 604800;

// True when the weekly check is due: "Updates" is on and "Derniere Update"
// is strictly earlier than now minus a week.
bool WeeklyCheckDue(const Settings& settings, std::time_t now);

// True when the installation's server list names at least one update server.
// Without one the weekly check has nothing to ask, and starting the updater
// would only show its missing-list box at every start of the player.
bool UpdateServersListed(const std::string& installDir);
