#include "catalogue/skinmanager.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iterator>

#include "catalogue/cataloguetexts.h"
#include "catalogue/namelist.h"
#include "common/profile.h"
#include "common/textfile.h"

namespace {

constexpr const char* kSection = "Skin Snt";

// A decimal number at the start of the value, as "%d" reads it.
std::optional<int> number(const std::string& value)
{
    const char* first = value.data();
    const char* last = value.data() + value.size();
    if (first != last && *first == '+')
        ++first;
    int result = 0;
    const auto [end, error] = std::from_chars(first, last, result);
    if (error != std::errc() || end == first)
        return std::nullopt;
    return result;
}

} // namespace

std::vector<Appearance> ListAppearances(const std::string& htmlDir)
{
    std::vector<std::string> dirs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(htmlDir + "Skins", error)) {
        if (entry.is_directory(error))
            dirs.push_back(entry.path().filename().string());
    }
    std::sort(dirs.begin(), dirs.end());

    std::vector<Appearance> appearances;
    for (const std::string& dir : dirs) {
        if (appearances.size() == kMaxAppearances)
            break;
        Profile description;
        if (!description.load(htmlDir + "Skins/" + dir + "/skin.ini"))
            continue;
        Appearance appearance;
        appearance.name = description.get(kSection, "Nom");
        appearance.preview = description.get(kSection, "Preview");
        if (appearance.name.empty() || appearance.preview.empty())
            continue;
        appearance.dir = dir;
        appearance.height = number(description.get(kSection, "Hauteur"));
        appearance.width = number(description.get(kSection, "Largeur"));
        appearance.hue = number(description.get(kSection, "Couleur du skin"));
        appearance.author = description.get(kSection, "Auteur");
        appearances.push_back(std::move(appearance));
    }
    return appearances;
}

int CurrentAppearanceIndex(const std::vector<Appearance>& appearances, const std::string& current)
{
    std::vector<std::string> names;
    for (const Appearance& appearance : appearances)
        names.push_back(appearance.name);
    return FindNamePrefix(names, current, 0);
}

std::string AppearancePreviewPath(const std::string& htmlDir, const Appearance& appearance)
{
    return htmlDir + "Skins/" + appearance.dir + "/" + appearance.preview;
}

bool InstallAppearance(
    const std::string& htmlDir, const Appearance& appearance, Settings& settings, Prompt& prompt)
{
    // Every file is read before any is replaced: an appearance whose files
    // cannot all be read leaves the HTML directory as it was.
    const std::string from = htmlDir + "Skins/" + appearance.dir + "/";
    constexpr const char* kFiles[] = { "index.htm", "bas.css", "haut.css" };
    std::string contents[std::size(kFiles)];
    bool complete = true;
    for (std::size_t i = 0; complete && i < std::size(kFiles); ++i) {
        std::optional<std::string> text = TryReadTextFile(from + kFiles[i]);
        complete = text.has_value();
        if (complete)
            contents[i] = std::move(*text);
    }
    for (std::size_t i = 0; complete && i < std::size(kFiles); ++i)
        complete = WriteTextFile(htmlDir + kFiles[i], contents[i]);
    if (!complete) {
        prompt.message(catalogue_texts::kErrorTitle, catalogue_texts::kSkinIncomplete,
            PromptIcon::Exclamation);
        return false;
    }
    // A missing, empty or zero value keeps what the window has.
    if (appearance.height && *appearance.height != 0)
        settings.height = *appearance.height;
    if (appearance.width && *appearance.width != 0)
        settings.width = *appearance.width;
    if (appearance.hue && *appearance.hue != 0)
        settings.skinHue = *appearance.hue;
    settings.appearanceName = appearance.name;
    return true;
}
