// Lays out a static update site from an installation directory, for the
// updater of every installation that lists the site in URLs_update.txt.
//
//   publishsite [options] <installation directory> <site directory>
//
// The versions on offer are those of the installation's versions.txt unless
// an option gives another value:
//   --soft-version V  --soft-date D  --soft-comment C
//   --list-version V  --list-date D  --list-comment C
// Dates are written day/month/year with the year counted from 2000
// ("15/03/26"); an installation is offered an item whose date is later than
// its own. A line break in a comment is written as the two characters \n.

#include <cstdio>
#include <cstring>
#include <string>

#include "common/cp1252.h"
#include "updatesite.h"

namespace {

std::string withSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

int usage()
{
    std::fprintf(stderr,
        "usage: publishsite [--soft-version V] [--soft-date D] [--soft-comment C]\n"
        "                   [--list-version V] [--list-date D] [--list-comment C]\n"
        "                   <installation directory> <site directory>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string values[6];
    bool given[6] = {};
    const char* const options[6] = { "--soft-version", "--soft-date", "--soft-comment",
        "--list-version", "--list-date", "--list-comment" };
    std::string dirs[2];
    int dirCount = 0;
    for (int i = 1; i < argc; ++i) {
        bool option = false;
        for (int o = 0; o < 6; ++o) {
            if (std::strcmp(argv[i], options[o]) == 0) {
                if (i + 1 >= argc)
                    return usage();
                // The shell speaks UTF-8; the version file is Windows-1252.
                values[o] = cp1252::fromUtf8(argv[++i]);
                given[o] = true;
                option = true;
            }
        }
        if (option)
            continue;
        if (argv[i][0] == '-' || dirCount == 2)
            return usage();
        dirs[dirCount++] = argv[i];
    }
    if (dirCount != 2)
        return usage();

    const std::string installDir = withSlash(dirs[0]);
    const std::string siteDir = withSlash(dirs[1]);
    SiteVersions versions = ReadInstalledVersions(installDir);
    std::string* fields[6] = { &versions.softwareVersion, &versions.softwareDate,
        &versions.softwareComment, &versions.stationListVersion, &versions.stationListDate,
        &versions.stationListComment };
    for (int o = 0; o < 6; ++o) {
        if (given[o])
            *fields[o] = values[o];
    }

    const SiteReport report = PublishSite(installDir, siteDir, versions);
    for (const std::string& warning : report.warnings)
        std::fprintf(stderr, "publishsite: warning: %s\n", warning.c_str());
    for (const std::string& error : report.errors)
        std::fprintf(stderr, "publishsite: %s\n", error.c_str());
    if (!report.ok)
        return 1;
    std::printf("publishsite: %d files published in %s\n", report.files, siteDir.c_str());
    return 0;
}
