#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/prompt.h"
#include "common/settings.h"

// One appearance: a folder of "Skins/" described by its "skin.ini".
struct Appearance {
    std::string name; // "Nom"
    std::string dir; // the folder's name inside "Skins/"
    std::string preview; // "Preview", a picture inside the folder
    std::optional<int> height; // "Hauteur"; none keeps the current height
    std::optional<int> width; // "Largeur"
    std::optional<int> hue; // "Couleur du skin"
    std::string author; // "Auteur"
};

// At most this many appearances are listed; further folders are left out.
inline constexpr std::size_t kMaxAppearances = 100;

// The appearances under htmlDir + "Skins/", in folder-name order. A folder
// without "skin.ini", or whose description lacks "Nom" or "Preview", is
// left out. Texts are Windows-1252.
std::vector<Appearance> ListAppearances(const std::string& htmlDir);

// The entry to select at opening: the first that begins with the current
// appearance's name (case ignored), looking from the second entry round to
// the first; -1 when none.
int CurrentAppearanceIndex(const std::vector<Appearance>& appearances, const std::string& current);

// The preview picture's path.
std::string AppearancePreviewPath(const std::string& htmlDir, const Appearance& appearance);

// Copies the appearance's "index.htm", "bas.css" and "haut.css" over the
// HTML directory's. All three are read first: when one is missing or cannot
// be read, the incomplete-files message is shown and nothing is replaced. A
// write that fails midway shows the same message. On success the
// settings take the appearance's size, hue and name. The caller then
// resizes the window, reloads the frame page and saves the settings.
bool InstallAppearance(
    const std::string& htmlDir, const Appearance& appearance, Settings& settings, Prompt& prompt);
