// Makes the default catalogue in an HTML directory: one station page per
// line of the station file, made from the shipped templates exactly as the
// personal-list editor makes them, then the index rebuilt from the pages.
//
//   makecatalogue <stations.tsv> <html dir> <station logo dir> <list of made files>
//
// The list of made files remembers what the previous run wrote, so that a
// station taken out of the station file loses its page and logo, while
// pages the listener added by hand stay.

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "common/pagemarkers.h"
#include "common/rebuild.h"
#include "common/stationpage.h"
#include "common/textfile.h"
#include "stationlist.h"

namespace {

// Where the templates take the now-playing link. The page generator does not
// know it, so a page made by the editor simply has no such link.
constexpr const char* kLivePlaceholder = "<!--!LienLive!-->";

std::string withSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

std::string liveLink(const std::string& address)
{
    return std::string("<a class=\"bouton\" href=\"") + kPageLiveStart + address + kPageLiveEnd
        + "\" title=\"Afficher le titre en cours\">&#9835;&nbsp;Titre en cours</a>";
}

PlayerType playerType(const std::string& player)
{
    if (player == "wm")
        return PlayerType::WindowsMedia;
    if (player == "real")
        return PlayerType::RealPlayer;
    return PlayerType::Auto;
}

std::set<std::string> readList(const std::string& path)
{
    std::set<std::string> names;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            names.insert(line);
    return names;
}

// Reads the page back with the player's own reader and checks that it gives
// what the station file says, so a template or a value that breaks a marker
// stops the build instead of shipping a page the player misreads.
bool checkPage(const std::string& path, const CatalogueStation& s, const std::string& logo)
{
    StationPageInfo info;
    ReadStationPage(path, info);
    const std::string live = cp1252::fromUtf8(s.live);
    const struct {
        const char* what;
        std::string got, expected;
    } checks[] = {
        { "title", info.title, cp1252::fromUtf8(s.name) },
        { "stream", info.streamLink, cp1252::fromUtf8(s.stream) },
        { "logo", info.logoFile, logo },
        { "site", info.siteLink, cp1252::fromUtf8(s.site) },
        { "description", info.description, cp1252::fromUtf8(s.description) },
        { "live address", info.liveId, live },
    };
    bool ok = true;
    for (const auto& c : checks) {
        if (c.got != c.expected) {
            std::fprintf(stderr, "makecatalogue: line %d: the page gives %s \"%s\", not \"%s\"\n",
                s.line, c.what, cp1252::toUtf8(c.got).c_str(), cp1252::toUtf8(c.expected).c_str());
            ok = false;
        }
    }
    return ok;
}

bool makePage(const std::string& htmlDir, const std::string& logoDir, const CatalogueStation& s,
    const std::string& base)
{
    StationForm form;
    form.name = cp1252::fromUtf8(s.name);
    form.playerType = playerType(s.player);
    form.logoChecked = true;
    form.siteChecked = !s.site.empty();
    form.siteLink = cp1252::fromUtf8(s.site);
    form.descriptionChecked = !s.description.empty();
    form.description = cp1252::fromUtf8(s.description);

    // The page is named by the catalogue (plain ASCII) rather than from the
    // station name, as the editor does when it rewrites an existing station.
    const std::string pageFile = base + ".htm";
    if (!GenerateStationPage(
            htmlDir, form, cp1252::fromUtf8(s.stream), logoDir + base + ".jpg", pageFile)) {
        std::fprintf(stderr, "makecatalogue: line %d: cannot write %s\n", s.line, pageFile.c_str());
        return false;
    }

    const std::string path = htmlDir + pageFile;
    std::string page = ReadTextFile(path);
    if (page.find(kLivePlaceholder) == std::string::npos) {
        std::fprintf(
            stderr, "makecatalogue: line %d: the template has no %s\n", s.line, kLivePlaceholder);
        return false;
    }
    // Every station gets the now-playing link: without a feed of its own
    // (an empty address) the song window shows the titles its stream
    // announces.
    ReplaceFirst(page, kLivePlaceholder, liveLink(cp1252::fromUtf8(s.live)));
    if (!WriteTextFile(path, page)) {
        std::fprintf(stderr, "makecatalogue: cannot write %s\n", path.c_str());
        return false;
    }
    return checkPage(path, s, base + ".jpg");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(
            stderr, "usage: makecatalogue <stations.tsv> <html dir> <logo dir> <made files>\n");
        return 2;
    }
    std::vector<CatalogueStation> stations;
    std::string error;
    if (!ReadCatalogue(argv[1], stations, error)) {
        std::fprintf(stderr, "makecatalogue: %s\n", error.c_str());
        return 1;
    }
    const std::string htmlDir = withSlash(argv[2]);
    const std::string logoDir = withSlash(argv[3]);
    const std::string listPath = argv[4];

    std::set<std::string> made;
    for (const CatalogueStation& s : stations) {
        const std::string base = CatalogueBaseName(s.name);
        if (!made.insert(base + ".htm").second) {
            std::fprintf(stderr, "makecatalogue: line %d: another station is already named %s\n",
                s.line, base.c_str());
            return 1;
        }
        made.insert("logo/" + base + ".jpg");
    }

    for (const std::string& old : readList(listPath))
        if (!made.count(old))
            DeleteFile(htmlDir + old);

    for (const CatalogueStation& s : stations)
        if (!makePage(htmlDir, logoDir, s, CatalogueBaseName(s.name)))
            return 1;

    std::string list;
    for (const std::string& name : made)
        list += name + "\n";
    if (!WriteTextFile(listPath, list) || !RebuildIndex(htmlDir)) {
        std::fprintf(stderr, "makecatalogue: cannot write the index in %s\n", htmlDir.c_str());
        return 1;
    }
    std::printf("makecatalogue: %zu stations in %shaut.htm\n", stations.size(), htmlDir.c_str());
    return 0;
}
