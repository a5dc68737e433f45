// Lays out a static update site from an installation directory, for the
// updater of every installation that lists the site in URLs_update.txt.
//
//   publishsite --key <secret key file> [options] <installation directory> <site directory>
//   publishsite --generate-key <public key file> <secret key file>
//
// The site's manifest is signed with the secret key, which is never written
// into the site: the publisher refuses a key file inside the installation or
// the site, and refuses to publish without a key. --generate-key makes a new
// key pair; the public key file is what installations trust
// (cles_update.pub), the secret key file stays with the publisher.
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
#include <filesystem>
#include <string>
#include <system_error>

#include <sys/stat.h>

#include "common/cp1252.h"
#include "common/textfile.h"
#include "common/updatemanifest.h"
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
        "usage: publishsite --key <secret key file>\n"
        "                   [--soft-version V] [--soft-date D] [--soft-comment C]\n"
        "                   [--list-version V] [--list-date D] [--list-comment C]\n"
        "                   <installation directory> <site directory>\n"
        "       publishsite --generate-key <public key file> <secret key file>\n");
    return 2;
}

int generateKey(const std::string& publicFile, const std::string& secretFile)
{
    if (PathPresent(secretFile) || PathPresent(publicFile)) {
        std::fprintf(stderr, "publishsite: %s or %s exists: not replaced\n", publicFile.c_str(),
            secretFile.c_str());
        return 1;
    }
    const SecretKey key = GenerateKeyPair();
    // Only its owner may read the secret key.
    const mode_t mask = ::umask(077);
    const bool secretWritten = WriteTextFile(secretFile, SecretKeyText(key));
    ::umask(mask);
    if (!secretWritten || !WriteTextFile(publicFile, PublicKeyText(key.publicKey()))) {
        std::fprintf(stderr, "publishsite: cannot write the key files\n");
        return 1;
    }
    std::printf("publishsite: public key in %s, secret key in %s\n", publicFile.c_str(),
        secretFile.c_str());
    return 0;
}

// True when path lies inside dir (both need not exist).
bool inside(const std::string& path, const std::string& dir)
{
    std::error_code error;
    const std::string file = std::filesystem::weakly_canonical(path, error).string();
    std::string folder = std::filesystem::weakly_canonical(dir, error).string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return file.rfind(folder, 0) == 0;
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
    std::string keyFile;
    if (argc >= 2 && std::strcmp(argv[1], "--generate-key") == 0)
        return argc == 4 ? generateKey(argv[2], argv[3]) : usage();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--key") == 0) {
            if (i + 1 >= argc)
                return usage();
            keyFile = argv[++i];
            continue;
        }
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
    if (keyFile.empty()) {
        std::fprintf(stderr,
            "publishsite: no secret key: give --key FILE (make a pair with --generate-key)\n");
        return 1;
    }
    if (inside(keyFile, installDir) || inside(keyFile, siteDir)) {
        std::fprintf(stderr,
            "publishsite: the secret key %s lies in the installation or the site: move it out\n",
            keyFile.c_str());
        return 1;
    }
    const std::optional<SecretKey> key = ParseSecretKey(ReadTextFile(keyFile));
    if (!key) {
        std::fprintf(
            stderr, "publishsite: %s is not a secret key without a password\n", keyFile.c_str());
        return 1;
    }
    SiteVersions versions = ReadInstalledVersions(installDir);
    std::string* fields[6] = { &versions.softwareVersion, &versions.softwareDate,
        &versions.softwareComment, &versions.stationListVersion, &versions.stationListDate,
        &versions.stationListComment };
    for (int o = 0; o < 6; ++o) {
        if (given[o])
            *fields[o] = values[o];
    }

    const SiteReport report = PublishSite(installDir, siteDir, versions, *key);
    for (const std::string& warning : report.warnings)
        std::fprintf(stderr, "publishsite: warning: %s\n", warning.c_str());
    for (const std::string& error : report.errors)
        std::fprintf(stderr, "publishsite: %s\n", error.c_str());
    if (!report.ok)
        return 1;
    std::printf("publishsite: %d files published in %s\n", report.files, siteDir.c_str());
    return 0;
}
