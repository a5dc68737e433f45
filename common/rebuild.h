#pragma once

#include <string>
#include <vector>

// Recreates htmlDir + "haut.htm" from the station pages in htmlDir, sorted by
// title, keeping stations that were inactive in the previous index inactive.
// False when the index cannot be written (the previous one is then kept).
// The caller reloads the view and tells the user.
bool RebuildIndex(const std::string& htmlDir);

// The same, handing back the pages left out because their file names
// cannot be written in the index (see FileNameInText), as they lie on disk.
bool RebuildIndex(const std::string& htmlDir, std::vector<std::string>& unnamedPages);

inline constexpr const char* kRebuildDoneTitle = "Terminé";
inline constexpr const char* kRebuildDoneText
    = "La reconstruction de l'index des radios est terminée.";
// Followed by the names left out, one a line.
inline constexpr const char* kRebuildUnnamedText
    = "Ces pages n'ont pas été mises dans la liste des radios, car leur nom de fichier "
      "contient des caractères que la liste ne peut pas porter. Renommez-les, puis "
      "reconstruisez l'index :";
